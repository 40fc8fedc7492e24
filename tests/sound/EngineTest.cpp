// The playback engine: summing, mixing a note, scheduling by window, volume, start and stop.
#include "tests/sound/EngineSupport.h"

#include "sound/SampleRoutines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

// A mono sample of the values and a last half-wave of one value, so that the cut at the last
// zero crossing (which drops the value before the wave's last sign change) keeps every value.
CSoundInfo Wave(std::vector<int16_t> values) {
    const int16_t other = values.back() >= 0 ? -1 : 1;
    values.push_back(other);
    values.push_back(static_cast<int16_t>(-other));
    return MakeSample(values);
}

CNote MakeNote(double time, float volume = 1.0f, float pan = 0.0f) {
    CNote note;
    note.m_time = time;
    note.m_volume = volume;
    note.m_pan = pan;
    return note;
}

TEST(Sum, SaturatesSameSignValuesByTheirProductAndAddsMixedSignsPlainly) {
    EXPECT_EQ(CSound::Sum(32767, 32767), 32767);
    EXPECT_EQ(CSound::Sum(-32768, -32768), -32768);
    EXPECT_EQ(CSound::Sum(32767, -32768), -1);
    EXPECT_EQ(CSound::Sum(1000, -300), 700);
    EXPECT_EQ(CSound::Sum(16384, 16384), 32768 - (16384 * 16384) / 32767);
    EXPECT_EQ(CSound::Sum(-16384, -16384), -32768 + (16384 * 16384) / 32768);
    for (int a = -32768; a <= 32767; a += 997) {
        for (int b = -32768; b <= 32767; b += 1009) {
            const int sum = CSound::Sum(static_cast<int16_t>(a), static_cast<int16_t>(b));
            if (a >= 0 && b >= 0) {
                ASSERT_GE(sum, std::max(a, b)) << a << " " << b; // never quieter than the louder
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
        return Next() % 4 == 0 ? edges[Next() % 9] : static_cast<int16_t>(Next());
    }
    uint32_t m_state = 2024;
};

TEST_F(MixKernelTest, ChunkSumsEqualTheSumOfEachPair) {
    std::vector<int16_t> all(65536), partner(65536);
    for (int16_t b : {-32768, -1, 0, 1, 32767}) {
        for (int i = 0; i < 65536; ++i) {
            all[i] = static_cast<int16_t>(i - 32768);
            partner[i] = b;
        }
        CSound::SumInto(all.data(), partner.data(), all.size());
        for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(all[i], CSound::Sum(static_cast<int16_t>(i - 32768), b)) << i << " + " << b;
    }
    for (size_t count : {1u, 7u, 9u, 100003u}) {
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

TEST_F(MixKernelTest, MixingANoteIsTruncateTimesVolumeThenPanThenSum) {
    APP_SETTINGS settings;
    CNoteManager manager;
    CSound sound(settings, manager); // MixNote needs no open device
    for (int round = 0; round < 40; ++round) {
        const uint32_t count = 1 + Next() % 3000;
        std::vector<int16_t> values(count);
        for (int16_t& value : values)
            value = RandomValue();
        const CSoundInfo sample = MakeSample(values);
        // The first rounds take the factors that leave a side as it is.
        static const float fixedVolumes[] = {1.0f, 1.0f, 0.5f, 1.0f};
        static const float fixedPans[] = {0.0f, 0.5f, -1.0f, 1.0f};
        const float volume = round < 4 ? fixedVolumes[round] : float(Next() % 1001) / 1000.0f;
        const float pan = round < 4 ? fixedPans[round] : float(int(Next() % 2001) - 1000) / 1000.0f;
        std::vector<int16_t> out(2 * count + 64);
        for (int16_t& value : out)
            value = RandomValue();
        std::vector<int16_t> expected = out;
        for (uint32_t i = 0; i < FindZeroCrossing(sample, count); ++i) {
            const auto v = static_cast<int16_t>(static_cast<float>(values[i]) * volume);
            int16_t left = v, right = v;
            if (pan > 0)
                left = static_cast<int16_t>((1.0f - pan) * static_cast<float>(v));
            else if (pan < 0)
                right = static_cast<int16_t>((1.0f + pan) * static_cast<float>(v));
            expected[2 * i] = CSound::Sum(expected[2 * i], left);
            expected[2 * i + 1] = CSound::Sum(expected[2 * i + 1], right);
        }
        ASSERT_TRUE(sound.MixNote(reinterpret_cast<uint8_t*>(out.data()),
                                  static_cast<uint32_t>(out.size() * 2), sample,
                                  MakeNote(0.0, volume, pan)));
        ASSERT_EQ(out, expected) << "round " << round << ", " << count << " values";
    }
    uint8_t none[4] = {};
    EXPECT_FALSE(sound.MixNote(none, 0, Wave({5}), MakeNote(0.0)));
    EXPECT_EQ(sound.GetErrorText(), "Mixng zero sizes");
}

TEST(Attenuation, FollowsTheLogOfTheVolumeInHundredthsOfADecibel) {
    const std::pair<float, int32_t> cases[] = {{0.0f, -10000}, {0.04f, -10000}, {0.05f, -4322},
                                               {0.25f, -2000}, {0.5f, -1000},   {1.0f, 0},
                                               {1.5f, 0}};
    for (const auto& [volume, attenuation] : cases)
        EXPECT_EQ(CSound::GetAttenuation(volume), attenuation) << volume;
}

// An engine over small synthetic sample sets, on a stepped virtual device.
class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = new CTempFolder;
        ASSERT_TRUE(WriteTestSampleSets(s_folder->File("")));
    }
    static void TearDownTestSuite() { delete s_folder; }
    void SetUp() override {
        ASSERT_TRUE(m_rig.Open(s_folder->File(""))) << m_rig.sound->GetErrorText();
    }

    CSound& Sound() { return *m_rig.sound; }
    uint32_t Chunk() { return Sound().GetChunkSize(); }
    // Stores a sample under the solo guitar, which no set uses, for MIDI note 60.
    void StoreSample(const CSoundInfo& sample) {
        CSoundInfo stored = sample;
        stored.note.m_thing = THING_SOLO_GUITAR;
        stored.note.m_midi = 60;
        ASSERT_TRUE(Sound().GetSamples().AddSound(stored));
    }
    static CNote SoloNote(double time) {
        CNote note = MakeNote(time);
        note.m_thing = THING_SOLO_GUITAR;
        note.m_midi = 60;
        return note;
    }
    // Fills the next window of the stream into a scratch buffer; its values.
    const int16_t* Fill(bool& mixed) {
        m_scratch.assign(2 * Chunk(), 0);
        EXPECT_TRUE(Sound().Fill(m_scratch.data(), Chunk(), Chunk(), &mixed));
        return reinterpret_cast<const int16_t*>(m_scratch.data());
    }

    static CTempFolder* s_folder;
    ENGINE_RIG m_rig;
    std::vector<uint8_t> m_scratch;
};
CTempFolder* EngineTest::s_folder = nullptr;

TEST_F(EngineTest, NotesAreMixedWithTheirVolumeAndPanUntilTheirWaveCrossesZero) {
    std::vector<int16_t> out(2 * 300, 0);
    auto mix = [&](const CSoundInfo& sample, const CNote& note) {
        ASSERT_TRUE(Sound().MixNote(reinterpret_cast<uint8_t*>(out.data()),
                                    uint32_t(out.size() * 2), sample, note));
    };
    mix(Wave({1001, -1001, 7, 32767}), MakeNote(0.0, 1.0f, 0.5f)); // right: the left is halved
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 8),
              (std::vector<int16_t>{500, 1001, -500, -1001, 3, 7, 16383, 32767}));
    out.assign(out.size(), 0);
    mix(Wave({10000}), MakeNote(0.0, 0.5f, -0.25f));
    EXPECT_EQ(out[0], 5000);
    EXPECT_EQ(out[1], 3750);
    // A note of 0.01 s (441 values) over a wave that changes sign every 22 values: the cut
    // falls back to the change between 439 and 440 and drops the value before it.
    std::vector<int16_t> square(4410);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 22) % 2 == 0 ? 8000 : -8000;
    out.assign(2 * 5000, 0);
    CNote shortNote = MakeNote(0.0);
    shortNote.m_duration = 0.01;
    mix(MakeSample(square), shortNote);
    EXPECT_EQ(out[2 * 438], -8000);
    EXPECT_EQ(out[2 * 439], 0);
}

