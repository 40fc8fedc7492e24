#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

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

const std::vector<int> kMajor{0, 2, 4, 5, 7, 9, 11};

} // namespace

TEST(ScaleTypes, EveryScaleClosesTheOctaveWithItsNoteCount) {
    // Note counts a guitarist knows: heptatonic modes, five-note pentatonics, the six-note
    // blues scale, the eight-note diminished and bebop scales.
    const int noteCounts[SCALE_TYPE_COUNT] = {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
                                              7, 5, 5, 6, 8, 8, 7, 7, 7, 7};
    for (int type = 1; type <= SCALE_TYPE_COUNT; ++type) {
        SCOPED_TRACE(type);
        const SCALE_TYPE* scale = GetScaleTypeRecord(type);
        ASSERT_NE(scale, nullptr);
        int sum = 0;
        for (int i = 0; i < scale->stepCount; ++i) {
            EXPECT_GE(scale->steps[i], 1);
            EXPECT_LE(scale->steps[i], 3);
            sum += scale->steps[i];
        }
        // The implied last step back to the octave is a real step too.
        int last = 12 - sum;
        EXPECT_GE(last, 1);
        EXPECT_LE(last, 3);
        EXPECT_EQ(scale->stepCount + 1, noteCounts[type - 1]);
    }
}

TEST(ScaleTypes, ChurchModesAreRotationsOfMajorAtTheirOffset) {
    // Dorian starts on the 2nd degree of major, Phrygian on the 3rd, and so on.
    for (int type = 2; type <= 8; ++type) {
        SCOPED_TRACE(type);
        const SCALE_TYPE* mode = GetScaleTypeRecord(type);
        int position = mode->modePosition;
        ASSERT_GE(position, 1);
        ASSERT_LE(position, 7);
        EXPECT_EQ(mode->modeOffset, kMajor[position - 1]);
        // The mode's notes, moved onto the major root, are exactly the major scale.
        EXPECT_EQ(PitchClasses(Semitones(type), mode->modeOffset), PitchClasses(kMajor));
        EXPECT_EQ(mode->parent, type);
    }
    EXPECT_EQ(Semitones(1), kMajor);
    EXPECT_EQ(Semitones(2), kMajor);
}

TEST(ScaleTypes, MinorScalesDifferFromNaturalMinorWhereTheyShould) {
    const std::vector<int> naturalMinor{0, 2, 3, 5, 7, 8, 10};
    EXPECT_EQ(Semitones(9), naturalMinor);
    EXPECT_EQ(Semitones(7), naturalMinor);
    EXPECT_EQ(Semitones(12), naturalMinor);
    // Harmonic minor raises the seventh; melodic minor raises the sixth and the seventh.
    EXPECT_EQ(Semitones(10), (std::vector<int>{0, 2, 3, 5, 7, 8, 11}));
    EXPECT_EQ(Semitones(11), (std::vector<int>{0, 2, 3, 5, 7, 9, 11}));
    // Minor-like scales read as the sixth mode of a major scale, nine semitones above its root.
    for (int type : {7, 9, 10, 11, 12, 14}) {
        EXPECT_EQ(GetScaleTypeRecord(type)->modePosition, 6) << type;
        EXPECT_EQ(GetScaleTypeRecord(type)->modeOffset, 9) << type;
    }
}

TEST(ScaleTypes, PentatonicsAreCutFromTheirParentScales) {
    auto subset = [](const std::set<int>& part, const std::set<int>& whole) {
        for (int pc : part)
            if (!whole.count(pc))
                return false;
        return true;
    };
    EXPECT_EQ(GetScaleTypeRecord(13)->parent, 1);
    EXPECT_EQ(GetScaleTypeRecord(14)->parent, 9);
    EXPECT_TRUE(subset(PitchClasses(Semitones(13)), PitchClasses(Semitones(1))));
    EXPECT_TRUE(subset(PitchClasses(Semitones(14)), PitchClasses(Semitones(9))));
    // Relative keys: A minor pentatonic has the notes of C major pentatonic.
    EXPECT_EQ(PitchClasses(Semitones(14), 9), PitchClasses(Semitones(13)));
    // The blues scale is the minor pentatonic plus the flat fifth.
    std::set<int> blues = PitchClasses(Semitones(14));
    blues.insert(6);
    EXPECT_EQ(PitchClasses(Semitones(15)), blues);
}

