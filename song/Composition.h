#pragma once

#include "core/CharString.h"
#include "song/Song.h"
#include "song/SongPart.h"

#include <memory>
#include <vector>

// What the user writes in the song editor: song parts, the order they are played in (a part may
// be played more than once), and the whole repeated a number of times. Stored as a ".Song" file.
class CComposition {
public:
    CComposition() = default;
    CComposition(const CComposition&) = delete;
    CComposition& operator=(const CComposition&) = delete;
    virtual ~CComposition() = default;

    // No parts, no order, a new header and texts, repeat 1, not modified.
    void Reset();

    // Takes ownership of part in every case: a part whose name is already used is destroyed and
    // the result is false.
    bool AddPart(CSongPart* part);
    // Adds an order entry for a part the composition owns.
    bool AppendToOrder(CSongPart* part);
    // The part with exactly that name, or null.
    CSongPart* FindPart(const char* name) const;
    // Removes the first order entry of the named part.
    bool RemoveFromOrder(const char* name);
    // Removes the part from the order (every entry of it) and from the parts, and destroys it.
    bool DeletePart(const char* name);
    void GetCounts(int& parts, int& order) const;
    int GetPartCount() const { return static_cast<int>(m_parts.size()); }
    int GetOrderCount() const { return static_cast<int>(m_order.size()); }
    CSongPart* GetPart(int index) const;
    CSongPart* GetOrderEntry(int index) const;

    // A deep copy: the parts are copied and the order is rebuilt by name.
    bool Copy(const CComposition& other);

    // The ".Song" file. A failed load keeps what was read before the failure; a failed save
    // keeps the old file.
    bool Save(const char* path);
    bool Load(const char* path);

    const CCharString& GetError() const { return m_error; }
    const CCharString& GetFile() const { return m_file; }
    bool IsModified() const { return m_modified; }
    void SetModified() { m_modified = true; }

    SONG_HEADER m_header; // only its tempo is stored in the file
    CCharString m_name;
    CCharString m_description;
    int m_repeat = 1;

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    bool ReadOrder(const std::string& value);

    CCharString m_error;
    CCharString m_file;
    std::vector<std::unique_ptr<CSongPart>> m_parts;
    std::vector<CSongPart*> m_order;
    bool m_modified = false;
};
