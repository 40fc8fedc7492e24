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

    std::vector<int> Midis(const CNoteList& notes) {
        std::vector<int> midis;
        for (const CNote& note : notes)
            midis.push_back(note.m_midi);
        return midis;
    }

    std::string SharpNames(const CNoteList& notes) {
        std::string names;
        for (const CNote& note : notes)
            names += (names.empty() ? "" : " ") + note.m_sharpName.Str();
        return names;
    }

    // One octave of the scale from the root, as the user sees it.
    std::vector<int> Octave(int root, int scaleType) {
        CNoteList notes;
        EXPECT_TRUE(manager.GetScaleNotesInRange(root, scaleType, root, root + 11,
                                                 THING_LEAD_GUITAR, notes));
        return Midis(notes);
    }

    CNoteManager manager;
};

TEST_F(Theory, ScalesOnKnownRoots) {
    EXPECT_EQ(Octave(60, 1), (std::vector<int>{60, 62, 64, 65, 67, 69, 71}));
    EXPECT_EQ(Octave(57, 21), (std::vector<int>{57, 59, 60, 63, 64, 65, 68}));
    // G major has one sharp, F#; D Dorian is all white keys; E Phrygian too.
    CNoteList notes;
    ASSERT_TRUE(manager.GetScaleNotesInRange(55, 1, 55, 66, THING_LEAD_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "G A B C D E F#");
    ASSERT_TRUE(manager.GetScaleNotesInRange(50, 3, 50, 61, THING_LEAD_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "D E F G A B C");
    ASSERT_TRUE(manager.GetScaleNotesInRange(52, 4, 52, 63, THING_LEAD_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "E F G A B C D");
    // A minor pentatonic, the first scale most guitarists learn.
    ASSERT_TRUE(manager.GetScaleNotesInRange(57, 14, 57, 68, THING_LEAD_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "A C D E G");
    // A blues: the pentatonic with the flat fifth.
    ASSERT_TRUE(manager.GetScaleNotesInRange(57, 15, 57, 68, THING_LEAD_GUITAR, notes));
    EXPECT_EQ(SharpNames(notes), "A C D D# E G");
}

TEST_F(Theory, ScaleNoteCounts) {
    CNoteList steps;
    for (int type = 1; type <= SCALE_TYPE_COUNT; ++type) {
        ASSERT_TRUE(manager.GetScaleSteps(type, steps));
        int expected = 7;
        if (type == 13 || type == 14)
            expected = 5;
        else if (type == 15)
            expected = 6;
        else if (type == 16 || type == 17)
            expected = 8;
        EXPECT_EQ(steps.GetCount(), expected) << type;
        EXPECT_EQ(steps[0].m_degree, 1);
        EXPECT_EQ(steps[0].m_semitones, 0);
        EXPECT_EQ(static_cast<int>(Octave(48, type).size()), expected) << type;
    }
    EXPECT_FALSE(manager.GetScaleSteps(0, steps));
    EXPECT_EQ(steps.GetCount(), 0);
    EXPECT_FALSE(manager.GetScaleSteps(22, steps));
}

class EveryScale : public Theory, public ::testing::WithParamInterface<int> {};

TEST_P(EveryScale, WholeRangeRepeatsTheScaleInEveryOctave) {
    const int type = GetParam();
    for (int root = 48; root <= 59; ++root) {
        CNoteList all;
        ASSERT_TRUE(manager.GetScaleNotes(root, type, all));
        ASSERT_GT(all.GetCount(), 0);
        std::vector<int> octave = Octave(root, type);
        std::set<int> classes;
        for (int midi : octave)
            classes.insert(midi % 12);
        int previous = -1;
        for (const CNote& note : all) {
            ASSERT_GE(note.m_midi, 0);
            ASSERT_LE(note.m_midi, 131);
            EXPECT_GT(note.m_midi, previous) << "ascending, no repeats";
            previous = note.m_midi;
            EXPECT_TRUE(classes.count(note.m_midi % 12)) << note.m_midi;
            // Degree and semitones say where the note lies in its octave of the scale.
            EXPECT_EQ(((note.m_midi - root) % 12 + 12) % 12, note.m_semitones) << note.m_midi;
            EXPECT_EQ(octave[note.m_degree - 1] % 12, note.m_midi % 12) << note.m_midi;
        }
        // The range reaches both ends of the note table.
        EXPECT_LT(all[0].m_midi, 12);
        EXPECT_GT(all[all.GetCount() - 1].m_midi, 119);
    }
}

INSTANTIATE_TEST_SUITE_P(AllScales, EveryScale, ::testing::Range(1, SCALE_TYPE_COUNT + 1));

TEST_F(Theory, ScaleNotesInRangeAreMarkedForTheirGuitar) {
    CNoteList notes;
    ASSERT_TRUE(manager.GetScaleNotesInRange(48, 1, 40, 68, THING_RHYTHM_GUITAR, notes));
    ASSERT_FALSE(notes.IsEmpty());
    EXPECT_EQ(notes[0].m_midi, 40); // E is the third of C
    EXPECT_EQ(notes[notes.GetCount() - 1].m_midi, 67);
    for (const CNote& note : notes)
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
    EXPECT_FALSE(manager.GetScaleNotesInRange(48, 0, 40, 68, THING_RHYTHM_GUITAR, notes));
    EXPECT_TRUE(notes.IsEmpty());
}

TEST_F(Theory, ScaleNames) {
    CCharString name;
    EXPECT_TRUE(manager.GetScaleName(3, 66, name));
    EXPECT_EQ(name, "F# Dorian");
    EXPECT_TRUE(manager.GetScaleName(9, 58, name));
    EXPECT_EQ(name, "A# Natural minor");
    EXPECT_FALSE(manager.GetScaleName(22, 60, name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(manager.GetScaleName(1, 132, name));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "MIDI note 132 is not in the list");
}

TEST_F(Theory, ParentScalesAndModes) {
    EXPECT_EQ(manager.GetParentScale(13), 1);
    EXPECT_EQ(manager.GetParentScale(14), 9);
    EXPECT_EQ(manager.GetParentScale(3), 3);
    EXPECT_EQ(manager.GetParentScale(0), 0);
    int position = 0, offset = 0;
    // Dorian is the mode on the second degree of major, a whole tone up; Lydian on the fourth.
    ASSERT_TRUE(manager.GetModePosition(3, position, offset));
    EXPECT_EQ(position, 2);
    EXPECT_EQ(offset, 2);
    ASSERT_TRUE(manager.GetModePosition(5, position, offset));
    EXPECT_EQ(position, 4);
    EXPECT_EQ(offset, 5);
    EXPECT_FALSE(manager.GetModePosition(40, position, offset));
}

TEST_F(Theory, DegreeListsOfGroupsPatternsAndProgressions) {
    CVarList<int> degrees;
    ASSERT_TRUE(manager.GetChordGroupDegrees(CHORD_GROUP_TRIAD, degrees));
    ASSERT_EQ(degrees.GetCount(), 3u);
    EXPECT_EQ(degrees[1], 3);
    EXPECT_EQ(degrees[2], 5);
    int advance = 0;
    ASSERT_TRUE(manager.GetPatternDegrees(3, degrees, advance));
    EXPECT_EQ((std::vector<int>(degrees.begin(), degrees.end())), (std::vector<int>{1, 3, 2, 4}));
    EXPECT_EQ(advance, 4);
    ASSERT_TRUE(manager.GetProgressionDegrees(5, degrees));
    EXPECT_EQ((std::vector<int>(degrees.begin(), degrees.end())),
              (std::vector<int>{1, 4, 1, 5, 4, 1}));
    EXPECT_TRUE(manager.GetProgressionDegrees(0, degrees));
    EXPECT_TRUE(degrees.IsEmpty());
    EXPECT_FALSE(manager.GetChordGroupDegrees(17, degrees));
    EXPECT_TRUE(degrees.IsEmpty());
    EXPECT_FALSE(manager.GetPatternDegrees(7, degrees, advance));
    EXPECT_FALSE(manager.GetProgressionDegrees(6, degrees));
}

TEST_F(Theory, DiminishedSeventhIsSpelledWithADoubleFlat) {
    CChord chord;
    ASSERT_TRUE(manager.SetChordRootNote(60, chord));
    ASSERT_TRUE(manager.GetChordType(7, chord, true));
    EXPECT_EQ(Midis(chord.m_notes), (std::vector<int>{60, 63, 66, 69}));
    const int degrees[] = {1, 3, 5, 7};
    const int accidentals[] = {ACCIDENTAL_NONE, ACCIDENTAL_FLAT, ACCIDENTAL_FLAT,
                               ACCIDENTAL_DOUBLE_FLAT};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(chord.m_notes[i].m_degree, degrees[i]);
        EXPECT_EQ(chord.m_notes[i].m_accidental, accidentals[i]);
    }
    EXPECT_EQ(chord.m_names[CHORD_FORMULA_NAME], "1-b3-b5-bb7");
    EXPECT_EQ(chord.m_longName, "Diminished seventh");
    EXPECT_EQ(chord.m_shortName, "o7");
    EXPECT_EQ(chord.Name(), "Co7");
}

TEST_F(Theory, UnknownChordTypeLeavesNoTexts) {
    CChord chord;
    ASSERT_TRUE(manager.GetChordType(4, chord, false));
    EXPECT_FALSE(manager.GetChordType(33, chord, false));
    EXPECT_TRUE(chord.m_longName.IsEmpty());
    EXPECT_TRUE(chord.m_shortName.IsEmpty());
    EXPECT_TRUE(chord.m_names[CHORD_FORMULA_NAME].IsEmpty());
    EXPECT_FALSE(manager.GetChordType(0, chord, false));
}

// Types whose notes are the same as an earlier type's: the earlier one is what is recognised.
int RecognisedAs(int type) {
    return type == 11 ? 6 : type;
}

TEST_F(Theory, EveryChordTypeIsRecognisedOnEveryRoot) {
    for (int type = 1; type <= CHORD_TYPE_COUNT; ++type) {
        for (int root : {40, 48, 53, 61, 70}) {
            CChord chord;
            ASSERT_TRUE(manager.SetChordRootNote(root, chord));
            ASSERT_TRUE(manager.GetChordType(type, chord, true));
            ASSERT_EQ(chord.m_notes[0].m_midi, root);
            int found = -1;
            ASSERT_TRUE(manager.FindChordType(chord.m_notes, found));
            EXPECT_EQ(found, RecognisedAs(type)) << "type " << type << " on " << root;
        }
    }
}

TEST_F(Theory, FindChordTypeOnPlainNoteLists) {
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
    EXPECT_EQ(find({60, 64, 67}), 1);
    EXPECT_EQ(find({60, 64, 67, 70}), 3);
    EXPECT_EQ(find({60, 67}), 15);
    EXPECT_EQ(find({60, 61}), 0);
    // The first note is the root: a first inversion is not a major chord here.
    EXPECT_EQ(find({64, 67, 72}), 0);
    // Voiced an octave apart, C-E-G is no longer the close triad the table describes.
    EXPECT_EQ(find({48, 64, 67}), 0);
    CNoteList empty;
    int type = 5;
    EXPECT_FALSE(manager.FindChordType(empty, type));
    EXPECT_EQ(type, 0);
}

TEST_F(Theory, ChordNamesUseSharps) {
    CCharString name;
    EXPECT_TRUE(manager.GetChordName(61, 4, name));
    EXPECT_EQ(name, "C#m7");
    EXPECT_TRUE(manager.GetChordName(52, 1, name));
    EXPECT_EQ(name, "E");
    EXPECT_TRUE(manager.GetChordName(70, 1, name));
    EXPECT_EQ(name, "A#");
    EXPECT_TRUE(manager.GetChordName(45, 7, name));
    EXPECT_EQ(name, "Ao7");
    EXPECT_FALSE(manager.GetChordName(60, 0, name));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_FALSE(manager.GetChordName(255, 1, name));
    EXPECT_TRUE(name.IsEmpty());
}

TEST_F(Theory, BuildScaleChordOnCMajor) {
    CNoteList scale;
    ASSERT_TRUE(manager.GetScaleNotes(60, 1, scale));
    CVarList<int> triad;
    ASSERT_TRUE(manager.GetChordGroupDegrees(4, triad));
    CChord chord;
    chord.m_root.m_midi = 60;
    ASSERT_TRUE(manager.BuildScaleChord(scale, triad, chord));
    EXPECT_EQ(Midis(chord.m_notes), (std::vector<int>{60, 64, 67}));
    EXPECT_EQ(SharpNames(chord.m_notes), "C E G");
    EXPECT_EQ(chord.m_chordType, 1);
    // The root is kept below the guitar's low E.
    EXPECT_EQ(chord.m_root.m_midi, 36);
    EXPECT_EQ(chord.m_root.m_sharpName, "C");

    CVarList<int> seventh;
    ASSERT_TRUE(manager.GetChordGroupDegrees(7, seventh));
    chord.Reset();
    chord.m_root.m_midi = 71;
    ASSERT_TRUE(manager.BuildScaleChord(scale, seventh, chord));
    EXPECT_EQ(SharpNames(chord.m_notes), "B D F A");
    EXPECT_EQ(chord.m_chordType, 12);
    EXPECT_EQ(chord.Name(), "Bm7-5");
    EXPECT_EQ(chord.m_root.m_midi, 35);
    // Built from the scale's degrees, B D F A is spelled 1 b3 b5 b7.
    const int accidentals[] = {ACCIDENTAL_NONE, ACCIDENTAL_FLAT, ACCIDENTAL_FLAT, ACCIDENTAL_FLAT};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(chord.m_notes[i].m_accidental, accidentals[i]) << i;
}

struct DIATONIC {
    const char* what;
    int scaleType;
    int group;
    std::vector<int> types; // chord type on degrees 1 to 7
};

class DiatonicChords : public Theory, public ::testing::WithParamInterface<DIATONIC> {};

TEST_P(DiatonicChords, OnEveryRoot) {
    const DIATONIC& expected = GetParam();
    for (int root = 48; root <= 59; ++root) {
        for (int degree = 1; degree <= 7; ++degree) {
            CChord chord;
            ASSERT_TRUE(
                manager.GetScaleChord(expected.scaleType, root, expected.group, degree, chord));
            EXPECT_EQ(chord.m_chordType, expected.types[degree - 1])
                << "degree " << degree << " on " << root;
            EXPECT_EQ(chord.m_degree, degree);
            EXPECT_EQ(chord.m_chordGroup, expected.group);
            EXPECT_EQ(chord.m_builtScale, expected.scaleType);
            EXPECT_EQ(chord.m_builtScaleRoot, root);
            EXPECT_LT(chord.m_root.m_midi, 40);
            EXPECT_EQ(chord.m_root.m_midi % 12, Octave(root, expected.scaleType)[degree - 1] % 12);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Harmony, DiatonicChords,
                         ::testing::Values(
                             // I ii iii IV V vi vii°
                             DIATONIC{"major triads", 1, 4, {1, 2, 2, 1, 1, 2, 14}},
                             // Imaj7 ii7 iii7 IVmaj7 V7 vi7 viiø7
                             DIATONIC{"major sevenths", 1, 7, {5, 4, 4, 5, 3, 4, 12}},
                             DIATONIC{"natural minor triads", 9, 4, {2, 14, 1, 2, 2, 1, 1}},
                             // i ii° III+ iv V VI vii°
                             DIATONIC{"harmonic minor triads", 10, 4, {2, 14, 13, 2, 1, 1, 14}},
                             DIATONIC{"harmonic minor sevenths", 10, 7, {8, 12, 0, 4, 3, 5, 7}},
                             DIATONIC{"major power chords", 1, 15, {15, 15, 15, 15, 15, 15, 16}},
                             DIATONIC{"major sus4", 1, 12, {17, 17, 17, 0, 17, 17, 0}}),
                         [](const ::testing::TestParamInfo<DIATONIC>& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 if (c == ' ')
                                     c = '_';
                             return name;
                         });

TEST_F(Theory, ExtendedChordsOnUpperDegreesKeepAllTheirNotes) {
    // G13 in C major needs scale notes up to two octaves and a sixth above the scale's root.
    CChord chord;
    ASSERT_TRUE(manager.GetScaleChord(1, 48, 10, 5, chord));
    EXPECT_EQ(chord.m_chordType, 32);
    EXPECT_EQ(SharpNames(chord.m_notes), "G B D F A C E");
    ASSERT_TRUE(manager.GetScaleChord(1, 48, 9, 6, chord));
    EXPECT_EQ(chord.m_chordType, 31); // Am11
    ASSERT_TRUE(manager.GetScaleChord(1, 48, 8, 4, chord));
    EXPECT_EQ(chord.m_chordType, 25); // Fmaj9
}

TEST_F(Theory, ScaleChordNumbersOutsideTheScaleFail) {
    CChord chord;
    EXPECT_FALSE(manager.GetScaleChord(1, 48, 4, 0, chord));
    EXPECT_FALSE(manager.GetScaleChord(1, 48, 4, 12, chord));
    EXPECT_FALSE(manager.GetScaleChord(1, 48, 0, 1, chord));
    EXPECT_FALSE(manager.GetScaleChord(0, 48, 4, 1, chord));
    // The eighth note of a seven-note scale is the octave: the same chord as the first.
    ASSERT_TRUE(manager.GetScaleChord(1, 48, 4, 8, chord));
    EXPECT_EQ(chord.Name(), "C");
}

TEST_F(Theory, ProgressionTexts) {
    CCharString text;
    ASSERT_TRUE(manager.GetProgressionText(1, 48, 1, text));
    EXPECT_EQ(text, "C-G-F-G");
    ASSERT_TRUE(manager.GetProgressionText(1, 60, 2, text));
    EXPECT_EQ(text, "C-Am-Dm-G");
    ASSERT_TRUE(manager.GetProgressionText(1, 55, 5, text));
    EXPECT_EQ(text, "G-C-G-D-C-G");
    ASSERT_TRUE(manager.GetProgressionText(1, 52, 2, text));
    EXPECT_EQ(text, "E-C#m-F#m-B");
    ASSERT_TRUE(manager.GetProgressionText(9, 57, 3, text));
    EXPECT_EQ(text, "Am-F-Dm-Em");
    // A pentatonic scale is accompanied by the chords of the scale it is cut from.
    ASSERT_TRUE(manager.GetProgressionText(13, 48, 1, text));
    EXPECT_EQ(text, "C-G-F-G");
    ASSERT_TRUE(manager.GetProgressionText(14, 57, 4, text));
    EXPECT_EQ(text, "Am-Bo-Dm-Em");
    EXPECT_TRUE(manager.GetProgressionText(1, 48, 0, text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(manager.GetProgressionText(1, 48, 6, text));
}

} // namespace
