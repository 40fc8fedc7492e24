// The harmony tables against the music theory a guitarist knows.
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

const std::vector<int> kMajor{0, 2, 4, 5, 7, 9, 11};

// Semitones of the scale's notes within one octave, root first.
std::vector<int> Semitones(int scaleType) {
    const SCALE_TYPE* scale = GetScaleTypeRecord(scaleType);
    std::vector<int> result{0};
    for (int i = 0; i < scale->stepCount; ++i)
        result.push_back(result.back() + scale->steps[i]);
    return result;
}

std::set<int> PitchClasses(const std::vector<int>& semitones, int transpose = 0) {
    std::set<int> classes;
    for (int s : semitones)
        classes.insert(((s + transpose) % 12 + 12) % 12);
    return classes;
}

TEST(ScaleTypes, EveryScaleHasItsIntervalsAndClosesTheOctave) {
    const std::vector<int> expected[SCALE_TYPE_COUNT] = {
        kMajor,                     // Major
        kMajor,                     // Ionian
        {0, 2, 3, 5, 7, 9, 10},     // Dorian
        {0, 1, 3, 5, 7, 8, 10},     // Phrygian
        {0, 2, 4, 6, 7, 9, 11},     // Lydian
        {0, 2, 4, 5, 7, 9, 10},     // Mixolydian
        {0, 2, 3, 5, 7, 8, 10},     // Aeolian
        {0, 1, 3, 5, 6, 8, 10},     // Locrian
        {0, 2, 3, 5, 7, 8, 10},     // Natural minor
        {0, 2, 3, 5, 7, 8, 11},     // Harmonic minor: raised seventh
        {0, 2, 3, 5, 7, 9, 11},     // Melodic minor: raised sixth and seventh
        {0, 2, 3, 5, 7, 8, 10},     // Melodic minor descending: natural minor
        {0, 2, 4, 7, 9},            // Pentatonic major
        {0, 3, 5, 7, 10},           // Pentatonic minor
        {0, 3, 5, 6, 7, 10},        // Blues: minor pentatonic and the flat fifth
        {0, 2, 3, 5, 6, 8, 9, 11},  // Diminished, whole-half
        {0, 2, 4, 5, 7, 9, 10, 11}, // Bebop dominant
        {0, 1, 4, 6, 8, 10, 11},    // Enigmatic
        {0, 1, 3, 5, 7, 9, 11},     // Neapolitan
        {0, 1, 3, 5, 7, 8, 11},     // Neapolitan minor
        {0, 2, 3, 6, 7, 8, 11}};    // Hungarian minor
    for (int type = 1; type <= SCALE_TYPE_COUNT; ++type) {
        EXPECT_EQ(Semitones(type), expected[type - 1]) << type;
        // The implied last step back to the octave is a real step too.
        EXPECT_LE(12 - Semitones(type).back(), 3) << type;
    }
    EXPECT_EQ(GetScaleTypeRecord(0), nullptr);
    EXPECT_EQ(GetScaleTypeRecord(SCALE_TYPE_COUNT + 1), nullptr);
}

TEST(ScaleTypes, ModesSitOnTheirMajorDegreeAndPentatonicsBorrowTheirParentsChords) {
    for (int type = 1; type <= SCALE_TYPE_COUNT; ++type) {
        const SCALE_TYPE* scale = GetScaleTypeRecord(type);
        ASSERT_GE(scale->modePosition, 1) << type;
        ASSERT_LE(scale->modePosition, 7) << type;
        EXPECT_EQ(scale->modeOffset, kMajor[scale->modePosition - 1]) << type;
        EXPECT_EQ(scale->parent, type == 13 ? 1 : type == 14 ? 9 : type) << type;
    }
    // The church modes and natural minor, moved onto the major root, are the major scale.
    for (int type : {2, 3, 4, 5, 6, 7, 8, 9})
        EXPECT_EQ(PitchClasses(Semitones(type), GetScaleTypeRecord(type)->modeOffset),
                  PitchClasses(kMajor))
            << type;
    for (int type : {10, 11, 12, 14})
        EXPECT_EQ(GetScaleTypeRecord(type)->modePosition, 6) << type;
}

// The semitones of a degree of the major scale, counted on into the next octave.
int DegreeSemitones(int degree) {
    return kMajor[(degree - 1) % 7] + 12 * ((degree - 1) / 7);
}

// "1-b3-5-bb7" -> the notes that the formula spells: semitones, degree, accidental.
std::vector<CHORD_NOTE> ParseFormula(const std::string& formula) {
    std::vector<CHORD_NOTE> notes;
    size_t start = 0;
    while (start < formula.size()) {
        size_t end = std::min(formula.find('-', start), formula.size());
        std::string item = formula.substr(start, end - start);
        int accidental = ACCIDENTAL_NONE, shift = 0;
        if (item.rfind("bb", 0) == 0)
            accidental = ACCIDENTAL_DOUBLE_FLAT, shift = -2;
        else if (item[0] == 'b')
            accidental = ACCIDENTAL_FLAT, shift = -1;
        else if (item[0] == '#')
            accidental = ACCIDENTAL_SHARP, shift = 1;
        const int degree = std::atoi(item.c_str() + std::abs(shift));
        notes.push_back({DegreeSemitones(degree) + shift, degree, accidental});
        start = end + 1;
    }
    return notes;
}

