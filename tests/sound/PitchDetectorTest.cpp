// The pitch detector on tones whose pitch is known: guitar and bass notes in both modes, the
// level gate, noise, and a weak fundamental under strong overtones.
#include "tests/sound/CaptureSupport.h"
#include "tests/sound/EngineSupport.h"

#include "sound/PitchDetector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr uint32_t kBlock = 1470; // what the capture drains on a 33 ms tick

struct HEARD {
    double frequency = 0.0;
    int midi = MIDI_NO_PITCH;
};

// The last reading after feeding the values block by block.
HEARD Listen(CPitchDetector& detector, const std::vector<int16_t>& values) {
    HEARD heard;
    for (size_t start = 0; start + kBlock <= values.size(); start += kBlock)
        detector.Process(reinterpret_cast<const uint8_t*>(values.data() + start), kBlock * 2,
                         heard.frequency, heard.midi);
    return heard;
}

std::vector<int16_t> Partials(double frequency, const std::vector<double>& amplitudes) {
    std::vector<int16_t> values(44100 / 2);
    for (size_t i = 0; i < values.size(); ++i) {
        double value = 0.0;
        for (size_t k = 0; k < amplitudes.size(); ++k)
            value += amplitudes[k] * std::sin(6.283185307 * (k + 1) * frequency * i / 44100.0);
        values[i] = static_cast<int16_t>(8000.0 * value);
    }
    return values;
}

class PitchDetectorTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { ASSERT_TRUE(m_detector.SetFormat(MonoFormat(), GetParam())); }
    CPitchDetector m_detector;
};

TEST_P(PitchDetectorTest, GuitarAndBassNotesAreHeardWithinTwoCents) {
    uint32_t seed = 1;
    for (int midi : {28, 31, 33, 38, 40, 45, 50, 55, 59, 64, 69, 76, 81, 88}) {
        const double frequency = MidiHz(midi + 0.3);
        m_detector.Reset();
        const HEARD heard = Listen(m_detector, MakeHarmonicTone(frequency, 0.5, seed++));
        EXPECT_EQ(heard.midi, midi);
        EXPECT_NEAR(CPitchDetector::CentsFrom(heard.frequency, midi), 30.0, 2.0) << "MIDI " << midi;
    }
}

TEST_P(PitchDetectorTest, TheGateOpensAtTheFirstLevelAndHoldsDownToTheSecond) {
    m_detector.SetGate(0.1f, 0.07f);
    EXPECT_EQ(Listen(m_detector, MakeHarmonicTone(196.0, 0.3, 1, 40.0, 0.09)).midi, MIDI_NO_PITCH);
    EXPECT_EQ(Listen(m_detector, MakeHarmonicTone(196.0, 0.3, 2, 40.0, 0.2)).midi, 55);
    EXPECT_EQ(Listen(m_detector, MakeHarmonicTone(196.0, 0.3, 3, 40.0, 0.08)).midi, 55);
    EXPECT_EQ(Listen(m_detector, MakeHarmonicTone(196.0, 0.3, 4, 40.0, 0.06)).midi, MIDI_NO_PITCH);
}

TEST_P(PitchDetectorTest, NoiseHasNoPitch) {
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 5000.0);
    std::vector<int16_t> values(44100 / 2);
    for (int16_t& value : values)
        value = static_cast<int16_t>(std::clamp(noise(random), -32767.0, 32767.0));
    EXPECT_EQ(Listen(m_detector, values).midi, MIDI_NO_PITCH);
}

TEST_P(PitchDetectorTest, AWeakFundamentalUnderStrongOvertonesNamesTheFundamental) {
    // Even partials far louder than the odd ones: the wave nearly repeats at half its period.
    EXPECT_EQ(Listen(m_detector, Partials(MidiHz(40), {0.2, 1.0, 0.3, 0.6, 0.1, 0.3})).midi, 40);
    EXPECT_EQ(Listen(m_detector, Partials(MidiHz(28), {0.2, 1.0, 0.25, 0.5})).midi, 28);
}

INSTANTIATE_TEST_SUITE_P(BothModes, PitchDetectorTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Detection" : "Tuner"; });

} // namespace
