// Strings, frets, chord shapes and runs of notes on the guitar and bass necks.
#include "core/Report.h"
#include "theory/Chord.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_reported;
void Capture(const char* line) {
    g_reported.push_back(line);
}

class Fretboard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(manager.Initialize()) << manager.GetErrorText().GetText();
        g_reported.clear();
        SetReportHook(Capture);
    }
    void TearDown() override { SetReportHook(nullptr); }

    // The frets of strings 1 to 6 as a guitarist writes them: "x" for a string not played.
    static std::string Frets(const CChord& chord) {
        std::string frets[6] = {"x", "x", "x", "x", "x", "x"};
        for (const CNote& note : chord.m_notes)
            if (note.HasPitch())
                frets[note.Position().string - 1] = std::to_string(note.Position().fret);
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
    std::pair<int, int> Find(THING thing, int midi, int low, int high, bool fromHighest) {
        CNote note;
        note.m_midi = midi;
        if (!manager.FindStringAndFret(thing, low, high, note, fromHighest))
            return {0, 0};
        return {note.Position().string, note.Position().fret};
    }

    CNoteManager manager;
};

TEST_F(Fretboard, StandardTuningsAndTheFifthFretRule) {
    CNoteList strings;
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_BASS, strings));
    std::vector<int> bass;
    for (const CNote& string : strings)
        bass.push_back(string.m_midi);
    EXPECT_EQ(bass, (std::vector<int>{43, 38, 33, 28})); // G D A E
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_GUITAR, strings));
    ASSERT_EQ(strings.GetCount(), 6);
    EXPECT_EQ(strings[0].m_midi, 64);
    EXPECT_EQ(strings[5].m_midi, 40);
    EXPECT_FALSE(manager.GetTuning(INSTRUMENT_NONE, strings));
    EXPECT_TRUE(strings.IsEmpty());
    // Each string at the fifth fret sounds like the next higher open string, except the G
    // string, which reaches B at the fourth fret; the twelfth fret is the octave.
    for (int string = 6; string >= 2; --string) {
        CNote fretted, open;
        ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, string, string == 3 ? 4 : 5, fretted));
        ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, string - 1, 0, open));
        EXPECT_EQ(fretted.m_midi, open.m_midi) << "string " << string;
        EXPECT_EQ(fretted.Position().string, string);
    }
    CNote note;
    ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, 1, 12, note));
    EXPECT_EQ(note.m_sharpName, "E");
    EXPECT_EQ(note.m_octave, 5);
    EXPECT_EQ(note.Position().fret, 12);
    ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_BASS, 4, 22, note));
    EXPECT_EQ(note.m_midi, 50);
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_BASS, 5, 0, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_GUITAR, 0, 0, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_GUITAR, 1, 23, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_GUITAR, 1, -1, note));
    EXPECT_FALSE(manager.PlaceOnString(INSTRUMENT_NONE, 1, 0, note));
    CNoteList notes;
    ASSERT_TRUE(manager.GetStringNotes(THING_RHYTHM_GUITAR, 6, 12, notes));
    ASSERT_EQ(notes.GetCount(), 13);
    EXPECT_EQ(notes[12].m_midi, 52);
    EXPECT_FALSE(manager.GetStringNotes(THING_BASS_GUITAR, 5, 3, notes));
    EXPECT_FALSE(manager.GetStringNotes(THING_BASS_GUITAR, 0, 3, notes));
}

TEST_F(Fretboard, FindStringAndFretSearchesFromEitherEndWithinTheFrets) {
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 64, 0, 4, true), std::make_pair(1, 0));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 64, 0, 5, false), std::make_pair(2, 5));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 64, 0, 4, false), std::make_pair(1, 0));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 86, 0, 22, true), std::make_pair(1, 22));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 59, 1, 5, false), std::make_pair(3, 4)); // B3, no open B
    EXPECT_EQ(Find(THING_BASS_GUITAR, 28, 0, 4, true), std::make_pair(4, 0));
    // Below the low E, beyond the 22nd fret, or on an instrument without frets: no place.
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 39, 0, 22, false), std::make_pair(0, 0));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 87, 0, 22, true), std::make_pair(0, 0));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 64, 0, 23, true), std::make_pair(0, 0));
    EXPECT_EQ(Find(THING_LEAD_GUITAR, 64, 23, 2, true), std::make_pair(0, 0));
    EXPECT_EQ(Find(THING_SNARE_DRUM, 64, 0, 4, true), std::make_pair(0, 0));
}