TEST(ChordTypes, NotesAreWhatTheFormulaSpellsAndNamesFindTheirType) {
    for (int type = 1; type <= CHORD_TYPE_COUNT; ++type) {
        SCOPED_TRACE(type);
        const CHORD_TYPE* record = GetChordTypeRecord(type);
        ASSERT_NE(record, nullptr);
        std::vector<CHORD_NOTE> formula = ParseFormula(record->formula);
        ASSERT_EQ(formula[0].semitones, 0);
        if (type == 16) // "Diminished fifth" names a third, but the chord is root and flat fifth
            formula.erase(formula.begin() + 1);
        ASSERT_EQ(static_cast<int>(formula.size()), record->noteCount + 1);
        for (int i = 0; i < record->noteCount; ++i) {
            EXPECT_EQ(record->notes[i].semitones, formula[i + 1].semitones) << "note " << i;
            EXPECT_EQ(record->notes[i].degree, formula[i + 1].degree) << "note " << i;
            EXPECT_EQ(record->notes[i].accidental, formula[i + 1].accidental) << "note " << i;
        }
        int found = -1;
        EXPECT_TRUE(FindChordTypeBySymbol(record->symbol, found));
        EXPECT_EQ(found, type) << "symbols are unique";
    }
    // The major chord's symbol is empty: "C" is a C major chord. Type 0 is no chord at all.
    int found = -1;
    EXPECT_TRUE(FindChordTypeBySymbol("", found));
    EXPECT_EQ(found, 1);
    EXPECT_FALSE(FindChordTypeByName("", found));
    CCharString name("stale");
    EXPECT_FALSE(GetChordTypeName(0, name));
    EXPECT_TRUE(name.IsEmpty());
}

TEST(NameLookups, EveryTableFindsItsNamesBackExactlyAndNothingElse) {
    struct Table {
        int first, last;
        bool (*name)(int, CCharString&);
        bool (*find)(const char*, int&);
    };
    const Table tables[] = {
        {1, SCALE_TYPE_COUNT, GetScaleTypeName, FindScaleTypeByName},
        {1, CHORD_TYPE_COUNT, GetChordTypeName, FindChordTypeByName},
        {1, CHORD_GROUP_COUNT, GetChordGroupName, FindChordGroupByName},
        {1, PATTERN_COUNT, GetPatternName, FindPatternByName},
        {1, PROGRESSION_COUNT, GetProgressionName, FindProgressionByName},
    };
    for (const Table& table : tables) {
        for (int number = table.first; number <= table.last; ++number) {
            CCharString name;
            ASSERT_TRUE(table.name(number, name)) << number;
            int found = -1;
            EXPECT_TRUE(table.find(name, found)) << name.GetText();
            EXPECT_EQ(found, number);
            std::string lower = name.Str();
            lower[0] = static_cast<char>(std::tolower(lower[0]));
            if (lower != name.Str()) {
                EXPECT_FALSE(table.find(lower.c_str(), found)) << lower;
            }
        }
        CCharString name("stale");
        EXPECT_FALSE(table.name(table.last + 1, name));
        EXPECT_TRUE(name.IsEmpty());
        int found = 5;
        EXPECT_FALSE(table.find("Major ", found));
        EXPECT_EQ(found, 0);
        EXPECT_FALSE(table.find(nullptr, found));
    }
    // "None" names progression 0 but is not a progression to ask for.
    CCharString none;
    EXPECT_TRUE(GetProgressionName(0, none));
    EXPECT_EQ(none, "None");
    int found = -1;
    EXPECT_FALSE(FindProgressionByName("None", found));
}

TEST(DegreeTables, NamesSpellTheirDegreesAndGroupsClimbFromTheRoot) {
    const char* roman[] = {"", "I", "II", "III", "IV", "V", "VI", "VII"};
    for (int p = 0; p <= PROGRESSION_COUNT; ++p) {
        const DEGREE_LIST* progression = GetProgressionRecord(p);
        std::string spelled;
        for (int i = 0; i < progression->count; ++i)
            spelled += (i ? "-" : "") + std::string(roman[progression->degrees[i]]);
        EXPECT_EQ(spelled, p == 0 ? "" : progression->name);
    }
    // "1-3-2-4" plays degrees 1 3 2 4 ("Up" climbs like "1-2-3-4"), and a run of the pattern
    // advances to its highest degree.
    for (int p = 1; p <= PATTERN_COUNT; ++p) {
        const DEGREE_LIST* pattern = GetPatternRecord(p);
        std::string spelled;
        for (int i = 0; i < pattern->count; ++i)
            spelled += (i ? "-" : "") + std::to_string(pattern->degrees[i]);
        EXPECT_EQ(spelled, p == 1 ? "1-2-3-4" : pattern->name);
        EXPECT_EQ(pattern->advance,
                  *std::max_element(pattern->degrees, pattern->degrees + pattern->count));
    }
    for (int g = 1; g <= CHORD_GROUP_COUNT; ++g) {
        const DEGREE_LIST* group = GetChordGroupRecord(g);
        EXPECT_EQ(group->degrees[0], 1) << g;
        for (int i = 1; i < group->count; ++i)
            EXPECT_GT(group->degrees[i], group->degrees[i - 1]) << g;
    }
}

} // namespace
