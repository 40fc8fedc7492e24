#include "sound/SampleRoutines.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Frequency of a 44,100 Hz wave from its rising zero crossings, interpolated between values.
double MeasureFrequency(const std::vector<int16_t>& values) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = 1; i < values.size(); ++i) {
        if (values[i - 1] < 0 && values[i] >= 0) {
            double at = double(i - 1) + double(-values[i - 1]) / double(values[i] - values[i - 1]);
            if (first < 0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    }
    return crossings > 0 ? crossings * 44100.0 / (last - first) : 0.0;
}

CSoundInfo WithFrequency(CSoundInfo sample, double frequency) {
    sample.note.m_frequency = frequency;
    return sample;
}

TEST(SampleTime, SecondsToBytesRoundsDownToWholeFrames) {
    EXPECT_EQ(SecondsToBytes(1.0, Pcm16(2)), 176400u);
    EXPECT_EQ(SecondsToBytes(0.00001, Pcm16(2)), 0u) << "1.764 bytes are no whole frame";
    EXPECT_EQ(SecondsToBytes(1.5 / 44100.0, Pcm16(2)), 4u) << "one and a half frames";
    EXPECT_EQ(SecondsToBytes(0.5, Pcm16(1)), 44100u);
    EXPECT_EQ(SecondsToBytes(-1.0, Pcm16(2)), 0u);
    for (double seconds : {0.1, 0.3333, 2.71828, 14.99})
        EXPECT_EQ(SecondsToBytes(seconds, Pcm16(2)) % 4, 0u) << seconds;
    EXPECT_EQ(SecondsToBytes(1e12, Pcm16(2)) % 4, 0u) << "huge times stay whole frames";
}

TEST(SampleTime, BytesToSecondsUsesTheAverageRate) {
    EXPECT_DOUBLE_EQ(BytesToSeconds(176400, Pcm16(2)), 1.0);
    EXPECT_DOUBLE_EQ(BytesToSeconds(44100, Pcm16(1)), 0.5);
    EXPECT_DOUBLE_EQ(BytesToSeconds(SecondsToBytes(2.0, Pcm16(2)), Pcm16(2)), 2.0);
    EXPECT_EQ(BytesToSeconds(100, WAVE_FORMAT()), 0.0);
}

TEST(SamplePeak, LargestMagnitudeOfAnyChannel) {
    int16_t peak = 0;
    CSoundInfo stereo = MakeSample({100, -200, 50, 3000, -10, 40}, 2);
    EXPECT_FLOAT_EQ(GetPeak(stereo.GetBytes(), stereo.size, stereo.format, &peak),
                    float(3000 / 32767.0));
    EXPECT_EQ(peak, 3000);

    CSoundInfo negative = MakeSample({100, -32768, 5}, 1);
    EXPECT_FLOAT_EQ(GetPeak(negative.GetBytes(), negative.size, negative.format, &peak), 1.0f);
    EXPECT_EQ(peak, 32767) << "-32768 counts as 32767";

    CSoundInfo deeper = MakeSample({1000, -1001}, 1);
    GetPeak(deeper.GetBytes(), deeper.size, deeper.format, &peak);
    EXPECT_EQ(peak, 1001);

    EXPECT_EQ(GetPeak(nullptr, 0, Pcm16(1), &peak), 0.0f);
    EXPECT_EQ(peak, 0);
}

TEST(SamplePeak, BlockAlignThatLiesAboutChannelsStaysInsideTheData) {
    CSoundInfo sample = MakeSample({10, 20, 30, 40}, 1);
    sample.format.channels = 8; // frames of 2 bytes claim 8 channels
    int16_t peak = 0;
    GetPeak(sample.GetBytes(), sample.size, sample.format, &peak);
    EXPECT_EQ(peak, 40);
    sample.format.blockAlign = 0;
    EXPECT_EQ(GetPeak(sample.GetBytes(), sample.size, sample.format), 0.0f);
}

TEST(SampleNormalize, BothChannelsOfAStereoSampleAreScaled) {
    // The loud channel is the right one: a left-only normalisation would miss it.
    CSoundInfo sample = MakeSample({1000, -8000, 500, 16000, -250, 4000}, 2);
    ASSERT_TRUE(Normalize(sample, 0.7f));
    int16_t peak = 0;
    float level = GetPeak(sample.GetBytes(), sample.size, sample.format, &peak);
    EXPECT_NEAR(level, 0.7f, 1.0f / 32767);
    std::vector<int16_t> v = ValuesOf(sample);
    const double gain = 0.7 / (16000 / 32767.0);
    EXPECT_EQ(v[0], int16_t(std::trunc(1000 * gain)));
    EXPECT_EQ(v[1], int16_t(std::trunc(-8000 * gain)));
    EXPECT_EQ(v[4], int16_t(std::trunc(-250 * gain))) << "truncated toward zero";
    EXPECT_EQ(v[5], int16_t(std::trunc(4000 * gain)));
}

TEST(SampleNormalize, SilenceStaysSilence) {
    CSoundInfo silent = MakeSample(std::vector<int16_t>(1000, 0), 1);
    ASSERT_TRUE(Normalize(silent, 0.7f));
    EXPECT_EQ(ValuesOf(silent), std::vector<int16_t>(1000, 0));

    // Below the 0.001 level a hiss is not blown up to full loudness either.
    std::vector<int16_t> hiss{30, -31, 12, -5};
    CSoundInfo quiet = MakeSample(hiss, 1);
    ASSERT_TRUE(Normalize(quiet, 0.7f));
    EXPECT_EQ(ValuesOf(quiet), hiss);

    CSoundInfo empty;
    empty.format = Pcm16(1);
    EXPECT_TRUE(Normalize(empty, 0.7f));
}

TEST(SampleNormalize, CopiesShareTheScaledData) {
    CSoundInfo sample = MakeSample({100, -100}, 1);
    CSoundInfo copy = sample;
    ASSERT_TRUE(Normalize(sample, 0.5f));
    EXPECT_EQ(ValuesOf(copy), ValuesOf(sample));
    EXPECT_EQ(copy.data.get(), sample.data.get());
}

TEST(SampleZeroCrossing, WalksBackToTheFirstSignChange) {
    //                          0   1   2   3  4  5  6  7
    CSoundInfo sample = MakeSample({5, 3, -2, -4, 0, 0, 6, 7}, 1);
    // From 7: 6 and 7 positive, 5 is 0 with previous 6 (no stop: v must be non-zero),
    // 4 is 0, 3 is -4 with previous 0: a crossing.
    EXPECT_EQ(FindZeroCrossing(sample, 7), 3u);
    // From 3 (-4): 2 is -2 (same sign), 1 is 3 with previous -2: a crossing.
    EXPECT_EQ(FindZeroCrossing(sample, 3), 1u);
    EXPECT_EQ(FindZeroCrossing(sample, 2), 1u) << "never the starting index itself";
    EXPECT_EQ(FindZeroCrossing(sample, 1), 0u) << "no crossing before: index 0";
    EXPECT_EQ(FindZeroCrossing(sample, 0), 0u);
    EXPECT_EQ(FindZeroCrossing(sample, 8), 3u) << "a cut at the end starts at the last value";
    EXPECT_EQ(FindZeroCrossing(sample, 1000), 3u);
    EXPECT_EQ(FindZeroCrossing(CSoundInfo(), 10), 0u);
}

TEST(SampleZeroCrossing, CutOfASineLandsBesideZero) {
    CSoundInfo sample = MakeSample(Sine(440.0, 4410), 1);
    for (uint32_t cut : {100u, 777u, 2000u, 4409u}) {
        uint32_t k = FindZeroCrossing(sample, cut);
        ASSERT_LT(k, cut);
        std::vector<int16_t> v = ValuesOf(sample);
        EXPECT_TRUE((v[k] > 0 && v[k + 1] <= 0) || (v[k] < 0 && v[k + 1] >= 0)) << cut;
        EXPECT_LT(cut - k, 44100 / 440 / 2 + 2) << "within half a period";
    }
}

TEST(SampleResample, OneSemitoneUpOfAThousandValues) {
    std::vector<int16_t> ramp(1000);
    for (int i = 0; i < 1000; ++i)
        ramp[size_t(i)] = int16_t(i * 10);
    CSoundInfo source = WithFrequency(MakeSample(ramp, 1), 440.0);
    CSoundInfo destination;
    destination.note.m_frequency = 440.0 * 1.0594631;
    ASSERT_TRUE(ResampleUp(source, destination));
    EXPECT_EQ(destination.size, 1886u) << "944 planned, 943 made";
    EXPECT_EQ(destination.format.channels, 1);
    EXPECT_EQ(destination.format.samplesPerSec, 44100u);
    // A ramp read faster is a steeper ramp.
    std::vector<int16_t> out = ValuesOf(destination);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], i * 1.0594631 * 10.0, 1.0) << i;
    EXPECT_EQ(source.size, 2000u) << "the source is left alone";
}