TEST_F(EngineTest, AWindowTakesTheNotesThatStartInIt) {
    StoreSample(Wave(std::vector<int16_t>(50, 9000)));
    CNoteList notes;
    notes.Add(SoloNote(0.0));
    notes.Add(SoloNote(5.0)); // at the window's end: it waits for the next window
    ASSERT_TRUE(Sound().SetNotes(notes));
    bool mixed = false;
    const int16_t* frames = Fill(mixed);
    EXPECT_TRUE(mixed);
    EXPECT_EQ(frames[0], 9000);
    EXPECT_EQ(frames[Chunk() / 2], 0);
    EXPECT_DOUBLE_EQ(Sound().GetPosition(), 5.0);
    EXPECT_EQ(Fill(mixed)[0], 9000);
    Fill(mixed);
    EXPECT_FALSE(mixed);
    EXPECT_DOUBLE_EQ(Sound().GetPosition(), 15.0);

    notes.RemoveAll();
    CNote octoban = MakeNote(16.0);
    octoban.m_thing = THING_OCTOBAN_1;
    notes.Add(octoban);
    ASSERT_TRUE(Sound().SetNotes(notes));
    EXPECT_FALSE(Sound().Fill(m_scratch.data(), Chunk(), Chunk(), &mixed));
    EXPECT_EQ(Sound().GetErrorText(), "Can't get instrument 16");
}