TEST_F(Fretboard, BarreChordsTakeTheLowerShapeAndCarryFingersBarreAndDegrees) {
    CChord chord;
    ASSERT_TRUE(Voice(1, 48, chord)); // C: the A-string shape at the third fret
    EXPECT_EQ(chord.m_position, 3);
    EXPECT_EQ(Frets(chord), "3 5 5 5 3 x");
    const CNote& muted = chord.m_notes[5];
    EXPECT_EQ(muted.m_volume, 0.0f);
    EXPECT_EQ(muted.Position().finger, INT_NOT_SET);
    for (int root : {40, 52}) { // E: A shape at 7; the E shape would be open or at 12
        ASSERT_TRUE(Voice(1, root, chord));
        EXPECT_EQ(Frets(chord), "7 9 9 9 7 x");
    }
    ASSERT_TRUE(Voice(1, 45, chord)); // A: the E-string shape at the fifth fret
    EXPECT_EQ(chord.m_position, 5);
    EXPECT_EQ(Frets(chord), "5 5 6 7 7 5");
    ASSERT_TRUE(Voice(2, 50, chord)); // D minor: the A-minor shape at the fifth fret
    EXPECT_EQ(Frets(chord), "5 6 7 7 5 x");
    // A major, E shape: the index finger lies across strings 1, 2 and 6, the root on string 6,
    // the third (C#) on string 3; every note is the chord's and the guitar's.
    ASSERT_TRUE(Voice(1, 45, chord));
    std::vector<int> fingers, degrees;
    for (const CNote& note : chord.m_notes) {
        fingers.push_back(note.Position().finger);
        degrees.push_back(note.m_degree);
        EXPECT_EQ(note.m_chordType, 1);
        EXPECT_EQ(note.m_chordRoot, 45);
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
        EXPECT_EQ((note.Position().mode & FRET_MODE_BARRE) != 0, note.Position().finger == 1);
    }
    EXPECT_EQ(fingers, (std::vector<int>{1, 1, 2, 4, 3, 1}));
    EXPECT_EQ(degrees, (std::vector<int>{1, 5, 3, 1, 5, 1}));
    EXPECT_EQ(chord.m_notes[5].Position().mode, FRET_MODE_BARRE | FRET_MODE_ROOT);
    EXPECT_EQ(chord.m_notes[2].m_sharpName, "C#");
}

TEST_F(Fretboard, ARootWrittenAsALetterAndAccidentalIsVoicedWhereItSounds) {
    CChord chord;
    chord.m_chordType = 1;
    chord.m_root.m_midi = 64;
    chord.m_root.m_accidental = ACCIDENTAL_FLAT; // Eb, as a song file keeps it
    ASSERT_TRUE(manager.VoiceChord(chord));
    EXPECT_EQ(chord.m_root.m_midi, 63);
    EXPECT_EQ(chord.m_position, 6); // the A-string shape at the sixth fret
    EXPECT_EQ(SoundingPitchClasses(chord), ChordPitchClasses(1, 63));
    chord.Reset();
    chord.m_chordType = 1;
    EXPECT_FALSE(manager.VoiceChord(chord)); // no root at all
}

class EveryShape : public Fretboard, public ::testing::WithParamInterface<int> {};

TEST_P(EveryShape, BothShapesSoundExactlyTheChordAndAVoicingSitsUnderABarreUpToTheEighthFret) {
    const int type = GetParam();
    CNoteList tuning;
    ASSERT_TRUE(manager.GetTuning(INSTRUMENT_GUITAR, tuning));
    for (int root = 40; root <= 51; ++root) {
        for (int shape = 1; shape <= 2; ++shape) {
            SCOPED_TRACE(testing::Message() << "shape " << shape << " on " << root);
            CChord chord;
            ASSERT_TRUE(manager.SetChordRootNote(root, chord));
            ASSERT_TRUE(manager.GetChordShape(shape, type, chord));
            ASSERT_EQ(chord.m_notes.GetCount(), 6);
            // Slide the shape up until its root string sounds the root.
            int rootString = 0;
            for (const CNote& note : chord.m_notes)
                if (note.Position().mode & FRET_MODE_ROOT)
                    rootString = note.Position().string;
            ASSERT_GE(rootString, 1);
            const int barre = ((root - tuning[rootString - 1].m_midi -
                                chord.m_notes[rootString - 1].Position().fret) %
                                   12 +
                               12) %
                              12;
            std::set<int> sounding;
            for (const CNote& note : chord.m_notes) {
                const FRET_SLOT& slot = note.Position();
                EXPECT_EQ(note.m_volume == 0.0f, slot.finger == INT_NOT_SET);
                if (note.m_volume == 0.0f)
                    continue;
                CNote placed;
                ASSERT_TRUE(manager.PlaceOnString(INSTRUMENT_GUITAR, slot.string, slot.fret + barre,
                                                  placed));
                sounding.insert(placed.m_midi % 12);
                EXPECT_LE(slot.fret, 3); // a hand spans four frets
                EXPECT_GE(slot.finger, 1);
                EXPECT_LE(slot.finger, 4);
            }
            EXPECT_EQ(sounding, ChordPitchClasses(type, root));
        }
        CChord chord;
        if (!Voice(type, root, chord)) {
            EXPECT_GE(chord.m_position, 9) << root; // neither shape's barre is at 1 to 8
            continue;
        }
        EXPECT_GE(chord.m_position, 1);
        EXPECT_LE(chord.m_position, 8);
        EXPECT_EQ(SoundingPitchClasses(chord), ChordPitchClasses(type, root)) << root;
    }
}

