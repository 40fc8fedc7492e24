#pragma once

#include "core/CharString.h"
#include "core/VarList.h"
#include "theory/FretFinder.h"
#include "theory/Note.h"
#include "theory/NoteList.h"
#include "theory/Spelling.h"
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

// The root list of the Show Scale tool: twelve roots from C (MIDI 48) up, named "C", "C#/Db",
// ... "B". GetRootListName gives the name of entry index (0 to 11); FindRootByName takes such
// a name, or either half of a two-name entry ("C#" or "Db"), and gives its MIDI note.
constexpr int ROOT_LIST_FIRST = 48;
CCharString GetRootListName(int index);
bool FindRootByName(const char* name, int& midi);

// The music-theory service: the note table (every MIDI note with its names, octave and
// frequency), scales and chord types, and the placing of notes and chords on the fretboard.
// Fallible operations return false and leave the reason in GetErrorText().
class CNoteManager : public IFretFinder {
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

    // Sets the chord's type, formula, long name and symbol from the chord-type table. With
    // withNotes the chord's notes become the root and the type's notes (semitones, degree,
    // accidental), pitched above the chord's root when it has one. Unknown type: empty texts,
    // false.
    bool GetChordType(int chordType, CChord& chord, bool withNotes);
    // The root (degree 1, 0 semitones) and one note per step with the next degree and the running
    // semitone sum; no pitch.
    bool GetScaleSteps(int scaleType, CNoteList& notes);
    bool GetChordGroupDegrees(int group, CVarList<int>& degrees);
    bool GetPatternDegrees(int pattern, CVarList<int>& degrees, int& advance);
    bool GetProgressionDegrees(int progression, CVarList<int>& degrees);
    // The scale whose chords serve scaleType; 0 for an unknown type.
    int GetParentScale(int scaleType);
    // The scale read as a mode of a major scale: the major degree it starts on and its semitones.
    bool GetModePosition(int scaleType, int& position, int& offset);
    // Root's sharp name and the chord symbol ("C#m7"). Type 0 or no root: empty name, false.
    bool GetChordName(int root, int chordType, CCharString& name);
    // "%s %s" of the root's sharp name and the scale's name ("F# Dorian").
    bool GetScaleName(int scaleType, int root, CCharString& name);
    // The first chord type (1 to 32) whose notes lie above the list's first note exactly as the
    // list's notes do; 0 with success when none does. An empty list fails.
    bool FindChordType(const CNoteList& notes, int& chordType);
    // The chord on the scale note at or above chord.m_root's MIDI note: that note is degree 1 and
    // the scale notes whose count (up to 13) is in degrees are taken. The type is recognised from
    // the notes (0 when none fits) and the root is moved down by octaves below MIDI 40.
    bool BuildScaleChord(const CNoteList& scaleNotes, const CVarList<int>& degrees, CChord& chord);
    // The scale on root over the whole table, ascending, each note with its degree and its
    // semitones above the root within the octave.
    bool GetScaleNotes(int root, int scaleType, CNoteList& notes);
    // The notes of GetScaleNotes from lowest to highest (both included), marked with thing.
    bool GetScaleNotesInRange(int root, int scaleType, int lowest, int highest, THING thing,
                              CNoteList& notes);
    // The chord of chord group on scale note chordNumber (1 to 11) of the scale on root.
    bool GetScaleChord(int scaleType, int root, int chordGroup, int chordNumber, CChord& chord);
    // Names of the progression's triads joined with "-" ("C-G-F-G"); empty for progression 0.
    // The chords come from the scale's parent, as they are played, and are named as that key
    // writes them unless names asks for sharps.
    bool GetProgressionText(int scaleType, int root, int progression, CCharString& text,
                            NOTE_NAMES names = NOTE_NAMES_SHARPS);
    // The chord of chordType on root, voiced on the guitar, or placed without a shape within the
    // chord's position when no shape fits.
    bool SetChordOnRoot(int chordType, int root, CChord& chord);
    // Fills the chord's root note from the table at the pitch it sounds. Its accidental is left
    // at none: the MIDI note is the sounding one, and a saved chord must not move a semitone.
    bool SetChordRootNote(int midi, CChord& chord);

    // --- fretboard placement and chord shapes

    // Open strings of an instrument kind, string 1 (the highest) first, as reset notes with only
    // their MIDI note set.
    bool GetTuning(int kind, CNoteList& strings);
    // See IFretFinder.
    bool FindStringAndFret(THING thing, int lowestFret, int highestFret, CNote& note,
                           bool fromHighestString) override;
    // Gives note the pitch of string at fret and puts string and fret into its first slot.
    bool PlaceOnString(int kind, int string, int fret, CNote& note);
    // Appends the notes of frets 0 to count of one string of thing's instrument.
    bool GetStringNotes(THING thing, int string, int count, CNoteList& notes);
    // Replaces the chord's notes by one note per guitar string from a shape (1 or 2) of the
    // chord type, frets relative to the barre; strings not played have volume 0.
    bool GetChordShape(int shape, int chordType, CChord& chord);
    // The lower of the two barre shapes that puts the chord root under the barre fret 1 to 8;
    // the barre fret is stored as the chord's position (30 when no shape fits). Unplayed
    // strings get no pitch.
    bool VoiceChord(CChord& chord);
    // Places the chord's notes (from GetChordType with notes) within the five frets from the
    // chord's position, at most one per string and none on a string below the root's.
    bool PlaceChordNotes(CChord& chord);

protected:
    bool Fail(const char* format, ...) MA_PRINTF(2, 3);

    CCenter* m_center;
    CNoteList m_notes;
    CCharString m_error;
    int m_octaves = 11;
};
