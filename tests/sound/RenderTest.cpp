// Offline rendering, mixing recordings, the sample clean-up steps and the tone generator.
#include "tests/sound/EngineSupport.h"

#include "sound/Render.h"
#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

WAVE_FORMAT Format(uint16_t channels, uint32_t rate) {
    WAVE_FORMAT format;
    format.formatTag = WAVE_FORMAT_PCM;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(channels * 2);
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

bool WriteWave(const std::string& path, const WAVE_FORMAT& format,
               const std::vector<int16_t>& values) {
    CSoundInfo sample;
    sample.format = format;
    if (!sample.Allocate(static_cast<uint32_t>(values.size() * 2)))
        return false;
    if (!values.empty())
        std::memcpy(sample.GetValues(), values.data(), values.size() * 2);
    CSoundFile file;
    return file.Save(path.c_str(), sample);
}

bool ReadWave(const std::string& path, CSoundInfo& sample) {
    CSoundFile file;
    return file.Read(path.c_str(), sample);
}

class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_samples = MakeTempFolder("render-samples");
        ASSERT_TRUE(WriteTestSampleSets(s_samples));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(s_samples); }
    void SetUp() override {
        m_out = MakeTempFolder("render");
        ASSERT_TRUE(m_rig.Open(s_samples)) << m_rig.sound->GetErrorText();
    }
    void TearDown() override { std::filesystem::remove_all(m_out); }

    CNote Hit(double time) {
        CNote note;
        note.m_thing = THING_SNARE_DRUM;
        note.m_time = time;
        return note;
    }

    static std::string s_samples;
    std::string m_out;
    ENGINE_RIG m_rig;
};
std::string RenderTest::s_samples;

TEST_F(RenderTest, NotesOfTheFirstWindowGiveAChunkAndTheirCutRingOut) {
    CNoteList notes;
    notes.Add(Hit(0.0));
    notes.Add(Hit(4.95)); // rings 0.2 s into the second window
    const std::string path = m_out + "first.wav";
    ASSERT_TRUE(m_rig.sound->RenderToWave(notes, path.c_str())) << m_rig.sound->GetErrorText();
    std::vector<int16_t> values;
    ASSERT_TRUE(ReadFrames(path, values));
    const size_t frames = values.size() / 2;
    // The whole first chunk, then the ring-out of the second up to its last sound.
    EXPECT_GT(frames, 5u * 44100);
    EXPECT_LT(frames, static_cast<size_t>(5.2 * 44100));
    EXPECT_TRUE(values[values.size() - 2] != 0 || values[values.size() - 1] != 0);
    EXPECT_NE(values[0], 0);
}

TEST_F(RenderTest, AWindowWithoutANoteStartEndsTheSong) {
    CNoteList notes;
    notes.Add(Hit(1.0));
    notes.Add(Hit(16.0)); // after a rest of fifteen seconds: the window 5-10 s is empty
    const std::string path = m_out + "rest.wav";
    ASSERT_TRUE(m_rig.sound->RenderToWave(notes, path.c_str()));
    std::vector<int16_t> values;
    ASSERT_TRUE(ReadFrames(path, values));
    // The first chunk whole, and nothing of the note after the rest.
    ASSERT_EQ(values.size() / 2, 5u * 44100);
    const auto loud = std::find_if(values.begin() + 2 * 44100 * 2, values.end(),
                                   [](int16_t v) { return v != 0; });
    EXPECT_EQ(loud, values.end());
    EXPECT_NE(values[2 * 44100], 0);
}

TEST_F(RenderTest, AnEmptyListRendersAnEmptyFile) {
    CNoteList notes;
    const std::string path = m_out + "empty.wav";
    ASSERT_TRUE(m_rig.sound->RenderToWave(notes, path.c_str()));
    std::vector<int16_t> values;
    ASSERT_TRUE(ReadFrames(path, values));
    EXPECT_TRUE(values.empty());
}

