#include "song/Composer.h"

#include "song/Composition.h"
#include "song/MidiFile.h"
#include "song/SongPart.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A note manager with its note table, shared by the tests of this file.
CNoteManager& Manager() {
    static CNoteManager manager;
    static bool ready = manager.Initialize();
    EXPECT_TRUE(ready);
    return manager;
}

CNote TableNote(int midi) {
    CNote note;
    EXPECT_TRUE(Manager().GetMidiNote(midi, note));
    return note;
}

CChord ChordOn(int type, int root) {
    CChord chord;
    chord.m_root = TableNote(root);
    EXPECT_TRUE(Manager().GetChordType(type, chord, true));
    return chord;
}

CNoteList ScaleNotes(int root, int scale) {
    CNoteList notes;
    EXPECT_TRUE(Manager().GetScaleNotes(root, scale, notes));
    return notes;
}

// ---------------------------------------------------------------------------------------------
// Moving groove notes onto chords

class TransposeNoteTest : public testing::Test {
protected:
    // A lead note as the composer reads it: pitch fields from the table, degrees counted on
    // through the octaves from C 48.
    CNote LeadNote(int midi) {
        CNoteList list;
        list.Append(TableNote(midi));
        list.SpreadDegrees(48);
        return list[0];
    }
    CComposer composer{Manager()};
    CNoteList fallback = ScaleNotes(36, 1);
    CChord leadReference = ChordOn(1, 48);
};

TEST_F(TransposeNoteTest, LeadThirdBecomesTheMinorThirdOfAMinor) {
    CNote note = LeadNote(52); // E, the third of C
    ASSERT_EQ(note.m_degree, 3);
    ASSERT_TRUE(composer.TransposeNote(fallback, note, leadReference, ChordOn(2, 69)));
    EXPECT_EQ(note.m_midi, 72); // C, three semitones above A 69
    EXPECT_EQ(note.m_degree, 3);
    EXPECT_STREQ(note.m_sharpName.GetText(), "C");
    EXPECT_EQ(note.m_octave, 5);
}

TEST_F(TransposeNoteTest, ChordTonesKeepTheirOctave) {
    CNote fifthUp = LeadNote(67); // G above the octave: degree 12
    ASSERT_EQ(fifthUp.m_degree, 12);
    ASSERT_TRUE(composer.TransposeNote(fallback, fifthUp, leadReference, ChordOn(1, 55)));
    EXPECT_EQ(fifthUp.m_midi, 55 + 7 + 12); // D, the fifth of G, an octave up
    CNote root = LeadNote(48);
    ASSERT_TRUE(composer.TransposeNote(fallback, root, leadReference, ChordOn(2, 57)));
    EXPECT_EQ(root.m_midi, 57);
}

TEST_F(TransposeNoteTest, NinthFollowsTheChordOrTheScale) {
    // D 62 is the ninth over C 48.
    CNote ninth = LeadNote(62);
    ASSERT_EQ(ninth.m_degree, 9);
    ASSERT_TRUE(composer.TransposeNote(fallback, ninth, leadReference, ChordOn(26, 57)));
    EXPECT_EQ(ninth.m_midi, 57 + 14); // the add9 chord's own ninth, B
    ninth = LeadNote(62);
    ASSERT_TRUE(composer.TransposeNote(fallback, ninth, leadReference, ChordOn(18, 60)));
    EXPECT_EQ(ninth.m_midi, 60 + 2 + 12); // sus2: its second an octave up
    ninth = LeadNote(62);
    ASSERT_TRUE(composer.TransposeNote(fallback, ninth, leadReference, ChordOn(1, 67)));
    EXPECT_EQ(ninth.m_midi, 81); // plain G: the fallback scale's ninth step from G, A
}

TEST_F(TransposeNoteTest, AccidentalsStayBlue) {
    // D# (written as the flat third) and A# (the flat seventh) over G major.
    CNote third = LeadNote(51);
    ASSERT_TRUE(composer.TransposeNote(fallback, third, leadReference, ChordOn(1, 67)));
    EXPECT_EQ(third.m_midi, 67 + 3);
    CNote seventh = LeadNote(58);
    ASSERT_TRUE(composer.TransposeNote(fallback, seventh, leadReference, ChordOn(1, 67)));
    EXPECT_EQ(seventh.m_midi, 67 + 10);
    EXPECT_EQ(seventh.m_accidental, ACCIDENTAL_SHARP);
}

