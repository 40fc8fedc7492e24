#include "song/MidiFile.h"
#include "song/MidiNames.h"
#include "song/Song.h"

#include "tests/song/MidiTestUtil.h"
#include "tests/song/SongTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

constexpr double kBeat = 0.5; // seconds per beat at 120 beats per minute

class MidiLoadTest : public ::testing::Test {
protected:
    bool Load(const CSmfBuilder& smf) {
        return midi.LoadFromMemory(smf.Data(), smf.Size(), song, "test.mid");
    }
    CMidiFile midi;
    CSong song;
};

TEST_F(MidiLoadTest, FormatOneWithOnlyTheHeaderTrackGivesAHeaderAndNoTracks) {
    CSmfBuilder smf;
    smf.Header(1, 1).Track({0x00, 0xFF, 0x03, 0x04, 'B',  'l',  'u',  'e',  // name
                            0x00, 0xFF, 0x02, 0x02, '(',  'c',              // copyright
                            0x00, 0xFF, 0x01, 0x03, 'a',  'b',  'c',        // text
                            0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08, // 3/8
                            0x00, 0xFF, 0x59, 0x02, 0xFE, 0x01,             // 2 flats, minor
                            0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0});     // 600000 us
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    EXPECT_EQ(song.GetTrackCount(), 0);
    EXPECT_EQ(song.m_header.name, "Blue");
    EXPECT_EQ(song.m_header.copyright, "(c");
    EXPECT_EQ(song.m_header.text, "abc");
    EXPECT_EQ(song.m_header.beatsPerMeasure, 3);
    EXPECT_EQ(song.m_header.beatUnit, 8);
    EXPECT_EQ(song.m_header.key, -2);
    EXPECT_EQ(song.m_header.scale, 1);
    EXPECT_DOUBLE_EQ(song.m_header.tempo, 100.0);
    EXPECT_DOUBLE_EQ(song.m_header.beatTime, 0.6);
    EXPECT_EQ(song.m_header.file, "test.mid");
}

TEST_F(MidiLoadTest, Tempo500000IsOneHundredTwentyBeatsPerMinute) {
    CSmfBuilder smf;
    smf.Header(1, 1).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    ASSERT_TRUE(Load(smf));
    EXPECT_DOUBLE_EQ(song.m_header.tempo, 120.0);
    EXPECT_DOUBLE_EQ(song.m_header.beatTime, 0.5);
}

TEST_F(MidiLoadTest, FormatZeroTrackBecomesTrackOne) {
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0xFF, 0x03, 0x01, 'T',              // a track name only
                            0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, // 1 s per beat
                            0x00, 0xC0, 33,                           // electric bass
                            0x00, 0x90, 40,   100,  0x83, 0x60, 0x80, 40, 0});
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song.GetTrackCount(), 1);
    CTrack& track = song[0];
    EXPECT_EQ(track.m_trackNumber, 1);
    EXPECT_EQ(track.m_name, "T");
    // Only a format-1 file's first track names the song.
    EXPECT_EQ(song.m_header.name, "");
    EXPECT_EQ(track.m_instrument, THING_BASS_GUITAR);
    EXPECT_EQ(track.m_instrumentName, "Electric Bass (finger)");
    ASSERT_EQ(track.GetCount(), 1);
    EXPECT_DOUBLE_EQ(track.m_notes[0].m_duration, 1.0); // one beat of one second
    EXPECT_EQ(track.m_notes[0].m_thing, THING_BASS_GUITAR);
    EXPECT_DOUBLE_EQ(track.m_header.beatTime, 1.0) << "the header is copied into the tracks";
}

// A note-off and a note-on of velocity 0 end a note alike, with or without running status.
class NoteEndTest : public MidiLoadTest, public ::testing::WithParamInterface<int> {};

