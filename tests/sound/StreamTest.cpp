// End to end: what the device plays through the stream is what the rendering writes, and a
// rendered practice sounds like the scale it plays.
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <vector>

namespace {

// Plays notes through the stream on a stepped virtual device and returns every frame the
// device consumed; renders the same list to a file and returns its frames.
void PlayAndRender(ENGINE_RIG& rig, const CNoteList& notes, const std::string& folder,
                   std::vector<int16_t>& played, std::vector<int16_t>& rendered,
                   const char* record = nullptr) {
    const double seconds = notes.GetEndTime(true) + 12.0;
    rig.device->KeepFrames(static_cast<size_t>(seconds * 44100) + 44100);
    ASSERT_TRUE(rig.sound->SetVolume(1.0f));
    ASSERT_TRUE(rig.sound->Start(notes, 0.0, 0, record)) << rig.sound->GetErrorText();
    rig.Play(seconds);
    ASSERT_TRUE(rig.sound->Stop());
    played.assign(rig.device->GetKeptFrames(),
                  rig.device->GetKeptFrames() + 2 * rig.device->GetKeptCount());
    const std::string path = folder + "render.wav";
    ASSERT_TRUE(rig.sound->RenderToWave(notes, path.c_str())) << rig.sound->GetErrorText();
    ASSERT_TRUE(ReadFrames(path, rendered));
}

void ExpectSameSound(const std::vector<int16_t>& played, const std::vector<int16_t>& rendered) {
    ASSERT_GT(rendered.size(), 0u);
    ASSERT_GE(played.size(), rendered.size());
    size_t firstDifference = rendered.size();
    for (size_t i = 0; i < rendered.size(); ++i) {
        if (played[i] != rendered[i]) {
            firstDifference = i;
            break;
        }
    }
    EXPECT_EQ(firstDifference, rendered.size())
        << "first different frame " << firstDifference / 2 << " of " << rendered.size() / 2;
    // After the rendering's trimmed tail the stream only plays silence.
    const auto loud = std::find_if(played.begin() + static_cast<std::ptrdiff_t>(rendered.size()),
                                   played.end(), [](int16_t v) { return v != 0; });
    EXPECT_EQ(loud, played.end()) << "sound at frame " << (loud - played.begin()) / 2;
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = MakeTempFolder("stream"); }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    std::string m_folder;
};

TEST_F(StreamTest, DevicePlaysFrameForFrameWhatTheRenderingWrites) {
    const std::string samples = m_folder + "samples/";
    ASSERT_TRUE(WriteTestSampleSets(samples));
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(samples)) << rig.sound->GetErrorText();
    const CNoteList notes = MakeTestPractice(32, 120.0, rig.notes);
    std::vector<int16_t> played, rendered;
    PlayAndRender(rig, notes, m_folder, played, rendered);
    ExpectSameSound(played, rendered);
    // 32 bars at 120 bpm: 64 s and the last notes' ring-out.
    EXPECT_NEAR(rendered.size() / 2 / 44100.0, 64.0, 1.0);
}

TEST_F(StreamTest, TheRecordingHoldsWhatWasSentToTheDeviceOnceOnly) {
    const std::string samples = m_folder + "samples/";
    ASSERT_TRUE(WriteTestSampleSets(samples));
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(samples)) << rig.sound->GetErrorText();
    // A rest of seven seconds in the middle: a step without notes must not be recorded twice.
    CNoteList notes = MakeTestPractice(2, 120.0, rig.notes);
    CNoteList later = MakeTestPractice(2, 120.0, rig.notes);
    later.ShiftTimes(11.0);
    for (const CNote& note : later)
        notes.Add(note);
    const std::string record = m_folder + "recorded/playback.wav";
    std::vector<int16_t> played, rendered, recorded;
    PlayAndRender(rig, notes, m_folder, played, rendered, record.c_str());
    ASSERT_TRUE(ReadFrames(record, recorded));
    ASSERT_GE(recorded.size(), played.size() - 2 * 44100 * 10);
    const size_t common = std::min(recorded.size(), played.size());
    size_t firstDifference = common;
    for (size_t i = 0; i < common; ++i) {
        if (recorded[i] != played[i]) {
            firstDifference = i;
            break;
        }
    }
    EXPECT_EQ(firstDifference, common) << "first different frame " << firstDifference / 2;
}