TEST_F(TransposeNoteTest, DegreeZeroMovesByTheRootDistance) {
    CNote note;
    note.m_midi = 40;
    note.m_degree = 0;
    note.m_time = 1.5;
    ASSERT_TRUE(composer.TransposeNote(fallback, note, ChordOn(1, 36), ChordOn(2, 43)));
    EXPECT_EQ(note.m_midi, 47);
    EXPECT_EQ(note.m_degree, 0);
    EXPECT_DOUBLE_EQ(note.m_time, 1.5);
}

TEST(ScaleStepLookup, CountsFromTheFirstNoteAtOrAboveTheBase) {
    CNoteList major = ScaleNotes(48, 1);
    CNote note;
    ASSERT_TRUE(CComposer::FindScaleStep(major, 60, 1, note));
    EXPECT_EQ(note.m_midi, 60);
    ASSERT_TRUE(CComposer::FindScaleStep(major, 60, 5, note));
    EXPECT_EQ(note.m_midi, 67);
    ASSERT_TRUE(CComposer::FindScaleStep(major, 61, 1, note)); // C# is not in C major
    EXPECT_EQ(note.m_midi, 62);
    ASSERT_TRUE(CComposer::FindScaleStep(major, 60, -1, note)); // the top degree, B
    EXPECT_EQ(note.m_midi, 71);
    // Still below 1 after counting from the top: the sixth, an octave down.
    ASSERT_TRUE(CComposer::FindScaleStep(major, 60, -10, note));
    EXPECT_EQ(note.m_midi, 69 - 12);
    EXPECT_FALSE(CComposer::FindScaleStep(major, 130, 3, note)); // the list ends first
}

// ---------------------------------------------------------------------------------------------
// Strumming

class StrumTest : public testing::Test {
protected:
    CTrack Markers(std::initializer_list<std::pair<double, double>> strums) {
        CTrack track;
        track.m_instrument = THING_RHYTHM_GUITAR;
        track.m_header.SetBeatTime(0.5);
        for (auto [time, duration] : strums) {
            CNote marker;
            marker.m_midi = 254;
            marker.m_time = time;
            marker.m_duration = duration;
            marker.m_thing = THING_RHYTHM_GUITAR;
            marker.m_volume = 0.8f;
            track.m_notes.Add(marker);
        }
        return track;
    }
    // The notes of strum k (they start at the marker's time and spread from there).
    std::vector<CNote> StrumAt(const CTrack& track, double time, double duration) {
        std::vector<CNote> notes;
        for (const CNote& note : track.m_notes)
            if (note.m_time >= time - 1e-9 && note.m_time < time + duration * 0.5)
                notes.push_back(note);
        return notes;
    }
    CComposer composer{Manager()};
    CChord chord = ChordOn(1, 43); // G major
};

TEST_F(StrumTest, HalfABeatApartGoesDownThenUp) {
    CTrack track = Markers({{0.0, 0.25}, {0.25, 0.25}, {2.0, 0.25}});
    ASSERT_TRUE(composer.Strum(track, Manager(), chord));
    auto down = StrumAt(track, 0.0, 0.25), up = StrumAt(track, 0.25, 0.25),
         later = StrumAt(track, 2.0, 0.25);
    ASSERT_GE(down.size(), 4u);
    ASSERT_EQ(up.size(), down.size());
    ASSERT_EQ(later.size(), down.size());
    // Down starts on the lowest string, up on the highest.
    EXPECT_LT(down.front().m_midi, down.back().m_midi);
    EXPECT_GT(up.front().m_midi, up.back().m_midi);
    EXPECT_LT(later.front().m_midi, later.back().m_midi); // more than a beat later: down again
    for (const CNote& note : down)
        EXPECT_EQ(note.Position().mode & FRET_MODE_UP, 0);
    for (const CNote& note : up)
        EXPECT_NE(note.Position().mode & FRET_MODE_UP, 0);
    EXPECT_NE(down.front().Position().mode & FRET_MODE_START, 0);
    EXPECT_EQ(down.front().Position().mode & FRET_MODE_END, 0);
    EXPECT_NE(down.back().Position().mode & FRET_MODE_END, 0);
    EXPECT_EQ(down.back().Position().mode & FRET_MODE_START, 0);
    for (const CNote& note : track.m_notes) {
        EXPECT_EQ(note.m_thing, THING_RHYTHM_GUITAR);
        EXPECT_EQ(note.m_chordType, 1);
        EXPECT_EQ(note.m_chordRoot, 43);
        // Every string sounds a note of G major.
        int pc = note.m_midi % 12;
        EXPECT_TRUE(pc == 7 || pc == 11 || pc == 2) << note.m_midi;
    }
}

