#pragma once

#include "core/CharString.h"
#include "theory/Note.h"
#include "theory/NoteList.h"
#include "theory/Thing.h"

class CCenter;
class CChord;

// Instrument kinds: which fretboard a thing plays on.
constexpr int INSTRUMENT_NONE = 0;
constexpr int INSTRUMENT_GUITAR = 1;
constexpr int INSTRUMENT_BASS = 2;

constexpr int NOTE_TABLE_SIZE = 132; // MIDI 0 (C-1) to 131 (B9)

// Sharp and flat names of a pitch class (midi modulo 12, negative values folded into 0..11).
const char* GetSharpName(int midi);
const char* GetFlatName(int midi);

// The music-theory service: the note table (every MIDI note with its names, octave and
// frequency), scales and chord types, and the placing of notes and chords on the fretboard.
// Fallible operations return false and leave the reason in GetErrorText().
class CNoteManager {
public:
    explicit CNoteManager(CCenter* center = nullptr);
    virtual ~CNoteManager();

    // Builds the note table. Fails with "Can't get frequencies for all notes".
    bool Initialize();
    bool IsInitialized() const { return m_notes.GetCount() == NOTE_TABLE_SIZE; }
    const CNoteList& GetNoteTable() const { return m_notes; }
    int GetOctaveCount() const { return m_octaves; }
    const CCharString& GetErrorText() const { return m_error; }
    CCenter* GetCenter() const { return m_center; }

    // Fills the pitch fields of note (names, octave, MIDI note, frequency, spare double, letter
    // number as degree, accidental) from the table; timing, loudness and placement stay. MIDI 255
    // resets the note and succeeds. Fails with "MIDI note %d is not in the list" outside the table.
    bool GetMidiNote(int midi, CNote& note);
    // Sets both names of note from its own MIDI note; a note without pitch gets empty names.
    bool CompleteNote(CNote& note);
    // Semitones (0 to 12) from `from` up to the nearest note of to's pitch class at or above it;
    // 12 only when to lies exactly an octave above.
    int GetIntervalUp(int from, int to) const;
    // INSTRUMENT_GUITAR for the rhythm and lead guitars, INSTRUMENT_BASS for the bass guitar;
    // INSTRUMENT_NONE (with the error text set) for any other thing.
    int GetInstrumentKind(THING thing);

    // --- scales, chord types, patterns, progressions

    // --- fretboard placement and chord shapes

protected:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);

    CCenter* m_center;
    CNoteList m_notes;
    CCharString m_error;
    int m_octaves = 11;
};