INSTANTIATE_TEST_SUITE_P(ShapedTypes, EveryShape,
                         ::testing::Values(1, 2, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 17, 18));

TEST_F(Fretboard, OfferedChordTypesVoiceOnEveryRootAndOthersAreReported) {
    // With two shapes a fifth apart, every root of the offered types finds a barre at 1 to 8.
    for (int type : OFFERED_CHORD_TYPES)
        for (int root = 40; root <= 51; ++root) {
            CChord chord;
            EXPECT_TRUE(Voice(type, root, chord)) << "type " << type << " on " << root;
        }
    CChord chord;
    EXPECT_FALSE(Voice(9, 48, chord));
    EXPECT_EQ(manager.GetErrorText(), "Unknown chord type: 9");
    ASSERT_FALSE(g_reported.empty());
    EXPECT_NE(g_reported.back().find("Unknown chord type: 9"), std::string::npos);
    EXPECT_FALSE(manager.GetChordShape(3, 1, chord));
    EXPECT_EQ(manager.GetErrorText(), "Unknown shape for type 1: shape 3");
    EXPECT_TRUE(chord.m_notes.IsEmpty());
}

TEST_F(Fretboard, ChordsWithoutAShapeArePlacedNoteByNoteWithinTheirPosition) {
    CChord chord;
    chord.m_thing = THING_RHYTHM_GUITAR;
    chord.m_position = 0;
    ASSERT_TRUE(manager.SetChordRootNote(48, chord));
    ASSERT_TRUE(manager.GetChordType(6, chord, true)); // C augmented seventh in open position
    ASSERT_TRUE(manager.PlaceChordNotes(chord)) << manager.GetErrorText().GetText();
    // C on the A string, E on the D string, G# on the G string; the Bb finds no free string; a
    // second C and E fill the B and high E strings.
    EXPECT_EQ(Frets(chord), "0 1 1 2 3 x");
    for (const CNote& note : chord.m_notes) {
        EXPECT_EQ(note.Position().finger, INT_NOT_SET);
        EXPECT_EQ(note.m_chordType, 6);
        EXPECT_EQ(note.m_chordRoot, 48);
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
    }
    EXPECT_EQ(chord.m_notes[2].m_degree, 5);
    EXPECT_EQ(chord.m_notes[2].m_semitones, 8);

    // No shape for a ninth: SetChordOnRoot places it within the chord's position.
    chord.Reset();
    chord.m_thing = THING_LEAD_GUITAR;
    chord.m_position = 3;
    ASSERT_TRUE(manager.SetChordOnRoot(22, 48, chord));
    EXPECT_EQ(chord.Name(), "C9");
    EXPECT_EQ(chord.m_position, 3);
    std::set<int> strings;
    for (const CNote& note : chord.m_notes) {
        EXPECT_TRUE(ChordPitchClasses(22, 48).count(note.m_midi % 12)) << note.m_midi;
        EXPECT_GE(note.Position().fret, 3);
        EXPECT_LE(note.Position().fret, 7);
        EXPECT_TRUE(strings.insert(note.Position().string).second) << "one note per string";
        EXPECT_LE(note.Position().string, 5) << "nothing below the root's string";
    }
    EXPECT_GE(chord.m_notes.GetCount(), 4);
    EXPECT_FALSE(manager.SetChordOnRoot(1, 132, chord));
    EXPECT_FALSE(manager.SetChordOnRoot(33, 48, chord));
    chord.m_thing = THING_SNARE_DRUM;
    EXPECT_FALSE(manager.PlaceChordNotes(chord));
    chord.m_thing = THING_LEAD_GUITAR;
    chord.m_position = 30;
    EXPECT_FALSE(manager.PlaceChordNotes(chord));
}

// ---------------------------------------------------------------------------------------------
// Runs of notes placed by the note manager's finder, which counts its searches here.

