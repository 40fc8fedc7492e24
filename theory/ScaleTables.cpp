#include "theory/ScaleTables.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr int N = ACCIDENTAL_NONE;
constexpr int S = ACCIDENTAL_SHARP;
constexpr int F = ACCIDENTAL_FLAT;
constexpr int FF = ACCIDENTAL_DOUBLE_FLAT;

// Pentatonic scales borrow the chords of the scale they are cut from; every other scale serves
// itself.
const SCALE_TYPE kScales[SCALE_TYPE_COUNT] = {
    {1, "Major", {2, 2, 1, 2, 2, 2}, 6, 1, 1, 0},
    {2, "Ionian", {2, 2, 1, 2, 2, 2}, 6, 2, 1, 0},
    {3, "Dorian", {2, 1, 2, 2, 2, 1}, 6, 3, 2, 2},
    {4, "Phrygian", {1, 2, 2, 2, 1, 2}, 6, 4, 3, 4},
    {5, "Lydian", {2, 2, 2, 1, 2, 2}, 6, 5, 4, 5},
    {6, "Mixolydian", {2, 2, 1, 2, 2, 1}, 6, 6, 5, 7},
    {7, "Aeolian", {2, 1, 2, 2, 1, 2}, 6, 7, 6, 9},
    {8, "Locrian", {1, 2, 2, 1, 2, 2}, 6, 8, 7, 11},
    {9, "Natural minor", {2, 1, 2, 2, 1, 2}, 6, 9, 6, 9},
    {10, "Harmonic minor", {2, 1, 2, 2, 1, 3}, 6, 10, 6, 9},
    {11, "Melodic minor", {2, 1, 2, 2, 2, 2}, 6, 11, 6, 9},
    {12, "Melodic minor (descending)", {2, 1, 2, 2, 1, 2}, 6, 12, 6, 9},
    {13, "Pentatonic major", {2, 2, 3, 2}, 4, 1, 1, 0},
    {14, "Pentatonic minor", {3, 2, 2, 3}, 4, 9, 6, 9},
    {15, "Blues", {3, 2, 1, 1, 3}, 5, 15, 1, 0},
    {16, "Diminished", {2, 1, 2, 1, 2, 1, 2}, 7, 16, 1, 0},
    {17, "Bebop", {2, 2, 1, 2, 2, 1, 1}, 7, 17, 1, 0},
    {18, "Enigmatic", {1, 3, 2, 2, 2, 1}, 6, 18, 1, 0},
    {19, "Neapolitanian", {1, 2, 2, 2, 2, 2}, 6, 19, 1, 0},
    {20, "Neapolitanian minor", {1, 2, 2, 2, 1, 3}, 6, 20, 1, 0},
    {21, "Hungarian minor", {2, 1, 3, 1, 1, 3}, 6, 21, 1, 0},
};