TEST_F(StrumTest, StringDelayFollowsTheStrumLength) {
    for (double duration : {0.05, 1.0}) {
        CTrack track = Markers({{1.0, duration}});
        ASSERT_TRUE(composer.Strum(track, Manager(), chord));
        const double delay = std::min(duration * 0.5 / 6.0, 0.01);
        ASSERT_GE(track.m_notes.GetCount(), 4);
        for (int i = 0; i < track.m_notes.GetCount(); ++i) {
            EXPECT_NEAR(track.m_notes[i].m_time, 1.0 + i * delay, 1e-12);
            EXPECT_NEAR(track.m_notes[i].m_duration, duration - i * delay, 1e-12);
        }
    }
    EXPECT_NEAR(std::min(0.05 * 0.5 / 6.0, 0.01), 0.05 / 12.0, 1e-15);
}

TEST_F(StrumTest, OnlyMarkersAreStrummed) {
    CTrack track = Markers({{0.0, 1.0}});
    CNote stray = TableNote(60);
    stray.m_time = 0.5;
    stray.m_duration = 0.5;
    track.m_notes.Add(stray);
    ASSERT_TRUE(composer.Strum(track, Manager(), chord));
    for (const CNote& note : track.m_notes)
        EXPECT_NEAR(note.m_time, 0.0, 0.06);
}

// ---------------------------------------------------------------------------------------------
// Progressions

TEST(BuildProgression, RootsKeepTheSpanInsideTheRange) {
    CComposer composer(Manager());
    CNoteList chordScale = ScaleNotes(48, 1), roots;
    ASSERT_TRUE(composer.BuildProgression(chordScale, 1, 47, 75, 4, roots, 2));
    std::vector<int> midi;
    for (const CNote& note : roots)
        midi.push_back(note.m_midi);
    EXPECT_EQ(midi, (std::vector<int>{48, 55, 53, 55, 60, 67, 65, 67}));
    EXPECT_EQ(roots[1].m_degree, 5);

    // With the top lower, G 67's fourth step (C 72) no longer fits: G drops an octave.
    ASSERT_TRUE(composer.BuildProgression(chordScale, 1, 47, 70, 4, roots, 2));
    EXPECT_EQ(roots[5].m_midi, 55);
    EXPECT_EQ(roots[4].m_midi, 60);

    ASSERT_TRUE(composer.BuildProgression(chordScale, 0, 47, 75, 4, roots, 2));
    EXPECT_TRUE(roots.IsEmpty());
}

// ---------------------------------------------------------------------------------------------
// Measure chords of the practice

struct MEASURE_CASE {
    const char* name;
    std::vector<int> starts;
    std::vector<int> degrees;
};

const MEASURE_CASE MEASURE_CASES[] = {
    {"GAfterC", {60, 67}, {1, 5}},
    {"GAfterGKeepsFive", {60, 67, 67}, {1, 5, 5}},
    {"FirstMeasureTakesItsOwnDegree", {64}, {3}},
    // After D (2) no candidate starts on E; the triads of A and C hold E, and C is closer.
    {"ClosestTriadHoldingTheNote", {62, 64}, {2, 1}},
    // After D, B lies only in G's triad.
    {"OnlyTriadHoldingTheNote", {62, 71}, {2, 5}},
    // After G (5) only the step back to G is a candidate; its triad lacks E: E's own chord.
    {"NoTriadHoldsTheNote", {67, 64}, {5, 3}},
};

class MeasureChords : public testing::TestWithParam<MEASURE_CASE> {};

TEST_P(MeasureChords, InCMajor) {
    CComposer composer(Manager());
    CNoteList chordScale = ScaleNotes(48, 1);
    CVarList<int> starts, degrees;
    for (int midi : GetParam().starts)
        starts.Add(midi);
    ASSERT_TRUE(composer.ChooseMeasureDegrees(chordScale, starts, degrees));
    std::vector<int> got(degrees.begin(), degrees.end());
    EXPECT_EQ(got, GetParam().degrees);
}

