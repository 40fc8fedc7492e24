#include "core/Path.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
std::mutex g_folderMutex;
CCharString g_folderOverride;
} // namespace

CCharString WithoutTrailingSlashes(const char* path) {
    CCharString text(path);
    size_t length = text.GetLength();
    while (length > 1 && text.At(length - 1) == '/')
        --length;
    text.Cut(length);
    return text;
}

bool SplitPath(const char* path, PATH_PARTS& parts) {
    if (path == nullptr || std::strlen(path) >= PATH_MAX)
        return false;
    const char* slash = std::strrchr(path, '/');
    const char* nameStart = slash != nullptr ? slash + 1 : path;
    const char* dot = std::strrchr(nameStart, '.');
    const char* nameEnd = dot != nullptr ? dot : nameStart + std::strlen(nameStart);
    parts.drive.Empty();
    parts.folder.Set(std::string(path, nameStart).c_str());
    parts.name.Set(std::string(nameStart, nameEnd).c_str());
    parts.extension.Set(nameEnd);
    parts.driveFolder.Format("%s%s", parts.drive.GetText(), parts.folder.GetText());
    return true;
}

bool MakePath(const char* path) {
    if (path == nullptr)
        return false;
    CCharString full;
    if (path[0] == '/')
        full.Set(path);
    else
        full.Format("%s/%s", GetExecutableFolder().GetText(), path);
    std::string text = full.Str();
    // Each prefix ending before a slash (and the whole path) is one folder to create.
    for (size_t i = 1; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '/')
            continue;
        if (text[i - 1] == '/')
            continue;
        std::string folder = text.substr(0, i);
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool FileExists(const char* path) {
    return path != nullptr && access(path, F_OK) == 0;
}

CCharString GetExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return CCharString();
    buffer[length] = 0;
    return CCharString(buffer);
}

CCharString GetUserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    CCharString folder;
    if (xdg != nullptr && xdg[0] == '/')
        folder.Format("%s/modal-atlas", xdg);
    else if (home != nullptr && *home)
        folder.Format("%s/.local/share/modal-atlas", home);
    return folder;
}

CCharString GetExecutableFolder() {
    {
        std::lock_guard<std::mutex> lock(g_folderMutex);
        if (!g_folderOverride.IsEmpty())
            return g_folderOverride;
    }
    CCharString path = GetExecutablePath();
    const char* slash = std::strrchr(path.GetText(), '/');
    if (slash == nullptr)
        return CCharString(".");
    path.Cut(static_cast<size_t>(slash - path.GetText()));
    return path.IsEmpty() ? CCharString("/") : path;
}

void OverrideExecutableFolder(const char* folder) {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_folderOverride = folder != nullptr ? WithoutTrailingSlashes(folder) : CCharString();
}

namespace {
bool HasExtension(const char* name, const char* extension) {
    if (extension == nullptr || *extension == 0)
        return true;
    if (*extension == '.')
        ++extension;
    const char* dot = std::strrchr(name, '.');
    // Content made on other systems mixes ".mid" and ".MID".
    return dot != nullptr && strcasecmp(dot + 1, extension) == 0;
}

bool ListInto(CTree<FILE_INFO>& tree, const LIST_OPTIONS& options, int depth) {
    DIR* dir = opendir(tree.item.path.GetText());
    if (dir == nullptr)
        return false;
    std::vector<FILE_INFO> entries;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        FILE_INFO info;
        info.name.Set(entry->d_name);
        info.folder.Set(tree.item.path);
        info.path.Format("%s/%s", tree.item.path.GetText(), entry->d_name);
        struct stat status {};
        if (stat(info.path.GetText(), &status) != 0)
            continue; // a dangling link
        info.isFolder = S_ISDIR(status.st_mode);
        if (info.isFolder ? !options.folders && !options.recurse
                          : !options.files || !HasExtension(entry->d_name, options.extension))
            continue;
        entries.push_back(info);
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const FILE_INFO& a, const FILE_INFO& b) {
        int order = strcasecmp(a.name.GetText(), b.name.GetText());
        return order != 0 ? order < 0 : std::strcmp(a.name.GetText(), b.name.GetText()) < 0;
    });
    for (const FILE_INFO& info : entries) {
        if (info.isFolder && !options.folders) {
            // Recursing without listing folders: their files join this level.
            CTree<FILE_INFO> sub;
            sub.item = info;
            if (depth < 64)
                ListInto(sub, options, depth + 1);
            for (const CTree<FILE_INFO>& child : sub.children)
                tree.children.Add(child);
            continue;
        }
        CTree<FILE_INFO>& node = tree.AddChild(info);
        // A link loop would recurse for ever; no real content is this deep.
        if (info.isFolder && options.recurse && depth < 64)
            ListInto(node, options, depth + 1);
    }
    return true;
}
} // namespace

bool ListFolder(const char* folder, CTree<FILE_INFO>& tree, const LIST_OPTIONS& options) {
    tree.Clear();
    if (folder == nullptr)
        return false;
    tree.item.path = WithoutTrailingSlashes(folder);
    tree.item.isFolder = true;
    PATH_PARTS parts;
    if (SplitPath(tree.item.path, parts)) {
        tree.item.name.Format("%s%s", parts.name.GetText(), parts.extension.GetText());
        tree.item.folder = WithoutTrailingSlashes(parts.folder);
    }
    return ListInto(tree, options, 0);
}

TIME_STAMP GetTimeStamp() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    TIME_STAMP stamp;
    stamp.seconds = now.tv_sec;
    stamp.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
    return stamp;
}

double GetElapsedSeconds(const TIME_STAMP& start, const TIME_STAMP& end) {
    return static_cast<double>(end.seconds - start.seconds) +
           (end.milliseconds - start.milliseconds) / 1000.0;
}