TEST(SampleResample, AnOctaveUpTakesEveryOtherValue) {
    std::vector<int16_t> values = Sine(220.0, 2001);
    CSoundInfo source = WithFrequency(MakeSample(values, 1), 220.0);
    CSoundInfo destination;
    destination.note.m_frequency = 440.0;
    ASSERT_TRUE(ResampleUp(source, destination));
    std::vector<int16_t> out = ValuesOf(destination);
    ASSERT_EQ(out.size(), 1000u);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], values[2 * i]);
}

TEST(SampleResample, PitchRisesByTheRatioOfTheNotes) {
    // A (MIDI 57) up to E (MIDI 64), a fifth.
    const double from = 220.0, to = 329.6276;
    CSoundInfo source = WithFrequency(MakeSample(Sine(from, 44100), 1), from);
    CSoundInfo destination;
    destination.note.m_frequency = to;
    ASSERT_TRUE(ResampleUp(source, destination));
    double measured = MeasureFrequency(ValuesOf(destination));
    EXPECT_NEAR(1200.0 * std::log2(measured / to), 0.0, 1.0) << "cents off: " << measured;
    EXPECT_NEAR(BytesToSeconds(destination.size, destination.format), from / to, 0.001);
}

TEST(SampleResample, OnlyUpward) {
    CSoundInfo source = WithFrequency(MakeSample(Sine(440.0, 100), 1), 440.0);
    CCharString error;
    for (double to : {415.3047, 440.0}) {
        CSoundInfo destination;
        destination.note.m_frequency = to;
        EXPECT_FALSE(ResampleUp(source, destination, &error));
        CCharString expected;
        expected.Format("Can only resample up, not from 440.00 to %0.2f", to);
        EXPECT_EQ(error, expected);
        EXPECT_EQ(destination.size, 0u);
    }
}

TEST(SampleResample, TinySourcesGiveEmptyResults) {
    for (size_t n : {0, 1, 2}) {
        CSoundInfo source = WithFrequency(MakeSample(std::vector<int16_t>(n, 100), 1), 100.0);
        CSoundInfo destination;
        destination.note.m_frequency = 101.0;
        ASSERT_TRUE(ResampleUp(source, destination));
        EXPECT_LE(destination.size, 2 * (n > 0 ? n - 1 : 0)) << n;
    }
}

} // namespace