// Index 0 is "no chord". Type 16 names a third in its formula but is built, recognised and
// fingered as the two-note chord root + flat fifth.
const CHORD_TYPE kChordTypes[CHORD_TYPE_COUNT + 1] = {
    {0, "", "", "", {}, 0},
    {1, "", "Major", "1-3-5", {{4, 3, N}, {7, 5, N}}, 2},
    {2, "m", "Minor", "1-b3-5", {{3, 3, F}, {7, 5, N}}, 2},
    {3, "7", "Seventh", "1-3-5-b7", {{4, 3, N}, {7, 5, N}, {10, 7, F}}, 3},
    {4, "m7", "Minor seventh", "1-b3-5-b7", {{3, 3, F}, {7, 5, N}, {10, 7, F}}, 3},
    {5, "maj7", "Major seventh", "1-3-5-7", {{4, 3, N}, {7, 5, N}, {11, 7, N}}, 3},
    {6, "+7", "Augmented 7th", "1-3-#5-b7", {{4, 3, N}, {8, 5, S}, {10, 7, F}}, 3},
    {7, "o7", "Diminished seventh", "1-b3-b5-bb7", {{3, 3, F}, {6, 5, F}, {9, 7, FF}}, 3},
    {8, "m(maj7)", "Minor, major seventh", "1-b3-5-7", {{3, 3, F}, {7, 5, N}, {11, 7, N}}, 3},
    {9, "7sus4", "Seventh, suspended 4th", "1-4-5-b7", {{5, 4, N}, {7, 5, N}, {10, 7, F}}, 3},
    {10, "7-5", "Seventh, flat 5th", "1-3-b5-b7", {{4, 3, N}, {6, 5, F}, {10, 7, F}}, 3},
    {11, "7+5", "Seventh, augmented 5th", "1-3-#5-b7", {{4, 3, N}, {8, 5, S}, {10, 7, F}}, 3},
    {12, "m7-5", "Minor seventh: flat fifth", "1-b3-b5-b7", {{3, 3, F}, {6, 5, F}, {10, 7, F}}, 3},
    {13, "+", "Augmented", "1-3-#5", {{4, 3, N}, {8, 5, S}}, 2},
    {14, "o", "Diminished", "1-b3-b5", {{3, 3, F}, {6, 5, F}}, 2},
    {15, "5", "Fifth (Power Chord)", "1-5", {{7, 5, N}}, 1},
    {16, "-5", "Diminished fifth", "1-3-b5", {{6, 5, F}}, 1},
    {17, "sus4", "Suspended 4th", "1-4-5", {{5, 4, N}, {7, 5, N}}, 2},
    {18, "sus2", "Suspended 2nd", "1-2-5", {{2, 2, N}, {7, 5, N}}, 2},
    {19, "6", "Sixth", "1-3-5-6", {{4, 3, N}, {7, 5, N}, {9, 6, N}}, 3},
    {20, "m6", "Minor sixth", "1-b3-5-6", {{3, 3, F}, {7, 5, N}, {9, 6, N}}, 3},
    {21,
     "6/9",
     "Major six added ninth",
     "1-3-5-6-9",
     {{4, 3, N}, {7, 5, N}, {9, 6, N}, {14, 9, N}},
     4},
    {22, "9", "Ninth", "1-3-5-b7-9", {{4, 3, N}, {7, 5, N}, {10, 7, F}, {14, 9, N}}, 4},
    {23, "9-5", "Ninth, diminished 5th", "1-3-b5-9", {{4, 3, N}, {6, 5, F}, {14, 9, N}}, 3},
    {24, "m9", "Minor ninth", "1-b3-5-b7-9", {{3, 3, F}, {7, 5, N}, {10, 7, F}, {14, 9, N}}, 4},
    {25, "maj9", "Major ninth", "1-3-5-7-9", {{4, 3, N}, {7, 5, N}, {11, 7, N}, {14, 9, N}}, 4},
    {26, "add9", "Added ninth", "1-3-5-9", {{4, 3, N}, {7, 5, N}, {14, 9, N}}, 3},
    {27, "m(add9)", "Minor added ninth", "1-b3-5-9", {{3, 3, F}, {7, 5, N}, {14, 9, N}}, 3},
    {28,
     "7+9",
     "Seventh, sharp 9th",
     "1-3-5-b7-#9",
     {{4, 3, N}, {7, 5, N}, {10, 7, F}, {15, 9, S}},
     4},
    {29,
     "7-9",
     "Seventh, flat 9th",
     "1-3-5-b7-b9",
     {{4, 3, N}, {7, 5, N}, {10, 7, F}, {13, 9, F}},
     4},
    {30,
     "11",
     "Eleventh",
     "1-3-5-b7-9-11",
     {{4, 3, N}, {7, 5, N}, {10, 7, F}, {14, 9, N}, {17, 11, N}},
     5},
    {31,
     "m11",
     "Minor eleventh",
     "1-b3-5-b7-9-11",
     {{3, 3, F}, {7, 5, N}, {10, 7, F}, {14, 9, N}, {17, 11, N}},
     5},
    {32,
     "13",
     "Thirteenth",
     "1-3-5-b7-9-11-13",
     {{4, 3, N}, {7, 5, N}, {10, 7, F}, {14, 9, N}, {17, 11, N}, {21, 13, N}},
     6},
};

const DEGREE_LIST kChordGroups[CHORD_GROUP_COUNT] = {
    {1, "sus2sus4", {1, 2, 4, 5}, 4, 0},  {2, "sus2", {1, 2, 5}, 3, 0},
    {3, "7sus2", {1, 2, 5, 7}, 4, 0},     {4, "Triad", {1, 3, 5}, 3, 0},
    {5, "6", {1, 3, 5, 6}, 4, 0},         {6, "6add9", {1, 3, 5, 6, 9}, 5, 0},
    {7, "7", {1, 3, 5, 7}, 4, 0},         {8, "9", {1, 3, 5, 7, 9}, 5, 0},
    {9, "11", {1, 3, 5, 7, 9, 11}, 6, 0}, {10, "13", {1, 3, 5, 7, 9, 11, 13}, 7, 0},
    {11, "add9", {1, 3, 5, 9}, 4, 0},     {12, "sus4", {1, 4, 5}, 3, 0},
    {13, "7sus4", {1, 4, 5, 7}, 4, 0},    {14, "9sus4", {1, 4, 5, 7, 9}, 5, 0},
    {15, "5 (power)", {1, 5}, 2, 0},      {16, "9+5", {1, 7, 9}, 3, 0},
};

