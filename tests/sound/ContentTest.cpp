// The sample sets that the build renders into bin/Sound: complete, in the format the engine
// plays, trimmed, at most four seconds, and in tune.
#include "sound/SampleRoutines.h"
#include "sound/SampleStore.h"
#include "sound/SoundFile.h"
#include "theory/NoteManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

const std::string kSoundFolder = std::string(MA_RUNTIME_DIR) + "/Sound";

// Pitch of a 44,100 Hz sample by normalised autocorrelation, searched within a major third of
// the expected frequency, with the lag refined between its neighbours.
double MeasurePitch(const CSoundInfo& sample, double expected) {
    const int16_t* v = sample.GetValues();
    const size_t count = sample.GetValueCount();
    const size_t start = std::min<size_t>(count / 4, 44100 / 10);
    const size_t length = std::min<size_t>(8192, count - start);
    const double period = 44100.0 / expected;
    auto correlation = [&](size_t lag) {
        double sum = 0, a = 0, b = 0;
        for (size_t i = start; i + lag < start + length; ++i) {
            sum += double(v[i]) * v[i + lag];
            a += double(v[i]) * v[i];
            b += double(v[i + lag]) * v[i + lag];
        }
        return sum / (std::sqrt(a * b) + 1e-9);
    };
    size_t best = 0;
    double bestValue = -2.0;
    for (size_t lag = size_t(period / 1.26); lag <= size_t(period * 1.26) + 1; ++lag) {
        double c = correlation(lag);
        if (c > bestValue) {
            bestValue = c;
            best = lag;
        }
    }
    double left = correlation(best - 1), right = correlation(best + 1);
    double denominator = left - 2 * bestValue + right;
    double refined = double(best) + (denominator < 0 ? 0.5 * (left - right) / denominator : 0.0);
    return 44100.0 / refined;
}

class ContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSoundFolder + "/Clean Guitar"))
            GTEST_SKIP() << "the sample sets are not built in " << kSoundFolder;
    }
};

TEST_F(ContentTest, EverySetLoadsAndEveryFileIsMonoSixteenBitAt44100) {
    CNoteManager notes;
    ASSERT_TRUE(notes.Initialize());
    CSampleStore store(notes);
    ASSERT_TRUE(store.LoadAllSets(kSoundFolder.c_str())) << store.GetErrorText().GetText();
    // Guitars: 6 strings of 31 notes each (frets 0 to 24 and six more); bass: 4 strings.
    EXPECT_EQ(store.GetSamples(THING_LEAD_GUITAR)->GetCount(), 186u);
    EXPECT_EQ(store.GetSamples(THING_RHYTHM_GUITAR)->GetCount(), 186u);
    EXPECT_EQ(store.GetSamples(THING_BASS_GUITAR)->GetCount(), 124u);

    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSoundFolder)) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().string());
        CSoundFile file;
        CSoundInfo sample;
        ASSERT_TRUE(file.Read(entry.path().c_str(), sample)) << file.GetErrorText().GetText();
        EXPECT_EQ(sample.format.channels, 1);
        EXPECT_EQ(sample.format.bitsPerSample, 16);
        EXPECT_EQ(sample.format.samplesPerSec, 44100u);
        const double seconds = BytesToSeconds(sample.size, sample.format);
        EXPECT_GT(seconds, 0.05);
        EXPECT_LE(seconds, 4.0);
        // Trimmed: the sound starts within the first millisecond.
        const int16_t* v = sample.GetValues();
        int16_t peak = 0;
        GetPeak(sample.GetBytes(), sample.size, sample.format, &peak);
        EXPECT_GT(peak, 8000) << "not silent";
        int onset = 0;
        while (onset < 44 && std::abs(v[onset]) < peak / 1000)
            ++onset;
        EXPECT_LT(onset, 44) << "leading silence";
        // It ends at rest, so a note that rings to the end does not click.
        EXPECT_LT(std::abs(v[sample.GetValueCount() - 1]), peak / 100);
    }
}

TEST_F(ContentTest, StringSamplesSoundAtTheirNotes) {
    size_t count = 0;
    const STRINGED_SET* sets = GetStringedSets(count);
    for (size_t s = 0; s < count; ++s) {
        const STRINGED_SET& set = sets[s];
        if (set.thing == THING_RHYTHM_GUITAR)
            continue; // the lead guitar's files
        for (int string = 1; string <= set.strings; ++string) {
            for (int fret : {0, 12}) {
                CCharString path =
                    MakeStringedSampleName(kSoundFolder.c_str(), set.name, string, fret);
                SCOPED_TRACE(path.GetText());
                CSoundFile file;
                CSoundInfo sample;
                ASSERT_TRUE(file.Read(path, sample)) << file.GetErrorText().GetText();
                const int midi = set.openNotes[string - 1] + fret;
                const double expected = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
                const double cents = 1200.0 * std::log2(MeasurePitch(sample, expected) / expected);
                EXPECT_NEAR(cents, 0.0, 25.0);
            }
        }
    }
}

} // namespace
