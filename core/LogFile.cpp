#include "core/LogFile.h"

#include "core/ContentFolders.h"
#include "core/Path.h"

#include <cstring>

CCharString CLogFile::MakeLogPath(const char* executablePath, const char* extension) {
    CCharString path(executablePath);
    // Only a "." in the file name starts an extension; folders may hold dots too.
    const char* slash = std::strrchr(path.GetText(), '/');
    const char* dot = std::strrchr(slash != nullptr ? slash : path.GetText(), '.');
    if (dot != nullptr) {
        path.Cut(static_cast<size_t>(dot - path.GetText()) + 1);
        path.Append(extension);
    } else
        path.Format("%s.%s", executablePath, extension);
    return path;
}

bool CLogFile::Open(const char* extension) {
    CCharString path = MakeLogPath(GetExecutablePath(), extension);
    // An installed program keeps its log in the user's state folder, under the same name; when
    // that cannot be made, opening beside the program says why.
    const CContentFolders folders = CContentFolders::ForProgram();
    if (folders.IsShared()) {
        const char* name = std::strrchr(path.GetText(), '/');
        CCharString file(name != nullptr ? name + 1 : path.GetText()), inState, why;
        if (folders.MakeWritePath(FOLDER_LOGS, file, inState, why))
            path = inState;
    }
    return CDiskFile::Open(path, false, true, false);
}
