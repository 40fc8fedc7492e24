#include "song/Song.h"
#include "song/Mix.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CNote MakeNote(double time, double duration, int midi = 60, float volume = 1.0f,
               THING thing = THING_NONE) {
    CNote note;
    note.m_time = time;
    note.m_duration = duration;
    note.m_midi = midi;
    note.m_volume = volume;
    note.m_thing = thing;
    return note;
}

CTrack MakeTrack(THING instrument, std::initializer_list<CNote> notes) {
    CTrack track;
    track.m_instrument = instrument;
    for (const CNote& note : notes)
        track.Add(note);
    return track;
}

// 120 beats per minute in 4/4: a measure lasts 2 seconds.
class SongTest : public ::testing::Test {
protected:
    SongTest() { song.m_header.SetBeatTime(0.5); }
    CSong song;
};

TEST_F(SongTest, MeasuresCountUpToTheLastNotesEnd) {
    int count = -1;
    const std::pair<double, int> ends[] = {{4.0, 2}, {4.1, 3}, {0.0, 0}, {1.99, 1}};
    for (const auto& [end, measures] : ends) {
        ASSERT_TRUE(song.CountMeasures(end, count));
        EXPECT_EQ(count, measures) << end;
    }
    song.AddTrack(MakeTrack(THING_BASS_GUITAR, {MakeNote(0.0, 1.0), MakeNote(3.0, 1.1)}));
    song.AddTrack(MakeTrack(THING_LEAD_GUITAR, {MakeNote(1.0, 1.0)}));
    EXPECT_DOUBLE_EQ(song.GetEndTime(), 4.1);
    ASSERT_TRUE(song.CountMeasures());
    EXPECT_EQ(song.m_header.measureCount, 3);
    song.m_header.beatsPerMeasure = 0;
    EXPECT_FALSE(song.CountMeasures(4.0, count)) << "a time signature of 0 beats";
    EXPECT_EQ(count, 0);
    song.m_header.beatsPerMeasure = 4;
    song.m_header.beatTime = 0.0;
    EXPECT_FALSE(song.CountMeasures(4.0, count));
}

TEST_F(SongTest, TracksAreFoundByIndexOrInstrument) {
    song.AddTrack(MakeTrack(THING_DRUM_SET, {}));
    song.AddTrack(MakeTrack(THING_LEAD_GUITAR, {}));
    CTrack* track = nullptr;
    ASSERT_TRUE(song.GetTrack(1, track));
    EXPECT_EQ(track->m_instrument, THING_LEAD_GUITAR);
    EXPECT_FALSE(song.GetTrack(2, track));
    EXPECT_EQ(track, nullptr);
    EXPECT_EQ(song.GetError(), "Can't get track number 2, 2 tracks in the song");
    EXPECT_FALSE(song.GetTrack(-1, track));
    EXPECT_EQ(song.FindTrack(THING_LEAD_GUITAR), &song[1]);
    EXPECT_EQ(song.FindTrack(THING_BASS_GUITAR), nullptr);
    EXPECT_TRUE(song.SetTrackEnabled(THING_LEAD_GUITAR, false));
    EXPECT_FALSE(song[1].m_enabled);
    EXPECT_FALSE(song.SetTrackEnabled(THING_BASS_GUITAR, false));
}

TEST_F(SongTest, AppendPlacesTheOtherSongAfterTheLastMeasure) {
    CSong other;
    other.m_header = song.m_header;
    other.AddTrack(MakeTrack(THING_DRUM_SET, {MakeNote(0.0, 0.1), MakeNote(0.5, 0.1)}));
    other.AddTrack(MakeTrack(THING_BASS_GUITAR, {MakeNote(0.25, 0.5)}));
    CSong empty;
    ASSERT_TRUE(empty.Append(other));
    EXPECT_EQ(empty.GetTrackCount(), 2) << "an empty song becomes a copy";
    // This song ends at 2.5 s, inside its second measure: the other song starts at 4 s.
    song.AddTrack(MakeTrack(THING_DRUM_SET, {MakeNote(0.0, 0.1), MakeNote(2.4, 0.1)}));
    ASSERT_TRUE(song.Append(other));
    ASSERT_EQ(song.GetTrackCount(), 1) << "only the tracks both songs have";
    ASSERT_EQ(song[0].GetCount(), 4);
    EXPECT_DOUBLE_EQ(song[0].m_notes[2].m_time, 4.0);
    EXPECT_DOUBLE_EQ(song[0].m_notes[3].m_time, 4.5);
    EXPECT_DOUBLE_EQ(other[0].m_notes[0].m_time, 0.0) << "the other song is unchanged";
}

TEST_F(SongTest, MergedTracksAreInTimeOrderWithoutDisabledTracksAndShortGapsClosed) {
    // The legato gap is a 32nd note, 0.5 / 4 * 0.125 = 0.015625 s: the bass leaving 0.01 s
    // grows by it, the lead leaving 0.25 s does not.
    song.AddTrack(MakeTrack(THING_BASS_GUITAR, {MakeNote(0.0, 0.49, 40), MakeNote(1.0, 0.5, 41)}));
    song.AddTrack(MakeTrack(THING_LEAD_GUITAR, {MakeNote(0.5, 0.25, 70), MakeNote(1.5, 1, 71)}));
    song.AddTrack(MakeTrack(THING_RHYTHM_GUITAR, {MakeNote(0.75, 0.5, 55)}));
    song.SetTrackEnabled(THING_RHYTHM_GUITAR, false);
    song[0].m_notes[1].m_time = 0.5; // the bass's second note right after its first
    CNoteList merged;
    ASSERT_TRUE(song.MergeTracks(merged, false));
    std::vector<int> order;
    for (const CNote& note : merged)
        order.push_back(note.m_midi);
    EXPECT_EQ(order, (std::vector<int>{40, 41, 70, 71}));
    EXPECT_NEAR(merged[0].m_duration, 0.49 + 0.015625, 1e-12);
    EXPECT_DOUBLE_EQ(merged[2].m_duration, 0.25);
    CNoteList all;
    ASSERT_TRUE(song.MergeTracks(all, true));
    EXPECT_EQ(all.GetCount(), 5);
}

