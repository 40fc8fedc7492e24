#include "song/GrooveLibrary.h"

#include "core/DiskFile.h"
#include "core/Path.h"
#include "core/SystemError.h"
#include "core/Tree.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>
#include <unistd.h>

namespace {

CCharString Trimmed(const char* folder) {
    CCharString text(folder ? folder : "");
    while (text.GetLength() > 1 && text.At(text.GetLength() - 1) == '/')
        text.Cut(text.GetLength() - 1);
    return text;
}

// Adds the names of one folder's entries (files of the extension, or sub-folders) to names.
void AddNames(const CCharString& folder, bool folders, std::vector<CCharString>& names) {
    if (folder.IsEmpty())
        return;
    LIST_OPTIONS options;
    options.folders = folders;
    options.files = !folders;
    options.extension = folders ? nullptr : "mid";
    CTree<FILE_INFO> tree;
    if (!ListFolder(folder, tree, options))
        return;
    for (size_t i = 0; i < tree.GetCount(); ++i) {
        CCharString name = tree[i].item.name;
        if (!folders)
            name.Cut(name.GetLength() - 4); // ".mid"
        names.push_back(name);
    }
}

void SortUnique(std::vector<CCharString>& names) {
    auto less = [](const CCharString& a, const CCharString& b) {
        return strcasecmp(a.GetText(), b.GetText()) < 0;
    };
    std::stable_sort(names.begin(), names.end(), less);
    names.erase(std::unique(names.begin(), names.end(),
                            [](const CCharString& a, const CCharString& b) { return a == b; }),
                names.end());
}

} // namespace

CCharString CGrooveLibrary::Join(const CCharString& root, const char* style, const char* name) {
    CCharString path;
    if (!root.IsEmpty())
        path.Format("%s/%s/%s.mid", root.GetText(), style, name);
    return path;
}

void CGrooveLibrary::SetFolders(const char* shippedRoot, const char* userRoot) {
    m_shippedRoot = Trimmed(shippedRoot);
    m_userRoot = Trimmed(userRoot);
    m_shipped.clear();
    m_haveShippedList = false;
    CCharString list;
    list.Format("%s/%s", m_shippedRoot.GetText(), kShippedList);
    CDiskFile file;
    file.SetLineSeparator("\n"); // written by the build, on any system
    CVarList<CCharString> lines;
    if (FileExists(list) && file.ReadLines(list, lines)) {
        m_haveShippedList = true;
        for (CCharString line : lines) {
            line.Trim('\r');
            if (!line.IsEmpty())
                m_shipped.insert(line.Str());
        }
    }
}

std::vector<CCharString> CGrooveLibrary::ListStyles() const {
    std::vector<CCharString> styles;
    AddNames(m_shippedRoot, true, styles);
    AddNames(m_userRoot, true, styles);
    SortUnique(styles);
    return styles;
}

std::vector<CCharString> CGrooveLibrary::ListGrooves(const char* style) const {
    std::vector<CCharString> grooves;
    for (const CCharString* root : {&m_shippedRoot, &m_userRoot}) {
        if (root->IsEmpty())
            continue;
        CCharString folder;
        folder.Format("%s/%s", root->GetText(), style);
        AddNames(folder, false, grooves);
    }
    SortUnique(grooves);
    return grooves;
}

CCharString CGrooveLibrary::FindGroove(const char* style, const char* name) const {
    for (const CCharString* root : {&m_userRoot, &m_shippedRoot}) {
        CCharString path = Join(*root, style, name);
        if (!path.IsEmpty() && FileExists(path))
            return path;
    }
    return CCharString();
}

CCharString CGrooveLibrary::GetSavePath(const char* style, const char* name) const {
    if (!m_shippedRoot.IsEmpty()) {
        CCharString folder;
        folder.Format("%s/%s", m_shippedRoot.GetText(), style);
        const char* probe = FileExists(folder) ? folder.GetText() : m_shippedRoot.GetText();
        if (FileExists(probe) && access(probe, W_OK) == 0)
            return Join(m_shippedRoot, style, name);
    }
    return Join(m_userRoot, style, name);
}

bool CGrooveLibrary::IsShipped(const char* style, const char* name) const {
    CCharString path = Join(m_shippedRoot, style, name);
    if (path.IsEmpty() || !FileExists(path))
        return false;
    if (!m_haveShippedList)
        return true;
    CCharString key;
    key.Format("%s/%s", style, name);
    return m_shipped.count(key.Str()) > 0;
}

bool CGrooveLibrary::Delete(const char* style, const char* name) {
    CCharString path = FindGroove(style, name);
    if (path.IsEmpty()) {
        m_error.Format("Can't find groove (%s/%s)", style, name);
        return false;
    }
    if (path == Join(m_shippedRoot, style, name) && IsShipped(style, name)) {
        m_error.Format("Groove (%s/%s) comes with the program and can't be deleted", style, name);
        return false;
    }
    if (std::remove(path.GetText()) != 0) {
        m_error.Format("Can't delete groove (%s): %s", path.GetText(),
                       DescribeLastError().GetText());
        return false;
    }
    return true;
}