TEST_P(NoteEndTest, EndsThePendingNote) {
    int kind = GetParam();
    CSmfBuilder smf;
    smf.Header(1, 2).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    if (kind == 0)
        smf.Track({0x00, 0x90, 60, 64, 0x83, 0x60, 0x80, 60, 0x40});
    else if (kind == 1)
        smf.Track({0x00, 0x90, 60, 64, 0x83, 0x60, 0x90, 60, 0x00});
    else
        smf.Track({0x00, 0x90, 60, 64, 0x83, 0x60, 60, 0x00}); // running status
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song.GetTrackCount(), 1);
    ASSERT_EQ(song[0].GetCount(), 1);
    const CNote& note = song[0].m_notes[0];
    EXPECT_EQ(note.m_midi, 60);
    EXPECT_DOUBLE_EQ(note.m_time, 0.0);
    EXPECT_DOUBLE_EQ(note.m_duration, kBeat);
    EXPECT_NEAR(note.m_volume, 64 / 127.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(OffOnZeroRunning, NoteEndTest, ::testing::Values(0, 1, 2));

TEST_F(MidiLoadTest, RetriggeredKeyEndsTheFirstNoteAndStartsANewOne) {
    CSmfBuilder smf;
    smf.Header(1, 2).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    smf.Track({0x00, 0x90, 52, 100, 0x83, 0x60, 0x90, 52, 90, 0x87, 0x40, 0x80, 52, 0});
    ASSERT_TRUE(Load(smf));
    ASSERT_EQ(song[0].GetCount(), 2);
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_time, 0.0);
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_duration, kBeat);
    EXPECT_DOUBLE_EQ(song[0].m_notes[1].m_time, kBeat);
    EXPECT_DOUBLE_EQ(song[0].m_notes[1].m_duration, 2 * kBeat);
    EXPECT_NEAR(song[0].m_notes[1].m_volume, 90 / 127.0, 1e-6);
}

TEST_F(MidiLoadTest, DrumKeysReadAsKitPieces) {
    CSmfBuilder smf;
    smf.Header(1, 2).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    smf.Track({0x00, 0x99, 41, 100, 0x00, 50, 100, 0x00, 40, 100, 0x00, 38, 100, 0x00, 56, 100,
               0x83, 0x60, 41, 0,   0x00, 50, 0,   0x00, 40, 0,   0x00, 38, 0,   0x00, 56, 0});
    ASSERT_TRUE(Load(smf));
    CTrack& drums = song[0];
    EXPECT_EQ(drums.m_instrument, THING_DRUM_SET);
    EXPECT_EQ(drums.m_instrumentName, "Drum set");
    std::map<int, THING> pieces;
    for (const CNote& note : drums.m_notes)
        pieces[note.m_midi] = note.m_thing;
    EXPECT_EQ(pieces[41], THING_TOM_6) << "key 41 is the low tom, the kit's tom 6";
    EXPECT_EQ(pieces[50], THING_TOM_1);
    EXPECT_EQ(pieces[40], THING_SNARE_DRUM);
    EXPECT_EQ(pieces[38], THING_SNARE_DRUM);
    EXPECT_EQ(pieces[56], THING_NONE) << "the kit has no cowbell";
}

struct PROGRAM_CASE {
    int program;
    THING instrument;
    const char* name;
};

class ProgramTest : public MidiLoadTest, public ::testing::WithParamInterface<PROGRAM_CASE> {};

TEST_P(ProgramTest, ProgramChoosesTheInstrument) {
    const PROGRAM_CASE& c = GetParam();
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0xC2, c.program});
    ASSERT_TRUE(Load(smf));
    EXPECT_EQ(song[0].m_instrument, c.instrument);
    EXPECT_EQ(song[0].m_instrumentName, c.name);
    EXPECT_EQ(song[0].m_program, c.program);
}

