#pragma once

#include "core/CharString.h"

// The kinds of content folder. Each has a shipped side (what the program reads and never
// writes) and a user side (where the program writes what the user makes).
enum CONTENT_FOLDER {
    FOLDER_DATA,
    FOLDER_SOUND, // sample sets and the mix
    FOLDER_TUTORIALS,
    FOLDER_GROOVES, // the groove root
    FOLDER_SONGS,
    FOLDER_MIDI,
    FOLDER_WAVE,
    FOLDER_TEMP,
    FOLDER_LOGS, // logs and crash reports
    FOLDER_COUNT
};

// The user's base folders by the XDG rules, without trailing slashes; empty when unknown.
struct USER_BASE_FOLDERS {
    CCharString dataHome;  // $XDG_DATA_HOME, else ~/.local/share
    CCharString stateHome; // $XDG_STATE_HOME, else ~/.local/state
    CCharString cacheHome; // $XDG_CACHE_HOME, else ~/.cache
    CCharString music;     // $XDG_MUSIC_DIR or the user's user-dirs.dirs, else ~/Music

    static USER_BASE_FOLDERS FromEnvironment();
};

// Where the content folders lie for a program in a given folder.
//
// Run from a writable folder that holds its content (the build tree, a portable copy), the
// program keeps everything beside itself, in the folders its settings name. Installed (its
// content in the data folder beside its bin/ folder, ../share/modal-atlas), or run from a
// folder it cannot write, it reads its content from there and writes into the user's folders:
// the mix, grooves and sample sets under $XDG_DATA_HOME/modal-atlas, songs, MIDI and WAVE
// files under the music folder's "Modal Atlas", temporary files under the cache folder, logs
// and crash reports under $XDG_STATE_HOME/modal-atlas. Writers take their paths from
// MakeWritePath and readers from Find, so a shipped file is never overwritten and a user's
// file of the same name takes its place.
class CContentFolders {
public:
    void Locate(const char* programFolder, const USER_BASE_FOLDERS& user);
    // With the user's folders from the environment.
    void Locate(const char* programFolder);
    // Located for the running program (GetExecutableFolder).
    static CContentFolders ForProgram();
    // The user's folder of that kind by the XDG rules, with a trailing slash; empty when the
    // user's base folder is unknown.
    static CCharString GetUserFolder(CONTENT_FOLDER folder, const USER_BASE_FOLDERS& user);

    // True when the program writes into the user's folders rather than beside itself.
    bool IsShared() const { return m_shared; }
    // Folders with a trailing slash. The shipped one is empty for a kind that ships nothing
    // (temporary files, logs) once shared; both are the same folder when not shared.
    const CCharString& GetShipped(CONTENT_FOLDER folder) const { return m_shipped[folder]; }
    const CCharString& GetUser(CONTENT_FOLDER folder) const { return m_user[folder]; }

    // The file to read for a name relative to the folder: the user's when it exists, else the
    // shipped one.
    CCharString Find(CONTENT_FOLDER folder, const char* name) const;
    static CCharString FindUserFirst(const char* userFolder, const char* shippedFolder,
                                     const char* name);
    // The path to write a name to, in the user's folder, which is made with the name's own
    // sub-folders; false with the reason when it cannot be made.
    bool MakeWritePath(CONTENT_FOLDER folder, const char* name, CCharString& path,
                       CCharString& error) const;

private:
    bool m_shared = false;
    CCharString m_shipped[FOLDER_COUNT];
    CCharString m_user[FOLDER_COUNT];
};
