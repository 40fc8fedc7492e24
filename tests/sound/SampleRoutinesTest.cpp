#include "sound/SampleRoutines.h"
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SampleTime, BytesAndSecondsConvertInWholeFrames) {
    EXPECT_EQ(SecondsToBytes(1.0, Pcm16(2)), 176400u);
    EXPECT_EQ(SecondsToBytes(0.5, Pcm16(1)), 44100u);
    EXPECT_EQ(SecondsToBytes(0.00001, Pcm16(2)), 0u) << "1.764 bytes are no whole frame";
    EXPECT_EQ(SecondsToBytes(2.5 / 44100.0, Pcm16(2)), 8u) << "two and a half frames";
    EXPECT_EQ(SecondsToBytes(-1.0, Pcm16(2)), 0u);
    EXPECT_EQ(SecondsToBytes(1.0, WAVE_FORMAT()), 0u);
    EXPECT_EQ(SecondsToBytes(1e12, Pcm16(2)), 4294967292u) << "huge times stay whole frames";
    EXPECT_DOUBLE_EQ(BytesToSeconds(176400, Pcm16(2)), 1.0);
    EXPECT_DOUBLE_EQ(BytesToSeconds(44100, Pcm16(1)), 0.5);
    EXPECT_EQ(BytesToSeconds(100, WAVE_FORMAT()), 0.0);
}

TEST(SamplePeak, LargestMagnitudeOfAnyChannelWithinTheData) {
    int16_t peak = 0;
    CSoundInfo stereo = MakeSample({100, -200, 50, 3000, -10, 40}, 2);
    EXPECT_FLOAT_EQ(GetPeak(stereo.GetBytes(), stereo.size, stereo.format, &peak),
                    float(3000 / 32767.0));
    EXPECT_EQ(peak, 3000);
    CSoundInfo negative = MakeSample({100, -32768, 5});
    EXPECT_FLOAT_EQ(GetPeak(negative.GetBytes(), negative.size, negative.format, &peak), 1.0f);
    EXPECT_EQ(peak, 32767) << "-32768 counts as 32767";
    CSoundInfo deeper = MakeSample({1000, -1001});
    GetPeak(deeper.GetBytes(), deeper.size, deeper.format, &peak);
    EXPECT_EQ(peak, 1001);
    EXPECT_EQ(GetPeak(nullptr, 0, Pcm16(1), &peak), 0.0f);
    EXPECT_EQ(peak, 0);
    // A block align that lies about the channels never lets the walk leave the data.
    CSoundInfo lying = MakeSample({10, 20, 30, 40});
    lying.format.channels = 8;
    GetPeak(lying.GetBytes(), lying.size, lying.format, &peak);
    EXPECT_EQ(peak, 40);
    lying.format.blockAlign = 0;
    EXPECT_EQ(GetPeak(lying.GetBytes(), lying.size, lying.format), 0.0f);
}

TEST(SampleNormalize, BothChannelsAreScaledInTheSharedDataAndSilenceStaysSilence) {
    // The loud channel is the right one: a left-only normalisation would miss it.
    CSoundInfo sample = MakeSample({1000, -8000, 500, 16000, -250, 4000}, 2);
    CSoundInfo copy = sample;
    ASSERT_TRUE(Normalize(sample, 0.7f));
    const double gain = 0.7 / (16000 / 32767.0);
    std::vector<int16_t> expected;
    for (int v : {1000, -8000, 500, 16000, -250, 4000})
        expected.push_back(int16_t(std::trunc(v * gain))); // truncated toward zero
    EXPECT_EQ(ValuesOf(sample), expected);
    EXPECT_EQ(ValuesOf(copy), expected) << "copies share the data";
    // Below the 0.001 level a hiss is not blown up to full loudness.
    const std::vector<int16_t> hiss{30, -31, 12, -5};
    CSoundInfo quiet = MakeSample(hiss);
    ASSERT_TRUE(Normalize(quiet, 0.7f));
    EXPECT_EQ(ValuesOf(quiet), hiss);
    CSoundInfo loud = MakeSample({16384, -16384});
    ASSERT_TRUE(Normalize(loud, 1.5f));
    EXPECT_EQ(ValuesOf(loud), (std::vector<int16_t>{32767, -32768})) << "saturates";
}

TEST(SampleZeroCrossing, WalksBackToTheFirstSignChangeButNeverStaysPut) {
    //                              0  1   2   3  4  5  6  7
    const CSoundInfo sample = MakeSample({5, 3, -2, -4, 0, 0, 6, 7});
    // From 7: zeros are no sign of their own, so the change lies between 3 (-4) and 4.
    const std::pair<uint32_t, uint32_t> cases[] = {{7, 3}, {3, 1}, {2, 1},   {1, 0},
                                                   {0, 0}, {8, 3}, {1000, 3}};
    for (const auto& [from, to] : cases)
        EXPECT_EQ(FindZeroCrossing(sample, from), to) << from;
    EXPECT_EQ(FindZeroCrossing(MakeSample({1, 5, 0, -1}), 3), 1u); // rising out of a zero
    EXPECT_EQ(FindZeroCrossing(CSoundInfo(), 10), 0u);
}

TEST(SampleResample, ReadingFasterRaisesThePitchByTheRatioOfTheNotes) {
    std::vector<int16_t> ramp(1000);
    for (int i = 0; i < 1000; ++i)
        ramp[size_t(i)] = int16_t(i * 10);
    CSoundInfo source = MakeSample(ramp);
    source.note.m_frequency = 440.0;
    CSoundInfo destination;
    destination.note.m_frequency = 440.0 * 1.0594631;
    ASSERT_TRUE(ResampleUp(source, destination));
    EXPECT_EQ(destination.size, 1886u) << "944 planned, 943 made";
    EXPECT_EQ(destination.format.channels, 1);
    EXPECT_EQ(source.size, 2000u) << "the source is left alone";
    // A ramp read faster is a steeper ramp, interpolated between neighbours.
    const std::vector<int16_t> out = ValuesOf(destination);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], i * 1.0594631 * 10.0, 1.0) << i;

    destination.note.m_frequency = 880.0; // an octave up takes every other value
    ASSERT_TRUE(ResampleUp(source, destination));
    ASSERT_EQ(destination.GetValueCount(), 500u);
    EXPECT_EQ(destination.GetValues()[499], ramp[998]);

    CCharString error;
    for (double to : {415.3047, 440.0}) {
        destination.note.m_frequency = to;
        EXPECT_FALSE(ResampleUp(source, destination, &error));
        CCharString expected;
        expected.Format("Can only resample up, not from 440.00 to %0.2f", to);
        EXPECT_EQ(error, expected);
    }
    CSoundInfo tiny = MakeSample({100});
    tiny.note.m_frequency = 100.0;
    destination.note.m_frequency = 101.0;
    ASSERT_TRUE(ResampleUp(tiny, destination));
    EXPECT_EQ(destination.size, 0u);
}

} // namespace