// A radix-2 FFT, enough to find spectral peaks.
void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2 * M_PI / static_cast<double>(length);
        const std::complex<double> unit(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1);
            for (size_t j = 0; j < length / 2; ++j) {
                const auto u = a[i + j];
                const auto v = a[i + j + length / 2] * w;
                a[i + j] = u + v;
                a[i + j + length / 2] = u - v;
                w *= unit;
            }
        }
    }
}

// The magnitude spectrum of the mono sum, averaged over Hann-windowed frames.
std::vector<double> AverageSpectrum(const std::vector<int16_t>& frames, size_t size) {
    std::vector<double> spectrum(size / 2, 0.0);
    std::vector<std::complex<double>> block(size);
    for (size_t start = 0; start + size <= frames.size() / 2; start += size / 2) {
        for (size_t i = 0; i < size; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2 * M_PI * i / (size - 1));
            block[i] = window * (frames[2 * (start + i)] + frames[2 * (start + i) + 1]);
        }
        Fft(block);
        for (size_t i = 0; i < size / 2; ++i)
            spectrum[i] += std::abs(block[i]);
    }
    return spectrum;
}

double CentsFromScale(double frequency, const std::vector<int>& pitchClasses) {
    const double midi = 69.0 + 12.0 * std::log2(frequency / 440.0);
    double best = 1e9;
    for (int pc : pitchClasses) {
        const double offset = std::remainder(midi - pc, 12.0);
        best = std::min(best, std::abs(offset) * 100.0);
    }
    return best;
}

TEST_F(StreamTest, TheDefaultPracticeIsAudibleUnclippedAndInTheScale) {
    const std::string samples = GetBuiltSampleFolder();
    if (samples.empty())
        GTEST_SKIP() << "the sample sets are not built (content_samples)";
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(samples)) << rig.sound->GetErrorText();
    CNoteList notes;
    CCharString why;
    if (!MakeDefaultPractice(rig.notes, notes, 0, &why))
        GTEST_SKIP() << why.GetText();
    std::vector<int16_t> played, rendered;
    PlayAndRender(rig, notes, m_folder, played, rendered);
    ExpectSameSound(played, rendered);

    double squares = 0;
    size_t clipped = 0;
    for (int16_t v : rendered) {
        squares += static_cast<double>(v) * v;
        if (v == 32767 || v == -32768)
            ++clipped;
    }
    const double rms = std::sqrt(squares / static_cast<double>(rendered.size())) / 32768.0;
    EXPECT_GT(rms, 0.02) << "too quiet";
    EXPECT_LE(clipped, 10u);

    // The strongest peaks of the spectrum in the guitars' and bass's range lie on notes of the
    // C major scale, which the lead plays and the accompaniment stays in.
    const size_t size = 16384;
    const std::vector<double> spectrum = AverageSpectrum(rendered, size);
    const double binHz = 44100.0 / size;
    std::vector<std::pair<double, double>> peaks; // magnitude, frequency
    for (size_t i = static_cast<size_t>(60 / binHz); i < static_cast<size_t>(1100 / binHz); ++i) {
        if (spectrum[i] > spectrum[i - 1] && spectrum[i] >= spectrum[i + 1]) {
            // Parabolic interpolation of the peak's frequency.
            const double a = spectrum[i - 1], b = spectrum[i], c = spectrum[i + 1];
            const double shift = 0.5 * (a - c) / (a - 2 * b + c);
            peaks.emplace_back(b, (static_cast<double>(i) + shift) * binHz);
        }
    }
    std::sort(peaks.rbegin(), peaks.rend());
    ASSERT_GE(peaks.size(), 6u);
    const std::vector<int> cMajor = {0, 2, 4, 5, 7, 9, 11};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_LT(CentsFromScale(peaks[i].second, cMajor), 30.0)
            << "peak " << i << " at " << peaks[i].second << " Hz";
}

} // namespace