class PlaceRun : public Fretboard, public IFretFinder {
protected:
    bool FindStringAndFret(THING thing, int lowestFret, int highestFret, CNote& note,
                           bool fromHighestString) override {
        ++calls;
        return manager.FindStringAndFret(thing, lowestFret, highestFret, note, fromHighestString);
    }
    void AddRun(std::initializer_list<int> midis) {
        for (int midi : midis) {
            CNote note;
            note.m_time = list.GetCount() * 0.25;
            note.m_midi = midi;
            list.Add(note);
        }
    }
    bool Place(int first, int last, THING thing, int hand, int highest, bool singlePass) {
        return list.PlaceRun(first, last, thing, hand, highest, singlePass, *this);
    }
    std::vector<std::pair<int, int>> Placed() const {
        std::vector<std::pair<int, int>> placed;
        for (const CNote& note : list)
            placed.emplace_back(note.Position().string, note.Position().fret);
        return placed;
    }
    CNoteList list;
    int calls = 0;
};

using Places = std::vector<std::pair<int, int>>;

TEST_F(PlaceRun, TheHighestNoteSetsTheHandFourFretsBelowIt) {
    // B4 lands on string 1 fret 7, so the hand starts at fret 3: G4 on the top string, C4 on
    // the G string.
    AddRun({71, 67, 60});
    ASSERT_TRUE(Place(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, true));
    EXPECT_EQ(Placed(), (Places{{1, 7}, {1, 3}, {3, 5}}));
}

TEST_F(PlaceRun, AStretchedRunIsPlacedAgainOneFretLowerUnlessThatIsTheNut) {
    // From fret 3, B2 only fits string 6 at fret 7 and C3 string 5 at 3: a span of 4. The second
    // pass from fret 2 reaches B2 on string 5.
    AddRun({71, 47, 48});
    CNoteList single(list);
    ASSERT_TRUE(Place(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, true));
    EXPECT_EQ(Placed(), (Places{{1, 7}, {6, 7}, {5, 3}}));
    list = single;
    ASSERT_TRUE(Place(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false));
    EXPECT_EQ(Placed(), (Places{{1, 7}, {5, 2}, {5, 3}}));

    // With the hand at fret 1, one fret lower would be the nut: A2 is not played open.
    list.RemoveAll();
    AddRun({45, 53, 60});
    ASSERT_TRUE(Place(0, 2, THING_RHYTHM_GUITAR, 1, 12, false));
    EXPECT_EQ(Placed()[0], std::make_pair(6, 5));
    int low = 0, high = 0;
    ASSERT_TRUE(list.GetFretRange(0, 2, INT_NOT_SET, low, high));
    EXPECT_GE(low, 1);
}

TEST_F(PlaceRun, ACompactRunIsPlacedInOnePass) {
    AddRun({71, 69, 68}); // frets 7, 5 and 4: a span of 3
    ASSERT_TRUE(Place(0, 2, THING_LEAD_GUITAR, INT_NOT_SET, INT_NOT_SET, false));
    EXPECT_EQ(calls, 4) << "one probe for the highest note and one search per note";
    EXPECT_EQ(Placed()[1], std::make_pair(1, 5));
}

TEST_F(PlaceRun, GivenHandFretAndStringsBoundThePlaces) {
    AddRun({64, 62});
    ASSERT_TRUE(Place(0, 1, THING_RHYTHM_GUITAR, 5, 8, true));
    EXPECT_EQ(Placed(), (Places{{2, 5}, {3, 7}}));
    list.RemoveAll();
    AddRun({43, 40, 36});
    ASSERT_TRUE(Place(0, 2, THING_BASS_GUITAR, 3, 7, true));
    EXPECT_EQ(Placed(), (Places{{2, 5}, {3, 7}, {3, 3}}));
    // A note already on a string keeps it in the first pass.
    list.RemoveAll();
    AddRun({64, 60});
    list[1].Position().string = 2;
    list[1].Position().fret = 1;
    ASSERT_TRUE(Place(0, 1, THING_RHYTHM_GUITAR, 0, 4, true));
    EXPECT_EQ(Placed()[1], std::make_pair(2, 1));
}

TEST_F(PlaceRun, UnplayableNotesAndRangesOutsideTheListFail) {
    AddRun({70, 30}); // below the low E
    EXPECT_FALSE(Place(0, 1, THING_RHYTHM_GUITAR, INT_NOT_SET, INT_NOT_SET, true));
    list.RemoveAll();
    AddRun({100}); // beyond fret 12 on every string: no hand position
    EXPECT_FALSE(Place(0, 0, THING_RHYTHM_GUITAR, INT_NOT_SET, INT_NOT_SET, true));
    EXPECT_EQ(list[0].Position().string, INT_NOT_SET);
    calls = 0;
    EXPECT_FALSE(Place(0, 1, THING_RHYTHM_GUITAR, 0, 4, true));
    EXPECT_FALSE(Place(1, 0, THING_RHYTHM_GUITAR, 0, 4, true));
    EXPECT_EQ(calls, 0);
}

} // namespace
