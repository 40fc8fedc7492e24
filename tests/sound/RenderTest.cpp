// Offline rendering, mixing recordings, the sample clean-up steps and the tone generator.
#include "tests/sound/EngineSupport.h"

#include "sound/Render.h"
#include "sound/SampleRoutines.h"
#include "sound/SoundFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

namespace {

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

CSoundInfo ReadWave(const std::string& path) {
    CSoundInfo sample;
    CSoundFile file;
    EXPECT_TRUE(file.Read(path.c_str(), sample)) << path;
    return sample;
}

class RenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_samples = new CTempFolder;
        ASSERT_TRUE(WriteTestSampleSets(s_samples->File("")));
    }
    static void TearDownTestSuite() { delete s_samples; }
    void SetUp() override {
        ASSERT_TRUE(m_rig.Open(s_samples->File(""))) << m_rig.sound->GetErrorText();
    }

    // Renders snare hits at the given times; the frames of the file.
    std::vector<int16_t> Render(std::initializer_list<double> times) {
        CNoteList notes;
        for (double time : times) {
            CNote note;
            note.m_thing = THING_SNARE_DRUM;
            note.m_time = time;
            notes.Add(note);
        }
        std::vector<int16_t> values;
        EXPECT_TRUE(m_rig.sound->RenderToWave(notes, m_out.File("render.wav").c_str()))
            << m_rig.sound->GetErrorText();
        EXPECT_TRUE(ReadFrames(m_out.File("render.wav"), values));
        return values;
    }
    bool Mix(double start) {
        return m_rig.sound->MixFiles(m_out.File("a.wav").c_str(), start,
                                     m_out.File("b.wav").c_str(), m_out.File("mixed.wav").c_str());
    }

    static CTempFolder* s_samples;
    CTempFolder m_out;
    ENGINE_RIG m_rig;
};
CTempFolder* RenderTest::s_samples = nullptr;

TEST_F(RenderTest, RenderingGoesOnWhileWindowsHaveNoteStartsAndEndsWithTheLastSound) {
    // A hit at 4.95 s rings 0.2 s into the second window: the whole first chunk and the ring.
    std::vector<int16_t> values = Render({0.0, 4.95});
    EXPECT_GT(values.size() / 2, 5u * 44100);
    EXPECT_LT(values.size() / 2, 5u * 44100 + 44100 / 5);
    EXPECT_NE(values[0], 0);
    EXPECT_TRUE(values[values.size() - 2] != 0 || values[values.size() - 1] != 0);
    // After a rest of fifteen seconds the window 5 to 10 s is empty: the song ends there.
    values = Render({1.0, 16.0});
    ASSERT_EQ(values.size() / 2, 5u * 44100);
    EXPECT_NE(values[2 * 44100], 0);
    EXPECT_EQ(std::find_if(values.begin() + 2 * 44100 * 2, values.end(),
                           [](int16_t v) { return v != 0; }),
              values.end());
    EXPECT_TRUE(Render({}).empty());

    CNoteList notes;
    CNote note;
    note.m_thing = THING_SNARE_DRUM;
    note.m_time = 0.0;
    notes.Add(note);
    note.m_thing = THING_OCTOBAN_2; // in the second window
    note.m_time = 6.0;
    notes.Add(note);
    EXPECT_FALSE(m_rig.sound->RenderToWave(notes, m_out.File("missing.wav").c_str()));
    EXPECT_EQ(m_rig.sound->GetErrorText(), "Can't get instrument 17");
    ASSERT_TRUE(m_rig.sound->Close());
    EXPECT_FALSE(m_rig.sound->RenderToWave(notes, m_out.File("closed.wav").c_str()));
    EXPECT_FALSE(Exists(m_out.File("closed.wav")));
}

