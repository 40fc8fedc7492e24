#include "core/ContentFolders.h"

#include "core/Path.h"
#include "core/SystemError.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FOLDER_NAME {
    const char* name; // beside the program, and under the user's base folder
    bool ships;       // shipped content is read from it
    int base;         // the user's base folder once shared: 0 data, 1 music, 2 cache, 3 state
};

constexpr FOLDER_NAME kFolders[FOLDER_COUNT] = {
    {"Data", true, 0},    {"Sound", true, 0}, {"Tutorials", true, 0},
    {"Grooves", true, 0}, {"Songs", true, 1}, {"MIDI", false, 1},
    {"WAVE", false, 1},   {"Temp", false, 2}, {"", false, 3},
};

bool IsFolder(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

// A folder that does not exist yet is writable when the folder it would be made in is.
bool CanWrite(CCharString folder) {
    for (;;) {
        if (access(folder, F_OK) == 0)
            return access(folder, W_OK) == 0;
        const char* slash = std::strrchr(folder.GetText(), '/');
        if (slash == nullptr)
            return false;
        folder.Cut(slash == folder.GetText() ? 1 : static_cast<size_t>(slash - folder.GetText()));
    }
}

// "relative" joined to folder, each leading "../" taking one folder off instead.
CCharString JoinRelative(const char* folder, const char* relative) {
    CCharString base = WithoutTrailingSlashes(folder);
    while (std::strncmp(relative, "../", 3) == 0) {
        const char* slash = std::strrchr(base.GetText(), '/');
        if (slash == nullptr || slash == base.GetText())
            break;
        base.Cut(static_cast<size_t>(slash - base.GetText()));
        relative += 3;
    }
    CCharString joined;
    joined.Format("%s/%s", base.GetText(), relative);
    return joined;
}

CCharString HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return WithoutTrailingSlashes(home);
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/'
               ? WithoutTrailingSlashes(entry->pw_dir)
               : CCharString();
}

// An XDG variable counts only when it holds an absolute path.
CCharString XdgFolder(const char* variable, const CCharString& home, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return WithoutTrailingSlashes(value);
    if (home.IsEmpty())
        return CCharString();
    CCharString folder;
    folder.Format("%s/%s", home.GetText(), fallback);
    return folder;
}

// XDG_MUSIC_DIR from the user's user-dirs.dirs: a quoted absolute path or one under "$HOME/".
CCharString ReadUserDirsMusic(const CCharString& configHome, const CCharString& home) {
    CCharString path;
    path.Format("%s/user-dirs.dirs", configHome.GetText());
    FILE* file = std::fopen(path, "r");
    if (file == nullptr)
        return CCharString();
    CCharString found;
    char line[1024];
    const char* key = "XDG_MUSIC_DIR=\"";
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key, std::strlen(key)) != 0)
            continue;
        std::string value(line + std::strlen(key));
        const size_t quote = value.find('"');
        if (quote == std::string::npos)
            continue;
        value.resize(quote);
        if (value.rfind("$HOME", 0) == 0 && !home.IsEmpty())
            found.Format("%s%s", home.GetText(), value.c_str() + 5);
        else if (!value.empty() && value[0] == '/')
            found.Set(value.c_str());
    }
    std::fclose(file);
    return WithoutTrailingSlashes(found);
}

} // namespace

USER_BASE_FOLDERS USER_BASE_FOLDERS::FromEnvironment() {
    const CCharString home = HomeFolder();
    USER_BASE_FOLDERS user;
    user.dataHome = XdgFolder("XDG_DATA_HOME", home, ".local/share");
    user.stateHome = XdgFolder("XDG_STATE_HOME", home, ".local/state");
    user.cacheHome = XdgFolder("XDG_CACHE_HOME", home, ".cache");
    user.music = XdgFolder("XDG_MUSIC_DIR", CCharString(), "");
    if (user.music.IsEmpty())
        user.music = ReadUserDirsMusic(XdgFolder("XDG_CONFIG_HOME", home, ".config"), home);
    if (user.music.IsEmpty() && !home.IsEmpty())
        user.music.Format("%s/Music", home.GetText());
    return user;
}

void CContentFolders::Locate(const char* programFolder, const USER_BASE_FOLDERS& user) {
    const CCharString program = WithoutTrailingSlashes(programFolder);
    CCharString tutorials;
    tutorials.Format("%s/Tutorials", program.GetText());
    const CCharString installed = JoinRelative(program, MA_INSTALLED_CONTENT);
    // Content beside the program wins over an installed copy, so a build tree inside a prefix
    // still runs on its own content.
    CCharString root = program;
    if (!IsFolder(tutorials) && IsFolder(installed)) {
        root = installed;
        m_shared = true;
    } else
        m_shared = !CanWrite(program);

    for (int i = 0; i < FOLDER_COUNT; ++i) {
        const FOLDER_NAME& folder = kFolders[i];
        CCharString beside;
        beside.Format("%s/%s%s", root.GetText(), folder.name, *folder.name ? "/" : "");
        m_shipped[i] = !m_shared || folder.ships ? beside : CCharString();
        m_user[i] = m_shared ? GetUserFolder(static_cast<CONTENT_FOLDER>(i), user) : beside;
    }
}

CCharString CContentFolders::GetUserFolder(CONTENT_FOLDER kind, const USER_BASE_FOLDERS& user) {
    const FOLDER_NAME& folder = kFolders[kind];
    const CCharString* bases[] = {&user.dataHome, &user.music, &user.cacheHome, &user.stateHome};
    const char* products[] = {"modal-atlas", "Modal Atlas", "modal-atlas", "modal-atlas"};
    const CCharString& base = *bases[folder.base];
    CCharString path;
    if (!base.IsEmpty())
        path.Format("%s/%s/%s%s", base.GetText(), products[folder.base], folder.name,
                    *folder.name ? "/" : "");
    return path;
}

void CContentFolders::Locate(const char* programFolder) {
    Locate(programFolder, USER_BASE_FOLDERS::FromEnvironment());
}

CContentFolders CContentFolders::ForProgram() {
    CContentFolders folders;
    folders.Locate(GetExecutableFolder());
    return folders;
}

CCharString CContentFolders::FindUserFirst(const char* userFolder, const char* shippedFolder,
                                           const char* name) {
    auto join = [name](const char* folder) {
        CCharString path(folder);
        if (!path.IsEmpty() && path.At(path.GetLength() - 1) != '/')
            path.Append('/');
        path.Append(name);
        return path;
    };
    const bool ships = shippedFolder != nullptr && *shippedFolder;
    if (userFolder != nullptr && *userFolder) {
        CCharString path = join(userFolder);
        if (!ships || FileExists(path))
            return path;
    }
    return join(ships ? shippedFolder : "");
}

CCharString CContentFolders::Find(CONTENT_FOLDER folder, const char* name) const {
    return FindUserFirst(m_user[folder], m_shipped[folder], name);
}

bool CContentFolders::MakeWritePath(CONTENT_FOLDER folder, const char* name, CCharString& path,
                                    CCharString& error) const {
    if (m_user[folder].IsEmpty()) {
        error = "Can't find the user's folders: HOME is not set";
        return false;
    }
    path = FindUserFirst(m_user[folder], nullptr, name);
    PATH_PARTS parts;
    if (!SplitPath(path, parts) || !MakePath(parts.folder)) {
        error.Format("Can't make folder '%s': %s", parts.folder.GetText(),
                     DescribeLastError().GetText());
        return false;
    }
    return true;
}
