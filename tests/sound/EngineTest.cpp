// The playback engine: summing, mixing a note, scheduling by window, volume, start and stop.
#include "tests/sound/EngineSupport.h"

#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// A mono sample of the given values and a last half-wave of one value, so that the cut at the
// last zero crossing (which drops the value before the wave's last sign change) keeps every
// value given.
CSoundInfo MakeSample(const std::vector<int16_t>& values) {
    CSoundInfo sample;
    sample.format = MonoFormat();
    std::vector<int16_t> all(values);
    const int16_t other = values.back() >= 0 ? -1 : 1;
    all.push_back(other);
    all.push_back(static_cast<int16_t>(-other));
    sample.Allocate(static_cast<uint32_t>(all.size() * 2));
    std::memcpy(sample.GetValues(), all.data(), all.size() * 2);
    return sample;
}

// MixNote needs no open device: an engine that is only constructed.
CSound& EngineFree() {
    static APP_SETTINGS settings;
    static CNoteManager manager;
    static CSound sound(settings, manager);
    return sound;
}

CNote MakeNote(double time, float volume = 1.0f, float pan = 0.0f) {
    CNote note;
    note.m_time = time;
    note.m_volume = volume;
    note.m_pan = pan;
    return note;
}

class SumTest : public ::testing::Test {};

TEST_F(SumTest, FullScaleValuesSaturateInsteadOfWrapping) {
    EXPECT_EQ(CSound::Sum(32767, 32767), 32767);
    EXPECT_EQ(CSound::Sum(-32768, -32768), -32768);
    EXPECT_EQ(CSound::Sum(32767, -32768), -1);
}

TEST_F(SumTest, SmallValuesOfMixedSignAddPlainly) {
    EXPECT_EQ(CSound::Sum(1000, -300), 700);
    EXPECT_EQ(CSound::Sum(0, 1234), 1234);
    EXPECT_EQ(CSound::Sum(-1234, 0), -1234);
}

TEST_F(SumTest, SameSignValuesLoseTheirProductShare) {
    // 16384 + 16384 - 16384 * 16384 / 32767 = 32768 - 8192 (truncated).
    EXPECT_EQ(CSound::Sum(16384, 16384), 32768 - (16384 * 16384) / 32767);
    EXPECT_EQ(CSound::Sum(-16384, -16384), -32768 + (16384 * 16384) / 32768);
}

TEST_F(SumTest, NeverLeavesTheRangeAndNeverMovesAwayFromTheLouderInput) {
    for (int a = -32768; a <= 32767; a += 997) {
        for (int b = -32768; b <= 32767; b += 1009) {
            const int sum = CSound::Sum(static_cast<int16_t>(a), static_cast<int16_t>(b));
            ASSERT_GE(sum, -32768);
            ASSERT_LE(sum, 32767);
            if (a >= 0 && b >= 0) {
                ASSERT_GE(sum, std::max(a, b)) << a << " " << b;
            }
            if (a < 0 && b < 0) {
                ASSERT_LE(sum, std::min(a, b)) << a << " " << b;
            }
        }
    }
}

// The vectorised loops against the plain definitions, over edges and many random values.
class MixKernelTest : public ::testing::Test {
protected:
    uint32_t Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    int16_t RandomValue() {
        static const int16_t edges[] = {-32768, -32767, -16384, -1, 0, 1, 16384, 32766, 32767};
        if (Next() % 4 == 0)
            return edges[Next() % 9];
        return static_cast<int16_t>(Next());
    }
    uint32_t m_state = 2024;
};

TEST_F(MixKernelTest, ChunkSumsEqualTheSumOfEachPair) {
    for (size_t count : {1u, 7u, 8u, 9u, 1000u, 100003u}) {
        std::vector<int16_t> target(count), source(count), expected(count);
        for (size_t i = 0; i < count; ++i) {
            target[i] = RandomValue();
            source[i] = RandomValue();
            expected[i] = CSound::Sum(target[i], source[i]);
        }
        CSound::SumInto(target.data(), source.data(), count);
        ASSERT_EQ(target, expected) << count << " values";
    }
}