TEST_F(RenderTest, MixingTwoRecordingsFromAStartLastsAsLongAsTheShorterRest) {
    std::vector<int16_t> ramp(2 * 3 * 44100);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i / 2 % 1000);
    ASSERT_TRUE(WriteWave(m_out.File("a.wav"), ramp, 2));
    ASSERT_TRUE(WriteWave(m_out.File("b.wav"), std::vector<int16_t>(2 * 5 * 44100, -5000), 2));
    ASSERT_TRUE(Mix(0.0)) << m_rig.sound->GetErrorText();
    CSoundInfo mixed = ReadWave(m_out.File("mixed.wav"));
    EXPECT_EQ(mixed.size, 3u * 176400);
    EXPECT_EQ(mixed.GetValues()[0], -5000);
    EXPECT_EQ(mixed.GetValues()[mixed.GetValueCount() - 1], ((3 * 44100 - 1) % 1000) - 5000);
    ASSERT_TRUE(Mix(0.5));
    mixed = ReadWave(m_out.File("mixed.wav"));
    EXPECT_EQ(mixed.size, 5u * 88200);
    EXPECT_EQ(mixed.GetValues()[0], (22050 % 1000) - 5000);

    EXPECT_FALSE(Mix(3.5));
    EXPECT_EQ(m_rig.sound->GetErrorText(),
              "Nothing to mix: the start at 3.50 s lies beyond the end of the shorter recording "
              "(3.00 s)");
    ASSERT_TRUE(WriteWave(m_out.File("b.wav"), std::vector<int16_t>(8, 1), 2, 22050));
    std::filesystem::remove(m_out.File("mixed.wav"));
    EXPECT_FALSE(Mix(0.0));
    EXPECT_EQ(m_rig.sound->GetErrorText(), "Formats don't match");
    EXPECT_FALSE(Exists(m_out.File("mixed.wav")));
    EXPECT_TRUE(Exists(m_out.File("a.wav")));
    EXPECT_TRUE(Exists(m_out.File("b.wav")));
    std::filesystem::remove(m_out.File("b.wav"));
    EXPECT_FALSE(Mix(0.0));
    EXPECT_EQ(m_rig.sound->GetErrorText(),
              ("Can't read file (" + m_out.File("b.wav") + "): Can't open file").c_str());
}

// A recording as the sample recorder makes it: a noise floor that crosses zero all the time,
// then from 0.1 s a swing that starts below the threshold and a long decaying 220 Hz tone.
// A noisy lead-in is a microphone's floor, which crosses zero all the time; a silent one is
// digital silence, which never does.
std::vector<int16_t> Recording(double peak, double seconds, bool noisy = true) {
    std::vector<int16_t> values(static_cast<size_t>(seconds * 44100), 0);
    uint32_t state = 12345;
    for (size_t i = 0; i < values.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        const double t = i < 4410 ? 0.0 : static_cast<double>(i - 4410) / 44100.0;
        const double envelope = std::min(1.0, t * 50.0) * std::exp(-0.3 * t);
        const int32_t noise = noisy ? static_cast<int32_t>(state >> 27) - 16 : 0;
        values[i] =
            static_cast<int16_t>(noise + peak * 32767.0 * envelope * std::sin(2 * M_PI * 220 * t));
    }
    return values;
}

class CleanUpTest : public RenderTest, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(NoisyOrSilentLeadIn, CleanUpTest, ::testing::Bool());

TEST_P(CleanUpTest, ARecordingIsNormalisedThenTrimmedToItsSoundBetweenZeroCrossings) {
    const std::string path = m_out.File("sample.wav");
    ASSERT_TRUE(WriteWave(path, Recording(0.3, 8.0, GetParam())));
    CCharString error;
    ASSERT_TRUE(NormalizeFile(path.c_str(), 0.7f, error)) << error;
    CSoundInfo sample = ReadWave(path);
    EXPECT_NEAR(GetPeak(sample.GetBytes(), sample.size, sample.format), 0.7f, 0.0001f);
    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 5.0f, nullptr, error)) << error;
    sample = ReadWave(path);
    const int16_t* values = sample.GetValues();
    const uint32_t count = sample.GetValueCount();
    EXPECT_LE(sample.size, 5u * 88200);
    EXPECT_GT(sample.size, 5u * 88200 - 400);
    // It starts at the zero crossing just before the first swing above 5 % of full scale:
    // within one period (200 values at 220 Hz) of it and quiet until it.
    const auto threshold = static_cast<int16_t>(0.05f * 32767.0);
    uint32_t firstLoud = 0;
    while (firstLoud < count && values[firstLoud] < threshold)
        ++firstLoud;
    EXPECT_LT(firstLoud, 200u);
    EXPECT_GT(firstLoud, 0u);
    for (uint32_t i = 0; i < firstLoud; ++i)
        ASSERT_LT(std::abs(values[i]), threshold) << i;
    // The steepest step of this wave is about 720 per value: a value at a crossing is below.
    EXPECT_LT(std::abs(values[0]), 720);
    EXPECT_LT(std::abs(values[count - 1]), 720);

    // Written to another file when asked, the original stays.
    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 1.0f, m_out.File("short.wav").c_str(), error));
    EXPECT_LE(ReadWave(m_out.File("short.wav")).size, 88200u);
    EXPECT_EQ(ReadWave(path).size, sample.size);
}