INSTANTIATE_TEST_SUITE_P(
    GeneralMidi, ProgramTest,
    ::testing::Values(PROGRAM_CASE{24, THING_RHYTHM_GUITAR, "Acoustic Guitar (nylon)"},
                      PROGRAM_CASE{28, THING_RHYTHM_GUITAR, "Electric Guitar (muted)"},
                      PROGRAM_CASE{29, THING_LEAD_GUITAR, "Overdriven Guitar"},
                      PROGRAM_CASE{30, THING_SOLO_GUITAR, "Distortion Guitar"},
                      PROGRAM_CASE{31, THING_LEAD_GUITAR, "Guitar harmonics"},
                      PROGRAM_CASE{32, THING_BASS_GUITAR, "Acoustic Bass"},
                      PROGRAM_CASE{39, THING_BASS_GUITAR, "Synth Bass 2"},
                      PROGRAM_CASE{0, THING_NONE, "Acoustic Grand Piano"},
                      PROGRAM_CASE{40, THING_NONE, "Violin"},
                      PROGRAM_CASE{127, THING_NONE, "Gunshot"}));

TEST_F(MidiLoadTest, ProgramOnTheDrumChannelIsTheDrumSet) {
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0xC9, 25});
    ASSERT_TRUE(Load(smf));
    EXPECT_EQ(song[0].m_instrument, THING_DRUM_SET);
    EXPECT_EQ(song[0].m_instrumentName, "Drum set");
}

TEST_F(MidiLoadTest, ControllersSetTrackLevelsAndTheNotesTabAndChord) {
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0xB0, 7, 127, 0x00, 10, 0, // volume, pan hard left
                            0x00, 80, 5, 0x00, 81, 45,       // chord type 5 on A
                            0x00, 16, 3, 0x00, 17, 7, 0x00, 18, 2, 0x00, 19, 16, 0x00, 0x90, 64,
                            100, 0x60, 0x80, 64, 0,
                            // the tab and chord state end with the note
                            0x00, 0x90, 65, 100, 0x60, 0x80, 65, 0});
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    CTrack& track = song[0];
    EXPECT_FLOAT_EQ(track.m_volume, 1.0f);
    EXPECT_FLOAT_EQ(track.m_pan, -1.0f);
    ASSERT_EQ(track.GetCount(), 2);
    const CNote& first = track.m_notes[0];
    EXPECT_EQ(first.Position().string, 3);
    EXPECT_EQ(first.Position().fret, 7);
    EXPECT_EQ(first.Position().finger, 2);
    EXPECT_EQ(first.Position().mode, 16);
    EXPECT_EQ(first.m_chordType, 5);
    EXPECT_EQ(first.m_chordRoot, 45);
    const CNote& second = track.m_notes[1];
    EXPECT_EQ(second.Position().string, INT_NOT_SET);
    EXPECT_EQ(second.Position().fret, INT_NOT_SET);
    EXPECT_EQ(second.m_chordType, 0);
    EXPECT_EQ(second.m_chordRoot, 255);
}

TEST_F(MidiLoadTest, UnknownChunksAndSystemExclusiveEventsAreSkipped) {
    CSmfBuilder smf;
    smf.Header(0, 1).Chunk("XFIH", std::string(5, '\x90'));
    smf.Track({0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7, 0x00, 0x90, 60, 90, 0x60, 0x80, 60, 0});
    smf.Raw({'M', 'T', 'r'}); // fewer than 8 bytes left: the end of the file
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song.GetTrackCount(), 1);
    EXPECT_EQ(song[0].GetCount(), 1);
}

TEST_F(MidiLoadTest, TraceHasALinePerEvent) {
    CSmfBuilder smf;
    smf.Header(1, 2).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    smf.Track({0x00, 0xB0, 16, 2, 0x83, 0x60, 0x90, 60, 100});
    ASSERT_TRUE(Load(smf));
    std::string trace = midi.GetTrace().Str();
    EXPECT_NE(trace.find("Meta: 51 - Tempo, 3 bytes"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Control  16, 'Guitar tab - string number' = 2, channel=0"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("0480,   0.500 sec"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Note on, note  60, velocity 100, channel=0"), std::string::npos);
    // A new load starts a new trace.
    ASSERT_TRUE(Load(smf));
    EXPECT_EQ(midi.GetTrace().Str(), trace);
}

struct BAD_FILE {
    const char* what;
    std::vector<int> track; // events of the one track of a format-0 file
    const char* message;
};

void PrintTo(const BAD_FILE& c, std::ostream* out) {
    *out << c.what;
}

