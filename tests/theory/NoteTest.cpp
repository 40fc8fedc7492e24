#include "theory/Note.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

TEST(NotSetValues, AreTheExactSentinels) {
    EXPECT_EQ(INT_NOT_SET, 2147483647);
    EXPECT_EQ(TIME_NOT_SET, 1.7976931348623157e308);
    EXPECT_EQ(TIME_NOT_SET, DBL_MAX);
    EXPECT_EQ(MIDI_NO_PITCH, 255);
}

void ExpectUnplaced(const FRET_SLOT& slot) {
    EXPECT_EQ(slot.string, INT_NOT_SET);
    EXPECT_EQ(slot.fret, INT_NOT_SET);
    EXPECT_EQ(slot.value, 0.0f);
    EXPECT_EQ(slot.aux, INT_NOT_SET);
    EXPECT_EQ(slot.finger, INT_NOT_SET);
    EXPECT_EQ(slot.mode, 0);
}

void ExpectNewNote(const CNote& note) {
    EXPECT_EQ(note.m_thing, THING_NONE);
    EXPECT_EQ(note.m_spare, 0);
    EXPECT_EQ(note.m_hand, THING_NONE);
    EXPECT_EQ(note.m_time, TIME_NOT_SET);
    EXPECT_EQ(note.m_duration, TIME_NOT_SET);
    EXPECT_EQ(note.m_pan, 0.0f);
    EXPECT_EQ(note.m_volume, 1.0f);
    EXPECT_EQ(note.m_frequency, 0.0);
    EXPECT_EQ(note.m_spareDouble, 0.0);
    EXPECT_TRUE(note.m_sharpName.IsEmpty());
    EXPECT_TRUE(note.m_flatName.IsEmpty());
    EXPECT_EQ(note.m_octave, INT_NOT_SET);
    EXPECT_EQ(note.m_midi, 255);
    for (int value : note.m_work)
        EXPECT_EQ(value, 0);
    EXPECT_EQ(note.m_degree, 0);
    EXPECT_EQ(note.m_semitones, 0);
    EXPECT_EQ(note.m_accidental, 0);
    EXPECT_EQ(note.m_spareInt[0], 0);
    EXPECT_EQ(note.m_spareInt[1], 0);
    EXPECT_EQ(note.m_positionFlag, 1);
    for (const FRET_SLOT& slot : note.m_slots)
        ExpectUnplaced(slot);
    EXPECT_EQ(note.m_chordType, 0);
    EXPECT_EQ(note.m_chordRoot, 255);
    EXPECT_EQ(note.m_length, 0);
    EXPECT_FALSE(note.HasPitch());
    EXPECT_FALSE(note.HasTime());
}

// A note with every field away from its default.
CNote BusyNote() {
    CNote note;
    note.m_thing = THING_LEAD_GUITAR;
    note.m_spare = 7;
    note.m_hand = THING_LEFT_HAND;
    note.m_time = 1.25;
    note.m_duration = 0.5;
    note.m_pan = -0.5f;
    note.m_volume = 0.25f;
    note.m_frequency = 440.0;
    note.m_spareDouble = 3.5;
    note.m_sharpName = "A";
    note.m_flatName = "A";
    note.m_octave = 4;
    note.m_midi = 69;
    for (int i = 0; i < NOTE_WORK_COUNT; ++i)
        note.m_work[i] = i + 1;
    note.m_degree = 6;
    note.m_semitones = 9;
    note.m_accidental = ACCIDENTAL_FLAT;
    note.m_spareInt[0] = 11;
    note.m_spareInt[1] = 12;
    note.m_positionFlag = 0;
    for (int i = 0; i < FRET_SLOT_COUNT; ++i)
        note.m_slots[i] = FRET_SLOT{i + 1, i + 2, 0.5f, i, 2, FRET_MODE_BARRE | FRET_MODE_START};
    note.m_chordType = 3;
    note.m_chordRoot = 57;
    note.m_length = 4;
    return note;
}

TEST(Note, NewNoteHasEveryDefault) {
    CNote note;
    ExpectNewNote(note);
    EXPECT_TRUE(note.GetErrorText().IsEmpty());
}

TEST(Note, ResetRestoresDefaultsButKeepsTheErrorText) {
    CNote note = BusyNote();
    note.SetErrorText("Can't place note");
    note.Reset();
    ExpectNewNote(note);
    EXPECT_STREQ(note.GetErrorText().GetText(), "Can't place note");
}

