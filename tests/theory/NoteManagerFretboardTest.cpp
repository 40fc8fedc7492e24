#include "core/Report.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& Reported() {
    static std::vector<std::string> lines;
    return lines;
}

void Capture(const char* line) {
    Reported().push_back(line);
}

bool WasReported(const std::string& text) {
    for (const std::string& line : Reported())
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

class Fretboard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(manager.Initialize()) << manager.GetErrorText().GetText();
        Reported().clear();
        SetReportHook(Capture);
    }
    void TearDown() override { SetReportHook(nullptr); }

    // The frets of strings 1 to 6 as a guitarist writes them: "x" for a string not played.
    static std::string Frets(const CChord& chord) {
        std::string frets[6] = {"x", "x", "x", "x", "x", "x"};
        for (const CNote& note : chord.m_notes) {
            const FRET_SLOT& slot = note.Position();
            if (note.HasPitch() && slot.string >= 1 && slot.string <= 6)
                frets[slot.string - 1] = std::to_string(slot.fret);
        }
        std::string text;
        for (const std::string& fret : frets)
            text += (text.empty() ? "" : " ") + fret;
        return text;
    }

    static std::set<int> ChordPitchClasses(int type, int root) {
        std::set<int> classes{root % 12};
        const CHORD_TYPE* record = GetChordTypeRecord(type);
        for (int i = 0; i < record->noteCount; ++i)
            classes.insert((root + record->notes[i].semitones) % 12);
        return classes;
    }

    static std::set<int> SoundingPitchClasses(const CChord& chord) {
        std::set<int> classes;
        for (const CNote& note : chord.m_notes)
            if (note.HasPitch())
                classes.insert(note.m_midi % 12);
        return classes;
    }

    bool Voice(int type, int root, CChord& chord) {
        chord.Reset();
        chord.m_thing = THING_RHYTHM_GUITAR;
        chord.m_chordType = type;
        EXPECT_TRUE(manager.SetChordRootNote(root, chord));
        return manager.VoiceChord(chord);
    }

    CNoteManager manager;
};

TEST_F(Fretboard, StandardTunings) {
    CNoteList strings;
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_GUITAR, strings));
    ASSERT_EQ(strings.GetCount(), 6);
    const int guitar[] = {64, 59, 55, 50, 45, 40}; // E B G D A E
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(strings[i].m_midi, guitar[i]);
        EXPECT_EQ(strings[i].m_time, TIME_NOT_SET);
    }
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_BASS, strings));
    ASSERT_EQ(strings.GetCount(), 4);
    const int bass[] = {43, 38, 33, 28}; // G D A E, an octave below the guitar's low strings
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(strings[i].m_midi, bass[i]);
    EXPECT_FALSE(manager.GetTuning(INSTRUMENT_NONE, strings));
    EXPECT_EQ(strings.GetCount(), 0);
}

TEST_F(Fretboard, FifthFretTuningRule) {
    // Each string at the fifth fret sounds like the next higher open string, except the G
    // string, which reaches B at the fourth fret.
    for (int string = 6; string >= 2; --string) {
        CNote fretted, open;
        const int fret = string == 3 ? 4 : 5;
        ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, string, fret, fretted));
        ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, string - 1, 0, open));
        EXPECT_EQ(fretted.m_midi, open.m_midi) << "string " << string;
        EXPECT_EQ(fretted.Position().string, string);
        EXPECT_EQ(fretted.Position().fret, fret);
    }
    // The twelfth fret is the octave: high E string, E5.
    CNote note;
    ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, 1, 12, note));
    EXPECT_EQ(note.m_midi, 76);
    EXPECT_EQ(note.m_sharpName, "E");
    EXPECT_EQ(note.m_octave, 5);
    // The bass's low E is the guitar's low E an octave down.
    ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_BASS, 4, 12, note));
    EXPECT_EQ(note.m_midi, 40);
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_BASS, 5, 0, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_GUITAR, 0, 0, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_NONE, 1, 0, note));
}