TEST_F(SongTest, TempoHumanizingAndDrumLengthsWorkOnEveryTrack) {
    song.AddTrack(MakeTrack(THING_BASS_GUITAR, {MakeNote(1.0, 0.5)}));
    song.AddTrack(MakeTrack(THING_DRUM_SET, {MakeNote(2.0, 0.25), MakeNote(2.5, 0.1)}));
    ASSERT_TRUE(song.ScaleTempo(1.0)); // half the tempo
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_time, 2.0);
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_duration, 1.0);
    EXPECT_DOUBLE_EQ(song[1].m_notes[0].m_time, 4.0);
    EXPECT_DOUBLE_EQ(song.m_header.tempo, 60.0);
    ASSERT_TRUE(song.ScaleTempo(0.5)); // a second change starts from the new tempo
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_time, 1.0);
    EXPECT_FALSE(CSong().ScaleTempo(0.5)) << "a song without timing";

    // Drum notes last a whole measure, with cutAtEnd not past the last measure (3 end at 6 s).
    ASSERT_TRUE(song.SetWholeMeasureDurations(false));
    EXPECT_DOUBLE_EQ(song[1].m_notes[1].m_duration, 2.0);
    EXPECT_DOUBLE_EQ(song[0].m_notes[0].m_duration, 0.5) << "only the drum set";
    song[1].m_notes[1].m_time = 5.0;
    song[1].m_notes[1].m_duration = 0.1;
    ASSERT_TRUE(song.SetWholeMeasureDurations(true));
    EXPECT_DOUBLE_EQ(song[1].m_notes[0].m_duration, 2.0);
    EXPECT_DOUBLE_EQ(song[1].m_notes[1].m_duration, 1.0);
    song.m_header.beatUnit = 0;
    EXPECT_FALSE(song.SetWholeMeasureDurations(false));
    song.m_header.beatUnit = 4;

    CTrack lead;
    lead.m_instrument = THING_LEAD_GUITAR;
    for (int i = 0; i < 200; ++i)
        lead.Add(MakeNote(1.0 + i, 0.5, 60, 0.5f));
    song.AddTrack(lead);
    ASSERT_TRUE(song.Humanize(0.2, 1.0)); // a time spread of one beat unit: 0.125 s
    double moved = 0.0;
    for (int i = 0; i < 200; ++i) {
        const CNote& note = song[2].m_notes[i];
        EXPECT_NEAR(note.m_time, 1.0 + i, 0.0625);
        EXPECT_NEAR(note.m_volume, 0.5f, 0.1f + 1e-6f);
        EXPECT_DOUBLE_EQ(note.m_duration, 0.5) << "overlaps are kept, durations unchanged";
        moved += std::abs(note.m_time - (1.0 + i));
    }
    EXPECT_GT(moved / 200, 0.01);
}

TEST_F(SongTest, AMixSetsTrackLevelsAndScalesDrumPieces) {
    CMix mix;
    ASSERT_TRUE(mix.SetEntry(THING_DRUM_SET, 0.5f, 0.5f));
    ASSERT_TRUE(mix.SetEntry(THING_SNARE_DRUM, 0.8f, 0.75f));
    ASSERT_TRUE(mix.SetEntry(THING_HIHAT_CLOSED, 0.4f, -0.25f));
    ASSERT_TRUE(mix.SetEntry(THING_BASS_GUITAR, 0.9f, -0.3f));
    song.AddTrack(MakeTrack(THING_DRUM_SET, {MakeNote(0.0, 0.1, 38, 0.5f, THING_SNARE_DRUM),
                                             MakeNote(0.5, 0.1, 46, 1.0f, THING_HIHAT_OPEN)}));
    song.AddTrack(MakeTrack(THING_BASS_GUITAR, {MakeNote(0.0, 0.1, 40, 0.5f)}));
    ASSERT_TRUE(song.ApplyMix(mix)) << song.GetError().GetText();
    EXPECT_FLOAT_EQ(song[0].m_volume, 0.5f);
    EXPECT_FLOAT_EQ(song[0].m_pan, 0.5f);
    EXPECT_FLOAT_EQ(song[0].m_notes[0].m_volume, 0.5f * 0.8f * 0.5f);
    EXPECT_FLOAT_EQ(song[0].m_notes[0].m_pan, 1.0f) << "0.75 + 0.5 kept within the right edge";
    EXPECT_FLOAT_EQ(song[0].m_notes[1].m_volume, 0.5f * 0.4f);
    EXPECT_FLOAT_EQ(song[0].m_notes[1].m_pan, 0.25f);
    EXPECT_FLOAT_EQ(song[1].m_notes[0].m_volume, 0.9f * 0.5f);
    EXPECT_FLOAT_EQ(song[1].m_notes[0].m_pan, -0.3f);
    song.AddTrack(MakeTrack(THING_DRUM_SET, {MakeNote(0.0, 0.1, 41, 1.0f, THING_TOM_6)}));
    EXPECT_FALSE(song.ApplyMix(mix)) << "tom 6 has no entry";
    EXPECT_NE(song.GetError().Str().find("Tom 6"), std::string::npos) << song.GetError().GetText();
}

} // namespace
