// The note and chord records and the names of band things.
#include "theory/Note.h"
#include "theory/Chord.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// Every field of a note but the error text, so that a field left out of a copy or a reset shows.
auto Fields(const CNote& n) {
    return std::make_tuple(
        n.m_thing, n.m_spare, n.m_hand, n.m_time, n.m_duration, n.m_pan, n.m_volume, n.m_frequency,
        n.m_spareDouble, n.m_sharpName.Str(), n.m_flatName.Str(), n.m_octave, n.m_midi,
        std::vector<int>(n.m_work, n.m_work + NOTE_WORK_COUNT), n.m_degree, n.m_semitones,
        n.m_accidental, n.m_spareInt[0], n.m_spareInt[1], n.m_positionFlag,
        std::vector<FRET_SLOT>(n.m_slots, n.m_slots + FRET_SLOT_COUNT), n.m_chordType,
        n.m_chordRoot, n.m_length);
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
    note.m_flatName = "Bbb";
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

TEST(Note, CopiesCarryEveryFieldAndResetClearsEveryFieldButNeverTheErrorText) {
    const CNote source = BusyNote();
    CNote constructed(source);
    CNote assigned;
    assigned.SetErrorText("own error");
    assigned = source;
    EXPECT_EQ(Fields(constructed), Fields(source));
    EXPECT_EQ(Fields(assigned), Fields(source));
    EXPECT_STREQ(assigned.GetErrorText().GetText(), "own error");

    assigned.Reset();
    EXPECT_EQ(Fields(assigned), Fields(CNote()));
    EXPECT_STREQ(assigned.GetErrorText().GetText(), "own error");
    EXPECT_FALSE(assigned.HasPitch());
    EXPECT_FALSE(assigned.HasTime());
}

TEST(Note, SoundingMidiFollowsTheAccidentalOfTheLetter) {
    const struct {
        int midi, accidental, sounding;
    } cases[] = {{64, ACCIDENTAL_FLAT, 63},        {64, ACCIDENTAL_NONE, 64},
                 {48, ACCIDENTAL_SHARP, 49},       {48, ACCIDENTAL_NATURAL_SIGN, 48},
                 {48, ACCIDENTAL_DOUBLE_FLAT, 48}, {255, ACCIDENTAL_SHARP, 255}};
    for (const auto& c : cases) {
        CNote root;
        root.m_midi = c.midi;
        root.m_accidental = c.accidental;
        EXPECT_EQ(root.GetSoundingMidi(), c.sounding) << c.midi << " " << c.accidental;
    }
}

// Mix files and the animation write things by name: every name must read back as its thing.
TEST(ThingNames, EveryNameReadsBackAsItsThingAndOthersAreUnknown) {
    for (int value = -1; value <= THING_MAX; ++value) {
        const THING thing = static_cast<THING>(value);
        const std::string name = GetThingName(thing);
        THING read = THING_SNARE_DRUM;
        if (name == "Unknown Thing" || thing == THING_MAX) {
            EXPECT_FALSE(FindThingByName(name.c_str(), read)) << value;
            EXPECT_EQ(read, THING_SNARE_DRUM);
            continue;
        }
        ASSERT_TRUE(FindThingByName(name.c_str(), read)) << name;
        EXPECT_EQ(read, thing) << name;
    }
    THING read = THING_NONE;
    EXPECT_TRUE(FindThingByName("Hi-hat, closed", read));
    EXPECT_EQ(read, THING_HIHAT_CLOSED);
    for (const char* name : {"snare drum", "Snare drum ", "", "Tom 7"})
        EXPECT_FALSE(FindThingByName(name, read)) << name;
    EXPECT_FALSE(FindThingByName(nullptr, read));
}

// A C minor seventh voiced for the rhythm guitar.
CChord Cm7() {
    CChord chord;
    chord.m_names[0] = "1-b3-5-b7";
    chord.m_chordType = 4;
    chord.m_degree = 2;
    chord.m_chordGroup = 7;
    chord.m_longName = "Minor seventh";
    chord.m_shortName = "m7";
    for (int midi : {48, 51, 55, 58}) {
        CNote note;
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

TEST(Chord, ResetMakesANewChordAndCopiesAreDeep) {
    CChord original = Cm7();
    CChord copy(original);
    copy.m_notes[0].m_midi = 36;
    copy.m_root.m_midi = 50;
    EXPECT_EQ(original.m_notes[0].m_midi, 48);
    EXPECT_EQ(original.m_root.m_midi, 48);
    CChord assigned;
    assigned = original;
    EXPECT_EQ(assigned.Name(), "Cm7");
    EXPECT_EQ(assigned.m_notes.GetCount(), 4);

    original.Reset();
    const CChord fresh;
    EXPECT_EQ(original.m_names[0], fresh.m_names[0]);
    EXPECT_EQ(std::tie(original.m_chordType, original.m_degree, original.m_chordGroup,
                       original.m_position, original.m_repeat, original.m_thing,
                       original.m_builtScale, original.m_builtScaleRoot),
              std::tie(fresh.m_chordType, fresh.m_degree, fresh.m_chordGroup, fresh.m_position,
                       fresh.m_repeat, fresh.m_thing, fresh.m_builtScale, fresh.m_builtScaleRoot));
    EXPECT_TRUE(original.m_longName.IsEmpty());
    EXPECT_TRUE(original.m_shortName.IsEmpty());
    EXPECT_TRUE(original.m_notes.IsEmpty());
    EXPECT_FALSE(original.m_root.HasPitch());
    EXPECT_FALSE(fresh.HasPosition());
}

TEST(Chord, NameSpellsTheRootsAccidentalUnlessTheRootNameHasOne) {
    CChord chord = Cm7();
    chord.m_root.m_accidental = ACCIDENTAL_SHARP;
    EXPECT_EQ(chord.Name(), "C#m7");
    EXPECT_EQ(chord.GetSoundingRoot(), 49);
    chord.m_root.m_accidental = ACCIDENTAL_FLAT;
    chord.m_root.m_sharpName = "E";
    chord.m_shortName = "";
    EXPECT_EQ(chord.Name(), "Eb");
    chord.m_root.m_sharpName = "F#";
    chord.m_root.m_accidental = ACCIDENTAL_SHARP;
    EXPECT_EQ(chord.Name(), "F#");
}

} // namespace