TEST_F(RenderTest, AClosedEngineCannotRender) {
    ASSERT_TRUE(m_rig.sound->Close());
    CNoteList notes;
    notes.Add(Hit(0.0));
    const std::string path = m_out + "closed.wav";
    EXPECT_FALSE(m_rig.sound->RenderToWave(notes, path.c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(), "Mixng zero sizes");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(RenderTest, AMissingInstrumentFailsTheRendering) {
    CNoteList notes;
    CNote note = Hit(6.0);
    note.m_thing = THING_OCTOBAN_2;
    notes.Add(Hit(0.0));
    notes.Add(note);
    EXPECT_FALSE(m_rig.sound->RenderToWave(notes, (m_out + "missing.wav").c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(), "Can't get instrument 17");
}

TEST_F(RenderTest, MixingFilesOfDifferentRatesFailsAndWritesNothing) {
    const std::string a = m_out + "a.wav", b = m_out + "b.wav", out = m_out + "mixed.wav";
    ASSERT_TRUE(WriteWave(a, Format(2, 44100), std::vector<int16_t>(2 * 4410, 100)));
    ASSERT_TRUE(WriteWave(b, Format(2, 22050), std::vector<int16_t>(2 * 4410, 100)));
    EXPECT_FALSE(m_rig.sound->MixFiles(a.c_str(), 0.0, b.c_str(), out.c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(), "Formats don't match");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(RenderTest, MixingFromTheStartLastsAsLongAsTheShorterFile) {
    const std::string a = m_out + "a.wav", b = m_out + "b.wav", out = m_out + "mixed.wav";
    ASSERT_TRUE(WriteWave(a, Format(2, 44100), std::vector<int16_t>(2 * 3 * 44100, 20000)));
    ASSERT_TRUE(WriteWave(b, Format(2, 44100), std::vector<int16_t>(2 * 5 * 44100, -5000)));
    ASSERT_TRUE(m_rig.sound->MixFiles(a.c_str(), 0.0, b.c_str(), out.c_str()));
    CSoundInfo mixed;
    ASSERT_TRUE(ReadWave(out, mixed));
    EXPECT_EQ(mixed.size, 3u * 176400);
    EXPECT_EQ(mixed.GetValues()[0], 15000);
    EXPECT_EQ(mixed.GetValues()[mixed.GetValueCount() - 1], 15000);
}

TEST_F(RenderTest, MixingFromALaterStartSkipsThatMuchOfBoth) {
    const std::string a = m_out + "a.wav", b = m_out + "b.wav", out = m_out + "mixed.wav";
    std::vector<int16_t> ramp(2 * 44100);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i / 2 % 1000);
    ASSERT_TRUE(WriteWave(a, Format(2, 44100), ramp));
    ASSERT_TRUE(WriteWave(b, Format(2, 44100), std::vector<int16_t>(2 * 44100, -1)));
    ASSERT_TRUE(m_rig.sound->MixFiles(a.c_str(), 0.5, b.c_str(), out.c_str()));
    CSoundInfo mixed;
    ASSERT_TRUE(ReadWave(out, mixed));
    EXPECT_EQ(mixed.size, 88200u);
    EXPECT_EQ(mixed.GetValues()[0], (22050 % 1000) - 1);
}

TEST_F(RenderTest, MixingFromBeyondTheShorterFileFailsAndKeepsBothRecordings) {
    const std::string a = m_out + "a.wav", b = m_out + "b.wav", out = m_out + "mixed.wav";
    ASSERT_TRUE(WriteWave(a, Format(2, 44100), std::vector<int16_t>(2 * 44100, 1)));
    ASSERT_TRUE(WriteWave(b, Format(2, 44100), std::vector<int16_t>(2 * 2 * 44100, 1)));
    EXPECT_FALSE(m_rig.sound->MixFiles(a.c_str(), 1.5, b.c_str(), out.c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(),
              "Nothing to mix: the start at 1.50 s lies beyond the end of the shorter recording "
              "(1.00 s)");
    EXPECT_TRUE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(RenderTest, MixingAnUnreadableFileNamesIt) {
    const std::string a = m_out + "a.wav", missing = m_out + "none.wav";
    ASSERT_TRUE(WriteWave(a, Format(2, 44100), std::vector<int16_t>(8, 1)));
    EXPECT_FALSE(m_rig.sound->MixFiles(a.c_str(), 0.0, missing.c_str(), (m_out + "o.wav").c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(),
              ("Can't read file (" + missing + "): Can't open file").c_str());
}

// A recording as the sample recorder makes it: silence, a swing that starts below the
// threshold, then a long decaying tone.
std::vector<int16_t> Recording(double peak, double seconds, bool noisy = true) {
    std::vector<int16_t> values(static_cast<size_t>(seconds * 44100), 0);
    // The noise floor of a microphone: small values that cross zero all the time. Without it,
    // digital silence, which never crosses zero.
    uint32_t state = 12345;
    for (int16_t& value : values) {
        state = state * 1664525u + 1013904223u;
        value = noisy ? static_cast<int16_t>(static_cast<int32_t>(state >> 27) - 16) : 0;
    }
    const size_t start = 4410;
    for (size_t i = start; i < values.size(); ++i) {
        const double t = static_cast<double>(i - start) / 44100.0;
        const double envelope = std::min(1.0, t * 50.0) * std::exp(-0.3 * t);
        values[i] = static_cast<int16_t>(values[i] +
                                         peak * 32767.0 * envelope * std::sin(2 * M_PI * 220 * t));
    }
    return values;
}

class CleanUpTest : public RenderTest, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(NoisyOrSilentLeadIn, CleanUpTest, ::testing::Bool());

TEST_P(CleanUpTest, CleaningUpARecordingNormalisesThenTrimsIt) {
    const std::string path = m_out + "sample.wav";
    const std::vector<int16_t> original = Recording(0.3, 8.0, GetParam());
    ASSERT_TRUE(WriteWave(path, Format(1, 44100), original));
    CCharString error;
    ASSERT_TRUE(NormalizeFile(path.c_str(), 0.7f, error)) << error;
    CSoundInfo sample;
    ASSERT_TRUE(ReadWave(path, sample));
    EXPECT_NEAR(GetPeak(sample.GetBytes(), sample.size, sample.format), 0.7f, 0.0001f);

    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 5.0f, nullptr, error)) << error;
    ASSERT_TRUE(ReadWave(path, sample));
    const int16_t* values = sample.GetValues();
    const uint32_t count = sample.GetValueCount();
    EXPECT_LE(sample.size, 5u * 88200);
    EXPECT_GT(sample.size, 4u * 88200);
    // Starts at the zero crossing just before the first swing above 5 % of full scale: within
    // one period (200 values at 220 Hz) of it, quiet until it, and near zero.
    const auto threshold = static_cast<int16_t>(0.05f * 32767.0);
    uint32_t firstLoud = 0;
    while (firstLoud < count && values[firstLoud] < threshold)
        ++firstLoud;
    EXPECT_LT(firstLoud, 200u);
    for (uint32_t i = 0; i < firstLoud; ++i)
        ASSERT_LT(std::abs(values[i]), threshold) << i;
    // The steepest step of this wave is about 720 per value, so a value at a crossing is below.
    EXPECT_LT(std::abs(values[0]), 720);
    EXPECT_LT(std::abs(values[count - 1]), 720);
}

TEST_F(RenderTest, ASilentRecordingPassesBothStepsUnchanged) {
    const std::string path = m_out + "silent.wav";
    std::vector<int16_t> quiet(44100, 0);
    quiet[100] = 20; // below 0.001 of full scale
    ASSERT_TRUE(WriteWave(path, Format(1, 44100), quiet));
    CCharString error;
    ASSERT_TRUE(NormalizeFile(path.c_str(), 0.7f, error));
    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 5.0f, nullptr, error));
    CSoundInfo sample;
    ASSERT_TRUE(ReadWave(path, sample));
    ASSERT_EQ(sample.GetValueCount(), quiet.size());
    EXPECT_EQ(std::memcmp(sample.GetValues(), quiet.data(), quiet.size() * 2), 0);
}

TEST_F(RenderTest, TrimmingAMissingFileSaysWhichOne) {
    CCharString error;
    const std::string path = m_out + "absent.wav";
    EXPECT_FALSE(TrimFile(path.c_str(), 0.05f, 5.0f, nullptr, error));
    EXPECT_EQ(error, ("Can't read file (" + path + "): Can't open file").c_str());
    EXPECT_FALSE(NormalizeFile(path.c_str(), 0.7f, error));
    EXPECT_EQ(error, ("Can't read file (" + path + "): Can't open file").c_str());
}

TEST_F(RenderTest, TrimKeepsAtMostTheLongestTimeAndWritesToAnotherFileWhenAsked) {
    const std::string path = m_out + "long.wav", out = m_out + "short.wav";
    ASSERT_TRUE(WriteWave(path, Format(1, 44100), Recording(0.7, 4.0)));
    CCharString error;
    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 1.0f, out.c_str(), error));
    CSoundInfo trimmed, original;
    ASSERT_TRUE(ReadWave(out, trimmed));
    ASSERT_TRUE(ReadWave(path, original));
    EXPECT_LE(trimmed.size, 88200u);
    EXPECT_GT(trimmed.size, 88200u - 2 * 500); // a 220 Hz wave crosses zero every 100 values
    EXPECT_EQ(original.size, 4u * 88200);
}

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = MakeTempFolder("generator");
        m_settings.wavePath = m_folder.c_str();
        m_sample.format = GetStreamFormat().format;
    }
    // Some tests point the wave folder elsewhere; the folder made here goes all the same.
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // Largest magnitude of the left channel within a few periods around t seconds of envelope
    // time (frame = t / dt).
    double LevelAt(double t, double length) {
        const uint32_t frames = m_sample.size / 4;
        const double dt = length / (frames - 1);
        const auto centre = static_cast<int64_t>(t / dt);
        int peak = 0;
        for (int64_t i = centre - 120; i <= centre + 120; ++i) {
            if (i >= 0 && i < frames)
                peak = std::max(peak, std::abs(static_cast<int>(m_sample.GetValues()[2 * i])));
        }
        return peak / 32767.0;
    }

    std::string m_folder;
    APP_SETTINGS m_settings;
    CSoundInfo m_sample;
};