INSTANTIATE_TEST_SUITE_P(Practice, MeasureChords, testing::ValuesIn(MEASURE_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Songs from grooves

// Writes small grooves into a folder of their own: a one-measure groove in C at 120 beats per
// minute with four drum hits, a whole-note bass C, one strum and a lead E; and the same without
// its bass.
class GrooveFolder : public testing::Test {
protected:
    void SetUp() override {
        // A parameterised test's name holds a "/", which would nest the folder one deeper
        // than the one removed afterwards.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        root = fs::temp_directory_path() /
               ("composer-test-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + name);
        fs::create_directories(root / "Test");
        WriteGroove("Basic", true);
        WriteGroove("No Bass", false);
    }
    void TearDown() override { fs::remove_all(root); }

    void WriteGroove(const char* name, bool withBass) {
        CSong song;
        song.m_header.SetBeatTime(0.5);
        song.m_header.beatsPerMeasure = 4;
        song.m_header.beatUnit = 4;
        CTrack drums, bass, rhythm, lead;
        drums.m_instrument = THING_DRUM_SET;
        for (int i = 0; i < 4; ++i)
            drums.m_notes.Add(
                Timed(36, i * 0.5, 0.5, i % 2 ? THING_SNARE_DRUM : THING_BASS_DRUM_1));
        bass.m_instrument = THING_BASS_GUITAR;
        bass.m_notes.Add(Timed(36, 0.0, 2.0, THING_BASS_GUITAR));
        rhythm.m_instrument = THING_RHYTHM_GUITAR;
        rhythm.m_notes.Add(Timed(254, 0.0, 1.0, THING_RHYTHM_GUITAR));
        lead.m_instrument = THING_LEAD_GUITAR;
        lead.m_notes.Add(Timed(52, 1.0, 1.0, THING_LEAD_GUITAR));
        song.AddTrack(drums);
        if (withBass)
            song.AddTrack(bass);
        song.AddTrack(rhythm);
        song.AddTrack(lead);
        CMidiFile file;
        ASSERT_TRUE(file.Save((root / "Test" / (std::string(name) + ".mid")).c_str(), song))
            << file.GetError().GetText();
    }
    static CNote Timed(int midi, double time, double duration, THING thing) {
        CNote note;
        note.m_midi = midi;
        note.m_time = time;
        note.m_duration = duration;
        note.m_thing = thing;
        note.m_volume = 0.8f;
        return note;
    }
    CSongPart* NewPart(CComposition& composition, const char* name, const char* groove,
                       std::initializer_list<std::pair<int, int>> degreesAndRepeats) {
        CSongPart* part = new CSongPart();
        part->m_name.Set(name);
        part->m_grooveFile.Set((root / "Test" / (std::string(groove) + ".mid")).c_str());
        part->m_scale = 1;
        part->m_scaleRoot = 48;
        for (auto [degree, repeat] : degreesAndRepeats) {
            CChord chord;
            chord.m_degree = degree;
            chord.m_chordGroup = CHORD_GROUP_TRIAD;
            chord.m_repeat = repeat;
            part->AddChord(chord, -1);
        }
        composition.AddPart(part);
        return part;
    }
    // Bass roots in time order.
    static std::vector<int> BassLine(CSong& song) {
        std::vector<int> midi;
        if (CTrack* bass = song.FindTrack(THING_BASS_GUITAR))
            for (const CNote& note : bass->m_notes)
                midi.push_back(note.m_midi);
        return midi;
    }

    fs::path root;
    CComposer composer{Manager()};
};

TEST_F(GrooveFolder, ChordRepeatsGiveGrooveLengths) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    CSongPart* part = NewPart(composition, "A", "Basic", {{1, 2}, {5, 1}, {6, 1}});
    CSong song;
    ASSERT_TRUE(composer.MakeSong(*part, song, Manager())) << part->m_error.GetText();
    int measures = 0;
    ASSERT_TRUE(song.CountMeasures(song.GetEndTime(), measures));
    EXPECT_EQ(measures, 4);
    // C twice, then G and A minor, each root in the octave above the groove's C 36.
    EXPECT_EQ(BassLine(song), (std::vector<int>{36, 36, 31, 33}));
    CTrack* drums = song.FindTrack(THING_DRUM_SET);
    ASSERT_NE(drums, nullptr);
    EXPECT_EQ(drums->GetCount(), 16);
    EXPECT_DOUBLE_EQ(drums->m_notes[12].m_time, 6.0);
    // The lead's E becomes each chord's third: E, E, B, C.
    CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
    ASSERT_NE(lead, nullptr);
    ASSERT_EQ(lead->GetCount(), 4);
    EXPECT_EQ(lead->m_notes[0].m_midi % 12, 4);
    EXPECT_EQ(lead->m_notes[2].m_midi % 12, 11);
    EXPECT_EQ(lead->m_notes[3].m_midi % 12, 0);
    // Strums sound the chord of their measure.
    for (const CNote& note : song.FindTrack(THING_RHYTHM_GUITAR)->m_notes)
        if (note.m_time >= 4.0 && note.m_time < 6.0) {
            EXPECT_EQ(note.m_chordType, 1);
        }
}

TEST_F(GrooveFolder, RepeatedPlayOrderAlternatesParts) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    composition.m_repeat = 2;
    CSongPart* a = NewPart(composition, "A", "Basic", {{1, 1}});
    CSongPart* b = NewPart(composition, "B", "Basic", {{5, 1}});
    composition.AppendToOrder(a);
    composition.AppendToOrder(b);
    CSong song;
    ASSERT_TRUE(composer.Compose(composition, song)) << composer.GetErrorText().GetText();
    EXPECT_EQ(BassLine(song), (std::vector<int>{36, 31, 36, 31}));
}

TEST_F(GrooveFolder, NotesBelowTheLowEStringsSoundAnOctaveUp) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    CSongPart* part = NewPart(composition, "A", "Basic", {});
    CChord eFlat; // E (28) with a flat: the chord sounds on 27, below the bass's low E
    eFlat.m_root.m_midi = 28;
    eFlat.m_root.m_accidental = ACCIDENTAL_FLAT;
    eFlat.m_chordType = 1;
    part->AddChord(eFlat, -1);
    CSong song;
    ASSERT_TRUE(composer.MakeSong(*part, song, Manager())) << part->m_error.GetText();
    EXPECT_EQ(BassLine(song), (std::vector<int>{39}));
    for (const CNote& note : song.FindTrack(THING_LEAD_GUITAR)->m_notes)
        EXPECT_GE(note.m_midi, 40) << "the lead's root would be 39";
}