TEST_F(MixKernelTest, EveryValueSummedWithTheExtremesMatchesThePlainSum) {
    std::vector<int16_t> all(65536), partner(65536);
    for (int16_t b : {-32768, -32767, -1, 0, 1, 32767}) {
        for (int i = 0; i < 65536; ++i) {
            all[i] = static_cast<int16_t>(i - 32768);
            partner[i] = b;
        }
        CSound::SumInto(all.data(), partner.data(), all.size());
        for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(all[i], CSound::Sum(static_cast<int16_t>(i - 32768), b)) << i << " + " << b;
    }
}

TEST_F(MixKernelTest, MixingMatchesTheDefinitionFrameByFrame) {
    for (int round = 0; round < 40; ++round) {
        const uint32_t count = 1 + Next() % 3000;
        CSoundInfo sample;
        sample.format = MonoFormat();
        ASSERT_TRUE(sample.Allocate(count * 2));
        for (uint32_t i = 0; i < count; ++i)
            sample.GetValues()[i] = RandomValue();
        // The first rounds take the factors that leave a side as it is.
        static const float fixedVolumes[] = {1.0f, 1.0f, 0.5f, 1.0f};
        static const float fixedPans[] = {0.0f, 0.5f, -1.0f, 1.0f};
        float volume = static_cast<float>(Next() % 1001) / 1000.0f;
        float pan = static_cast<float>(static_cast<int>(Next() % 2001) - 1000) / 1000.0f;
        if (round < 4) {
            volume = fixedVolumes[round];
            pan = fixedPans[round];
        }
        std::vector<int16_t> out(2 * count + 64), expected;
        for (int16_t& value : out)
            value = RandomValue();
        expected = out;
        // The definition: truncate(value x volume), then the pan on one side, then Sum.
        const uint32_t kept = FindZeroCrossing(sample, count);
        for (uint32_t i = 0; i < kept; ++i) {
            const auto v = static_cast<int16_t>(static_cast<float>(sample.GetValues()[i]) * volume);
            int16_t left = v, right = v;
            if (pan > 0)
                left = static_cast<int16_t>((1.0f - pan) * static_cast<float>(v));
            else if (pan < 0)
                right = static_cast<int16_t>((1.0f + pan) * static_cast<float>(v));
            expected[2 * i] = CSound::Sum(expected[2 * i], left);
            expected[2 * i + 1] = CSound::Sum(expected[2 * i + 1], right);
        }
        CNote note;
        note.m_volume = volume;
        note.m_pan = pan;
        EngineFree().MixNote(reinterpret_cast<uint8_t*>(out.data()),
                             static_cast<uint32_t>(out.size() * 2), sample, note);
        ASSERT_EQ(out, expected) << "round " << round << ", " << count << " values";
    }
}

class AttenuationTest : public ::testing::TestWithParam<std::pair<float, int32_t>> {};

TEST_P(AttenuationTest, FollowsThe3322Law) {
    EXPECT_EQ(CSound::GetAttenuation(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Volumes, AttenuationTest,
                         ::testing::Values(std::make_pair(0.04f, -10000),
                                           std::make_pair(0.0f, -10000),
                                           std::make_pair(0.5f, -1000), std::make_pair(1.0f, 0),
                                           // Halving again lowers by another ten decibels.
                                           std::make_pair(0.25f, -2000),
                                           std::make_pair(0.05f, -4322), std::make_pair(1.5f, 0)));

// An engine over small synthetic sample sets, on a stepped virtual device.
class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = MakeTempFolder("engine");
        ASSERT_TRUE(WriteTestSampleSets(s_folder));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_folder); }
    void SetUp() override { ASSERT_TRUE(m_rig.Open(s_folder)) << m_rig.sound->GetErrorText(); }

    CSound& Sound() { return *m_rig.sound; }
    uint32_t Chunk() { return Sound().GetChunkSize(); }

    // Adds a sample to the store under the solo guitar, which no set uses, for MIDI note 60.
    void StoreSample(const CSoundInfo& sample) {
        CSoundInfo stored = sample;
        stored.note.m_thing = THING_SOLO_GUITAR;
        stored.note.m_midi = 60;
        ASSERT_TRUE(Sound().GetSamples().AddSound(stored));
    }
    CNote SoloNote(double time) {
        CNote note = MakeNote(time);
        note.m_thing = THING_SOLO_GUITAR;
        note.m_midi = 60;
        return note;
    }
    const int16_t* Scratch(const std::vector<uint8_t>& buffer) {
        return reinterpret_cast<const int16_t*>(buffer.data());
    }

    static std::string s_folder;
    ENGINE_RIG m_rig;
};
std::string EngineTest::s_folder;

