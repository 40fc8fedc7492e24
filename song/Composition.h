#pragma once

#include "core/CharString.h"
#include "song/Song.h"
#include "song/SongPart.h"

#include <memory>
#include <vector>

class CComposer;
class CWaveRenderer;

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
    // Removes order entry index, or moves it by delta places (to -1 or past the end fails).
    bool RemoveOrderEntry(int index);
    bool MoveOrderEntry(int index, int delta);
    // Removes the part from the order (every entry of it) and from the parts, and destroys it.
    bool DeletePart(const char* name);
    void GetCounts(int& parts, int& order) const;
    int GetPartCount() const { return static_cast<int>(m_parts.size()); }
    int GetOrderCount() const { return static_cast<int>(m_order.size()); }
    CSongPart* GetPart(int index) const;
    CSongPart* GetOrderEntry(int index) const;

    // A deep copy: the parts are copied and the order is rebuilt by name.
    bool Copy(const CComposition& other);

    // The ".Song" file. A failed load keeps what was read before the failure and leaves the
    // line it stopped at in GetErrorLine(); a failed save keeps the old file.
    bool Save(const char* path);
    bool Load(const char* path);
    // Every part's groove file exists; else "Can't find groove (%s) of song part (%s)", with the
    // line that named it in GetErrorLine() when the part was read from a file.
    bool CheckGrooves();

    // The play order made into one song by the composer: every repeat, every entry in turn.
    // Fails with the composer's words.
    bool Compose(CComposer& composer, CSong& song);
    // Composes, gives the drums whole-measure durations that stop at the last measure, applies
    // the composer's mix and writes a MIDI file (the old file is replaced only once the new one
    // is whole). An empty play order has nothing to save.
    bool SaveMidi(CComposer& composer, const char* path);
    // The same up to the mix, then every track, disabled ones too, rendered into a WAVE file.
    bool SaveWave(CComposer& composer, CWaveRenderer& renderer, const char* path);

    const CCharString& GetError() const { return m_error; }
    // The file line the last failure is about; 0 when it is about no line.
    int GetErrorLine() const { return m_errorLine; }
    // The error text with where it happened: "%s, line %d: %s" (file, line, text), or
    // "%s: %s" when it is about no line.
    CCharString DescribeError(const char* path) const;
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
    // Composed for export: whole-measure drums, the composer's mix.
    bool ComposeForExport(CComposer& composer, CSong& song);

    CCharString m_error;
    int m_errorLine = 0;
    CCharString m_file;
    std::vector<std::unique_ptr<CSongPart>> m_parts;
    std::vector<CSongPart*> m_order;
    bool m_modified = false;
};