TEST_F(GrooveFolder, ComposingRetimesTheGroove) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.25); // 240 beats per minute
    CSongPart* part = NewPart(composition, "A", "Basic", {{1, 1}, {4, 1}});
    CSong song;
    ASSERT_TRUE(composer.MakeSong(*part, song, Manager()));
    CTrack* drums = song.FindTrack(THING_DRUM_SET);
    ASSERT_EQ(drums->GetCount(), 8);
    EXPECT_NEAR(drums->m_notes[4].m_time, 1.0, 1e-9);
    EXPECT_NEAR(song.m_header.beatTime, 0.25, 1e-12);
}

TEST_F(GrooveFolder, GrooveWithoutBassFailsThePart) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    CSongPart* part = NewPart(composition, "A", "No Bass", {{1, 1}});
    CSong song;
    EXPECT_FALSE(composer.MakeSong(*part, song, Manager()));
    EXPECT_NE(std::string(part->m_error.GetText()).find("has no bass track"), std::string::npos)
        << part->m_error.GetText();
}

TEST_F(GrooveFolder, MissingGrooveNamesTheFile) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    CSongPart* part = NewPart(composition, "A", "Nowhere", {{1, 1}});
    CSong song;
    EXPECT_FALSE(composer.MakeSong(*part, song, Manager()));
    std::string expected =
        "Can't load groove from (" + (root / "Test" / "Nowhere.mid").string() + "): ";
    EXPECT_EQ(std::string(part->m_error.GetText()).rfind(expected, 0), 0u)
        << part->m_error.GetText();
}

TEST_F(GrooveFolder, UsersGrooveOfAShippedNameIsTheOneRead) {
    const fs::path user = root / "mine";
    composer.SetGrooveRoot(root.c_str(), user.c_str());
    EXPECT_EQ(composer.GetGroovePath("Test", "Basic").Str(),
              (root / "Test" / "Basic.mid").string());
    fs::create_directories(user / "Test");
    fs::copy_file(root / "Test" / "Basic.mid", user / "Test" / "Basic.mid");
    EXPECT_EQ(composer.GetGroovePath("Test", "Basic").Str(),
              (user / "Test" / "Basic.mid").string());
}

TEST_F(GrooveFolder, FirstGrooveIsFirstByNameInEitherRoot) {
    const fs::path user = root / "mine";
    composer.SetGrooveRoot(root.c_str(), user.c_str());
    fs::create_directories(user / "Test");
    fs::create_directories(user / "Own");
    fs::copy_file(root / "Test" / "Basic.mid", user / "Test" / "a mine.mid");
    fs::copy_file(root / "Test" / "Basic.mid", user / "Own" / "Z.mid");
    for (const auto& [style, first] : {std::pair{"Test", "a mine"}, std::pair{"Own", "Z"}}) {
        CCharString name;
        ASSERT_TRUE(composer.FindFirstGroove(style, name)) << composer.GetErrorText().GetText();
        EXPECT_STREQ(name.GetText(), first);
    }
}

