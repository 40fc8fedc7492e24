// Scales, chords of a scale and progressions as the note manager builds them.
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class Theory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(manager.Initialize()) << manager.GetErrorText().GetText(); }

    static std::string SharpNames(const CNoteList& notes) {
        std::string names;
        for (const CNote& note : notes)
            names += (names.empty() ? "" : " ") + note.m_sharpName.Str();
        return names;
    }
    // One octave of the scale from the root, as the user sees it.
    std::string Octave(int root, int scaleType) {
        CNoteList notes;
        EXPECT_TRUE(manager.GetScaleNotesInRange(root, scaleType, root, root + 11,
                                                 THING_LEAD_GUITAR, notes));
        return SharpNames(notes);
    }
    // The name of a chord of the scale, or "fails".
    std::string ChordName(int scaleType, int root, int group, int degree) {
        CChord chord;
        if (!manager.GetScaleChord(scaleType, root, group, degree, chord))
            return "fails";
        return chord.Name().Str();
    }

    CNoteManager manager;
};

TEST_F(Theory, ScalesOnTheirRootsHaveTheNotesAGuitaristKnows) {
    EXPECT_EQ(Octave(55, 1), "G A B C D E F#"); // G major: one sharp
    EXPECT_EQ(Octave(50, 3), "D E F G A B C");  // D Dorian and E Phrygian: the white keys
    EXPECT_EQ(Octave(52, 4), "E F G A B C D");
    EXPECT_EQ(Octave(57, 14), "A C D E G");    // A minor pentatonic
    EXPECT_EQ(Octave(57, 15), "A C D D# E G"); // A blues
    CCharString name;
    EXPECT_TRUE(manager.GetScaleName(3, 66, name));
    EXPECT_EQ(name, "F# Dorian");
    EXPECT_FALSE(manager.GetScaleName(22, 60, name));
    EXPECT_FALSE(manager.GetScaleName(1, MIDI_NO_PITCH, name));
}

class EveryScale : public Theory, public ::testing::WithParamInterface<int> {};

TEST_P(EveryScale, TheWholeRangeRepeatsTheOctaveWithDegreesAndSemitones) {
    const int type = GetParam();
    CNoteList steps;
    ASSERT_TRUE(manager.GetScaleSteps(type, steps));
    for (int root : {0, 53, 131}) {
        CNoteList all;
        ASSERT_TRUE(manager.GetScaleNotes(root, type, all));
        int previous = -1;
        for (const CNote& note : all) {
            ASSERT_GT(note.m_midi, previous) << "ascending, no repeats";
            previous = note.m_midi;
            // Degree and semitones say where the note lies in its octave of the scale.
            const int semitones = ((note.m_midi - root) % 12 + 12) % 12;
            ASSERT_EQ(note.m_semitones, semitones) << note.m_midi;
            ASSERT_EQ(steps[note.m_degree - 1].m_semitones, semitones) << note.m_midi;
            EXPECT_EQ(note.m_sharpName, GetSharpName(note.m_midi));
        }
        // Nothing is missing: every MIDI note of the scale's pitch classes is there.
        std::set<int> classes;
        for (const CNote& step : steps)
            classes.insert(step.m_semitones);
        int expected = 0;
        for (int midi = 0; midi < 132; ++midi)
            expected += classes.count(((midi - root) % 12 + 12) % 12) ? 1 : 0;
        EXPECT_EQ(all.GetCount(), expected) << "root " << root;
    }
}

INSTANTIATE_TEST_SUITE_P(AllScales, EveryScale, ::testing::Range(1, SCALE_TYPE_COUNT + 1));