TEST_F(GeneratorTest, DefaultsGiveThreeSecondsAndAreSavedAsGeneratedWav) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones = GetDefaultTones();
    ASSERT_EQ(tones.GetCount(), 6u);
    ASSERT_TRUE(generator.Generate(tones, m_sample));
    EXPECT_EQ(m_sample.size / 4, 132300u);
    EXPECT_EQ(m_sample.size, 529200u);
    const std::string saved = std::string(m_settings.wavePath.GetText()) + "Generated.wav";
    EXPECT_EQ(generator.GetOutputPath(), saved.c_str());
    CSoundInfo back;
    ASSERT_TRUE(ReadWave(saved, back));
    EXPECT_EQ(back.size, 529200u);
    EXPECT_EQ(back.format.channels, 2);
}

TEST_F(GeneratorTest, TheBaseToneFollowsItsEnvelope) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones;
    tones.Add(GetDefaultTones()[0]);
    ASSERT_TRUE(generator.Generate(tones, m_sample));
    EXPECT_NEAR(LevelAt(0.1, 2.5), 0.5, 0.01);
    EXPECT_NEAR(LevelAt(0.3, 2.5), 0.35, 0.01);
    EXPECT_NEAR(LevelAt(2.3, 2.5), 0.2, 0.01);
    EXPECT_NEAR(LevelAt(2.5, 2.5), 0.0, 0.01);
    EXPECT_NEAR(LevelAt(1.3, 2.5), 0.275, 0.01); // half-way through the sustain
}

