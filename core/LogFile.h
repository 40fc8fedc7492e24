#pragma once

#include "core/DiskFile.h"

// The application's log: a disk file beside the executable, named after it (in the user's
// state folder when the program is installed).
class CLogFile : public CDiskFile {
public:
    ~CLogFile() override = default;

    // Opens "<executable>.<extension>" (the executable's own extension replaced) for appending,
    // creating it when absent. Users rewind and truncate it before their first line.
    bool Open(const char* extension);
    using CDiskFile::Open;

    // The path Open(extension) uses for an executable path.
    static CCharString MakeLogPath(const char* executablePath, const char* extension);
};
