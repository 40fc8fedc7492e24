#pragma once

#include "core/CharString.h"
#include "theory/Note.h"

// The fixed vocabulary of harmony: scale types, chord types, chord groups (chords built from
// the degrees of a scale), note patterns and chord progressions. Numbers are what files and
// dialogs store; names are what the user sees and what lesson scripts and song files spell, so
// the name lookups compare exactly (case-sensitive).

constexpr int SCALE_TYPE_COUNT = 21;
constexpr int CHORD_TYPE_COUNT = 32;
constexpr int CHORD_GROUP_COUNT = 16;
constexpr int PATTERN_COUNT = 6;
// Progression 0 ("None") is a real entry; 1 to PROGRESSION_COUNT carry chords.
constexpr int PROGRESSION_COUNT = 5;

constexpr int CHORD_GROUP_TRIAD = 4;

// The chord record's first spare name holds the chord type's formula ("1-b3-5").
constexpr int CHORD_FORMULA_NAME = 0;

struct SCALE_TYPE {
    int number;
    const char* name;
    // Semitones between neighbouring scale notes from the root up; the step back to the
    // octave is implied.
    int steps[7];
    int stepCount;
    int parent;
    int modePosition;
    int modeOffset;
};

// One chord note above the root; accidental as in a note's accidental field (ACCIDENTAL_NONE
// for a natural degree).
struct CHORD_NOTE {
    int semitones;
    int degree;
    int accidental;
};

struct CHORD_TYPE {
    int number;
    const char* symbol;
    const char* name;
    const char* formula;
    // The notes above the root; the root itself (0 semitones, degree 1, natural) is implied.
    CHORD_NOTE notes[6];
    int noteCount;
};

struct DEGREE_LIST {
    int number;
    const char* name;
    int degrees[7];
    int count;
    // Patterns only: the span in scale steps that a pattern run covers.
    int advance;
};

// Records by number; null for an unknown number (chord type 0 and progression 0 are entries
// with empty texts and no notes).
const SCALE_TYPE* GetScaleTypeRecord(int scaleType);
const CHORD_TYPE* GetChordTypeRecord(int chordType);
const DEGREE_LIST* GetChordGroupRecord(int group);
const DEGREE_LIST* GetPatternRecord(int pattern);
const DEGREE_LIST* GetProgressionRecord(int progression);

// Number -> name: an unknown number gives the empty name and false.
bool GetScaleTypeName(int scaleType, CCharString& name);
bool GetChordTypeName(int chordType, CCharString& name);
bool GetChordGroupName(int group, CCharString& name);
bool GetPatternName(int pattern, CCharString& name);
bool GetProgressionName(int progression, CCharString& name);

// Name -> number, exact comparison: an unknown name gives 0 and false. Chord types are found
// by their long name ("Minor seventh"); FindChordTypeBySymbol takes the short one ("m7", and
// the empty symbol of the major chord). "None" is not a progression that can be asked for.
bool FindScaleTypeByName(const char* name, int& scaleType);
bool FindChordTypeByName(const char* name, int& chordType);
bool FindChordTypeBySymbol(const char* symbol, int& chordType);
bool FindChordGroupByName(const char* name, int& group);
bool FindPatternByName(const char* name, int& pattern);
bool FindProgressionByName(const char* name, int& progression);

// The chord types that have fretboard shapes and are offered where the user picks a chord for
// the fretboard, and the chord groups offered with a scale, each in display order.
extern const int OFFERED_CHORD_TYPES[10];
extern const int OFFERED_CHORD_GROUPS[5];