const DEGREE_LIST kPatterns[PATTERN_COUNT] = {
    {1, "Up", {1, 2, 3, 4}, 4, 4},      {2, "1-2-3-4", {1, 2, 3, 4}, 4, 4},
    {3, "1-3-2-4", {1, 3, 2, 4}, 4, 4}, {4, "1-2-3-2", {1, 2, 3, 2}, 4, 3},
    {5, "1-3-5-8", {1, 3, 5, 8}, 4, 8}, {6, "1-3-5-7", {1, 3, 5, 7}, 4, 7},
};

const DEGREE_LIST kProgressions[PROGRESSION_COUNT + 1] = {
    {0, "None", {}, 0, 0},
    {1, "I-V-IV-V", {1, 5, 4, 5}, 4, 0},
    {2, "I-VI-II-V", {1, 6, 2, 5}, 4, 0},
    {3, "I-VI-IV-V", {1, 6, 4, 5}, 4, 0},
    {4, "I-II-IV-V", {1, 2, 4, 5}, 4, 0},
    {5, "I-IV-I-V-IV-I", {1, 4, 1, 5, 4, 1}, 6, 0},
};

template <typename T, size_t COUNT> const T* ByNumber(const T (&table)[COUNT], int number) {
    for (const T& entry : table)
        if (entry.number == number)
            return &entry;
    return nullptr;
}

bool NameOf(const char* found, CCharString& name) {
    name.Set(found ? found : "");
    return found != nullptr;
}

// An empty name is a real symbol (the major chord) but never a real name.
template <typename T, size_t COUNT>
bool NumberOf(const T (&table)[COUNT], const char* name, int firstNumber, int& number,
              const char* T::*field) {
    number = 0;
    if (!name)
        return false;
    for (const T& entry : table) {
        if (entry.number >= firstNumber && std::strcmp(entry.*field, name) == 0) {
            number = entry.number;
            return true;
        }
    }
    return false;
}

} // namespace

const int OFFERED_CHORD_TYPES[10] = {1, 2, 3, 4, 5, 7, 14, 15, 17, 18};
const int OFFERED_CHORD_GROUPS[5] = {4, 15, 7, 2, 12};

const SCALE_TYPE* GetScaleTypeRecord(int scaleType) {
    return ByNumber(kScales, scaleType);
}
const CHORD_TYPE* GetChordTypeRecord(int chordType) {
    return ByNumber(kChordTypes, chordType);
}
const DEGREE_LIST* GetChordGroupRecord(int group) {
    return ByNumber(kChordGroups, group);
}
const DEGREE_LIST* GetPatternRecord(int pattern) {
    return ByNumber(kPatterns, pattern);
}
const DEGREE_LIST* GetProgressionRecord(int progression) {
    return ByNumber(kProgressions, progression);
}

bool GetScaleTypeName(int scaleType, CCharString& name) {
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    return NameOf(scale ? scale->name : nullptr, name);
}

// Type 0 exists only to stand for "no chord"; it has no name to show.
bool GetChordTypeName(int chordType, CCharString& name) {
    const CHORD_TYPE* type = chordType > 0 ? GetChordTypeRecord(chordType) : nullptr;
    return NameOf(type ? type->name : nullptr, name);
}

bool GetChordGroupName(int group, CCharString& name) {
    const DEGREE_LIST* entry = GetChordGroupRecord(group);
    return NameOf(entry ? entry->name : nullptr, name);
}

bool GetPatternName(int pattern, CCharString& name) {
    const DEGREE_LIST* entry = GetPatternRecord(pattern);
    return NameOf(entry ? entry->name : nullptr, name);
}

bool GetProgressionName(int progression, CCharString& name) {
    const DEGREE_LIST* entry = GetProgressionRecord(progression);
    return NameOf(entry ? entry->name : nullptr, name);
}

bool FindScaleTypeByName(const char* name, int& scaleType) {
    return NumberOf(kScales, name, 1, scaleType, &SCALE_TYPE::name);
}

bool FindChordTypeByName(const char* name, int& chordType) {
    return NumberOf(kChordTypes, name, 1, chordType, &CHORD_TYPE::name);
}

bool FindChordTypeBySymbol(const char* symbol, int& chordType) {
    return NumberOf(kChordTypes, symbol, 1, chordType, &CHORD_TYPE::symbol);
}

bool FindChordGroupByName(const char* name, int& group) {
    return NumberOf(kChordGroups, name, 1, group, &DEGREE_LIST::name);
}

bool FindPatternByName(const char* name, int& pattern) {
    return NumberOf(kPatterns, name, 1, pattern, &DEGREE_LIST::name);
}

bool FindProgressionByName(const char* name, int& progression) {
    return NumberOf(kProgressions, name, 1, progression, &DEGREE_LIST::name);
}