TEST_F(Theory, ScaleNotesInARangeAreMarkedForTheirGuitar) {
    CNoteList notes;
    ASSERT_TRUE(manager.GetScaleNotesInRange(48, 1, 40, 67, THING_RHYTHM_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "E F G A B C D E F G A B C D E F G");
    for (const CNote& note : notes)
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
    EXPECT_FALSE(manager.GetScaleNotesInRange(48, 0, 40, 68, THING_RHYTHM_GUITAR, notes));
    EXPECT_TRUE(notes.IsEmpty());
    EXPECT_FALSE(manager.GetScaleNotes(132, 1, notes));
}

TEST_F(Theory, ChordsAreSpelledFromTheirFormula) {
    CChord chord;
    ASSERT_TRUE(manager.SetChordRootNote(60, chord));
    ASSERT_TRUE(manager.GetChordType(7, chord, true));
    std::vector<int> midis, accidentals;
    for (const CNote& note : chord.m_notes) {
        midis.push_back(note.m_midi);
        accidentals.push_back(note.m_accidental);
        EXPECT_EQ(note.m_chordRoot, 60);
    }
    EXPECT_EQ(midis, (std::vector<int>{60, 63, 66, 69}));
    EXPECT_EQ(accidentals, (std::vector<int>{ACCIDENTAL_NONE, ACCIDENTAL_FLAT, ACCIDENTAL_FLAT,
                                             ACCIDENTAL_DOUBLE_FLAT}));
    EXPECT_EQ(chord.m_notes[3].m_degree, 7);
    EXPECT_EQ(chord.m_names[CHORD_FORMULA_NAME], "1-b3-b5-bb7");
    EXPECT_EQ(chord.m_longName, "Diminished seventh");
    EXPECT_EQ(chord.Name(), "Co7");
    // An unknown type leaves no texts behind.
    EXPECT_FALSE(manager.GetChordType(33, chord, true));
    EXPECT_TRUE(chord.m_longName.IsEmpty());
    EXPECT_TRUE(chord.m_shortName.IsEmpty());
    EXPECT_TRUE(chord.m_names[CHORD_FORMULA_NAME].IsEmpty());
    EXPECT_TRUE(chord.m_notes.IsEmpty());
    CCharString name;
    EXPECT_TRUE(manager.GetChordName(61, 4, name));
    EXPECT_EQ(name, "C#m7");
    EXPECT_FALSE(manager.GetChordName(60, 0, name));
    EXPECT_FALSE(manager.GetChordName(MIDI_NO_PITCH, 1, name));
}

// Types whose notes are the same as an earlier type's: the earlier one is what is recognised.
TEST_F(Theory, EveryChordTypeIsRecognisedOnEveryRoot) {
    for (int type = 1; type <= CHORD_TYPE_COUNT; ++type) {
        for (int root : {40, 53, 61, 70}) {
            CChord chord;
            ASSERT_TRUE(manager.SetChordRootNote(root, chord));
            ASSERT_TRUE(manager.GetChordType(type, chord, true));
            ASSERT_EQ(chord.m_notes[0].m_midi, root);
            int found = -1;
            ASSERT_TRUE(manager.FindChordType(chord.m_notes, found));
            EXPECT_EQ(found, type == 11 ? 6 : type) << "type " << type << " on " << root;
        }
    }
    auto find = [&](std::initializer_list<int> midis) {
        CNoteList notes;
        CNote note;
        for (int midi : midis) {
            note.m_midi = midi;
            notes.Append(note);
        }
        int type = -1;
        EXPECT_TRUE(manager.FindChordType(notes, type));
        return type;
    };
    EXPECT_EQ(find({60, 61}), 0);
    EXPECT_EQ(find({64, 67, 72}), 0); // the first note is the root: no inversions
    EXPECT_EQ(find({48, 64, 67}), 0); // nor open voicings
    int type = 5;
    EXPECT_FALSE(manager.FindChordType(CNoteList(), type));
    EXPECT_EQ(type, 0);
}

TEST_F(Theory, AChordBuiltFromScaleDegreesIsNamedAndRootedLow) {
    CNoteList scale;
    ASSERT_TRUE(manager.GetScaleNotes(60, 1, scale));
    CVarList<int> seventh;
    ASSERT_TRUE(manager.GetChordGroupDegrees(7, seventh));
    CChord chord;
    chord.m_root.m_midi = 71;
    ASSERT_TRUE(manager.BuildScaleChord(scale, seventh, chord));
    EXPECT_EQ(SharpNames(chord.m_notes), "B D F A");
    EXPECT_EQ(chord.Name(), "Bm7-5");
    EXPECT_EQ(chord.m_root.m_midi, 35); // kept below the guitar's low E
    // Built from the scale's degrees, B D F A is spelled 1 b3 b5 b7.
    std::vector<int> accidentals, degrees;
    for (const CNote& note : chord.m_notes) {
        accidentals.push_back(note.m_accidental);
        degrees.push_back(note.m_degree);
        EXPECT_EQ(note.m_chordRoot, 71);
        EXPECT_EQ(note.m_chordType, 12);
    }
    EXPECT_EQ(degrees, (std::vector<int>{1, 3, 5, 7}));
    EXPECT_EQ(accidentals, (std::vector<int>{ACCIDENTAL_NONE, ACCIDENTAL_FLAT, ACCIDENTAL_FLAT,
                                             ACCIDENTAL_FLAT}));
    chord.m_root.m_midi = 132; // above every scale note
    EXPECT_FALSE(manager.BuildScaleChord(scale, seventh, chord));
}

TEST_F(Theory, DiatonicChordsOnEveryDegreeAndRoot) {
    const struct {
        int scale, group;
        std::vector<int> types; // chord type on degrees 1 to 7
    } harmony[] = {
        {1, 4, {1, 2, 2, 1, 1, 2, 14}},    // I ii iii IV V vi vii°
        {1, 7, {5, 4, 4, 5, 3, 4, 12}},    // Imaj7 ii7 iii7 IVmaj7 V7 vi7 viiø7
        {10, 4, {2, 14, 13, 2, 1, 1, 14}}, // harmonic minor: i ii° III+ iv V VI vii°
        {10, 7, {8, 12, 0, 4, 3, 5, 7}},     {1, 15, {15, 15, 15, 15, 15, 15, 16}},
        {1, 12, {17, 17, 17, 0, 17, 17, 0}},
    };
    for (const auto& expected : harmony) {
        for (int root = 48; root <= 59; ++root) {
            for (int degree = 1; degree <= 7; ++degree) {
                CChord chord;
                ASSERT_TRUE(
                    manager.GetScaleChord(expected.scale, root, expected.group, degree, chord));
                EXPECT_EQ(chord.m_chordType, expected.types[degree - 1])
                    << "scale " << expected.scale << " group " << expected.group << " degree "
                    << degree << " on " << root;
                EXPECT_EQ(chord.m_degree, degree);
                EXPECT_EQ(chord.m_chordGroup, expected.group);
                EXPECT_EQ(chord.m_builtScale, expected.scale);
                EXPECT_EQ(chord.m_builtScaleRoot, root);
            }
        }
    }
}

TEST_F(Theory, EveryChordGroupOnTheFifthOfCMajor) {
    // G with the notes of C major: G, Gsus2, G6, G6/9, G7, G9, G11, G13, Gadd9, Gsus4, G7sus4
    // and G5; the other groups make no chord type there.
    const int types[CHORD_GROUP_COUNT] = {0, 18, 0, 1, 19, 21, 3, 22, 30, 32, 26, 17, 9, 0, 15, 0};
    for (int group = 1; group <= CHORD_GROUP_COUNT; ++group) {
        CChord chord;
        ASSERT_TRUE(manager.GetScaleChord(1, 48, group, 5, chord));
        EXPECT_EQ(chord.m_chordType, types[group - 1]) << "group " << group;
    }
    CChord chord;
    ASSERT_TRUE(manager.GetScaleChord(1, 48, 10, 5, chord));
    EXPECT_EQ(SharpNames(chord.m_notes), "G B D F A C E");
    // The eighth note of a seven-note scale is the octave: the same chord as the first.
    EXPECT_EQ(ChordName(1, 48, 4, 8), "C");
    EXPECT_EQ(ChordName(1, 48, 4, 0), "fails");
    EXPECT_EQ(ChordName(1, 48, 4, 12), "fails");
    EXPECT_EQ(ChordName(1, 48, 0, 1), "fails");
    EXPECT_EQ(ChordName(0, 48, 4, 1), "fails");
}

TEST_F(Theory, ProgressionsAreNamedByTheTriadsOfTheParentScale) {
    const struct {
        int scale, root, progression;
        const char* text;
    } cases[] = {{1, 48, 1, "C-G-F-G"},      {1, 60, 2, "C-Am-Dm-G"},
                 {1, 55, 5, "G-C-G-D-C-G"},  {1, 52, 2, "E-C#m-F#m-B"},
                 {9, 57, 3, "Am-F-Dm-Em"},   {13, 48, 1, "C-G-F-G"},
                 {14, 57, 4, "Am-Bo-Dm-Em"}, {1, 48, 0, ""}};
    for (const auto& c : cases) {
        CCharString text("stale");
        ASSERT_TRUE(manager.GetProgressionText(c.scale, c.root, c.progression, text));
        EXPECT_EQ(text, c.text);
    }
    CCharString text;
    EXPECT_FALSE(manager.GetProgressionText(1, 48, 6, text));
    EXPECT_FALSE(manager.GetProgressionText(0, 48, 1, text));
    // The degree lists behind the progressions and patterns.
    CVarList<int> degrees;
    int advance = 0;
    ASSERT_TRUE(manager.GetPatternDegrees(3, degrees, advance));
    EXPECT_EQ((std::vector<int>(degrees.begin(), degrees.end())), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(advance, 4);
    EXPECT_FALSE(manager.GetPatternDegrees(7, degrees, advance));
    EXPECT_TRUE(degrees.IsEmpty());
    int position = 0, offset = 0;
    ASSERT_TRUE(manager.GetModePosition(5, position, offset)); // Lydian: the fourth of major
    EXPECT_EQ(position, 4);
    EXPECT_EQ(offset, 5);
    EXPECT_FALSE(manager.GetModePosition(40, position, offset));
    EXPECT_EQ(manager.GetParentScale(0), 0);
}

} // namespace
