#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "song/Song.h"
#include "theory/NoteList.h"

#include <vector>

// The cell model behind the note grids and staffs of the Song Editor: rows (one per drum piece,
// string or staff step) by beats, each beat divided into sub-cells that say where notes start,
// pass and end. SetNotes lays a track's notes into the cells and GetNotes builds them back.
//
// Rebuilding notes from cells: a note starts at the start of its first sub-cell (state 1 or 4)
// and lasts to the end of the last sub-cell of its run (through the 3s to the 2, or the 4 alone).
// Its volume, length code, fretboard slot and staff marks come from the first sub-cell; its MIDI
// note from the row (a drum row's base note, a string's open note plus the fret, a staff step's
// natural raised or lowered by the accidental mark). A string and fret the grid chose for a note
// that came without them are only shown, never written back. Notes the grid cannot hold (no
// pitch, no row, past the last beat) are kept aside and come back unchanged. Notes written on
// sixteenths or triplets therefore come back with the same start, length, pitch and volume.

enum GRID_KIND : int { GRID_DRUMS = 0, GRID_BASS = 1, GRID_RHYTHM = 2, GRID_LEAD = 3 };

// Sub-cell states.
constexpr int CELL_EMPTY = 0;
constexpr int CELL_START = 1;  // a note starts here
constexpr int CELL_END = 2;    // a note ends here
constexpr int CELL_PASS = 3;   // a note passes through
constexpr int CELL_SINGLE = 4; // a note starts and ends here

// Staff marks: accidental, articulation and duration style.
constexpr int MARK_NONE = 0;
constexpr int MARK_SHARP = 1;
constexpr int MARK_FLAT = 3;
constexpr int MARK_NATURAL = 5;
constexpr int MARK_ACCENTED = 6;
constexpr int MARK_GHOST = 7;
constexpr int MARK_MUTED = 8;
constexpr int MARK_NORMAL = 0;
constexpr int MARK_STACCATO = 9;
constexpr int MARK_LEGATO = 0;

// Which of a note's three staff marks a value sets.
enum STAFF_MARK : int { STAFF_ACCIDENTAL = 0, STAFF_ARTICULATION = 1, STAFF_DURATION = 2 };

constexpr int STRUM_MARKER = 254;

// A screen rectangle in the window's pixels; left -1 when not laid out.
struct CELL_RECT {
    int left = -1, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class CNoteCell {
public:
    // Empty again with no marks; the rectangle stays.
    void Clear();
    bool IsEmpty() const { return m_state == CELL_EMPTY; }
    bool IsStart() const { return m_state == CELL_START || m_state == CELL_SINGLE; }

    CELL_RECT m_rect;
    int m_state = CELL_EMPTY;
    float m_volume = 0.0f;
    int m_length = 0; // the note's length code
    FRET_SLOT m_slot;
    bool m_placed = false; // string and fret chosen by the grid, not carried by the note
    int m_accidental = MARK_NONE;
    int m_articulation = MARK_NORMAL;
    int m_durationStyle = MARK_LEGATO;
    // The rhythm grid's display of the strummed chord on a string row: the state and fret of
    // the voicing under a strum (CELL_EMPTY when none). Never part of the notes.
    int m_shownState = CELL_EMPTY;
    int m_shownFret = 0;
};

class CBeatCell {
public:
    int GetCount() const { return static_cast<int>(m_cells.GetCount()); }
    double GetCellWidth() const { return m_width / GetCount(); }
    double GetCellTime(int cell) const { return m_start + cell * GetCellWidth(); }
    // Changes the number of sub-cells, keeping the leading ones: when it shrinks, a note that
    // passed through or started in the last kept cell ends there.
    void SetCount(int count);
    void Clear();
    bool IsEmpty() const;

    double m_start = 0.0;
    double m_width = 0.0;
    CVarList<CNoteCell> m_cells;
};

class CNoteRow {
public:
    // The row's base note: a drum piece's key, a string's open note, a staff step's natural.
    int GetBase() const { return m_notes.IsEmpty() ? MIDI_NO_PITCH : m_notes[0].m_midi; }
    bool HasNote(int midi) const;

    CNoteList m_notes;
    int m_identity = 0; // the drum piece (THING) or the string number; 0 for a staff step
    CCharString m_name;
    bool m_byString = false; // a string row: notes keep a fret on it
    CVarList<CBeatCell> m_beats;
};

// A place in the grid: row, beat and sub-cell.
struct CELL_REF {
    int row = -1, beat = -1, cell = -1;
    bool IsValid() const { return row >= 0; }
    bool operator==(const CELL_REF&) const = default;
};

class CNoteGrid {
public:
    // The most sixteenth cells a row may hold (the Groove Info dialog's bound).
    static constexpr int kMaxCells = 40;
    // Whether a groove of that timing and length fits in a row. The groove's owner adds and
    // deletes measures for all its tracks at once and lays them in again.
    static bool Fits(const SONG_HEADER& header, int measures);