TEST(Note, CopyCarriesEveryFieldButNotTheErrorText) {
    CNote source = BusyNote();
    source.SetErrorText("source error");

    CNote constructed(source);
    EXPECT_TRUE(constructed.GetErrorText().IsEmpty());

    CNote assigned;
    assigned.SetErrorText("own error");
    assigned = source;
    EXPECT_STREQ(assigned.GetErrorText().GetText(), "own error");

    for (const CNote* copy : {&constructed, &assigned}) {
        EXPECT_EQ(copy->m_thing, THING_LEAD_GUITAR);
        EXPECT_EQ(copy->m_spare, 7);
        EXPECT_EQ(copy->m_hand, THING_LEFT_HAND);
        EXPECT_EQ(copy->m_time, 1.25);
        EXPECT_EQ(copy->m_duration, 0.5);
        EXPECT_EQ(copy->m_pan, -0.5f);
        EXPECT_EQ(copy->m_volume, 0.25f);
        EXPECT_EQ(copy->m_frequency, 440.0);
        EXPECT_EQ(copy->m_spareDouble, 3.5);
        EXPECT_STREQ(copy->m_sharpName.GetText(), "A");
        EXPECT_STREQ(copy->m_flatName.GetText(), "A");
        EXPECT_EQ(copy->m_octave, 4);
        EXPECT_EQ(copy->m_midi, 69);
        for (int i = 0; i < NOTE_WORK_COUNT; ++i)
            EXPECT_EQ(copy->m_work[i], i + 1);
        EXPECT_EQ(copy->m_degree, 6);
        EXPECT_EQ(copy->m_semitones, 9);
        EXPECT_EQ(copy->m_accidental, ACCIDENTAL_FLAT);
        EXPECT_EQ(copy->m_spareInt[0], 11);
        EXPECT_EQ(copy->m_spareInt[1], 12);
        EXPECT_EQ(copy->m_positionFlag, 0);
        for (int i = 0; i < FRET_SLOT_COUNT; ++i)
            EXPECT_EQ(copy->m_slots[i], source.m_slots[i]);
        EXPECT_EQ(copy->m_chordType, 3);
        EXPECT_EQ(copy->m_chordRoot, 57);
        EXPECT_EQ(copy->m_length, 4);
    }
}

struct SOUNDING_CASE {
    int midi;
    int accidental;
    int sounding;
};

class SoundingMidi : public ::testing::TestWithParam<SOUNDING_CASE> {};

TEST_P(SoundingMidi, LetterWithAccidental) {
    CNote root;
    root.m_midi = GetParam().midi;
    root.m_accidental = GetParam().accidental;
    EXPECT_EQ(root.GetSoundingMidi(), GetParam().sounding);
}

INSTANTIATE_TEST_SUITE_P(
    Roots, SoundingMidi,
    ::testing::Values(SOUNDING_CASE{64, ACCIDENTAL_FLAT, 63},         // Eb
                      SOUNDING_CASE{64, ACCIDENTAL_NONE, 64},         // E
                      SOUNDING_CASE{48, ACCIDENTAL_SHARP, 49},        // C#
                      SOUNDING_CASE{48, ACCIDENTAL_NATURAL_SIGN, 48}, // C natural
                      SOUNDING_CASE{48, ACCIDENTAL_DOUBLE_FLAT, 48},  // not a chord root value
                      SOUNDING_CASE{255, ACCIDENTAL_SHARP, 255},      // no pitch stays
                      SOUNDING_CASE{300, ACCIDENTAL_FLAT, 300}));

TEST(Note, ClearingASlotUnplacesIt) {
    CNote note = BusyNote();
    note.Position().Clear();
    ExpectUnplaced(note.m_slots[0]);
    EXPECT_EQ(note.m_slots[1].string, 2); // only the first slot
}

TEST(Note, DumpShowsTimingAndPitch) {
    CNote note = BusyNote();
    CCharString line;
    note.Dump(line);
    EXPECT_NE(line.Str().find("1.2500"), std::string::npos) << line.GetText();
    EXPECT_NE(line.Str().find("A4"), std::string::npos) << line.GetText();
    CNote unset;
    unset.Dump(line);
    EXPECT_NE(line.Str().find("time=-"), std::string::npos) << line.GetText();
}

} // namespace
