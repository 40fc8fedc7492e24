#pragma once

#include "core/CharString.h"

#include <set>
#include <string>
#include <vector>

// The grooves a user chooses from: the library that comes with the program (the content root's
// "Grooves" folder) and the user's own groove folder, seen as one. Styles are folders, grooves
// the ".mid" files in them. A user's copy of a groove stands in front of the shipped one of the
// same style and name.
class CGrooveLibrary {
public:
    // The list of shipped grooves in the shipped root: one "Style/Name" a line.
    static constexpr const char* kShippedList = ".shipped";

    // Either folder may be empty or missing. Reads the shipped root's list of shipped grooves;
    // without one, every groove of the shipped root counts as shipped.
    void SetFolders(const char* shippedRoot, const char* userRoot);
    const CCharString& GetShippedRoot() const { return m_shippedRoot; }
    const CCharString& GetUserRoot() const { return m_userRoot; }

    // The styles of both folders, each once, in name order without regard to case.
    std::vector<CCharString> ListStyles() const;
    // The grooves of a style in both folders (names without ".mid"), each once, in name order.
    std::vector<CCharString> ListGrooves(const char* style) const;
    // The file the groove is read from: the user's copy, else the shipped one; empty when
    // neither exists.
    CCharString FindGroove(const char* style, const char* name) const;
    // Where saving the groove writes it: the shipped root when its style folder (or, for a new
    // style, the root) can be written, else the user's folder.
    CCharString GetSavePath(const char* style, const char* name) const;
    // Whether the groove came with the program.
    bool IsShipped(const char* style, const char* name) const;
    // Deletes the file FindGroove names. A groove that came with the program is never deleted;
    // a user's copy of one is (the shipped groove shows again).
    bool Delete(const char* style, const char* name);

    const CCharString& GetError() const { return m_error; }

private:
    static CCharString Join(const CCharString& root, const char* style, const char* name);

    CCharString m_shippedRoot;
    CCharString m_userRoot;
    bool m_haveShippedList = false;
    std::set<std::string> m_shipped; // "Style/Name"
    CCharString m_error;
};