TEST_F(Fretboard, FindStringAndFretDirections) {
    auto find = [&](int midi, int low, int high, bool fromHighest, int& string, int& fret) {
        CNote note;
        note.m_midi = midi;
        bool found = manager.FindStringAndFret(THING_LEAD_GUITAR, low, high, note, fromHighest);
        string = note.Position().string;
        fret = note.Position().fret;
        return found;
    };
    int string = 0, fret = 0;
    ASSERT_TRUE(find(64, 0, 4, true, string, fret));
    EXPECT_EQ(string, 1);
    EXPECT_EQ(fret, 0);
    ASSERT_TRUE(find(64, 0, 5, false, string, fret));
    EXPECT_EQ(string, 2);
    EXPECT_EQ(fret, 5);
    ASSERT_TRUE(find(64, 0, 4, false, string, fret));
    EXPECT_EQ(string, 1);
    EXPECT_EQ(fret, 0);
    // Below the low E, or beyond the 22nd fret of the high E, no string has the note.
    EXPECT_FALSE(find(39, 0, 22, false, string, fret));
    EXPECT_EQ(string, INT_NOT_SET);
    EXPECT_EQ(fret, INT_NOT_SET);
    EXPECT_FALSE(find(87, 0, 22, true, string, fret));
    ASSERT_TRUE(find(86, 0, 22, true, string, fret));
    EXPECT_EQ(fret, 22);
    EXPECT_FALSE(find(64, 0, 23, true, string, fret));
    EXPECT_FALSE(find(64, 23, 2, true, string, fret));

    CNote note;
    note.m_midi = 28;
    ASSERT_TRUE(manager.FindStringAndFret(THING_BASS_GUITAR, 0, 4, note, true));
    EXPECT_EQ(note.Position().string, 4);
    EXPECT_EQ(note.Position().fret, 0);
    note.Position().Clear();
    EXPECT_FALSE(manager.FindStringAndFret(THING_SNARE_DRUM, 0, 4, note, true));
}

TEST_F(Fretboard, NotesOfOneString) {
    CNoteList notes;
    ASSERT_TRUE(manager.GetStringNotes(THING_RHYTHM_GUITAR, 6, 12, notes));
    ASSERT_EQ(notes.GetCount(), 13);
    for (int fret = 0; fret <= 12; ++fret)
        EXPECT_EQ(notes[fret].m_midi, 40 + fret);
    EXPECT_EQ(notes[5].m_sharpName, "A");
    EXPECT_EQ(notes[12].m_sharpName, "E");
    notes.RemoveAll();
    ASSERT_TRUE(manager.GetStringNotes(THING_BASS_GUITAR, 1, 0, notes));
    ASSERT_EQ(notes.GetCount(), 1);
    EXPECT_EQ(notes[0].m_midi, 43);
    EXPECT_FALSE(manager.GetStringNotes(THING_BASS_GUITAR, 5, 3, notes));
    EXPECT_FALSE(manager.GetStringNotes(THING_NONE, 1, 3, notes));
}

TEST_F(Fretboard, MajorBarreChordsOnCEAndA) {
    CChord chord;
    // C: the A-string shape at the third fret, low E string silent.
    ASSERT_TRUE(Voice(1, 48, chord));
    EXPECT_EQ(chord.m_position, 3);
    EXPECT_EQ(Frets(chord), "3 5 5 5 3 x");
    // E: the A-string shape at the seventh fret; the E-string shape would be open or at 12.
    for (int root : {40, 52}) {
        ASSERT_TRUE(Voice(1, root, chord));
        EXPECT_EQ(chord.m_position, 7);
        EXPECT_EQ(Frets(chord), "7 9 9 9 7 x");
    }
    // A: the E-string shape at the fifth fret.
    for (int root : {45, 57}) {
        ASSERT_TRUE(Voice(1, root, chord));
        EXPECT_EQ(chord.m_position, 5);
        EXPECT_EQ(Frets(chord), "5 5 6 7 7 5");
    }
}