TEST_F(GrooveFolder, ChordWithoutTypeFailsThePart) {
    CComposition composition;
    composition.m_header.SetBeatTime(0.5);
    CSongPart* part = NewPart(composition, "A", "Basic", {{0, 1}});
    CSong song;
    EXPECT_FALSE(composer.MakeSong(*part, song, Manager()));
}

TEST_F(GrooveFolder, ScaleShowcaseFollowsTheProgression) {
    composer.SetGrooveRoot(root.c_str());
    composer.SetRandomSeed(7);
    SCALE_BAND_SETTINGS settings;
    settings.style = "Test";
    settings.groove = "Basic";
    settings.progression = 1; // I-V-IV-V
    settings.header.SetBeatTime(0.5);
    CSong song;
    ASSERT_TRUE(composer.MakeScaleSong(settings, song)) << composer.GetErrorText().GetText();
    ASSERT_EQ(song.GetTrackCount(), 4);
    EXPECT_EQ(song[0].m_instrument, THING_LEAD_GUITAR);
    EXPECT_EQ(song[3].m_instrument, THING_DRUM_SET);
    // Four measures of four beats: every first beat the chord root an octave up.
    const CNoteList& melody = song[0].m_notes;
    ASSERT_EQ(melody.GetCount(), 16);
    const int roots[] = {48, 55, 53, 55};
    CNoteList major = ScaleNotes(48, 1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_DOUBLE_EQ(melody[i].m_time, i * 0.5);
        if (i % 4 == 0) {
            EXPECT_EQ(melody[i].m_midi, roots[i / 4] + 12);
        }
        CNote found;
        EXPECT_TRUE(major.FindNote(melody[i].m_midi, found)) << melody[i].m_midi;
    }
    // Drums last a whole measure each.
    EXPECT_DOUBLE_EQ(song[3].m_notes[0].m_duration, 2.0);
    EXPECT_EQ(BassLine(song), (std::vector<int>{36, 31, 29, 31}));
}

// ---------------------------------------------------------------------------------------------
// The scale practice over every scale, root and pattern

class PracticeTest : public GrooveFolder {
protected:
    void SetUp() override {
        GrooveFolder::SetUp();
        composer.SetGrooveRoot(root.c_str());
    }
    PRACTICE_REQUEST Request(int scale, int rootNote, int pattern, int progression = 0) {
        PRACTICE_REQUEST request;
        request.scale = scale;
        request.root = rootNote;
        request.pattern = pattern;
        request.progression = progression;
        request.style = "Test";
        request.groove = "Basic";
        return request;
    }
    // Checks the lead line of a composed practice: range, scale, notes per measure.
    void CheckLine(const PRACTICE_REQUEST& request, CSong& song) {
        CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
        ASSERT_NE(lead, nullptr);
        ASSERT_GT(lead->GetCount(), 0);
        std::set<int> scale;
        for (const CNote& note : ScaleNotes(request.root, request.scale))
            scale.insert(note.m_midi % 12);
        const int perMeasure = request.noteLength * request.beatsPerMeasure / 4;
        const double measure = request.beatsPerMeasure * request.beatTime;
        std::vector<int> counts;
        for (const CNote& note : lead->m_notes) {
            EXPECT_GE(note.m_midi, request.lowest);
            EXPECT_LE(note.m_midi, request.highest);
            EXPECT_TRUE(scale.count(note.m_midi % 12)) << note.m_midi;
            EXPECT_EQ(note.m_thing, THING_LEAD_GUITAR);
            EXPECT_FLOAT_EQ(note.m_volume, request.guitarVolume);
            size_t index = static_cast<size_t>(std::floor(note.m_time / measure + 1e-9));
            if (counts.size() <= index)
                counts.resize(index + 1);
            ++counts[index];
        }
        for (size_t m = 0; m < counts.size(); ++m)
            EXPECT_EQ(counts[m], perMeasure) << "measure " << m + 1;
    }
};

class EveryScale : public PracticeTest, public testing::WithParamInterface<int> {};

