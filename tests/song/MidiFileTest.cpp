#include "song/MidiFile.h"
#include "song/MidiNames.h"
#include "song/Song.h"

#include "tests/core/TempFolder.h"
#include "tests/song/MidiCsv.h"
#include "tests/song/MidiTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace {

class MidiLoadTest : public ::testing::Test {
protected:
    bool Load(const CSmfBuilder& smf) {
        return midi.LoadFromMemory(smf.Data(), smf.Size(), song, "test.mid");
    }
    // A format-1 file: a tempo track of 120 beats per minute and one track of events.
    bool LoadTrack(std::initializer_list<int> events) {
        CSmfBuilder smf;
        smf.Header(1, 2).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}).Track(events);
        return Load(smf);
    }
    CMidiFile midi;
    CSong song;
};

TEST_F(MidiLoadTest, TheFirstTrackOfAFormatOneFileGivesTheSongsHeader) {
    CSmfBuilder smf;
    smf.Header(1, 1).Track({0x00, 0xFF, 0x03, 0x04, 'B',  'l',  'u',  'e',  // name
                            0x00, 0xFF, 0x02, 0x02, '(',  'c',              // copyright
                            0x00, 0xFF, 0x01, 0x03, 'a',  'b',  'c',        // text
                            0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08, // 3/8
                            0x00, 0xFF, 0x59, 0x02, 0xFE, 0x01,             // 2 flats, minor
                            0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0});     // 600000 us
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    EXPECT_EQ(song.GetTrackCount(), 0);
    const SONG_HEADER& header = song.m_header;
    EXPECT_EQ(header.name, "Blue");
    EXPECT_EQ(header.copyright, "(c");
    EXPECT_EQ(header.text, "abc");
    EXPECT_EQ(header.beatsPerMeasure, 3);
    EXPECT_EQ(header.beatUnit, 8);
    EXPECT_EQ(header.key, -2);
    EXPECT_EQ(header.scale, 1);
    EXPECT_DOUBLE_EQ(header.tempo, 100.0);
    EXPECT_DOUBLE_EQ(header.beatTime, 0.6);
    EXPECT_EQ(header.file, "test.mid");
}

TEST_F(MidiLoadTest, AFormatZeroTrackIsTrackOneWithItsProgramsInstrument) {
    CSmfBuilder smf;
    smf.Header(0, 1).Track({0x00, 0xFF, 0x03, 0x01, 'T',              // a track name only
                            0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, // 1 s per beat
                            0x00, 0xC0, 33,                           // electric bass
                            0x00, 0x90, 40,   100,  0x83, 0x60, 0x80, 40, 0});
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song.GetTrackCount(), 1);
    const CTrack& track = song[0];
    EXPECT_EQ(track.m_trackNumber, 1);
    EXPECT_EQ(track.m_name, "T");
    EXPECT_EQ(song.m_header.name, "") << "only a format-1 file's first track names the song";
    EXPECT_EQ(track.m_instrument, THING_BASS_GUITAR);
    EXPECT_EQ(track.m_instrumentName, "Electric Bass (finger)");
    ASSERT_EQ(track.GetCount(), 1);
    EXPECT_DOUBLE_EQ(track.m_notes[0].m_duration, 1.0);
    EXPECT_EQ(track.m_notes[0].m_thing, THING_BASS_GUITAR);
    EXPECT_DOUBLE_EQ(track.m_header.beatTime, 1.0) << "the header is copied into the tracks";

    const struct {
        int status, program;
        THING instrument;
        const char* name;
    } programs[] = {{0xC2, 24, THING_RHYTHM_GUITAR, "Acoustic Guitar (nylon)"},
                    {0xC2, 28, THING_RHYTHM_GUITAR, "Electric Guitar (muted)"},
                    {0xC2, 29, THING_LEAD_GUITAR, "Overdriven Guitar"},
                    {0xC2, 30, THING_SOLO_GUITAR, "Distortion Guitar"},
                    {0xC2, 31, THING_LEAD_GUITAR, "Guitar harmonics"},
                    {0xC2, 32, THING_BASS_GUITAR, "Acoustic Bass"},
                    {0xC2, 39, THING_BASS_GUITAR, "Synth Bass 2"},
                    {0xC2, 23, THING_NONE, "Tango Accordion"},
                    {0xC2, 40, THING_NONE, "Violin"},
                    {0xC9, 25, THING_DRUM_SET, "Drum set"}}; // any program on the drum channel
    for (const auto& p : programs) {
        CSmfBuilder one;
        one.Header(0, 1).Track({0x00, p.status, p.program});
        ASSERT_TRUE(Load(one));
        EXPECT_EQ(song[0].m_instrument, p.instrument) << p.program;
        EXPECT_EQ(song[0].m_instrumentName, p.name) << p.program;
    }
}