TEST_F(RenderTest, ASilentRecordingPassesBothStepsUnchangedAndAMissingOneIsNamed) {
    const std::string path = m_out.File("silent.wav");
    std::vector<int16_t> quiet(44100, 0);
    quiet[100] = 20; // below 0.001 of full scale
    ASSERT_TRUE(WriteWave(path, quiet));
    CCharString error;
    ASSERT_TRUE(NormalizeFile(path.c_str(), 0.7f, error));
    ASSERT_TRUE(TrimFile(path.c_str(), 0.05f, 5.0f, nullptr, error));
    EXPECT_EQ(ValuesOf(ReadWave(path)), quiet);
    const std::string absent = m_out.File("absent.wav");
    const std::string expected = "Can't read file (" + absent + "): Can't open file";
    EXPECT_FALSE(TrimFile(absent.c_str(), 0.05f, 5.0f, nullptr, error));
    EXPECT_EQ(error, expected.c_str());
    EXPECT_FALSE(NormalizeFile(absent.c_str(), 0.7f, error));
    EXPECT_EQ(error, expected.c_str());
}

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_settings.wavePath = m_folder.File("").c_str();
        m_sample.format = GetStreamFormat().format;
    }
    // Generates the default base tone alone, or with pan.
    void GenerateBaseTone(double pan = 0.0) {
        CGenerator generator(m_settings);
        CVarList<GEN_SOUND_INFO> tones;
        tones.Add(GetDefaultTones()[0]);
        tones[0].pan = pan;
        ASSERT_TRUE(generator.Generate(tones, m_sample));
    }
    // Largest magnitude of a channel within a few periods around t seconds of a 2.5 s envelope.
    double LevelAt(double t, int channel = 0) {
        const int64_t frames = m_sample.size / 4;
        const auto centre = static_cast<int64_t>(t / (2.5 / double(frames - 1)));
        int peak = 0;
        for (int64_t i = std::max<int64_t>(0, centre - 120); i <= centre + 120 && i < frames; ++i)
            peak =
                std::max(peak, std::abs(static_cast<int>(m_sample.GetValues()[2 * i + channel])));
        return peak / 32767.0;
    }

    CTempFolder m_folder;
    APP_SETTINGS m_settings;
    CSoundInfo m_sample;
};

TEST_F(GeneratorTest, TheDefaultsGiveThreeSecondsSavedAsGeneratedWav) {
    CGenerator generator(m_settings);
    CVarList<GEN_SOUND_INFO> tones = GetDefaultTones();
    ASSERT_EQ(tones.GetCount(), 6u);
    ASSERT_TRUE(generator.Generate(tones, m_sample));
    EXPECT_EQ(m_sample.size, 4u * 132300);
    EXPECT_EQ(generator.GetOutputPath(), m_folder.File("Generated.wav").c_str());
    EXPECT_EQ(ReadWave(m_folder.File("Generated.wav")).size, 4u * 132300);
    // A failed save still gives the tone; an empty list gives nothing.
    m_settings.wavePath = "/proc/no-such-folder/";
    EXPECT_TRUE(generator.Generate(tones, m_sample));
    EXPECT_EQ(m_sample.size, 4u * 132300);
    tones.RemoveAll();
    EXPECT_FALSE(generator.Generate(tones, m_sample));
}

TEST_F(GeneratorTest, TheBaseToneFollowsItsEnvelopeAtItsPitchAndPan) {
    GenerateBaseTone();
    const std::pair<double, double> envelope[] = {
        {0.1, 0.5}, {0.3, 0.35}, {1.3, 0.275}, {2.3, 0.2}, {2.5, 0.0}};
    for (const auto& [t, level] : envelope)
        EXPECT_NEAR(LevelAt(t), level, 0.01) << t;
    // Upward zero crossings of the left channel over one second of the sustain: 440 Hz.
    int crossings = 0;
    for (uint32_t i = 44100; i < 2 * 44100; ++i)
        crossings += m_sample.GetValues()[2 * (i - 1)] < 0 && m_sample.GetValues()[2 * i] >= 0;
    EXPECT_NEAR(crossings, 440, 1);
    GenerateBaseTone(0.9);
    EXPECT_NEAR(LevelAt(0.1, 0), 0.1 * LevelAt(0.1, 1), 0.01 * LevelAt(0.1, 1));
}

} // namespace