    // Makes the rows of a kind of grid, or of a staff of that kind, for a groove's timing (beat
    // time, beats per measure, beat unit, measure count, at least 1). instrument is what rebuilt
    // pitched notes are played by. Every cell is empty.
    void Init(GRID_KIND kind, bool staff, const SONG_HEADER& header, THING instrument = THING_NONE);

    // Clears the grid and lays every note in. False, with "Can't find a row for note %d", when
    // a note has no row; the other notes are laid all the same and the refused ones kept aside.
    bool SetNotes(const CNoteList& notes);
    // The notes rebuilt from the cells (see the top of this file), in time order.
    bool GetNotes(CNoteList& notes) const;

    // Editing. Each edit sets the changed flag.
    // Sets the beat to 3 sub-cells, or back to the normal count: in every row, or in the drum
    // grid in the given row only.
    void SetTriplets(const CELL_REF& at, bool triplets);
    // Copies the beat into every later beat of its row, or of every row.
    void RepeatBeat(const CELL_REF& at, bool allRows);
    void ClearRow(int row);
    void ClearBeat(int beat);
    // A note of one sub-cell where the cell is empty; else the note the cell belongs to goes.
    // Returns whether a note is there now.
    bool ToggleNote(const CELL_REF& at, float volume);
    // Lengthens (or shortens) the note starting at start to end at the sub-cell to, later
    // notes of the row in the way give way. False when no note starts at start.
    bool StretchNote(const CELL_REF& start, const CELL_REF& to);
    // The start cell of the note that covers the cell; invalid when there is none.
    CELL_REF FindNoteStart(const CELL_REF& at) const;
    // Sets the volume (kept within 0.05 .. 1) of the note covering the cell.
    bool SetNoteVolume(const CELL_REF& at, float volume);
    // Moves the note covering the cell of a string row to another fret (0 to 24).
    bool SetNoteFret(const CELL_REF& at, int fret);
    // Sets a staff mark on the note covering the cell: accidental (sharp, flat, natural, none),
    // articulation (accented, ghost, muted, normal) or duration style (staccato, legato).
    // Accented and ghost notes take a matching volume, so the mark is heard and kept.
    bool SetStaffMark(const CELL_REF& at, STAFF_MARK which, int value);

    // The rhythm grid shows the chord a strum plays: voicing is one note per string with string
    // and fret (strings without pitch are not played). Laid again after every edit.
    void SetVoicing(const CNoteList& voicing);

    GRID_KIND GetKind() const { return m_kind; }
    bool IsStaff() const { return m_staff; }
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    CNoteRow& GetRow(int row) { return m_rows[static_cast<size_t>(row)]; }
    const CNoteRow& GetRow(int row) const { return m_rows[static_cast<size_t>(row)]; }
    CNoteCell& GetCell(const CELL_REF& at);
    const CNoteCell& GetCell(const CELL_REF& at) const;
    bool IsInside(const CELL_REF& at) const;
    int GetBeatCount() const { return m_beats; }
    int GetMeasureCount() const { return m_measures; }
    int GetNormalCount() const { return m_normalCount; }
    double GetBeatLength() const { return m_header.beatTime; }
    const SONG_HEADER& GetHeader() const { return m_header; }
    // The row whose base note is midi (or that holds it); -1 when none.
    int FindRowOfNote(int midi) const;
    bool IsChanged() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }
    const CCharString& GetError() const { return m_error; }
    // Notes kept aside by SetNotes.
    const CNoteList& GetUnplaced() const { return m_unplaced; }

    // Every cell of a row in time order.
    std::vector<CELL_REF> RowCells(int row) const;

private:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);
    void MakeRows();
    void AddRow(const char* name, int identity, const std::vector<int>& notes, bool byString);
    void MakeBeats(CNoteRow& row, int firstBeat);
    int FindRow(CNote& note) const;
    // Triplet beats a note's start or end asks for.
    void MarkTripletBeats(int row, const CNote& note);
    void LayNote(int row, const CNote& note);
    // Mends a row after an edit: a note cut short ends in its last cell; cells left continuing
    // no note are emptied.
    void MendRow(int row);
    void LayVoicing();
    void Edited(int row);

    GRID_KIND m_kind = GRID_DRUMS;
    bool m_staff = false;
    THING m_instrument = THING_NONE;
    SONG_HEADER m_header;
    int m_measures = 1;
    int m_beats = 0;
    int m_normalCount = 4;
    double m_tolerance = 0.0;
    std::vector<CNoteRow> m_rows;
    CNoteList m_unplaced;
    CNoteList m_voicing;
    bool m_changed = false;
    CCharString m_error;
};