TEST_F(EngineTest, ANoteLateInAWindowRingsThroughTheNextAndIsCutAfterIt) {
    std::vector<int16_t> values(12 * 44100); // twelve seconds of a 100 Hz square wave
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = (i / 220) % 2 == 0 ? 6000 : -6000;
    StoreSample(MakeSample(values));
    CNoteList notes;
    notes.Add(SoloNote(4.9));
    ASSERT_TRUE(Sound().SetNotes(notes));
    bool mixed = false;
    const int16_t* frames = Fill(mixed);
    const uint32_t start = SecondsToBytes(4.9, GetStreamFormat().format) / 4;
    EXPECT_EQ(frames[2 * (start - 1)], 0);
    EXPECT_EQ(frames[2 * start], 6000);
    EXPECT_NE(frames[2 * (2 * Chunk() / 4 - 1)], 0); // still sounding at 9.99 s
    frames = Fill(mixed);
    EXPECT_FALSE(mixed);
    EXPECT_EQ(std::count(frames, frames + Chunk() / 2, 0), static_cast<long>(Chunk() / 2));
}

TEST_F(EngineTest, ARepeatedListSoundsOncePerPeriod) {
    StoreSample(Wave(std::vector<int16_t>(10, 7000)));
    CNoteList notes;
    notes.Add(SoloNote(0.5));
    ASSERT_TRUE(Sound().SetVolume(1.0f));
    ASSERT_TRUE(Sound().Start(notes, 2.0, 3));
    m_rig.device->KeepFrames(44100 * 8);
    m_rig.Play(8.0);
    const int16_t* frames = m_rig.device->GetKeptFrames();
    std::vector<size_t> onsets;
    for (size_t i = 1; i < m_rig.device->GetKeptCount(); ++i)
        if (frames[2 * i] != 0 && frames[2 * (i - 1)] == 0)
            onsets.push_back(i);
    EXPECT_EQ(onsets, (std::vector<size_t>{22050, 110250, 198450})); // 0.5, 2.5 and 4.5 s
}