TEST_F(Fretboard, VoicedChordCarriesFingersBarreAndRoot) {
    CChord chord;
    ASSERT_TRUE(Voice(1, 45, chord)); // A major, E shape at 5
    ASSERT_EQ(chord.m_notes.GetCount(), 6);
    std::vector<int> midis;
    for (const CNote& note : chord.m_notes) {
        midis.push_back(note.m_midi);
        EXPECT_EQ(note.m_chordType, 1);
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
        EXPECT_NE(note.Position().finger, INT_NOT_SET);
    }
    // A E A C# E A from the high string: 69 64 61 57 52 45.
    EXPECT_EQ(midis, (std::vector<int>{69, 64, 61, 57, 52, 45}));
    // The index finger lies across strings 1, 2 and 6; the root is on string 6.
    const FRET_SLOT& low = chord.m_notes[5].Position();
    EXPECT_EQ(low.finger, 1);
    EXPECT_TRUE(low.mode & FRET_MODE_BARRE);
    EXPECT_TRUE(low.mode & FRET_MODE_ROOT);
    EXPECT_EQ(chord.m_notes[3].Position().finger, 4);
    EXPECT_FALSE(chord.m_notes[3].Position().mode & FRET_MODE_BARRE);
    // The third (C#) is named as the chord's third.
    EXPECT_EQ(chord.m_notes[2].m_degree, 3);
    EXPECT_EQ(chord.m_notes[2].m_sharpName, "C#");

    ASSERT_TRUE(Voice(1, 48, chord)); // C, the low E string is not played
    const CNote& muted = chord.m_notes[5];
    EXPECT_FALSE(muted.HasPitch());
    EXPECT_EQ(muted.m_volume, 0.0f);
    EXPECT_EQ(muted.Position().finger, INT_NOT_SET);
}

TEST_F(Fretboard, NoteListRunsArePlacedByTheNoteManager) {
    // B4 G4 C4 in one measure: B4 at the seventh fret of the high E string sets the hand at the
    // third fret, where G4 is on the high E string and C4 on the G string.
    CNoteList run;
    CNote note;
    for (int midi : {71, 67, 60}) {
        note.m_time = run.GetCount() * 0.25;
        note.m_midi = midi;
        run.Add(note);
    }
    ASSERT_TRUE(run.PlaceRun(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, true, manager));
    EXPECT_EQ(run[0].Position().string, 1);
    EXPECT_EQ(run[0].Position().fret, 7);
    EXPECT_EQ(run[1].Position().string, 1);
    EXPECT_EQ(run[1].Position().fret, 3);
    EXPECT_EQ(run[2].Position().string, 3);
    EXPECT_EQ(run[2].Position().fret, 5);
}

TEST_F(Fretboard, ChordRootsSoundWhereTheySay) {
    // A root written as the letter E with a flat, as a song file keeps it, is voiced as Eb.
    CChord chord;
    chord.m_chordType = 1;
    chord.m_root.m_midi = 64;
    chord.m_root.m_accidental = ACCIDENTAL_FLAT;
    ASSERT_TRUE(manager.VoiceChord(chord));
    EXPECT_EQ(chord.m_root.m_midi, 63);
    EXPECT_EQ(SoundingPitchClasses(chord), ChordPitchClasses(1, 63));
    EXPECT_EQ(chord.m_position, 6); // A-string shape at the sixth fret

    // A black-key root from the note table keeps sounding at its own MIDI note, so saving the
    // chord's root and accidental and reading them back cannot move it a semitone.
    chord.Reset();
    chord.m_thing = THING_LEAD_GUITAR;
    ASSERT_TRUE(manager.SetChordOnRoot(1, 61, chord));
    EXPECT_EQ(chord.GetSoundingRoot(), 61);
    EXPECT_EQ(chord.Name(), "C#");
    EXPECT_EQ(SoundingPitchClasses(chord), ChordPitchClasses(1, 61));
}

class EveryShape : public Fretboard, public ::testing::WithParamInterface<int> {};