// Each root also moves the hand to another position, so that every position is played.
TEST_P(EveryScale, EveryRootAndPatternStaysInRangeAndInScale) {
    const int scale = GetParam();
    for (int rootNote = 48; rootNote < 60; ++rootNote) {
        for (int pattern = 1; pattern <= (scale >= 15 ? 4 : 6); ++pattern) {
            SCOPED_TRACE(testing::Message()
                         << "scale " << scale << " root " << rootNote << " pattern " << pattern);
            PRACTICE_REQUEST request = Request(scale, rootNote, pattern);
            request.noteLength = pattern % 2 ? 4 : 8;
            request.SetPosition(rootNote * 5 % 13);
            CSong song;
            ASSERT_TRUE(composer.ComposeScalePractice(request, song))
                << composer.GetErrorText().GetText();
            CheckLine(request, song);
            // The line starts on the lowest scale note of the range; walking up it reaches
            // the top of the range, and the plain walk comes back down to where it began.
            CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
            CNoteList scaleNotes = ScaleNotes(rootNote, scale);
            CNote lowestNote;
            CComposer::FindScaleStep(scaleNotes, request.lowest, 1, lowestNote);
            EXPECT_EQ(lead->m_notes[0].m_midi, lowestNote.m_midi);
            if (pattern == 1) {
                EXPECT_EQ(lead->m_notes[lead->GetCount() - 1].m_midi, lowestNote.m_midi);
                int top = 0;
                for (const CNote& note : lead->m_notes)
                    top = std::max(top, note.m_midi);
                CNote above;
                EXPECT_FALSE(CComposer::FindScaleStep(scaleNotes, top + 1, 1, above) &&
                             above.m_midi <= request.highest);
            }
            // The accompaniment lasts as long as the line.
            int lineMeasures = 0, songMeasures = 0;
            song.CountMeasures(lead->GetEndTime(true), lineMeasures);
            song.CountMeasures(song.GetEndTime(), songMeasures);
            EXPECT_EQ(lineMeasures, songMeasures);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Practice, EveryScale, testing::Range(1, SCALE_TYPE_COUNT + 1));

TEST_F(PracticeTest, ProgressionsPutTheirRootsFirstInEachMeasure) {
    for (int scale = 1; scale < 15; ++scale) {
        for (int progression = 1; progression <= PROGRESSION_COUNT; ++progression) {
            for (int pattern : {2, 5}) {
                SCOPED_TRACE(testing::Message() << "scale " << scale << " progression "
                                                << progression << " pattern " << pattern);
                PRACTICE_REQUEST request = Request(scale, 50, pattern, progression);
                CSong song;
                ASSERT_TRUE(composer.ComposeScalePractice(request, song))
                    << composer.GetErrorText().GetText();
                CheckLine(request, song);
                // Two passes of the progression, a measure each, each measure starting on its
                // chord root (or, where the scale lacks it, on the scale note above it).
                CVarList<int> pattern_;
                int advance = 0;
                Manager().GetPatternDegrees(pattern, pattern_, advance);
                CNoteList roots;
                ASSERT_TRUE(composer.BuildProgression(
                    ScaleNotes(50, CComposer::GetChordScale(scale)), progression, request.lowest,
                    request.highest, advance, roots, 2));
                CVarList<int> degrees;
                Manager().GetProgressionDegrees(progression, degrees);
                EXPECT_EQ(roots.GetCount(), static_cast<int>(degrees.GetCount()) * 2);
                int measures = 0;
                song.CountMeasures(song.GetEndTime(), measures);
                EXPECT_EQ(measures, roots.GetCount());
                const CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
                const int perMeasure = request.noteLength * request.beatsPerMeasure / 4;
                CNoteList scaleNotes = ScaleNotes(50, scale);
                for (int m = 0; m < roots.GetCount(); ++m) {
                    CNote start;
                    ASSERT_TRUE(CComposer::FindScaleStep(scaleNotes, roots[m].m_midi, 1, start));
                    EXPECT_EQ(lead->m_notes[m * perMeasure].m_midi, start.m_midi);
                    if (scale < 13) {
                        EXPECT_EQ(start.m_midi, roots[m].m_midi);
                    }
                }
            }
        }
    }
}

TEST_F(PracticeTest, ScalesWithoutChordsPlayDrumsAlone) {
    PRACTICE_REQUEST request = Request(15, 57, 2); // A blues
    CSong song;
    ASSERT_TRUE(composer.ComposeScalePractice(request, song));
    EXPECT_FALSE(song.FindTrack(THING_BASS_GUITAR)->m_enabled);
    EXPECT_FALSE(song.FindTrack(THING_RHYTHM_GUITAR)->m_enabled);
    EXPECT_TRUE(song.FindTrack(THING_DRUM_SET)->m_enabled);
    // The drums keep going under the whole line.
    const CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
    EXPECT_GE(song.FindTrack(THING_DRUM_SET)->GetEndTime(true), lead->GetEndTime(true) - 1e-9);
}

TEST_F(PracticeTest, NoteTimingFollowsTempoAndLength) {
    PRACTICE_REQUEST request = Request(1, 48, 1);
    request.SetTempo(100);
    request.noteLength = 16;
    CSong song;
    ASSERT_TRUE(composer.ComposeScalePractice(request, song));
    EXPECT_DOUBLE_EQ(request.beatTime, 0.6);
    const CTrack* lead = song.FindTrack(THING_LEAD_GUITAR);
    EXPECT_DOUBLE_EQ(lead->m_notes[1].m_time, 0.15);
    EXPECT_DOUBLE_EQ(lead->m_notes[1].m_duration, 0.15);
    // The lead notes carry a place on the neck within the hand's reach at the position.
    for (const CNote& note : lead->m_notes) {
        EXPECT_NE(note.Position().string, INT_NOT_SET);
        EXPECT_GE(note.Position().fret, request.position - 1);
        EXPECT_LE(note.Position().fret, request.handSpanEnd);
    }
}

TEST_F(PracticeTest, BadRequestsSayWhy) {
    PRACTICE_REQUEST request = Request(1, 48, 1);
    request.groove = "Nowhere";
    CSong song;
    EXPECT_FALSE(composer.ComposeScalePractice(request, song));
    EXPECT_EQ(std::string(composer.GetErrorText().GetText()).rfind("Can't load groove from (", 0),
              0u);
    request = Request(99, 48, 1);
    EXPECT_FALSE(composer.ComposeScalePractice(request, song));
    EXPECT_EQ(std::string(composer.GetErrorText().GetText()).rfind("Can't get note scale 99: ", 0),
              0u);
}

TEST_F(PracticeTest, CountInPrecedesTheScaleByAMeasure) {
    PRACTICE_REQUEST request = Request(1, 48, 1);
    PRACTICE_NOTES practice;
    ASSERT_TRUE(MakePracticeNotes(composer, request, true, practice)) << practice.error.GetText();
    EXPECT_EQ(practice.countInClicks, 4);
    std::vector<double> clicks;
    double firstLead = -1.0;
    for (const CNote& note : practice.notes) {
        if (note.m_thing == THING_HIHAT_FOOT) {
            clicks.push_back(note.m_time);
            EXPECT_DOUBLE_EQ(note.m_duration, 0.25);
        }
        if (note.m_thing == THING_LEAD_GUITAR && firstLead < 0)
            firstLead = note.m_time;
    }
    EXPECT_EQ(clicks, (std::vector<double>{0.0, 0.5, 1.0, 1.5}));
    EXPECT_DOUBLE_EQ(firstLead, 2.0);
    EXPECT_TRUE(practice.notes.CheckTimes());
    // PlayNotes sounds everything a beat later and stops a beat after the list's end.
    EXPECT_DOUBLE_EQ(practice.startOffset, 0.5);
    EXPECT_EQ(practice.repeatCount, 4);
    EXPECT_DOUBLE_EQ(practice.playEnd, practice.notes.GetEndTime(true) + 0.5);
    CNoteList sounding;
    ASSERT_TRUE(SoundingNotes(practice, sounding));
    for (const CNote& note : sounding)
        if (note.m_thing == THING_LEAD_GUITAR) {
            EXPECT_DOUBLE_EQ(note.m_time, 2.5);
            break;
        }
    // The lead guitar is the song's selected track.
    ASSERT_GE(practice.song.m_currentTrack, 0);
    EXPECT_EQ(practice.song[practice.song.m_currentTrack].m_instrument, THING_LEAD_GUITAR);

    PRACTICE_NOTES plain;
    ASSERT_TRUE(MakePracticeNotes(composer, request, false, plain));
    EXPECT_EQ(plain.notes.GetCount() + 4, practice.notes.GetCount());
    EXPECT_DOUBLE_EQ(plain.notes[0].m_time, 0.0);
}

TEST_F(PracticeTest, DisabledTracksAreLeftOutOfTheList) {
    PRACTICE_REQUEST request = Request(16, 48, 1);
    PRACTICE_NOTES practice;
    ASSERT_TRUE(MakePracticeNotes(composer, request, false, practice));
    for (const CNote& note : practice.notes) {
        EXPECT_NE(note.m_thing, THING_BASS_GUITAR);
        EXPECT_NE(note.m_thing, THING_RHYTHM_GUITAR);
    }
}

} // namespace
