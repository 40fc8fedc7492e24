#include "theory/Chord.h"

#include <gtest/gtest.h>

namespace {

void ExpectNewChord(const CChord& chord) {
    for (const CCharString& name : chord.m_names)
        EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(chord.m_chordType, 0);
    EXPECT_EQ(chord.m_degree, 0);
    EXPECT_EQ(chord.m_chordGroup, 0);
    EXPECT_TRUE(chord.m_longName.IsEmpty());
    EXPECT_TRUE(chord.m_shortName.IsEmpty());
    EXPECT_EQ(chord.m_notes.GetCount(), 0);
    EXPECT_EQ(chord.m_root.m_midi, 255);
    EXPECT_EQ(chord.m_root.m_time, TIME_NOT_SET);
    EXPECT_EQ(chord.m_position, 2147483647);
    EXPECT_FALSE(chord.HasPosition());
    EXPECT_EQ(chord.m_repeat, 1);
    EXPECT_EQ(chord.m_thing, THING_NONE);
    EXPECT_EQ(chord.m_builtScale, 0);
    EXPECT_EQ(chord.m_builtScaleRoot, -1);
}

// A C minor seventh voiced for the rhythm guitar.
CChord Cm7() {
    CChord chord;
    chord.m_names[0] = "shape";
    chord.m_chordType = 12;
    chord.m_degree = 2;
    chord.m_chordGroup = 4;
    chord.m_longName = "Minor seventh";
    chord.m_shortName = "m7";
    for (int midi : {48, 51, 55, 58}) {
        CNote note;
        note.m_time = 0.0;
        note.m_midi = midi;
        chord.m_notes.Add(note);
    }
    chord.m_root.m_midi = 48;
    chord.m_root.m_sharpName = "C";
    chord.m_position = 3;
    chord.m_repeat = 2;
    chord.m_thing = THING_RHYTHM_GUITAR;
    chord.m_builtScale = 5;
    chord.m_builtScaleRoot = 48;
    return chord;
}

TEST(Chord, NewChordHasNoTypeNoPositionAndNoGuitar) {
    ExpectNewChord(CChord());
}

TEST(Chord, ResetMakesANewChord) {
    CChord chord = Cm7();
    chord.Reset();
    ExpectNewChord(chord);
}

TEST(Chord, CopyIsDeep) {
    CChord original = Cm7();
    CChord copy(original);
    copy.m_notes[0].m_midi = 36;
    copy.m_notes.Add(CNote());
    copy.m_root.m_midi = 50;
    EXPECT_EQ(original.m_notes.GetCount(), 4);
    EXPECT_EQ(original.m_notes[0].m_midi, 48);
    EXPECT_EQ(original.m_root.m_midi, 48);
    CChord assigned;
    assigned = original;
    EXPECT_EQ(assigned.m_notes.GetCount(), 4);
    EXPECT_EQ(assigned.m_position, 3);
    EXPECT_EQ(assigned.m_thing, THING_RHYTHM_GUITAR);
    EXPECT_EQ(assigned.m_builtScaleRoot, 48);
    EXPECT_STREQ(assigned.m_names[0].GetText(), "shape");
}

TEST(Chord, SoundingRootFollowsTheAccidental) {
    CChord chord;
    chord.m_root.m_midi = 48;
    EXPECT_EQ(chord.GetSoundingRoot(), 48);
    chord.m_root.m_accidental = ACCIDENTAL_SHARP;
    EXPECT_EQ(chord.GetSoundingRoot(), 49);
    chord.m_root.m_accidental = ACCIDENTAL_FLAT;
    EXPECT_EQ(chord.GetSoundingRoot(), 47);
    chord.m_root.m_accidental = ACCIDENTAL_NATURAL_SIGN;
    EXPECT_EQ(chord.GetSoundingRoot(), 48);
}

TEST(Chord, NameIsRootAndShortTypeName) {
    CChord chord = Cm7();
    EXPECT_STREQ(chord.Name().GetText(), "Cm7");
    chord.m_root.m_accidental = ACCIDENTAL_SHARP;
    EXPECT_STREQ(chord.Name().GetText(), "C#m7");
    chord.m_root.m_midi = 64;
    chord.m_root.m_sharpName = "E";
    chord.m_root.m_accidental = ACCIDENTAL_FLAT;
    chord.m_shortName = "";
    EXPECT_STREQ(chord.Name().GetText(), "Eb");
    // A root taken from the note table already spells its black key.
    chord.m_root.m_sharpName = "F#";
    chord.m_root.m_accidental = ACCIDENTAL_SHARP;
    chord.m_shortName = "7";
    EXPECT_STREQ(chord.Name().GetText(), "F#7");
}

} // namespace