TEST_P(EveryShape, SoundsExactlyTheChordOnEveryRoot) {
    const int type = GetParam();
    CNoteList tuning;
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_GUITAR, tuning));
    for (int shape = 1; shape <= 2; ++shape) {
        for (int root = 40; root <= 51; ++root) {
            SCOPED_TRACE(testing::Message() << "shape " << shape << " on " << root);
            CChord chord;
            chord.m_chordType = type;
            ASSERT_TRUE(manager.SetChordRootNote(root, chord));
            ASSERT_TRUE(manager.GetChordShape(shape, type, chord));
            ASSERT_EQ(chord.m_notes.GetCount(), 6);
            // Slide the shape up until its root string sounds the root.
            int rootString = 0;
            for (const CNote& note : chord.m_notes)
                if (note.Position().mode & FRET_MODE_ROOT)
                    rootString = note.Position().string;
            ASSERT_GE(rootString, 1);
            const int rootRelative = chord.m_notes[rootString - 1].Position().fret;
            const int open = tuning[rootString - 1].m_midi;
            int barre = ((root - open - rootRelative) % 12 + 12) % 12;
            std::set<int> sounding;
            int played = 0;
            for (const CNote& note : chord.m_notes) {
                const FRET_SLOT& slot = note.Position();
                EXPECT_EQ(note.m_volume == 0.0f, slot.finger == INT_NOT_SET);
                if (note.m_volume == 0.0f) {
                    EXPECT_FALSE(slot.mode & FRET_MODE_ROOT);
                    continue;
                }
                CNote placed;
                ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, slot.string, slot.fret + barre,
                                                  placed));
                sounding.insert(placed.m_midi % 12);
                if (slot.string == rootString) {
                    EXPECT_EQ(placed.m_midi % 12, root % 12);
                }
                ++played;
                // A hand spans four frets.
                EXPECT_LE(slot.fret, 3);
                EXPECT_GE(slot.finger, 1);
                EXPECT_LE(slot.finger, 4);
            }
            EXPECT_GE(played, 2);
            EXPECT_EQ(sounding, ChordPitchClasses(type, root));
        }
    }
}