TEST_F(EngineTest, StreamGeometryIsFifteenSecondsInThreeChunks) {
    EXPECT_EQ(Sound().GetStreamSize(), 2646000u);
    EXPECT_EQ(Chunk(), 882000u);
    EXPECT_EQ(Sound().GetStream()->GetFrequency(), 44100u);
    EXPECT_EQ(Sound().GetOneShot()->GetSize(), 882000u);
}

TEST_F(EngineTest, TwoFullScaleNotesAtOnceSumTo32767) {
    std::vector<uint8_t> out(4000, 0);
    const CSoundInfo sample = MakeSample(std::vector<int16_t>(100, 32767));
    const CNote note = MakeNote(0.0, 1.0f, 0.0f);
    ASSERT_TRUE(Sound().MixNote(out.data(), 4000, sample, note));
    ASSERT_TRUE(Sound().MixNote(out.data(), 4000, sample, note));
    const int16_t* frames = Scratch(out);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(frames[i], 32767) << "value " << i;
    EXPECT_EQ(frames[200], 0);
}

TEST_F(EngineTest, PanToTheRightHalvesTheLeftSideTruncated) {
    std::vector<uint8_t> out(400, 0);
    const CSoundInfo sample = MakeSample({1001, -1001, 7, -7, 32767});
    ASSERT_TRUE(Sound().MixNote(out.data(), 400, sample, MakeNote(0.0, 1.0f, 0.5f)));
    const int16_t* frames = Scratch(out);
    const int expectedLeft[] = {500, -500, 3, -3, 16383};
    const int expectedRight[] = {1001, -1001, 7, -7, 32767};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(frames[2 * i], expectedLeft[i]) << "frame " << i;
        EXPECT_EQ(frames[2 * i + 1], expectedRight[i]) << "frame " << i;
    }
}

TEST_F(EngineTest, PanToTheLeftAndVolumeScaleTheRightSide) {
    std::vector<uint8_t> out(40, 0);
    const CSoundInfo sample = MakeSample({10000});
    ASSERT_TRUE(Sound().MixNote(out.data(), 40, sample, MakeNote(0.0, 0.5f, -0.25f)));
    const int16_t* frames = Scratch(out);
    EXPECT_EQ(frames[0], 5000);
    EXPECT_EQ(frames[1], 3750);
}

TEST_F(EngineTest, AShortNoteEndsWhereItsWaveCrossesZero) {
    // A 1 kHz-ish square wave: crossings every 22 values.
    std::vector<int16_t> values(4410);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = (i / 22) % 2 == 0 ? 8000 : -8000;
    const CSoundInfo sample = MakeSample(values);
    CNote note = MakeNote(0.0);
    note.m_duration = 0.01; // 441 values: the cut falls back to the crossing before
    std::vector<uint8_t> out(4 * 5000, 0);
    ASSERT_TRUE(Sound().MixNote(out.data(), static_cast<uint32_t>(out.size()), sample, note));
    const int16_t* frames = Scratch(out);
    int last = -1;
    for (int i = 0; i < 5000; ++i) {
        if (frames[2 * i] != 0)
            last = i;
    }
    // The note's end (0.01 s, value 441) falls in the half-wave 440..461; the wave last changed
    // sign between 439 and 440, and the cut drops the value before that change.
    EXPECT_EQ(last + 1, 439);
    EXPECT_EQ(values[last], -8000);
}

TEST_F(EngineTest, MixingIntoNoRoomFails) {
    uint8_t out[4] = {};
    EXPECT_FALSE(Sound().MixNote(out, 0, MakeSample({5}), MakeNote(0.0)));
    EXPECT_EQ(Sound().GetErrorText(), "Mixng zero sizes");
}

