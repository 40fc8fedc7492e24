#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "song/Song.h"
#include "theory/Chord.h"

#include <cstdint>

class CComposer;
class CComposition;
class CDiskFile;
class CNoteManager;

// Whether a "key=value" line is short enough for the line reader to take back. A save refuses
// longer lines rather than write a file that cannot be opened again.
bool SongLineFits(const char* key, const char* value);

// One part of a composition: a groove played over a list of chords of a scale, each chord held
// for a number of repetitions of the groove.
class CSongPart {
public:
    CSongPart() = default;
    CSongPart(const CSongPart& other) { Copy(other); }
    CSongPart& operator=(const CSongPart& other) {
        if (this != &other)
            Copy(other);
        return *this;
    }
    virtual ~CSongPart() = default;

    // Back to a new part; the owner stays.
    void Reset();
    // Every field but the owner.
    void Copy(const CSongPart& other);
    // Inserts before index, or appends for -1 (and for an index past the end).
    bool AddChord(const CChord& chord, int index);

    // Writes the part's block (ending in two empty lines). Fails with "Part's name is not set"
    // for a part without a name.
    bool Save(CDiskFile& file);
    // Reads lines up to "End of Song Part" or the end of the file (atEnd is then set). A part
    // whose name stays empty is not an error; the caller discards it.
    bool Load(CDiskFile& file, bool& atEnd);
    // The groove fitted to each chord in turn by the composer; on failure the part's error text
    // holds the composer's words.
    bool MakeSong(CComposer& composer, CSong& song);

    // The name of chord index ("Am7"): a chord given by degree is built on that degree of the
    // part's scale and root to name it. False when it can't be named.
    bool GetChordName(CNoteManager& manager, int index, CCharString& name) const;
    // The chord list's row of chord index: "%d - %s\t%d" (degree, name, repeat) for a chord
    // given by degree ("%d (?]" when it can't be built), else "%s\t%d" (name, repeat).
    CCharString GetChordRow(CNoteManager& manager, int index) const;

    // The owning composition's header (tempo, beat time), or null for a part on its own.
    const SONG_HEADER* GetOwnerHeader() const;
    CComposition* GetOwner() const { return m_owner; }
    void SetOwner(CComposition* owner) { m_owner = owner; }
    const CCharString& GetError() const { return m_error; }
    // The file line of the last load failure.
    int GetErrorLine() const { return m_errorLine; }

    CCharString m_error;
    CCharString m_name; // unique within the composition; a part without a name is never kept
    CCharString m_description;
    int m_repeat = 1;
    CSong m_grooveSong;
    CCharString m_grooveStyle;
    CCharString m_grooveName;
    CCharString m_grooveFile;
    CVarList<CChord> m_chords; // in playing order
    int m_scale = 1;           // scale type number
    uint8_t m_scaleRoot = 48;  // MIDI note
    int m_grooveFileLine = 0;  // the file line of "Groove file" when the part was read

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    // Fills the chords from a "Chords" value: "root/accidental/type[/repeat/group/degree],...".
    bool ParseChords(const std::string& value);

    CComposition* m_owner = nullptr;
    int m_errorLine = 0;
};