TEST_F(GeneratorTest, AToneKeepsItsPitchAtTheRealRate) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones;
    tones.Add(GetDefaultTones()[0]);
    ASSERT_TRUE(generator.Generate(tones, m_sample));
    // Count upward zero crossings of the left channel over one second of the sustain.
    const int16_t* values = m_sample.GetValues();
    int crossings = 0;
    for (uint32_t i = 44100; i < 2 * 44100; ++i) {
        if (values[2 * (i - 1)] < 0 && values[2 * i] >= 0)
            ++crossings;
    }
    EXPECT_NEAR(crossings, 440, 1);
}

TEST_F(GeneratorTest, PanSplitsAHarmonicBetweenTheSides) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones;
    GEN_SOUND_INFO tone = GetDefaultTones()[0];
    tone.pan = 0.9;
    tones.Add(tone);
    ASSERT_TRUE(generator.Generate(tones, m_sample));
    int left = 0, right = 0;
    for (uint32_t i = 0; i < m_sample.size / 4; ++i) {
        left = std::max(left, std::abs(static_cast<int>(m_sample.GetValues()[2 * i])));
        right = std::max(right, std::abs(static_cast<int>(m_sample.GetValues()[2 * i + 1])));
    }
    EXPECT_NEAR(left, right * 0.1, right * 0.01);
}

TEST_F(GeneratorTest, AnEmptyListFails) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones;
    EXPECT_FALSE(generator.Generate(tones, m_sample));
}

TEST_F(GeneratorTest, AFailedSaveStillGivesTheTone) {
    m_settings.wavePath = "/proc/no-such-folder/";
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones = GetDefaultTones();
    EXPECT_TRUE(generator.Generate(tones, m_sample));
    EXPECT_EQ(m_sample.size, 529200u);
}

} // namespace