class BadTrackTest : public MidiLoadTest, public ::testing::WithParamInterface<BAD_FILE> {};

TEST_P(BadTrackTest, FailsWithItsMessage) {
    const BAD_FILE& c = GetParam();
    CSmfBuilder smf;
    smf.Header(0, 1);
    std::string body;
    for (int byte : c.track)
        body.push_back(static_cast<char>(byte));
    smf.Chunk("MTrk", body);
    EXPECT_FALSE(Load(smf)) << c.what;
    EXPECT_EQ(midi.GetError(), c.message) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, BadTrackTest,
    ::testing::Values(
        BAD_FILE{"note number", {0x00, 0x90, 200, 10}, "Bad MIDI note: 200"},
        BAD_FILE{"velocity", {0x00, 0x90, 60, 128}, "Bad note velocity: 128"},
        BAD_FILE{"short note", {0x00, 0x90, 60}, "Not enough data for a note: 1"},
        BAD_FILE{"control type", {0x00, 0xB0, 200, 1}, "Bad control type: 200"},
        BAD_FILE{"control value", {0x00, 0xB0, 7, 200}, "Bad control value: 200"},
        BAD_FILE{"short control", {0x00, 0xB0}, "Not enough data for a control event: 0"},
        BAD_FILE{"program", {0x00, 0xC0, 130}, "Bad program number: 130"},
        BAD_FILE{"short program", {0x00, 0xC0}, "Not enough data for a program change: 0"},
        BAD_FILE{"system type", {0x00, 0xF1, 0x00}, "Unknown MIDI type F1"},
        BAD_FILE{"meta length lies",
                 {0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'},
                 "Not enough data for a meta event: need 33554431, have only 1 left"},
        BAD_FILE{"sysex length lies",
                 {0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0xF7},
                 "Not enough data for a system-exclusive event: need 33554431, have only 1 "
                 "left"},
        BAD_FILE{"five-byte delta",
                 {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1},
                 "Bad delta time in track 1 at byte 4"},
        BAD_FILE{"no running status",
                 {0x00, 60, 100},
                 "Data byte 3C without a running status "
                 "in track 1"},
        BAD_FILE{"zero tempo",
                 {0x00, 0xFF, 0x51, 0x03, 0, 0, 0},
                 "Bad tempo: 0 microseconds per beat"}));

TEST_F(MidiLoadTest, NoteNumbers253And254AreAccepted) {
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0x90, 254, 10, 0x10, 0x80, 254, 0, 0x00, 0x90, 253, 1});
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song[0].GetCount(), 1);
    EXPECT_EQ(song[0].m_notes[0].m_midi, 254);
}

TEST_F(MidiLoadTest, ChunkLengthThatLiesFailsWithoutReadingOn) {
    CSmfBuilder smf;
    smf.Header(1, 2).Raw({'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 60, 1});
    EXPECT_FALSE(Load(smf));
    EXPECT_EQ(midi.GetError(),
              "Not enought data in the file for the chunk data: need 2147483647, have only 4 "
              "left");
}

TEST_F(MidiLoadTest, FailedLoadKeepsTheTracksReadBefore) {
    CSmfBuilder smf;
    smf.Header(1, 3).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    smf.Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0});
    smf.Track({0x00, 0x90, 61, 130});
    EXPECT_FALSE(Load(smf));
    EXPECT_EQ(midi.GetError(), "Bad note velocity: 130");
    // The first track whole, the second as far as it was read.
    ASSERT_EQ(song.GetTrackCount(), 2);
    EXPECT_EQ(song[0].GetCount(), 1);
    EXPECT_EQ(song[1].GetCount(), 0);
}

TEST_F(MidiLoadTest, MissingFileFailsWithTheSystemsWords) {
    CTempFolder folder;
    std::string path = folder.Path("none.mid");
    EXPECT_FALSE(midi.Load(path.c_str(), song));
    EXPECT_EQ(midi.GetError().Str().rfind("Can't read file '" + path + "': ", 0), 0u)
        << midi.GetError().GetText();
}

