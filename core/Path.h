#pragma once

#include "core/CharString.h"
#include "core/Tree.h"

#include <cstdint>

// The parts of a path. On this platform the drive is always empty; the folder keeps its
// trailing slash and the extension its leading "." ("/a/b/Song.mid": "/a/b/", "Song", ".mid").
struct PATH_PARTS {
    CCharString drive;
    CCharString folder;
    CCharString name;
    CCharString extension;
    CCharString driveFolder; // drive + folder
};

// False for a null path or one longer than the system allows.
bool SplitPath(const char* path, PATH_PARTS& parts);
// The path without its trailing '/'s; the root "/" stays.
CCharString WithoutTrailingSlashes(const char* path);

// Creates every folder of a path (a trailing name is taken as a folder too). A relative path is
// taken relative to the executable's folder. Folders that exist already are no failure.
bool MakePath(const char* path);

// True when the path names an existing file or folder.
bool FileExists(const char* path);

// The executable's full path (from /proc/self/exe) and its folder without a trailing slash;
// the content folders lie beside the executable.
CCharString GetExecutablePath();
CCharString GetExecutableFolder();
// The user's own data folder for this program ($XDG_DATA_HOME or ~/.local/share, then
// "modal-atlas"), without a trailing slash; empty when the user has neither.
CCharString GetUserDataFolder();
// Tests run from their own folder but read the content beside the programs: this replaces the
// folder GetExecutableFolder returns (null or empty restores the real one).
void OverrideExecutableFolder(const char* folder);

struct FILE_INFO {
    CCharString name;   // entry name with extension
    CCharString folder; // the folder that holds it, without trailing slash
    CCharString path;   // "%s/%s" of folder and name
    bool isFolder = false;
};

struct LIST_OPTIONS {
    bool folders = true;             // list sub-folders
    bool files = true;               // list files
    bool recurse = false;            // list the entries of sub-folders as their children
    const char* extension = nullptr; // only files of this extension ("mid" or ".mid"), any case
};

// Fills the tree with the folder (root item) and its entries as children, sorted by name
// without regard to case. Hidden entries (names starting with ".") are skipped. False when
// the folder cannot be read; the tree then holds the folder alone.
bool ListFolder(const char* folder, CTree<FILE_INFO>& tree, const LIST_OPTIONS& options = {});

// A wall-clock stamp of seconds and milliseconds.
struct TIME_STAMP {
    int64_t seconds = 0;
    int milliseconds = 0;
};
TIME_STAMP GetTimeStamp();
// Whole seconds plus milliseconds / 1000 from start to end (negative when end is earlier).
double GetElapsedSeconds(const TIME_STAMP& start, const TIME_STAMP& end);