TEST_F(MidiLoadTest, ANoteEndsAtItsNoteOffOrZeroVelocityOnOrItsKeyStruckAgain) {
    // Note-off; note-on of velocity 0; the same with running status.
    for (int end : {0x80, 0x90, -1}) {
        ASSERT_TRUE(end < 0 ? LoadTrack({0x00, 0x90, 60, 64, 0x83, 0x60, 60, 0x00})
                            : LoadTrack({0x00, 0x90, 60, 64, 0x83, 0x60, end, 60, 0x00}));
        ASSERT_EQ(song[0].GetCount(), 1) << end;
        const CNote& note = song[0].m_notes[0];
        EXPECT_EQ(note.m_midi, 60);
        EXPECT_DOUBLE_EQ(note.m_time, 0.0);
        EXPECT_DOUBLE_EQ(note.m_duration, 0.5);
        EXPECT_NEAR(note.m_volume, 64 / 127.0, 1e-6);
    }
    ASSERT_TRUE(
        LoadTrack({0x00, 0x90, 52, 100, 0x83, 0x60, 0x90, 52, 90, 0x87, 0x40, 0x80, 52, 0}));
    ASSERT_EQ(song[0].GetCount(), 2);
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_duration, 0.5);
    EXPECT_DOUBLE_EQ(song[0].m_notes[1].m_time, 0.5);
    EXPECT_DOUBLE_EQ(song[0].m_notes[1].m_duration, 1.0);
    EXPECT_NEAR(song[0].m_notes[1].m_volume, 90 / 127.0, 1e-6);
    // Notes 253 and 254 are markers of the grooves; a note left on at the end is dropped.
    ASSERT_TRUE(LoadTrack({0x00, 0x90, 254, 10, 0x10, 0x80, 254, 0, 0x00, 0x90, 253, 1}));
    ASSERT_EQ(song[0].GetCount(), 1);
    EXPECT_EQ(song[0].m_notes[0].m_midi, 254);
}

TEST_F(MidiLoadTest, DrumKeysReadAsThePiecesOfTheKit) {
    ASSERT_TRUE(
        LoadTrack({0x00, 0x99, 41, 100, 0x00, 50, 100, 0x00, 40, 100, 0x00, 38, 100, 0x00, 56, 100,
                   0x83, 0x60, 41, 0,   0x00, 50, 0,   0x00, 40, 0,   0x00, 38, 0,   0x00, 56, 0}));
    EXPECT_EQ(song[0].m_instrument, THING_DRUM_SET);
    std::map<int, THING> pieces;
    for (const CNote& note : song[0].m_notes)
        pieces[note.m_midi] = note.m_thing;
    EXPECT_EQ(pieces[41], THING_TOM_6) << "key 41 is the low tom, the kit's tom 6";
    EXPECT_EQ(pieces[50], THING_TOM_1);
    EXPECT_EQ(pieces[40], THING_SNARE_DRUM);
    EXPECT_EQ(pieces[38], THING_SNARE_DRUM);
    EXPECT_EQ(pieces[56], THING_NONE) << "the kit has no cowbell";
    // Pieces written as a key read back as themselves; the toms are mirrored.
    for (int thing = THING_BASS_DRUM_1; thing <= THING_CHINESE_CYMBAL_2; ++thing) {
        const int key = DrumKeyFromPiece(thing);
        const bool tom = thing >= THING_TOM_1 && thing <= THING_TOM_6;
        if (key >= 0) {
            EXPECT_EQ(DrumPieceFromKey(key), tom ? THING_TOM_6 - (thing - THING_TOM_1) : thing)
                << thing;
        }
    }
    EXPECT_EQ(DrumKeyFromPiece(THING_OCTOBAN_1), -1);
    EXPECT_STREQ(MidiDrumNoteName(87), "Open Surdo");
    EXPECT_EQ(MidiDrumNoteName(88), nullptr);
}