// ---------------------------------------------------------------------------------------------
// Writing

CNote MakeNote(double time, double duration, int midi, float volume, THING thing = THING_NONE) {
    CNote note;
    note.m_time = time;
    note.m_duration = duration;
    note.m_midi = midi;
    note.m_volume = volume;
    note.m_thing = thing;
    return note;
}

// Drums, bass and rhythm guitar at 100 beats per minute in 3/4, with tab and chord data.
CSong MakeBand() {
    CSong song;
    song.m_header.name.Set("Band");
    song.m_header.copyright.Set("Morvane");
    song.m_header.text.Set("made in a test");
    song.m_header.SetBeatTime(0.6);
    song.m_header.beatsPerMeasure = 3;
    song.m_header.beatUnit = 4;
    song.m_header.key = 3;
    song.m_header.scale = 1;

    CTrack drums;
    drums.m_name.Set("Drums");
    drums.m_instrument = THING_DRUM_SET;
    drums.m_instrumentName.Set("Drum set");
    drums.m_volume = 0.8f;
    drums.m_pan = 0.25f;
    const THING pieces[] = {THING_BASS_DRUM_1, THING_HIHAT_CLOSED, THING_SNARE_DRUM,
                            THING_TOM_1,       THING_TOM_6,        THING_RIDE_CYMBAL_BELL};
    for (int i = 0; i < 60; ++i)
        drums.Add(MakeNote(i * 0.3, 0.1, 0, 0.3f + (i % 7) * 0.1f, pieces[i % 6]));

    CTrack bass;
    bass.m_name.Set("Bass");
    bass.m_instrument = THING_BASS_GUITAR;
    bass.m_instrumentName.Set("Electric Bass (finger)");
    bass.m_pan = -0.5f;
    for (int i = 0; i < 40; ++i) {
        CNote note =
            MakeNote(i * 0.45 + 0.0137 * (i % 3), 0.4, 28 + i % 12, 0.9f, THING_BASS_GUITAR);
        note.Position().string = 1 + i % 4;
        note.Position().fret = i % 12;
        bass.Add(note);
    }

    CTrack rhythm;
    rhythm.m_name.Set("Rhythm");
    rhythm.m_instrument = THING_RHYTHM_GUITAR;
    rhythm.m_instrumentName.Set("Electric Guitar (clean)");
    rhythm.m_volume = 0.5f;
    for (int i = 0; i < 10; ++i)
        for (int string = 1; string <= 3; ++string) {
            CNote note = MakeNote(i * 1.8, 1.7, 52 + 4 * string + i % 5, 0.7f, THING_RHYTHM_GUITAR);
            note.Position().string = string;
            note.Position().fret = i % 5 + 2;
            note.Position().finger = string;
            note.Position().mode = string == 1 ? FRET_MODE_START : 0;
            note.m_chordType = 1 + i % 4;
            note.m_chordRoot = 40 + i % 5;
            rhythm.Add(note);
        }
    song.AddTrack(drums);
    song.AddTrack(bass);
    song.AddTrack(rhythm);
    return song;
}

class MidiSaveTest : public ::testing::Test {
protected:
    CTempFolder folder;
    CMidiFile midi;
};

