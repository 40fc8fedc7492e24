#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class NoteTable : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()) << manager.GetErrorText().GetText(); }

    CNoteManager manager;
};

TEST_F(NoteTable, Has132NotesInMidiOrder) {
    const CNoteList& table = manager.GetNoteTable();
    ASSERT_EQ(table.GetCount(), 132);
    EXPECT_EQ(manager.GetOctaveCount(), 11);
    for (int n = 0; n < 132; ++n)
        EXPECT_EQ(table[n].m_midi, n);
}

struct TABLE_ENTRY {
    int midi;
    const char* sharp;
    const char* flat;
    int octave;
    int letter;
    int accidental;
    double frequency; // the published frequency rounded to single precision
};

class NoteTableEntries : public NoteTable, public ::testing::WithParamInterface<TABLE_ENTRY> {};

TEST_P(NoteTableEntries, NamesOctaveAndSinglePrecisionFrequency) {
    const TABLE_ENTRY& expected = GetParam();
    const CNote& note = manager.GetNoteTable()[expected.midi];
    EXPECT_STREQ(note.m_sharpName.GetText(), expected.sharp);
    EXPECT_STREQ(note.m_flatName.GetText(), expected.flat);
    EXPECT_EQ(note.m_octave, expected.octave);
    EXPECT_EQ(note.m_degree, expected.letter);
    EXPECT_EQ(note.m_accidental, expected.accidental);
    EXPECT_EQ(note.m_frequency, expected.frequency);
    // Everything else is a reset note.
    EXPECT_EQ(note.m_time, TIME_NOT_SET);
    EXPECT_EQ(note.m_volume, 1.0f);
    EXPECT_EQ(note.m_chordRoot, 255);
    EXPECT_EQ(note.Position().string, INT_NOT_SET);
}

INSTANTIATE_TEST_SUITE_P(Landmarks, NoteTableEntries,
                         ::testing::Values(TABLE_ENTRY{0, "C", "C", -1, 1, 0, 8.175799369812012},
                                           TABLE_ENTRY{60, "C", "C", 4, 1, 0, 261.6255798339844},
                                           TABLE_ENTRY{61, "C#", "Db", 4, 1, 1, 277.1826171875},
                                           TABLE_ENTRY{69, "A", "A", 4, 6, 0, 440.0},
                                           TABLE_ENTRY{70, "A#", "Bb", 4, 6, 1, 466.16375732421875},
                                           TABLE_ENTRY{71, "B", "B", 4, 7, 0, 493.88330078125},
                                           TABLE_ENTRY{131, "B", "B", 9, 7, 0, 15804.265625}));

TEST_F(NoteTable, EveryAIsAnExactPowerOfTwoTimes440) {
    const CNoteList& table = manager.GetNoteTable();
    double a = 13.75; // A-1
    for (int n = 9; n < 132; n += 12, a *= 2.0)
        EXPECT_EQ(table[n].m_frequency, a) << n;
}

TEST_F(NoteTable, OctavesDoubleAndSemitonesStepByTheTwelfthRootOfTwo) {
    const CNoteList& table = manager.GetNoteTable();
    for (int n = 0; n + 12 < 132; ++n) {
        EXPECT_NEAR(table[n + 12].m_frequency / table[n].m_frequency, 2.0, 1e-6) << n;
        EXPECT_NEAR(table[n + 1].m_frequency / table[n].m_frequency, std::pow(2.0, 1.0 / 12.0),
                    1e-6)
            << n;
        // Single precision kept as double.
        EXPECT_EQ(table[n].m_frequency,
                  static_cast<double>(static_cast<float>(table[n].m_frequency)));
    }
}

TEST_F(NoteTable, EachOctaveRunsFromCToB) {
    const CNoteList& table = manager.GetNoteTable();
    const char* letters = "CCDDEFFGGAAB";
    for (int n = 0; n < 132; ++n) {
        EXPECT_EQ(table[n].m_octave, n / 12 - 1);
        EXPECT_EQ(table[n].m_sharpName.At(0), letters[n % 12]) << n;
        bool black = table[n].m_sharpName.GetLength() == 2;
        EXPECT_EQ(table[n].m_accidental, black ? 1 : 0) << n;
        if (black) { // the flat name spells the same key from the letter above
            EXPECT_EQ(table[n].m_flatName.At(0), letters[(n + 1) % 12]) << n;
        }
    }
}

TEST_F(NoteTable, GetMidiNoteFillsPitchAndLeavesTimingAndPlacement) {
    CNote note;
    note.m_time = 1.5;
    note.m_duration = 0.25;
    note.m_volume = 0.3f;
    note.Position().string = 2;
    note.Position().fret = 3;
    ASSERT_TRUE(manager.GetMidiNote(61, note));
    EXPECT_EQ(note.m_midi, 61);
    EXPECT_STREQ(note.m_sharpName.GetText(), "C#");
    EXPECT_STREQ(note.m_flatName.GetText(), "Db");
    EXPECT_EQ(note.m_octave, 4);
    EXPECT_EQ(note.m_degree, 1);
    EXPECT_EQ(note.m_accidental, 1);
    EXPECT_EQ(note.m_frequency, 277.1826171875);
    EXPECT_EQ(note.m_time, 1.5);
    EXPECT_EQ(note.m_duration, 0.25);
    EXPECT_EQ(note.m_volume, 0.3f);
    EXPECT_EQ(note.Position().string, 2);
    EXPECT_EQ(note.Position().fret, 3);
}