TEST_F(MidiLoadTest, ControllersSetTrackLevelsAndTheTabAndChordOfTheNextNoteOnly) {
    ASSERT_TRUE(LoadTrack({0x00, 0xB0, 7,  127,  0x00, 10,   0, // volume, pan hard left
                           0x00, 80,   5,  0x00, 81,   45,      // chord type 5 on A
                           0x00, 16,   3,  0x00, 17,   7,    0x00, 18, 2,    0x00, 19, 16, // tab
                           0x00, 0x90, 64, 100,  0x60, 0x80, 64,   0,  0x00, 0x90, 65, 100,
                           0x60, 0x80, 65, 0}))
        << midi.GetError().GetText();
    const CTrack& track = song[0];
    EXPECT_FLOAT_EQ(track.m_volume, 1.0f);
    EXPECT_FLOAT_EQ(track.m_pan, -1.0f);
    ASSERT_EQ(track.GetCount(), 2);
    const CNote& first = track.m_notes[0];
    EXPECT_EQ(first.Position(), (FRET_SLOT{3, 7, 0.0f, INT_NOT_SET, 2, 16}));
    EXPECT_EQ(first.m_chordType, 5);
    EXPECT_EQ(first.m_chordRoot, 45);
    EXPECT_EQ(track.m_notes[1].Position(), FRET_SLOT());
    EXPECT_EQ(track.m_notes[1].m_chordType, 0);
    EXPECT_EQ(track.m_notes[1].m_chordRoot, 255);
    char buffer[32];
    EXPECT_STREQ(MidiControllerName(9, buffer, sizeof(buffer)), "Control 9 (0-127)");
    EXPECT_STREQ(MidiControllerName(81, buffer, sizeof(buffer)), "Chord root");
}