TEST_F(MidiSaveTest, RoundTripKeepsTracksNotesLevelsTabAndChords) {
    CSong song = MakeBand();
    std::string path = folder.Path("band.mid");
    ASSERT_TRUE(midi.Save(path.c_str(), song)) << midi.GetError().GetText();

    CSong back;
    CMidiFile reader;
    ASSERT_TRUE(reader.Load(path.c_str(), back)) << reader.GetError().GetText();
    EXPECT_EQ(back.m_header.name, "Band");
    EXPECT_EQ(back.m_header.copyright, "Morvane");
    EXPECT_EQ(back.m_header.text, "made in a test");
    EXPECT_NEAR(back.m_header.beatTime, 0.6, 1e-6);
    EXPECT_EQ(back.m_header.beatsPerMeasure, 3);
    EXPECT_EQ(back.m_header.beatUnit, 4);
    EXPECT_EQ(back.m_header.key, 3);
    EXPECT_EQ(back.m_header.scale, 1);
    ASSERT_EQ(back.GetTrackCount(), song.GetTrackCount());

    const double tick = 0.6 / CMidiFile::kDivision;
    for (int t = 0; t < song.GetTrackCount(); ++t) {
        const CTrack& a = song[t];
        const CTrack& b = back[t];
        SCOPED_TRACE(a.m_name.GetText());
        EXPECT_EQ(b.m_name, a.m_name);
        EXPECT_EQ(b.m_instrument, a.m_instrument);
        EXPECT_EQ(b.m_trackNumber, t + 2) << "the header track is chunk 1";
        EXPECT_NEAR(b.m_volume, a.m_volume, 0.5 / 127);
        EXPECT_NEAR(b.m_pan, a.m_pan, 1.0 / 63.5);
        ASSERT_EQ(b.GetCount(), a.GetCount());
        for (int i = 0; i < a.GetCount(); ++i) {
            const CNote& x = a.m_notes[i];
            const CNote& y = b.m_notes[i];
            EXPECT_NEAR(y.m_time, x.m_time, tick) << "note " << i;
            EXPECT_NEAR(y.m_duration, x.m_duration, 2 * tick) << "note " << i;
            EXPECT_NEAR(y.m_volume, x.m_volume, 0.5 / 127) << "note " << i;
            // The toms are numbered the other way round in the file (tom 1 comes back as 6).
            THING thing = x.m_thing;
            if (thing >= THING_TOM_1 && thing <= THING_TOM_6)
                thing = static_cast<THING>(THING_TOM_6 - (thing - THING_TOM_1));
            EXPECT_EQ(y.m_thing, thing) << "note " << i;
            EXPECT_EQ(y.Position().string, x.Position().string) << "note " << i;
            EXPECT_EQ(y.Position().fret, x.Position().fret) << "note " << i;
            EXPECT_EQ(y.Position().finger, x.Position().finger) << "note " << i;
            EXPECT_EQ(y.Position().mode, x.Position().mode) << "note " << i;
            EXPECT_EQ(y.m_chordType, x.m_chordType) << "note " << i;
            EXPECT_EQ(y.m_chordRoot, x.m_chordRoot) << "note " << i;
            if (!a.IsDrumSet()) {
                EXPECT_EQ(y.m_midi, x.m_midi) << "note " << i;
            }
        }
    }
}

TEST_F(MidiSaveTest, LongTrackDoesNotDriftBeyondOneTick) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    CTrack lead;
    lead.m_instrument = THING_LEAD_GUITAR;
    // Times that never fall on a tick: rounding each gap would add up over the track.
    for (int i = 0; i < 3000; ++i)
        lead.Add(MakeNote(i * 0.1003, 0.05, 60 + i % 12, 1.0f));
    song.AddTrack(lead);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    CSong back;
    ASSERT_TRUE(
        midi.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), back));
    ASSERT_EQ(back[0].GetCount(), 3000);
    EXPECT_NEAR(back[0].m_notes[2999].m_time, 2999 * 0.1003, 0.5 / CMidiFile::kDivision);
}

