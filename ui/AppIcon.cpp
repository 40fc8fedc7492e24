#include "ui/AppIcon.h"

#include <QDirIterator>
#include <QIcon>

const QIcon& GetAppIcon() {
    // The build compiles in one picture per size it rendered.
    static const QIcon icon = [] {
        QIcon made;
        QDirIterator pictures(":/icons/hicolor", {"modal-atlas.png"}, QDir::Files,
                              QDirIterator::Subdirectories);
        while (pictures.hasNext())
            made.addFile(pictures.next());
        return made;
    }();
    return icon;
}