TEST_F(NoteTable, MidiNoPitchResetsTheNote) {
    CNote note;
    ASSERT_TRUE(manager.GetMidiNote(64, note));
    note.m_time = 2.0;
    ASSERT_TRUE(manager.GetMidiNote(255, note));
    EXPECT_FALSE(note.HasPitch());
    EXPECT_EQ(note.m_time, TIME_NOT_SET);
    EXPECT_TRUE(note.m_sharpName.IsEmpty());
}

TEST_F(NoteTable, MidiOutsideTheTableFails) {
    CNote note;
    EXPECT_FALSE(manager.GetMidiNote(132, note));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "MIDI note 132 is not in the list");
    EXPECT_FALSE(manager.GetMidiNote(-1, note));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "MIDI note -1 is not in the list");
    EXPECT_FALSE(note.HasPitch());
}

TEST_F(NoteTable, CompleteNoteNamesFromTheNotesOwnMidi) {
    CNote note;
    note.m_midi = 70;
    note.m_time = 3.0;
    ASSERT_TRUE(manager.CompleteNote(note));
    EXPECT_STREQ(note.m_sharpName.GetText(), "A#");
    EXPECT_STREQ(note.m_flatName.GetText(), "Bb");
    EXPECT_EQ(note.m_time, 3.0);

    CNote silent;
    silent.m_sharpName = "stale";
    ASSERT_TRUE(manager.CompleteNote(silent));
    EXPECT_TRUE(silent.m_sharpName.IsEmpty());
    EXPECT_TRUE(silent.m_flatName.IsEmpty());

    CNote wild;
    wild.m_midi = 140;
    EXPECT_FALSE(manager.CompleteNote(wild));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "MIDI note 140 is not in the list");
}

TEST(NoteManager, LookupsFailBeforeTheTableIsBuilt) {
    CNoteManager manager;
    CNote note;
    EXPECT_FALSE(manager.IsInitialized());
    EXPECT_FALSE(manager.GetMidiNote(60, note));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "MIDI note 60 is not in the list");
    EXPECT_TRUE(manager.GetMidiNote(255, note));
}

TEST(NoteManager, InitializeTwiceKeepsOneTable) {
    CNoteManager manager;
    ASSERT_TRUE(manager.Initialize());
    ASSERT_TRUE(manager.Initialize());
    EXPECT_EQ(manager.GetNoteTable().GetCount(), 132);
}

struct INTERVAL_CASE {
    int from;
    int to;
    int up;
};

class IntervalUp : public ::testing::TestWithParam<INTERVAL_CASE> {};

TEST_P(IntervalUp, NearestAtOrAboveWithinAnOctave) {
    CNoteManager manager;
    EXPECT_EQ(manager.GetIntervalUp(GetParam().from, GetParam().to), GetParam().up)
        << GetParam().from << " -> " << GetParam().to;
}

INSTANTIATE_TEST_SUITE_P(Boundaries, IntervalUp,
                         ::testing::Values(INTERVAL_CASE{60, 60, 0},  // unison
                                           INTERVAL_CASE{60, 48, 0},  // an octave below
                                           INTERVAL_CASE{60, 59, 11}, // a semitone below
                                           INTERVAL_CASE{60, 72, 12}, // exactly an octave up
                                           INTERVAL_CASE{60, 73, 1},  // beyond the octave
                                           INTERVAL_CASE{60, 84, 12}, // two octaves up
                                           INTERVAL_CASE{60, 67, 7},  // a fifth
                                           INTERVAL_CASE{40, 48, 8},  // E up to C
                                           INTERVAL_CASE{45, 48, 3},  // A up to C
                                           INTERVAL_CASE{131, 0, 1}, INTERVAL_CASE{0, 131, 11},
                                           INTERVAL_CASE{5, -7, 0}));

TEST(NoteManager, InstrumentKinds) {
    CNoteManager manager;
    EXPECT_EQ(manager.GetInstrumentKind(THING_RHYTHM_GUITAR), INSTRUMENT_GUITAR);
    EXPECT_EQ(manager.GetInstrumentKind(THING_LEAD_GUITAR), INSTRUMENT_GUITAR);
    EXPECT_EQ(manager.GetInstrumentKind(THING_BASS_GUITAR), INSTRUMENT_BASS);
    EXPECT_EQ(INSTRUMENT_GUITAR, 1);
    EXPECT_EQ(INSTRUMENT_BASS, 2);
    for (THING other : {THING_GUITAR, THING_SOLO_GUITAR, THING_SNARE_DRUM, THING_NONE}) {
        EXPECT_EQ(manager.GetInstrumentKind(other), INSTRUMENT_NONE) << other;
        EXPECT_FALSE(manager.GetErrorText().IsEmpty());
    }
}

TEST(PitchNames, SharpAndFlatNamesByPitchClass) {
    EXPECT_STREQ(GetSharpName(61), "C#");
    EXPECT_STREQ(GetFlatName(61), "Db");
    EXPECT_STREQ(GetSharpName(-1), "B");
    EXPECT_STREQ(GetFlatName(70), "Bb");
}

} // namespace