TEST_F(MidiLoadTest, UnknownChunksAndSystemExclusiveEventsAreSkippedAndTheTraceShowsEachEvent) {
    CSmfBuilder smf;
    smf.Header(0, 1).Chunk("XFIH", std::string(5, '\x90'));
    smf.Track({0x00, 0xF0, 0x03, 0x43, 0x12, 0xF7, 0x00, 0xB0, 16, 2, 0x87, 0x40, 0x90, 60, 100,
               0x60, 0x80, 60, 0});
    smf.Raw({'M', 'T', 'r'}); // fewer than 8 bytes left: the end of the file
    ASSERT_TRUE(Load(smf)) << midi.GetError().GetText();
    ASSERT_EQ(song.GetTrackCount(), 1);
    EXPECT_EQ(song[0].GetCount(), 1);
    const std::string trace = midi.GetTrace().Str();
    for (const char* line : {"Control  16, 'Guitar tab - string number' = 2, channel=0",
                             "0960,   1.000 sec", "Note on, note  60, velocity 100, channel=0"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace;
    ASSERT_TRUE(Load(smf));
    EXPECT_EQ(midi.GetTrace().Str(), trace) << "a new load starts a new trace";
}

TEST_F(MidiLoadTest, BrokenFilesFailWithTheirMessageKeepingWhatWasRead) {
    const struct {
        std::vector<int> track; // the events of the one track of a format-0 file
        const char* message;
    } cases[] = {
        {{0x00, 0x90, 200, 10}, "Bad MIDI note: 200"},
        {{0x00, 0x90, 60, 128}, "Bad note velocity: 128"},
        {{0x00, 0x90, 60}, "Not enough data for a note: 1"},
        {{0x00, 0xB0, 200, 1}, "Bad control type: 200"},
        {{0x00, 0xB0, 7, 200}, "Bad control value: 200"},
        {{0x00, 0xB0}, "Not enough data for a control event: 0"},
        {{0x00, 0xC0, 130}, "Bad program number: 130"},
        {{0x00, 0xC0}, "Not enough data for a program change: 0"},
        {{0x00, 0xF1, 0x00}, "Unknown MIDI type F1"},
        {{0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'},
         "Not enough data for a meta event: need 33554431, have only 1 left"},
        {{0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0xF7},
         "Not enough data for a system-exclusive event: need 33554431, have only 1 left"},
        {{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1}, "Bad delta time in track 1 at byte 4"},
        {{0x00, 60, 100}, "Data byte 3C without a running status in track 1"},
        {{0x00, 0xFF, 0x51, 0x03, 0, 0, 0}, "Bad tempo: 0 microseconds per beat"},
    };
    for (const auto& c : cases) {
        std::string body(c.track.begin(), c.track.end());
        CSmfBuilder smf;
        smf.Header(0, 1).Chunk("MTrk", body);
        EXPECT_FALSE(Load(smf)) << c.message;
        EXPECT_EQ(midi.GetError(), c.message);
    }
    CSmfBuilder lying;
    lying.Header(1, 2).Raw({'M', 'T', 'r', 'k', 0x7F, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 60, 1});
    EXPECT_FALSE(Load(lying));
    EXPECT_EQ(midi.GetError(), "Not enought data in the file for the chunk data: need "
                               "2147483647, have only 4 left");
    // The first track whole, the second as far as it was read.
    CSmfBuilder smf;
    smf.Header(1, 3).Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    smf.Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0}).Track({0x00, 0x90, 61, 130});
    EXPECT_FALSE(Load(smf));
    EXPECT_EQ(midi.GetError(), "Bad note velocity: 130");
    ASSERT_EQ(song.GetTrackCount(), 2);
    EXPECT_EQ(song[0].GetCount(), 1);
    EXPECT_EQ(song[1].GetCount(), 0);
    CTempFolder folder;
    const std::string path = folder.File("none.mid");
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
    CTrack drums, bass, rhythm;
    drums.m_name.Set("Drums");
    drums.m_instrument = THING_DRUM_SET;
    drums.m_volume = 0.8f;
    drums.m_pan = 0.25f;
    const THING pieces[] = {THING_BASS_DRUM_1, THING_HIHAT_CLOSED, THING_SNARE_DRUM,
                            THING_TOM_1,       THING_TOM_6,        THING_RIDE_CYMBAL_BELL};
    for (int i = 0; i < 60; ++i)
        drums.Add(MakeNote(i * 0.3, 0.1, 0, 0.3f + (i % 7) * 0.1f, pieces[i % 6]));
    bass.m_name.Set("Bass");
    bass.m_instrument = THING_BASS_GUITAR;
    bass.m_pan = -0.5f;
    for (int i = 0; i < 40; ++i) {
        CNote note = MakeNote(i * 0.45 + 0.0137 * (i % 3), 0.4, 28 + i % 12, 0.9f);
        note.Position().string = 1 + i % 4;
        note.Position().fret = i % 12;
        bass.Add(note);
    }
    rhythm.m_name.Set("Rhythm");
    rhythm.m_instrument = THING_RHYTHM_GUITAR;
    rhythm.m_volume = 0.5f;
    for (int i = 0; i < 10; ++i)
        for (int string = 1; string <= 3; ++string) {
            CNote note = MakeNote(i * 1.8, 1.7, 52 + 4 * string + i % 5, 0.7f);
            note.Position() = FRET_SLOT{string,      i % 5 + 2, 0.0f,
                                        INT_NOT_SET, string,    string == 1 ? FRET_MODE_START : 0};
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

TEST_F(MidiSaveTest, ARoundTripKeepsTheHeaderTracksNotesLevelsTabAndChords) {
    CSong song = MakeBand();
    const std::string path = folder.File("band.mid");
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
    ASSERT_EQ(back.GetTrackCount(), 3);
    const double tick = 0.6 / CMidiFile::kDivision;
    for (int t = 0; t < 3; ++t) {
        const CTrack& a = song[t];
        const CTrack& b = back[t];
        EXPECT_EQ(b.m_name, a.m_name);
        EXPECT_EQ(b.m_instrument, a.m_instrument);
        EXPECT_EQ(b.m_trackNumber, t + 2) << "the header track is chunk 1";
        EXPECT_NEAR(b.m_volume, a.m_volume, 0.5 / 127);
        EXPECT_NEAR(b.m_pan, a.m_pan, 1.0 / 63.5);
        ASSERT_EQ(b.GetCount(), a.GetCount());
        for (int i = 0; i < a.GetCount(); ++i) {
            const CNote& x = a.m_notes[i];
            const CNote& y = b.m_notes[i];
            EXPECT_NEAR(y.m_time, x.m_time, tick) << t << " " << i;
            EXPECT_NEAR(y.m_duration, x.m_duration, 2 * tick) << t << " " << i;
            EXPECT_NEAR(y.m_volume, x.m_volume, 0.5 / 127) << t << " " << i;
            EXPECT_EQ(y.Position(), x.Position()) << t << " " << i;
            EXPECT_EQ(y.m_chordType, x.m_chordType) << t << " " << i;
            EXPECT_EQ(y.m_chordRoot, x.m_chordRoot) << t << " " << i;
            // The toms are numbered the other way round in the file.
            const bool tom = x.m_thing >= THING_TOM_1 && x.m_thing <= THING_TOM_6;
            EXPECT_EQ(a.IsDrumSet() ? int(y.m_thing) : y.m_midi,
                      a.IsDrumSet() ? (tom ? THING_TOM_6 - (x.m_thing - THING_TOM_1) : x.m_thing)
                                    : x.m_midi)
                << t << " " << i;
        }
    }
}

TEST_F(MidiSaveTest, ALongTrackDoesNotDriftAndTracksAfterTheNinthStepOverTheDrumChannel) {
    CSong song;
    song.m_header.SetBeatTime(0.5);
    CTrack lead;
    lead.m_instrument = THING_LEAD_GUITAR;
    // Times that never fall on a tick: rounding each gap would add up over the track.
    for (int i = 0; i < 3000; ++i)
        lead.Add(MakeNote(i * 0.1003, 0.05, 60 + i % 12, 1.0f));
    for (int i = 0; i < 11; ++i)
        song.AddTrack(lead);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    CSong back;
    ASSERT_TRUE(
        midi.LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), back));
    ASSERT_EQ(back.GetTrackCount(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(back[i].m_instrument, THING_LEAD_GUITAR) << "track " << i;
    ASSERT_EQ(back[10].GetCount(), 3000);
    EXPECT_NEAR(back[10].m_notes[2999].m_time, 2999 * 0.1003, 0.5 / CMidiFile::kDivision);
}

TEST_F(MidiSaveTest, AnIndependentReaderSeesTheSameFile) {
    const std::string path = folder.File("csv.mid");
    ASSERT_TRUE(midi.Save(path.c_str(), MakeBand()));
    int status = 0;
    const auto rows = MidiCsv(path, status);
    ASSERT_EQ(status, 0) << "midicsv failed (is it installed? scripts/install-deps)";
    ASSERT_GE(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "0", "Header", "1", "4", "960"}));
    std::map<std::string, std::string> seen; // "type@track" -> its values
    std::map<std::string, std::set<std::string>> channels;
    std::map<std::string, int> noteOns;
    for (const auto& row : rows) {
        if (row.size() < 4)
            continue;
        std::string values;
        for (size_t i = 3; i < row.size(); ++i)
            values += (i > 3 ? " " : "") + row[i];
        seen[row[2] + "@" + row[0]] = values;
        if (row[2] == "Note_on_c") {
            ++noteOns[row[0]];
            channels[row[0]].insert(row[3]);
        }
    }
    EXPECT_EQ(seen["Tempo@1"], "600000");
    EXPECT_EQ(seen["Time_signature@1"].substr(0, 4), "3 2 ") << "3 beats of a quarter (2^2)";
    EXPECT_EQ(seen["Key_signature@1"], "3 \"minor\"");
    EXPECT_EQ(seen["Title_t@1"], "\"Band\"");
    // Drums on channel 9, then channels 1 and 2 by track index.
    EXPECT_EQ(seen["Program_c@2"].substr(0, 2), "9 ");
    EXPECT_EQ(seen["Program_c@3"], "1 33");
    EXPECT_EQ(seen["Program_c@4"], "2 27");
    EXPECT_EQ(channels["2"], std::set<std::string>{"9"});
    // Every note is an on and an off event, plus the two silent notes that end a track.
    EXPECT_EQ(noteOns["2"], 2 * 60 + 2);
    EXPECT_EQ(noteOns["4"], 2 * 30 + 2);
}

TEST_F(MidiSaveTest, ATrackIsWrittenAsTheseBytes) {
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
    CTrack drums;
    drums.m_instrument = THING_DRUM_SET;
    drums.Add(MakeNote(0.0, 0.25, 0, 1.0f, THING_TOM_1));
    song.AddTrack(drums);
    std::string bytes;
    ASSERT_TRUE(midi.SaveToMemory(song, bytes));
    // The second MTrk: name, program 33, volume 64, pan 0, reset controllers, then the string
    // controller at the previous event's time and the note-on one beat (960 ticks) in.
    const unsigned char expected[] = {
        0x00, 0xFF, 0x03, 0x01, 'B',  0x00, 0xC0, 33,   0x00, 0xB0, 7,    64,   0x00,
        0xB0, 10,   0,    0x00, 0xB0, 121,  0,    0x00, 0xB0, 16,   4,    0x87, 0x40,
        0x90, 40,   127,  0x83, 0x60, 0x90, 40,   0, // off half a beat later
        0x00, 0x90, 0,    0,    0x87, 0x40, 0x90, 0,    0,    0x00, 0xFF, 0x2F, 0x00};
    const size_t second = bytes.find("MTrk", bytes.find("MTrk") + 4);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(bytes[second + 7]), sizeof(expected)) << "chunk length";
    EXPECT_EQ(bytes.substr(second + 8, sizeof(expected)),
              std::string(reinterpret_cast<const char*>(expected), sizeof(expected)));
    // Tom 1 is the kit's lowest tom: General MIDI key 41 on channel 9.
    EXPECT_NE(bytes.find(std::string("\x99\x29", 2)), std::string::npos);
}

TEST_F(MidiSaveTest, ASongThatCannotBeWrittenFailsAndKeepsTheOldFile) {
    const std::string path = folder.File("keep.mid");
    ASSERT_TRUE(midi.Save(path.c_str(), MakeBand()));
    const std::string before = CTempFolder::Slurp(path);
    CSong bad = MakeBand();
    bad[0].Add(MakeNote(1.0, 0.1, 0, 1.0f, THING_OCTOBAN_1));
    EXPECT_FALSE(midi.Save(path.c_str(), bad));
    EXPECT_EQ(midi.GetError(), "Can't get drum note for instrument 16");
    CSong unpitched = MakeBand();
    unpitched[1].Add(MakeNote(1.0, 0.1, MIDI_NO_PITCH, 1.0f));
    EXPECT_FALSE(midi.Save(path.c_str(), unpitched));
    EXPECT_EQ(midi.GetError(), "Bad MIDI note: 255");
    EXPECT_EQ(CTempFolder::Slurp(path), before);
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