TEST_F(EngineTest, ANoteAtTheWindowsEndWaitsForTheNextWindow) {
    StoreSample(MakeSample(std::vector<int16_t>(50, 9000)));
    CNoteList notes;
    notes.Add(SoloNote(0.0));
    notes.Add(SoloNote(5.0));
    ASSERT_TRUE(Sound().SetNotes(notes));
    std::vector<uint8_t> scratch(2 * Chunk());
    bool mixed = false;
    ASSERT_TRUE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_TRUE(mixed);
    EXPECT_EQ(Scratch(scratch)[0], 9000);
    // Had the note at 5.0 s been taken now, it would sound at the start of the room.
    EXPECT_EQ(Scratch(scratch)[Chunk() / 2], 0);
    EXPECT_DOUBLE_EQ(Sound().GetPosition(), 5.0);

    ASSERT_TRUE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_TRUE(mixed);
    EXPECT_EQ(Scratch(scratch)[0], 9000);
    ASSERT_TRUE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_FALSE(mixed);
    EXPECT_DOUBLE_EQ(Sound().GetPosition(), 15.0);
}

TEST_F(EngineTest, ANoteLateInAWindowRingsThroughTheNextAndIsCutAfterIt) {
    // Twelve seconds of a 100 Hz square wave.
    std::vector<int16_t> values(12 * 44100);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = (i / 220) % 2 == 0 ? 6000 : -6000;
    StoreSample(MakeSample(values));
    CNoteList notes;
    notes.Add(SoloNote(4.9));
    ASSERT_TRUE(Sound().SetNotes(notes));
    std::vector<uint8_t> scratch(2 * Chunk());
    bool mixed = false;
    ASSERT_TRUE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    const int16_t* frames = Scratch(scratch);
    const uint32_t start = SecondsToBytes(4.9, GetStreamFormat().format) / 4;
    EXPECT_EQ(frames[2 * (start - 1)], 0);
    EXPECT_EQ(frames[2 * start], 6000);
    // Still sounding in the last frame of the room (9.99 s)...
    const uint32_t lastFrame = 2 * Chunk() / 4 - 1;
    EXPECT_NE(frames[2 * lastFrame], 0);
    // ...and nothing of it in the window after.
    ASSERT_TRUE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_FALSE(mixed);
    for (uint32_t i = 0; i < Chunk(); ++i)
        ASSERT_EQ(scratch[i], 0);
}

