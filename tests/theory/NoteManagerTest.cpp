// The note table and the note manager's lookups.
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class NoteTable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()) << manager.GetErrorText().GetText(); }

    CNoteManager manager;
};

TEST_F(NoteTable, LandmarksHaveTheirNamesOctavesAndSinglePrecisionFrequencies) {
    const struct {
        int midi;
        const char* sharp;
        const char* flat;
        int octave, letter, accidental;
        double frequency; // the published frequency rounded to single precision
    } landmarks[] = {{0, "C", "C", -1, 1, 0, 8.175799369812012},
                     {61, "C#", "Db", 4, 1, 1, 277.1826171875},
                     {69, "A", "A", 4, 6, 0, 440.0},
                     {70, "A#", "Bb", 4, 6, 1, 466.16375732421875},
                     {131, "B", "B", 9, 7, 0, 15804.265625}};
    ASSERT_EQ(manager.GetNoteTable().GetCount(), 132);
    for (const auto& expected : landmarks) {
        const CNote& note = manager.GetNoteTable()[expected.midi];
        EXPECT_EQ(note.m_midi, expected.midi);
        EXPECT_EQ(note.m_sharpName, expected.sharp);
        EXPECT_EQ(note.m_flatName, expected.flat);
        EXPECT_EQ(note.m_octave, expected.octave);
        EXPECT_EQ(note.m_degree, expected.letter);
        EXPECT_EQ(note.m_accidental, expected.accidental);
        EXPECT_EQ(note.m_frequency, expected.frequency);
        EXPECT_FALSE(note.HasTime());
    }
}

TEST_F(NoteTable, OctavesRunFromCToBAndEverySemitoneIsTheTwelfthRootOfTwo) {
    const CNoteList& table = manager.GetNoteTable();
    const char* letters = "CCDDEFFGGAAB";
    for (int n = 0; n < 132; ++n) {
        EXPECT_EQ(table[n].m_midi, n);
        EXPECT_EQ(table[n].m_octave, n / 12 - 1);
        EXPECT_EQ(table[n].m_sharpName.At(0), letters[n % 12]) << n;
        const bool black = table[n].m_sharpName.GetLength() == 2;
        EXPECT_EQ(table[n].m_accidental, black ? 1 : 0) << n;
        if (black) { // the flat name spells the same key from the letter above
            EXPECT_EQ(table[n].m_flatName.At(0), letters[(n + 1) % 12]) << n;
        }
        if (n > 0) {
            EXPECT_NEAR(table[n].m_frequency / table[n - 1].m_frequency, std::pow(2.0, 1 / 12.0),
                        1e-6)
                << n;
        }
    }
}

TEST_F(NoteTable, GetMidiNoteFillsThePitchAndKeepsTimingAndPlacement) {
    CNote note;
    note.m_time = 1.5;
    note.m_volume = 0.3f;
    note.Position().fret = 3;
    ASSERT_TRUE(manager.GetMidiNote(61, note));
    EXPECT_EQ(note.m_midi, 61);
    EXPECT_EQ(note.m_sharpName, "C#");
    EXPECT_EQ(note.m_flatName, "Db");
    EXPECT_EQ(note.m_octave, 4);
    EXPECT_EQ(note.m_degree, 1);
    EXPECT_EQ(note.m_accidental, 1);
    EXPECT_EQ(note.m_frequency, 277.1826171875);
    EXPECT_EQ(note.m_time, 1.5);
    EXPECT_EQ(note.m_volume, 0.3f);
    EXPECT_EQ(note.Position().fret, 3);

    ASSERT_TRUE(manager.GetMidiNote(255, note)); // no pitch: a reset note
    EXPECT_FALSE(note.HasPitch());
    EXPECT_FALSE(note.HasTime());
    EXPECT_TRUE(note.m_sharpName.IsEmpty());
    for (int midi : {132, -1}) {
        EXPECT_FALSE(manager.GetMidiNote(midi, note));
        EXPECT_EQ(manager.GetErrorText(),
                  ("MIDI note " + std::to_string(midi) + " is not in the list").c_str());
    }
}

TEST_F(NoteTable, CompleteNoteNamesANoteFromItsOwnMidi) {
    CNote note;
    note.m_midi = 70;
    ASSERT_TRUE(manager.CompleteNote(note));
    EXPECT_EQ(note.m_sharpName, "A#");
    EXPECT_EQ(note.m_flatName, "Bb");
    CNote silent;
    silent.m_sharpName = "stale";
    silent.m_flatName = "stale";
    ASSERT_TRUE(manager.CompleteNote(silent));
    EXPECT_TRUE(silent.m_sharpName.IsEmpty());
    EXPECT_TRUE(silent.m_flatName.IsEmpty());
    for (int midi : {140, -3}) {
        CNote wild;
        wild.m_midi = midi;
        EXPECT_FALSE(manager.CompleteNote(wild)) << midi;
    }
}

TEST(NoteManager, LookupsFailUntilTheTableIsBuiltAndBuildingAgainKeepsOneTable) {
    CNoteManager manager;
    CNote note;
    EXPECT_FALSE(manager.IsInitialized());
    EXPECT_FALSE(manager.GetMidiNote(60, note));
    ASSERT_TRUE(manager.Initialize());
    ASSERT_TRUE(manager.Initialize());
    EXPECT_EQ(manager.GetNoteTable().GetCount(), 132);
}

TEST(NoteManager, IntervalUpIsTheNearestAtOrAboveWithinAnOctave) {
    const struct {
        int from, to, up;
    } cases[] = {{60, 60, 0},  {60, 48, 0}, {60, 59, 11}, {60, 72, 12}, {60, 73, 1},
                 {60, 84, 12}, {40, 48, 8}, {131, 0, 1},  {0, 131, 11}, {5, -7, 0}};
    CNoteManager manager;
    for (const auto& c : cases)
        EXPECT_EQ(manager.GetIntervalUp(c.from, c.to), c.up) << c.from << " -> " << c.to;
}

TEST(NoteManager, OnlyTheGuitarsAndTheBassHaveAFretboard) {
    CNoteManager manager;
    EXPECT_EQ(manager.GetInstrumentKind(THING_RHYTHM_GUITAR), INSTRUMENT_GUITAR);
    EXPECT_EQ(manager.GetInstrumentKind(THING_LEAD_GUITAR), INSTRUMENT_GUITAR);
    EXPECT_EQ(manager.GetInstrumentKind(THING_BASS_GUITAR), INSTRUMENT_BASS);
    EXPECT_EQ(manager.GetInstrumentKind(THING_SOLO_GUITAR), INSTRUMENT_NONE);
    EXPECT_EQ(manager.GetErrorText(), "No fretboard for Solo guitar (40)");
}

TEST(RootNames, TheRootListNamesBothSpellingsAndFindsEitherHalf) {
    EXPECT_EQ(GetRootListName(0), "C");
    EXPECT_EQ(GetRootListName(10), "A#/Bb");
    EXPECT_STREQ(GetSharpName(-1), "B");
    EXPECT_STREQ(GetFlatName(-11), "Db");
    int midi = 0;
    for (const char* name : {"A#/Bb", "A#", "Bb"}) {
        ASSERT_TRUE(FindRootByName(name, midi)) << name;
        EXPECT_EQ(midi, 58) << name;
    }
    ASSERT_TRUE(FindRootByName("C", midi));
    EXPECT_EQ(midi, 48);
    for (const char* name : {"Bb/A#", "bb", ""})
        EXPECT_FALSE(FindRootByName(name, midi)) << name;
    EXPECT_FALSE(FindRootByName(nullptr, midi));
}

} // namespace