TEST_F(EngineTest, PlayedSecondsFollowTheCursorRoundTheLoopingStream) {
    StoreSample(Wave(std::vector<int16_t>(10, 7000)));
    CNoteList notes;
    notes.Add(SoloNote(0.0));
    double seconds = -1.0;
    EXPECT_FALSE(Sound().GetPlayedSeconds(seconds));
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    // Past the fifteen-second stream twice, in steps of a second and a part.
    for (double played : {2.5, 16.0, 31.25}) {
        m_rig.Play(played - (seconds < 0.0 ? 0.0 : seconds));
        ASSERT_TRUE(Sound().GetPlayedSeconds(seconds));
        EXPECT_NEAR(seconds, played, 1e-4);
    }
    ASSERT_TRUE(Sound().Stop());
    EXPECT_FALSE(Sound().GetPlayedSeconds(seconds));
}

TEST_F(EngineTest, StopSilencesAndStartPlaysAtTheVolumeSetBeforeIt) {
    StoreSample(Wave(std::vector<int16_t>(44100, 10000)));
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
    m_rig.device->KeepFrames(1000);
    m_rig.device->Step(1000);
    // -10 dB of 10000, from the start of the list again.
    EXPECT_NEAR(m_rig.device->GetKeptFrames()[0], 10000 * std::pow(10.0, -1000 / 2000.0), 2.0);

    APP_SETTINGS settings;
    CSound closed(settings, m_rig.notes);
    CTempFolder folder;
    const std::string record = folder.File("out.wav");
    EXPECT_FALSE(closed.Start(notes, 0.0, 0, record.c_str()));
    EXPECT_EQ(closed.GetErrorText(),
              "Device is not initialized.\nPlease go to Audio Settings and select the device");
    EXPECT_FALSE(closed.IsRecording());
    EXPECT_FALSE(std::filesystem::exists(record));
}

TEST_F(EngineTest, TheTimerWakesTheSoundThreadToKeepTheChunkAfterThePlayingOneWritten) {
    EXPECT_TRUE(Sound().CheckStream()); // stopped: nothing to do
    EXPECT_EQ(Sound().GetWrittenChunk(), 0);
    CNoteList notes = MakeTestPractice(4, 120.0, m_rig.notes);
    ASSERT_TRUE(Sound().Start(notes, 0.0, 0));
    EXPECT_EQ(Sound().GetWrittenChunk(), 1);
    EXPECT_TRUE(Sound().OnTimer(1)); // another timer: nothing happens
    EXPECT_TRUE(Sound().OnTimer(SOUND_TIMER_ID));
    Sound().GetThread()->Command(SOUND_COMMAND_CHECK, true); // waits for the thread
    EXPECT_EQ(Sound().GetWrittenChunk(), 2);
    const int expected[] = {2, 2, 2, 2, 3, 3, 3, 3, 3, 1, 1, 1, 1, 1, 2};
    for (int second = 0; second < 15; ++second) {
        m_rig.device->Step(44100);
        ASSERT_TRUE(Sound().CheckStream());
        EXPECT_EQ(Sound().GetWrittenChunk(), expected[second]) << "after " << second + 1 << " s";
    }
    ASSERT_TRUE(Sound().Close());
    EXPECT_FALSE(Sound().CheckStream());
    EXPECT_FALSE(Sound().IsInitialized());
    EXPECT_EQ(Sound().GetSamples().GetSampleCount(), 0u);
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
    m_rig.device->Step(5 * 44100); // the one-shot buffer is five seconds long and stops there
    EXPECT_FALSE(Sound().GetOneShot()->IsPlaying());
}

} // namespace