TEST_F(MidiSaveTest, AnIndependentReaderSeesTheSameFile) {
    CSong song = MakeBand();
    std::string path = folder.Path("csv.mid");
    ASSERT_TRUE(midi.Save(path.c_str(), song));
    int status = 0;
    auto rows = MidiCsv(path, status);
    ASSERT_EQ(status, 0) << "midicsv failed (is it installed? scripts/install-deps)";
    ASSERT_FALSE(rows.empty());
    ASSERT_GE(rows[0].size(), 6u);
    EXPECT_EQ(rows[0][2], "Header");
    EXPECT_EQ(rows[0][3], "1");
    EXPECT_EQ(rows[0][4], "4") << "header track plus three tracks";
    EXPECT_EQ(rows[0][5], "960");

    std::map<std::string, std::string> programChannel; // track -> channel of its program change
    std::map<std::string, int> noteOns;
    std::map<std::string, std::set<std::string>> channels;
    std::string tempo, signature, key, title;
    for (const auto& row : rows) {
        if (row.size() < 3)
            continue;
        const std::string& type = row[2];
        if (type == "Program_c")
            programChannel[row[0]] = row[3];
        if (type == "Note_on_c") {
            ++noteOns[row[0]];
            channels[row[0]].insert(row[3]);
        }
        if (type == "Tempo")
            tempo = row[3];
        if (type == "Time_signature")
            signature = row[3] + "/" + row[4];
        if (type == "Key_signature")
            key = row[3] + " " + row[4];
        if (type == "Title_t" && row[0] == "1")
            title = row[3];
    }
    EXPECT_EQ(tempo, "600000");
    EXPECT_EQ(signature, "3/2") << "3 beats of a quarter note (2 to the power 2)";
    EXPECT_EQ(key, "3 \"minor\"");
    EXPECT_EQ(title, "\"Band\"");
    // Drums on channel 9, then channels 1 and 2 by track index.
    EXPECT_EQ(programChannel["2"], "9");
    EXPECT_EQ(programChannel["3"], "1");
    EXPECT_EQ(programChannel["4"], "2");
    EXPECT_EQ(channels["2"], std::set<std::string>{"9"});
    // Every note is an on and an off event, plus the two silent notes that end a track.
    EXPECT_EQ(noteOns["2"], 2 * 60 + 2);
    EXPECT_EQ(noteOns["3"], 2 * 40 + 2);
    EXPECT_EQ(noteOns["4"], 2 * 30 + 2);
}

TEST_F(MidiSaveTest, TomOneIsWrittenAsKey41AndReadsBackAsTomSix) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    CTrack drums;
    drums.m_instrument = THING_DRUM_SET;
    drums.Add(MakeNote(0.0, 0.25, 0, 1.0f, THING_TOM_1));
    song.AddTrack(drums);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    EXPECT_NE(bytes.find(std::string("\x99\x29", 2)), std::string::npos)
        << "a note-on of key 41 on channel 9";
    CSong back;
    ASSERT_TRUE(
        midi.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), back));
    ASSERT_EQ(back[0].GetCount(), 1);
    EXPECT_EQ(back[0].m_notes[0].m_midi, 41);
    EXPECT_EQ(back[0].m_notes[0].m_thing, THING_TOM_6);
}

TEST(MidiNamesTest, DrumPiecesAndKeysMapBothWays) {
    // Pieces whose key reads back as the same piece; the toms are mirrored.
    for (THING piece : {THING_BASS_DRUM_1, THING_BASS_DRUM_2, THING_HIHAT_OPEN, THING_HIHAT_CLOSED,
                        THING_HIHAT_FOOT, THING_SNARE_DRUM, THING_RIDE_CYMBAL,
                        THING_RIDE_CYMBAL_BELL, THING_CRASH_CYMBAL_1, THING_CRASH_CYMBAL_2,
                        THING_SPLASH_CYMBAL_1, THING_CHINESE_CYMBAL_1})
        EXPECT_EQ(DrumPieceFromKey(DrumKeyFromPiece(piece)), piece) << GetThingName(piece);
    for (int tom = 0; tom < 6; ++tom)
        EXPECT_EQ(DrumPieceFromKey(DrumKeyFromPiece(static_cast<THING>(THING_TOM_1 + tom))),
                  THING_TOM_6 - tom);
    EXPECT_EQ(DrumKeyFromPiece(THING_OCTOBAN_1), -1);
    EXPECT_STREQ(MidiDrumNoteName(41), "Low Tom 2");
    EXPECT_STREQ(MidiDrumNoteName(87), "Open Surdo");
    EXPECT_EQ(MidiDrumNoteName(88), nullptr);
    char buffer[32];
    EXPECT_STREQ(MidiControllerName(9, buffer, sizeof(buffer)), "Control 9 (0-127)");
    EXPECT_STREQ(MidiControllerName(81, buffer, sizeof(buffer)), "Chord root");
}

