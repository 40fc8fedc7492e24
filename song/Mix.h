#pragma once

#include "core/CharString.h"
#include "theory/Thing.h"

#include <map>

// The volume, pan and optional sound file of one instrument or drum piece.
struct MIX_ENTRY {
    THING instrument = THING_NONE; // the entry's key (see CMix::GetKey)
    CCharString soundFile;
    float volume = 1.0f;
    float pan = 0.0f;
};

// The mix of the band: one entry per instrument and per drum piece, kept in ascending key
// order. The three hi-hat sounds share the closed hi-hat's entry and the ride bell shares the
// ride cymbal's, so the mixer shows one control for each.
class CMix {
public:
    CMix() = default;

    // The entry key of an instrument: hi-hat open and foot map to hi-hat closed, the ride bell
    // to the ride cymbal, every other instrument to itself.
    static THING GetKey(THING instrument);

    // False when the instrument's key has no entry.
    bool GetEntry(THING instrument, float& volume, float& pan) const;
    // Updates the key's entry, or inserts one with no sound file. Volume is kept within 0..1 and
    // pan within -1..1, here and when a file is read.
    bool SetEntry(THING instrument, float volume, float pan);
    // The whole entry (sound file included); null when the key has none.
    const MIX_ENTRY* FindEntry(THING instrument) const;
    bool SetSoundFile(THING instrument, const char* path);
    // SetEntry for each row of the default mix, in its order.
    bool SetDefaults();
    void RemoveAll() { m_entries.clear(); }

    // Reads a ".mix" file into the entries already held. Entries read before a failure stay.
    bool Load(const char* path);
    // Writes every entry in key order; the old file is replaced only once the new one is whole.
    bool Save(const char* path);

    const CCharString& GetError() const { return m_error; }
    // The path of the last file read or written.
    const CCharString& GetFile() const { return m_file; }
    const std::map<THING, MIX_ENTRY>& GetEntries() const { return m_entries; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }

    // Free texts that no file operation fills; Load clears the name.
    CCharString m_name;
    CCharString m_description;

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);

    CCharString m_error;
    CCharString m_file;
    std::map<THING, MIX_ENTRY> m_entries;
};