TEST_P(EveryShape, VoicingsOnEveryRootSoundTheChordUnderABarreUpToTheEighthFret) {
    const int type = GetParam();
    for (int root = 40; root <= 51; ++root) {
        SCOPED_TRACE(testing::Message() << "root " << root);
        CChord chord;
        if (!Voice(type, root, chord)) {
            // Only when neither shape's barre would be at frets 1 to 8.
            EXPECT_GE(chord.m_position, 9);
            continue;
        }
        EXPECT_GE(chord.m_position, 1);
        EXPECT_LE(chord.m_position, 8);
        EXPECT_EQ(SoundingPitchClasses(chord), ChordPitchClasses(type, root));
        for (const CNote& note : chord.m_notes) {
            if (!note.HasPitch())
                continue;
            EXPECT_GE(note.Position().fret, chord.m_position);
            EXPECT_LE(note.Position().fret, chord.m_position + 3);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ShapedTypes, EveryShape,
                         ::testing::Values(1, 2, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 17, 18));

TEST_F(Fretboard, OfferedChordTypesVoiceOnEveryRoot) {
    // With two shapes a fifth apart, every root of the offered types finds a barre at 1 to 8.
    for (int type : OFFERED_CHORD_TYPES) {
        for (int root = 40; root <= 51; ++root) {
            CChord chord;
            EXPECT_TRUE(Voice(type, root, chord)) << "type " << type << " on " << root;
        }
    }
}

TEST_F(Fretboard, ShapelessTypesAreReported) {
    CChord chord;
    EXPECT_FALSE(Voice(9, 48, chord));
    EXPECT_TRUE(WasReported("Unknown chord type: 9"));
    EXPECT_STREQ(manager.GetErrorText().GetText(), "Unknown chord type: 9");
    Reported().clear();
    EXPECT_FALSE(manager.GetChordShape(3, 1, chord));
    EXPECT_TRUE(WasReported("Unknown shape for type 1: shape 3"));
    EXPECT_TRUE(chord.m_notes.IsEmpty());
    for (int type : {6, 10, 11, 19, 32}) {
        Reported().clear();
        EXPECT_FALSE(manager.GetChordShape(1, type, chord));
        EXPECT_TRUE(WasReported("Unknown chord type: " + std::to_string(type)));
    }
}

TEST_F(Fretboard, PlaceChordNotesAugmentedSeventhOnC) {
    CChord chord;
    chord.m_thing = THING_RHYTHM_GUITAR;
    chord.m_position = 0;
    ASSERT_TRUE(manager.SetChordRootNote(48, chord));
    ASSERT_TRUE(manager.GetChordType(6, chord, true));
    ASSERT_TRUE(manager.PlaceChordNotes(chord)) << manager.GetErrorText().GetText();
    struct PLACED {
        int midi, string, fret;
    };
    // C on the A string, E on the D string, G# on the G string; the Bb finds no free string; a
    // second C and E fill the B and high E strings.
    const PLACED expected[] = {{48, 5, 3}, {52, 4, 2}, {56, 3, 1}, {60, 2, 1}, {64, 1, 0}};
    ASSERT_EQ(chord.m_notes.GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        const CNote& note = chord.m_notes[i];
        EXPECT_EQ(note.m_midi, expected[i].midi) << i;
        EXPECT_EQ(note.Position().string, expected[i].string) << i;
        EXPECT_EQ(note.Position().fret, expected[i].fret) << i;
        EXPECT_EQ(note.Position().finger, INT_NOT_SET);
        EXPECT_EQ(note.m_chordType, 6);
        EXPECT_EQ(note.m_chordRoot, 48);
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
    }
    EXPECT_EQ(chord.m_notes[2].m_degree, 5);
    EXPECT_EQ(chord.m_notes[2].m_semitones, 8);
    EXPECT_EQ(chord.m_position, 0);
}

TEST_F(Fretboard, PlaceChordNotesNeedsAGuitarAndAPosition) {
    CChord chord;
    ASSERT_TRUE(manager.SetChordRootNote(48, chord));
    ASSERT_TRUE(manager.GetChordType(9, chord, true));
    chord.m_position = 0;
    EXPECT_FALSE(manager.PlaceChordNotes(chord)); // no guitar
    chord.m_thing = THING_LEAD_GUITAR;
    chord.m_position = INT_NOT_SET;
    EXPECT_FALSE(manager.PlaceChordNotes(chord));
    chord.m_position = 30;
    EXPECT_FALSE(manager.PlaceChordNotes(chord));
    // At the third fret the C7sus4 sits inside frets 3 to 7, every note one of C F G Bb.
    chord.m_position = 3;
    ASSERT_TRUE(manager.PlaceChordNotes(chord));
    EXPECT_EQ(chord.m_position, 3);
    std::set<int> strings;
    for (const CNote& note : chord.m_notes) {
        EXPECT_TRUE(ChordPitchClasses(9, 48).count(note.m_midi % 12)) << note.m_midi;
        EXPECT_GE(note.Position().fret, 3);
        EXPECT_LE(note.Position().fret, 7);
        EXPECT_TRUE(strings.insert(note.Position().string).second) << "one note per string";
    }
    EXPECT_GE(chord.m_notes.GetCount(), 3);
}

TEST_F(Fretboard, SetChordOnRootVoicesOrPlaces) {
    CChord chord;
    chord.m_thing = THING_RHYTHM_GUITAR;
    ASSERT_TRUE(manager.SetChordOnRoot(2, 50, chord)); // D minor: A shape at the fifth fret
    EXPECT_EQ(chord.m_position, 5);
    EXPECT_EQ(Frets(chord), "5 6 7 7 5 x");
    EXPECT_EQ(chord.Name(), "Dm");
    EXPECT_EQ(chord.m_longName, "Minor");

    // No shape for a ninth: placed in open position instead.
    chord.Reset();
    chord.m_thing = THING_RHYTHM_GUITAR;
    chord.m_position = 0;
    ASSERT_TRUE(manager.SetChordOnRoot(22, 48, chord));
    EXPECT_TRUE(WasReported("Unknown chord type: 22"));
    EXPECT_EQ(chord.m_position, 0);
    EXPECT_EQ(chord.Name(), "C9");
    ASSERT_FALSE(chord.m_notes.IsEmpty());
    for (const CNote& note : chord.m_notes)
        EXPECT_TRUE(ChordPitchClasses(22, 48).count(note.m_midi % 12)) << note.m_midi;

    EXPECT_FALSE(manager.SetChordOnRoot(1, 132, chord));
    EXPECT_FALSE(manager.SetChordOnRoot(33, 48, chord));
}

} // namespace