namespace {

// The semitones of a degree of the major scale, counted on into the next octave.
int DegreeSemitones(int degree) {
    const int inOctave = (degree - 1) % 7;
    return kMajor[inOctave] + 12 * ((degree - 1) / 7);
}

int AccidentalShift(int accidental) {
    switch (accidental) {
    case ACCIDENTAL_NONE:
        return 0;
    case ACCIDENTAL_SHARP:
        return 1;
    case ACCIDENTAL_FLAT:
        return -1;
    case ACCIDENTAL_DOUBLE_FLAT:
        return -2;
    }
    ADD_FAILURE() << "unknown accidental " << accidental;
    return 99;
}

// "1-b3-5-bb7" -> {(1, natural), (3, flat), (5, natural), (7, double flat)}
std::vector<CHORD_NOTE> ParseFormula(const std::string& formula) {
    std::vector<CHORD_NOTE> notes;
    size_t start = 0;
    while (start < formula.size()) {
        size_t end = formula.find('-', start);
        if (end == std::string::npos)
            end = formula.size();
        std::string item = formula.substr(start, end - start);
        int accidental = ACCIDENTAL_NONE;
        if (item.rfind("bb", 0) == 0) {
            accidental = ACCIDENTAL_DOUBLE_FLAT;
            item = item.substr(2);
        } else if (item.rfind("b", 0) == 0) {
            accidental = ACCIDENTAL_FLAT;
            item = item.substr(1);
        } else if (item.rfind("#", 0) == 0) {
            accidental = ACCIDENTAL_SHARP;
            item = item.substr(1);
        }
        int degree = std::atoi(item.c_str());
        notes.push_back(
            {DegreeSemitones(degree) + AccidentalShift(accidental), degree, accidental});
        start = end + 1;
    }
    return notes;
}

} // namespace

class ChordTypeTable : public ::testing::TestWithParam<int> {};

TEST_P(ChordTypeTable, NotesAgreeWithTheirDegreesAndTheFormula) {
    const CHORD_TYPE* type = GetChordTypeRecord(GetParam());
    ASSERT_NE(type, nullptr);
    // Every listed note lies where its degree and accidental put it above the root.
    for (int i = 0; i < type->noteCount; ++i) {
        const CHORD_NOTE& note = type->notes[i];
        EXPECT_EQ(note.semitones, DegreeSemitones(note.degree) + AccidentalShift(note.accidental))
            << "note " << i;
    }
    std::vector<CHORD_NOTE> formula = ParseFormula(type->formula);
    ASSERT_FALSE(formula.empty());
    EXPECT_EQ(formula[0].semitones, 0);
    if (GetParam() == 16) {
        // The "Diminished fifth" formula names a third, but the chord is root and flat fifth.
        ASSERT_EQ(type->noteCount, 1);
        EXPECT_EQ(type->notes[0].semitones, 6);
        return;
    }
    ASSERT_EQ(static_cast<int>(formula.size()), type->noteCount + 1);
    for (int i = 0; i < type->noteCount; ++i) {
        EXPECT_EQ(type->notes[i].semitones, formula[i + 1].semitones) << "note " << i;
        EXPECT_EQ(type->notes[i].degree, formula[i + 1].degree) << "note " << i;
        EXPECT_EQ(type->notes[i].accidental, formula[i + 1].accidental) << "note " << i;
    }
}

TEST_P(ChordTypeTable, NamesFindTheirNumberBack) {
    CCharString name;
    ASSERT_TRUE(GetChordTypeName(GetParam(), name));
    EXPECT_FALSE(name.IsEmpty());
    int found = -1;
    EXPECT_TRUE(FindChordTypeByName(name, found));
    EXPECT_EQ(found, GetParam());
    // Symbols are unique, so a symbol names exactly one chord type.
    EXPECT_TRUE(FindChordTypeBySymbol(GetChordTypeRecord(GetParam())->symbol, found));
    EXPECT_EQ(found, GetParam());
}

INSTANTIATE_TEST_SUITE_P(AllTypes, ChordTypeTable, ::testing::Range(1, CHORD_TYPE_COUNT + 1));

TEST(ChordTypes, WellKnownChordsHaveTheirIntervals) {
    auto semis = [](int type) {
        const CHORD_TYPE* t = GetChordTypeRecord(type);
        std::vector<int> s{0};
        for (int i = 0; i < t->noteCount; ++i)
            s.push_back(t->notes[i].semitones);
        return s;
    };
    EXPECT_EQ(semis(1), (std::vector<int>{0, 4, 7}));
    EXPECT_EQ(semis(2), (std::vector<int>{0, 3, 7}));
    EXPECT_EQ(semis(3), (std::vector<int>{0, 4, 7, 10}));
    EXPECT_EQ(semis(7), (std::vector<int>{0, 3, 6, 9}));
    EXPECT_EQ(semis(15), (std::vector<int>{0, 7}));
    EXPECT_EQ(semis(32), (std::vector<int>{0, 4, 7, 10, 14, 17, 21}));
}