TEST_F(MidiSaveTest, TracksAfterTheNinthStepOverTheDrumChannel) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    for (int i = 0; i < 11; ++i) {
        CTrack track;
        track.m_instrument = THING_LEAD_GUITAR;
        track.Add(MakeNote(0.0, 0.5, 60, 1.0f));
        song.AddTrack(track);
    }
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    CSong back;
    ASSERT_TRUE(
        midi.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), back));
    ASSERT_EQ(back.GetTrackCount(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(back[i].m_instrument, THING_LEAD_GUITAR) << "track " << i;
}

TEST_F(MidiSaveTest, UnwritableSongFailsAndKeepsTheOldFile) {
    std::string path = folder.Path("keep.mid");
    CSong good = MakeBand();
    ASSERT_TRUE(midi.Save(path.c_str(), good));
    std::string before = ReadBytes(path);

    CSong bad = MakeBand();
    bad[0].Add(MakeNote(1.0, 0.1, 0, 1.0f, THING_OCTOBAN_1));
    EXPECT_FALSE(midi.Save(path.c_str(), bad));
    EXPECT_EQ(midi.GetError(), "Can't get drum note for instrument 16");
    EXPECT_EQ(ReadBytes(path), before);

    CSong unpitched = MakeBand();
    unpitched[1].Add(MakeNote(1.0, 0.1, MIDI_NO_PITCH, 1.0f));
    EXPECT_FALSE(midi.Save(path.c_str(), unpitched));
    EXPECT_EQ(midi.GetError(), "Bad MIDI note: 255");
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(MidiSaveTest, TrackLayoutAsWritten) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    CTrack bass;
    bass.m_name.Set("B");
    bass.m_instrument = THING_BASS_GUITAR;
    bass.m_volume = 0.5f;
    bass.m_pan = -1.0f;
    CNote note = MakeNote(0.5, 0.25, 40, 1.0f);
    note.Position().string = 4;
    bass.Add(note);
    song.AddTrack(bass);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    // The second MTrk: name, program 33, volume 64, pan 0, reset controllers, then the string
    // controller at the previous event's time and the note-on one beat (960 ticks) in.
    const unsigned char expected[] = {
        0x00, 0xFF, 0x03, 0x01, 'B',  0x00, 0xC0, 33,   0x00, 0xB0, 7,    64,   0x00,
        0xB0, 10,   0,    0x00, 0xB0, 121,  0,    0x00, 0xB0, 16,   4,    0x87, 0x40,
        0x90, 40,   127,  0x83, 0x60, 0x90, 40,   0, // off half a beat later
        0x00, 0x90, 0,    0,    0x87, 0x40, 0x90, 0,    0,    0x00, 0xFF, 0x2F, 0x00};
    std::string body(reinterpret_cast<const char*>(expected), sizeof(expected));
    size_t second = bytes.find("MTrk", bytes.find("MTrk") + 4);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(bytes.substr(second + 8), body);
    EXPECT_EQ(bytes.size() - second - 8, sizeof(expected)) << "chunk length";
    EXPECT_EQ(static_cast<unsigned char>(bytes[second + 7]), sizeof(expected));
}

} // namespace

TEST_F(MidiSaveTest, ANoteEndingARoundingErrorAfterTheNextStartsKeepsBothLengths) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    CTrack lead;
    lead.m_instrument = THING_LEAD_GUITAR;
    // 0.1 + 0.2 is a hair above 0.3: the first note's end falls on the second's tick.
    lead.Add(MakeNote(0.1, 0.2, 60, 1.0f));
    lead.Add(MakeNote(0.3, 0.2, 60, 1.0f));
    song.AddTrack(lead);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    CSong back;
    ASSERT_TRUE(
        midi.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), back));
    ASSERT_EQ(back[0].GetCount(), 2);
    EXPECT_NEAR(back[0].m_notes[0].m_duration, 0.2, 1.0 / CMidiFile::kDivision);
    EXPECT_NEAR(back[0].m_notes[1].m_duration, 0.2, 1.0 / CMidiFile::kDivision);
}
