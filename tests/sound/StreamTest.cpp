// End to end: what the device plays through the stream is what the rendering writes and what
// the recording holds, and a rendered practice sounds like the scale it plays.
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace {

// Plays notes through the stream on a stepped virtual device, returning every frame the device
// consumed, and renders the same list to a file, returning its frames: the device played the
// rendering frame for frame; with a silent tail, nothing after it.
void PlayAndRender(ENGINE_RIG& rig, const CNoteList& notes, const CTempFolder& folder,
                   std::vector<int16_t>& played, std::vector<int16_t>& rendered, bool silentTail,
                   const char* record = nullptr) {
    const double seconds = notes.GetEndTime(true) + 12.0;
    rig.device->KeepFrames(static_cast<size_t>(seconds * 44100) + 44100);
    ASSERT_TRUE(rig.sound->SetVolume(1.0f));
    ASSERT_TRUE(rig.sound->Start(notes, 0.0, 0, record)) << rig.sound->GetErrorText();
    rig.Play(seconds);
    ASSERT_TRUE(rig.sound->Stop());
    played.assign(rig.device->GetKeptFrames(),
                  rig.device->GetKeptFrames() + 2 * rig.device->GetKeptCount());
    ASSERT_TRUE(rig.sound->RenderToWave(notes, folder.File("render.wav").c_str()))
        << rig.sound->GetErrorText();
    ASSERT_TRUE(ReadFrames(folder.File("render.wav"), rendered));
    ASSERT_GT(rendered.size(), 0u);
    ASSERT_GE(played.size(), rendered.size());
    const auto [r, p] = std::mismatch(rendered.begin(), rendered.end(), played.begin());
    EXPECT_EQ(r, rendered.end()) << "first different frame " << (r - rendered.begin()) / 2;
    if (silentTail) {
        EXPECT_TRUE(std::all_of(p, played.end(), [](int16_t v) { return v == 0; }));
    }
}

TEST(Stream, TheDevicePlaysAndTheRecordingHoldsFrameForFrameWhatTheRenderingWrites) {
    CTempFolder folder;
    ASSERT_TRUE(WriteTestSampleSets(folder.File("samples/")));
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(folder.File("samples/"))) << rig.sound->GetErrorText();
    // 32 bars at 120 bpm, and two more after a rest of eleven seconds, which ends the rendering;
    // the stream plays on, and a step without notes must not be recorded twice.
    CNoteList notes = MakeTestPractice(32, 120.0, rig.notes);
    CNoteList later = MakeTestPractice(2, 120.0, rig.notes);
    later.ShiftTimes(75.0);
    for (const CNote& note : later)
        notes.Add(note);
    const std::string record = folder.File("recorded/playback.wav");
    std::vector<int16_t> played, rendered, recorded;
    PlayAndRender(rig, notes, folder, played, rendered, false, record.c_str());
    EXPECT_NEAR(rendered.size() / 2 / 44100.0, 64.0, 1.0);
    ASSERT_TRUE(ReadFrames(record, recorded));
    ASSERT_GE(recorded.size(), played.size() - 2 * 44100 * 10);
    const size_t common = std::min(recorded.size(), played.size());
    EXPECT_TRUE(std::equal(recorded.begin(), recorded.begin() + long(common), played.begin()));
}

// The magnitude spectrum of the mono sum, averaged over Hann-windowed frames (radix-2 FFT).
std::vector<double> AverageSpectrum(const std::vector<int16_t>& frames, size_t size) {
    std::vector<double> spectrum(size / 2, 0.0);
    std::vector<std::complex<double>> a(size);
    for (size_t start = 0; start + size <= frames.size() / 2; start += size / 2) {
        for (size_t i = 0; i < size; ++i)
            a[i] = (0.5 - 0.5 * std::cos(2 * M_PI * i / (size - 1))) *
                   (frames[2 * (start + i)] + frames[2 * (start + i) + 1]);
        for (size_t i = 1, j = 0; i < size; ++i) {
            size_t bit = size >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j ^= bit;
            if (i < j)
                std::swap(a[i], a[j]);
        }
        for (size_t length = 2; length <= size; length <<= 1) {
            const std::complex<double> unit = std::polar(1.0, -2 * M_PI / double(length));
            for (size_t i = 0; i < size; i += length) {
                std::complex<double> w(1);
                for (size_t j = 0; j < length / 2; ++j, w *= unit) {
                    const auto u = a[i + j], v = a[i + j + length / 2] * w;
                    a[i + j] = u + v;
                    a[i + j + length / 2] = u - v;
                }
            }
        }
        for (size_t i = 0; i < size / 2; ++i)
            spectrum[i] += std::abs(a[i]);
    }
    return spectrum;
}

TEST(Stream, TheDefaultPracticeIsAudibleUnclippedAndInTheScale) {
    const std::string samples = GetBuiltSampleFolder();
    if (samples.empty())
        GTEST_SKIP() << "the sample sets are not built (content_samples)";
    ENGINE_RIG rig;
    ASSERT_TRUE(rig.Open(samples)) << rig.sound->GetErrorText();
    CNoteList notes;
    CCharString why;
    if (!MakeDefaultPractice(rig.notes, notes, 0, &why))
        GTEST_SKIP() << why.GetText();
    CTempFolder folder;
    std::vector<int16_t> played, rendered;
    PlayAndRender(rig, notes, folder, played, rendered, true);
    double squares = 0;
    for (int16_t v : rendered)
        squares += static_cast<double>(v) * v;
    EXPECT_GT(std::sqrt(squares / static_cast<double>(rendered.size())) / 32768.0, 0.02)
        << "too quiet";
    EXPECT_LE(std::count_if(rendered.begin(), rendered.end(),
                            [](int16_t v) { return v == 32767 || v == -32768; }),
              10);
    // The strongest peaks of the spectrum in the guitars' and the bass's range lie on notes of
    // the C major scale, which the lead plays and the accompaniment stays in.
    const size_t size = 16384;
    const std::vector<double> spectrum = AverageSpectrum(rendered, size);
    const double binHz = 44100.0 / size;
    std::vector<std::pair<double, double>> peaks; // magnitude, frequency
    for (size_t i = static_cast<size_t>(60 / binHz); i < static_cast<size_t>(1100 / binHz); ++i) {
        const double a = spectrum[i - 1], b = spectrum[i], c = spectrum[i + 1];
        if (b > a && b >= c) // the peak's frequency by parabolic interpolation
            peaks.emplace_back(b, (double(i) + 0.5 * (a - c) / (a - 2 * b + c)) * binHz);
    }
    std::sort(peaks.rbegin(), peaks.rend());
    ASSERT_GE(peaks.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const double midi = 69.0 + 12.0 * std::log2(peaks[i].second / 440.0);
        double cents = 1e9;
        for (int pc : {0, 2, 4, 5, 7, 9, 11})
            cents = std::min(cents, std::abs(std::remainder(midi - pc, 12.0)) * 100.0);
        EXPECT_LT(cents, 30.0) << "peak " << i << " at " << peaks[i].second << " Hz";
    }
}

} // namespace