TEST(ChordTypes, TypeZeroIsNoChord) {
    CCharString name("x");
    EXPECT_FALSE(GetChordTypeName(0, name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(GetChordTypeName(33, name));
    EXPECT_TRUE(name.IsEmpty());
    int found = 7;
    EXPECT_FALSE(FindChordTypeByName("", found));
    EXPECT_EQ(found, 0);
    // The major chord's symbol is empty: "C" is a C major chord.
    EXPECT_TRUE(FindChordTypeBySymbol("", found));
    EXPECT_EQ(found, 1);
}

TEST(NameLookups, EveryTableRoundTripsItsNames) {
    struct Table {
        const char* what;
        int first, last;
        bool (*name)(int, CCharString&);
        bool (*find)(const char*, int&);
    };
    const Table tables[] = {
        {"scales", 1, SCALE_TYPE_COUNT, GetScaleTypeName, FindScaleTypeByName},
        {"chord groups", 1, CHORD_GROUP_COUNT, GetChordGroupName, FindChordGroupByName},
        {"patterns", 1, PATTERN_COUNT, GetPatternName, FindPatternByName},
        {"progressions", 1, PROGRESSION_COUNT, GetProgressionName, FindProgressionByName},
    };
    for (const Table& table : tables) {
        SCOPED_TRACE(table.what);
        for (int number = table.first; number <= table.last; ++number) {
            CCharString name;
            ASSERT_TRUE(table.name(number, name)) << number;
            int found = -1;
            EXPECT_TRUE(table.find(name, found)) << name.GetText();
            EXPECT_EQ(found, number);
        }
        CCharString name("stale");
        EXPECT_FALSE(table.name(table.last + 1, name));
        EXPECT_TRUE(name.IsEmpty());
        EXPECT_FALSE(table.name(-1, name));
        int found = 5;
        EXPECT_FALSE(table.find("no such name", found));
        EXPECT_EQ(found, 0);
        EXPECT_FALSE(table.find(nullptr, found));
    }
}

TEST(NameLookups, NamesAreCaseSensitiveAndExact) {
    int found = -1;
    EXPECT_FALSE(FindScaleTypeByName("major", found));
    EXPECT_EQ(found, 0);
    EXPECT_FALSE(FindScaleTypeByName("Major ", found));
    EXPECT_TRUE(FindScaleTypeByName("Major", found));
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(FindScaleTypeByName("Melodic minor (descending)", found));
    EXPECT_EQ(found, 12);
    EXPECT_FALSE(FindChordTypeByName("minor", found));
    EXPECT_TRUE(FindChordGroupByName("5 (power)", found));
    EXPECT_EQ(found, 15);
    EXPECT_FALSE(FindChordGroupByName("triad", found));
}

TEST(NameLookups, NoneIsNotAProgressionToAskFor) {
    CCharString name;
    EXPECT_TRUE(GetProgressionName(0, name));
    EXPECT_EQ(name, "None");
    int found = -1;
    EXPECT_FALSE(FindProgressionByName("None", found));
    EXPECT_EQ(found, 0);
    EXPECT_EQ(GetProgressionRecord(0)->count, 0);
}

TEST(DegreeTables, ProgressionNamesSpellTheirDegrees) {
    // "I-VI-II-V" is degrees 1 6 2 5: the roman numerals of the name are the degrees.
    const char* roman[] = {"", "I", "II", "III", "IV", "V", "VI", "VII"};
    for (int p = 1; p <= PROGRESSION_COUNT; ++p) {
        const DEGREE_LIST* progression = GetProgressionRecord(p);
        std::string spelled;
        for (int i = 0; i < progression->count; ++i) {
            if (i)
                spelled += "-";
            spelled += roman[progression->degrees[i]];
        }
        EXPECT_EQ(spelled, progression->name);
    }
}

TEST(DegreeTables, PatternNamesSpellTheirDegrees) {
    // "1-3-2-4" plays degrees 1 3 2 4; "Up" climbs like "1-2-3-4".
    for (int p = 1; p <= PATTERN_COUNT; ++p) {
        const DEGREE_LIST* pattern = GetPatternRecord(p);
        std::string spelled;
        for (int i = 0; i < pattern->count; ++i)
            spelled += (i ? "-" : "") + std::to_string(pattern->degrees[i]);
        EXPECT_EQ(spelled, p == 1 ? "1-2-3-4" : pattern->name);
    }
}

TEST(DegreeTables, ChordGroupsStartOnTheirRootAndAscend) {
    for (int g = 1; g <= CHORD_GROUP_COUNT; ++g) {
        const DEGREE_LIST* group = GetChordGroupRecord(g);
        EXPECT_EQ(group->degrees[0], 1) << g;
        for (int i = 1; i < group->count; ++i)
            EXPECT_GT(group->degrees[i], group->degrees[i - 1]) << g;
    }
    EXPECT_EQ(GetChordGroupRecord(CHORD_GROUP_TRIAD)->count, 3);
    for (int g : OFFERED_CHORD_GROUPS)
        EXPECT_NE(GetChordGroupRecord(g), nullptr);
    for (int t : OFFERED_CHORD_TYPES)
        EXPECT_NE(GetChordTypeRecord(t), nullptr);
}
