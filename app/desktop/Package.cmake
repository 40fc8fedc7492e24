# `make package`: a Debian package of what `cmake --install` lays out under /usr. Its
# dependencies come from the libraries the programs link (dpkg-shlibdeps), not from a list.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME modal-atlas)
set(CPACK_PACKAGE_VENDOR Morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvane <${MA_CONTACT}>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "guitar scale and chord trainer played by a band")
# The extended description in lines of at most 80 characters, paragraphs apart.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Modal Atlas shows any of 21 scales on any of the twelve roots, or a chord of"
  "that scale, on a guitar neck, on a circle of the twelve notes and in words,"
  "and plays it over a groove by a band of recorded instrument samples while a"
  "3D band of lead, rhythm and bass guitarists and a drummer plays in time."
  "."
  "Practice patterns run at the tempo and note length the learner chooses, over"
  "chord progressions of the scale. Lesson pages with buttons drive the tool"
  "step by step, and a mixer sets every instrument's and drum's volume and pan."
  "."
  "modal-atlas-cli names scales and chords and renders the practice without a"
  "window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