TEST_F(EngineTest, ANoteWithoutASampleFailsTheFillWithItsInstrument) {
    CNoteList notes;
    CNote note = MakeNote(1.0);
    note.m_thing = THING_OCTOBAN_1;
    notes.Add(note);
    ASSERT_TRUE(Sound().SetNotes(notes));
    std::vector<uint8_t> scratch(2 * Chunk());
    bool mixed = false;
    EXPECT_FALSE(Sound().Fill(scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_EQ(Sound().GetErrorText(), "Can't get instrument 16");
}

TEST_F(EngineTest, ARepeatedListSoundsOncePerPeriod) {
    StoreSample(MakeSample(std::vector<int16_t>(10, 7000)));
    CNoteList notes;
    notes.Add(SoloNote(0.5));
    ASSERT_TRUE(Sound().SetVolume(1.0f));
    ASSERT_TRUE(Sound().Start(notes, 2.0, 3));
    // Three repetitions: at 0.5, 2.5 and 4.5 s, all in the first chunk.
    m_rig.device->KeepFrames(44100 * 8);
    m_rig.Play(8.0);
    const int16_t* frames = m_rig.device->GetKeptFrames();
    int onsets = 0;
    for (size_t i = 1; i < m_rig.device->GetKeptCount(); ++i) {
        if (frames[2 * i] != 0 && frames[2 * (i - 1)] == 0) {
            EXPECT_EQ(i % 88200, 22050u) << "onset at frame " << i;
            ++onsets;
        }
    }
    EXPECT_EQ(onsets, 3);
}

TEST_F(EngineTest, StopThenStartPlaysAtTheVolumeSetBeforeStart) {
    StoreSample(MakeSample(std::vector<int16_t>(44100, 10000)));
    CNoteList notes;
    notes.Add(SoloNote(0.0));
    ASSERT_TRUE(Sound().SetVolume(0.8f));
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    EXPECT_EQ(Sound().GetStream()->GetVolume(), CSound::GetAttenuation(0.8f));
    ASSERT_TRUE(Sound().Stop());
    EXPECT_EQ(Sound().GetStream()->GetVolume(), -10000);
    EXPECT_FALSE(Sound().GetStream()->IsPlaying());
    EXPECT_EQ(Sound().GetVolume(), 0.0f);

    ASSERT_TRUE(Sound().SetVolume(0.5f));
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    EXPECT_EQ(Sound().GetStream()->GetVolume(), -1000);
    m_rig.device->KeepFrames(1000);
    m_rig.device->Step(1000);
    // -10 dB of 10000, from the start of the list again.
    const int16_t first = m_rig.device->GetKeptFrames()[0];
    EXPECT_NEAR(first, 10000 * std::pow(10.0, -1000 / 2000.0), 2.0);
}

TEST_F(EngineTest, StartWithoutAnOpenDeviceFailsAndRecordsNothing) {
    APP_SETTINGS settings;
    CNoteManager manager;
    ASSERT_TRUE(manager.Initialize());
    CSound closed(settings, manager);
    const std::string folder = MakeTempFolder("record");
    const std::string record = folder + "out.wav";
    CNoteList notes;
    notes.Add(SoloNote(0.0));
    EXPECT_FALSE(closed.Start(notes, 0.0, 0, record.c_str()));
    EXPECT_EQ(closed.GetErrorText(),
              "Device is not initialized.\nPlease go to Audio Settings and select the device");
    EXPECT_FALSE(closed.IsRecording());
    EXPECT_FALSE(std::filesystem::exists(record));
    std::filesystem::remove_all(folder);
}

TEST_F(EngineTest, CheckStreamKeepsTheChunkAfterThePlayingOneWritten) {
    CNoteList notes = MakeTestPractice(4, 120.0, m_rig.notes);
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    EXPECT_EQ(Sound().GetWrittenChunk(), 1);
    ASSERT_TRUE(Sound().CheckStream());
    EXPECT_EQ(Sound().GetWrittenChunk(), 2);
    const int expected[] = {2, 2, 2, 2, 3, 3, 3, 3, 3, 1, 1, 1, 1, 1, 2};
    for (int second = 0; second < 15; ++second) {
        m_rig.device->Step(44100);
        ASSERT_TRUE(Sound().CheckStream());
        EXPECT_EQ(Sound().GetWrittenChunk(), expected[second]) << "after " << second + 1 << " s";
    }
}

TEST_F(EngineTest, CheckStreamOfAClosedEngineFailsAndOfAStoppedOneDoesNothing) {
    EXPECT_TRUE(Sound().CheckStream());
    EXPECT_EQ(Sound().GetWrittenChunk(), 0);
    ASSERT_TRUE(Sound().Close());
    EXPECT_FALSE(Sound().CheckStream());
    EXPECT_FALSE(Sound().IsInitialized());
    EXPECT_EQ(Sound().GetSamples().GetSampleCount(), 0u);
}

TEST_F(EngineTest, TheTimerWakesTheSoundThreadToRefill) {
    CNoteList notes = MakeTestPractice(4, 120.0, m_rig.notes);
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    EXPECT_TRUE(Sound().OnTimer(1)); // another timer: nothing happens
    EXPECT_TRUE(Sound().OnTimer(SOUND_TIMER_ID));
    // The command is handled on the thread; wait for it without a fixed sleep.
    Sound().GetThread()->Command(SOUND_COMMAND_CHECK, true);
    EXPECT_EQ(Sound().GetWrittenChunk(), 2);
}

TEST_F(EngineTest, PlaySamplePlaysOnceFromTheStartAndThenFallsSilent) {
    CSoundInfo tone;
    tone.format = GetStreamFormat().format;
    tone.format.formatTag = WAVE_FORMAT_PCM;
    tone.format.extraSize = 0;
    ASSERT_TRUE(tone.Allocate(4 * 100));
    for (int i = 0; i < 200; ++i)
        tone.GetValues()[i] = static_cast<int16_t>(1000 + i);
    m_rig.device->KeepFrames(1000);
    ASSERT_TRUE(Sound().PlaySample(tone));
    m_rig.device->Step(500);
    const int16_t* frames = m_rig.device->GetKeptFrames();
    EXPECT_EQ(frames[0], 1000);
    EXPECT_EQ(frames[199], 1199);
    EXPECT_EQ(frames[200], 0);
    // The one-shot buffer is five seconds long and stops at its end.
    m_rig.device->Step(5 * 44100);
    EXPECT_FALSE(Sound().GetOneShot()->IsPlaying());
}

} // namespace
