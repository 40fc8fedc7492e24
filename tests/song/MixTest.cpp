#include "song/Mix.h"

#include "tests/song/SongTestUtil.h"

#include <gtest/gtest.h>

namespace {

class MixTest : public ::testing::Test {
protected:
    CTempFolder folder;
};

TEST_F(MixTest, HiHatAndRideSoundsShareOneEntry) {
    CMix mix;
    ASSERT_TRUE(mix.SetEntry(THING_HIHAT_OPEN, 0.3f, 0.4f));
    float volume = 0, pan = 0;
    for (THING hat : {THING_HIHAT_OPEN, THING_HIHAT_CLOSED, THING_HIHAT_FOOT}) {
        ASSERT_TRUE(mix.GetEntry(hat, volume, pan)) << GetThingName(hat);
        EXPECT_FLOAT_EQ(volume, 0.3f);
        EXPECT_FLOAT_EQ(pan, 0.4f);
    }
    ASSERT_TRUE(mix.SetEntry(THING_RIDE_CYMBAL_BELL, 0.5f, -0.5f));
    ASSERT_TRUE(mix.GetEntry(THING_RIDE_CYMBAL, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.5f);
    EXPECT_EQ(mix.GetCount(), 2);
    // The shared entries are stored under the closed hi-hat and the ride cymbal.
    EXPECT_EQ(mix.GetEntries().begin()->first, THING_HIHAT_CLOSED);
    EXPECT_FALSE(mix.GetEntry(THING_SNARE_DRUM, volume, pan));
}

TEST_F(MixTest, DefaultsGiveTheTableValues) {
    CMix mix;
    ASSERT_TRUE(mix.SetDefaults());
    // 18 rows, of which hi-hat open lands on the closed hi-hat's entry.
    EXPECT_EQ(mix.GetCount(), 17);
    struct {
        THING thing;
        float volume, pan;
    } expected[] = {{THING_LEAD_GUITAR, 1.0f, -0.2f}, {THING_RHYTHM_GUITAR, 1.0f, 0.2f},
                    {THING_SNARE_DRUM, 0.7f, -0.2f},  {THING_HIHAT_OPEN, 0.6f, -0.8f},
                    {THING_HIHAT_FOOT, 0.6f, -0.8f},  {THING_RIDE_CYMBAL_BELL, 0.6f, 0.5f},
                    {THING_TOM_5, 1.0f, 0.6f},        {THING_SPLASH_CYMBAL_1, 0.6f, -0.3f}};
    for (const auto& row : expected) {
        float volume = 0, pan = 0;
        ASSERT_TRUE(mix.GetEntry(row.thing, volume, pan)) << GetThingName(row.thing);
        EXPECT_FLOAT_EQ(volume, row.volume) << GetThingName(row.thing);
        EXPECT_FLOAT_EQ(pan, row.pan) << GetThingName(row.thing);
    }
    float volume, pan;
    EXPECT_FALSE(mix.GetEntry(THING_TOM_6, volume, pan)) << "tom 6 is not in the default mix";
}

TEST_F(MixTest, FileLayoutIsOneBlockPerEntryInKeyOrder) {
    CMix mix;
    ASSERT_TRUE(mix.SetEntry(THING_LEAD_GUITAR, 1.0f, -0.2f));
    ASSERT_TRUE(mix.SetEntry(THING_HIHAT_OPEN, 0.6f, -0.8f));
    ASSERT_TRUE(mix.SetSoundFile(THING_HIHAT_FOOT, "Sound/hat.wav"));
    std::string path = folder.Path("Default.mix");
    ASSERT_TRUE(mix.Save(path.c_str())) << mix.GetError().GetText();
    EXPECT_EQ(ReadBytes(path), "Mix start= \r\nInstrument=Hi-hat, closed\r\nVolume=0.60\r\n"
                               "Pan=-0.80\r\nSound file=Sound/hat.wav\r\nMix end= \r\n\r\n"
                               "Mix start= \r\nInstrument=Lead guitar\r\nVolume=1.00\r\n"
                               "Pan=-0.20\r\nSound file=\r\nMix end= \r\n\r\n");
    EXPECT_EQ(mix.GetFile(), path.c_str());
}

TEST_F(MixTest, SaveAndLoadReproduceEveryEntry) {
    CMix mix;
    ASSERT_TRUE(mix.SetDefaults());
    ASSERT_TRUE(mix.SetEntry(THING_BASS_GUITAR, 0.333f, -0.777f));
    ASSERT_TRUE(mix.SetSoundFile(THING_SNARE_DRUM, "/samples/snare=tight.wav"));
    std::string path = folder.Path("round.mix");
    ASSERT_TRUE(mix.Save(path.c_str())) << mix.GetError().GetText();

    CMix back;
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.GetFile(), path.c_str());
    ASSERT_EQ(back.GetCount(), mix.GetCount());
    for (const auto& [key, entry] : mix.GetEntries()) {
        const MIX_ENTRY* read = back.FindEntry(key);
        ASSERT_NE(read, nullptr) << GetThingName(key);
        EXPECT_EQ(read->instrument, entry.instrument);
        // Two decimals are kept.
        EXPECT_NEAR(read->volume, entry.volume, 0.005) << GetThingName(key);
        EXPECT_NEAR(read->pan, entry.pan, 0.005) << GetThingName(key);
        EXPECT_EQ(read->soundFile, entry.soundFile) << GetThingName(key);
    }
    EXPECT_FLOAT_EQ(back.FindEntry(THING_BASS_GUITAR)->volume, 0.33f);
    EXPECT_FLOAT_EQ(back.FindEntry(THING_BASS_GUITAR)->pan, -0.78f);
}

TEST_F(MixTest, SecondBlockForTheSameInstrumentFailsAndKeepsTheFirst) {
    std::string path = folder.Path("twice.mix");
    WriteBytes(path, "Mix start= \r\nInstrument=Snare drum\r\nVolume=0.25\r\nPan=0.50\r\n"
                     "Sound file=\r\nMix end= \r\n\r\n"
                     "Mix start= \r\nInstrument=Snare drum\r\nVolume=0.90\r\nPan=-0.50\r\n"
                     "Mix end= \r\n\r\n");
    CMix mix;
    EXPECT_FALSE(mix.Load(path.c_str()));
    EXPECT_EQ(mix.GetError(), "Can't insert into mix map");
    float volume = 0, pan = 0;
    ASSERT_TRUE(mix.GetEntry(THING_SNARE_DRUM, volume, pan));
    EXPECT_FLOAT_EQ(volume, 0.25f);
    EXPECT_FLOAT_EQ(pan, 0.5f);
}

TEST_F(MixTest, LoadingIntoAFilledMixFailsAtTheFirstInstrumentPresent) {
    CMix mix;
    ASSERT_TRUE(mix.SetEntry(THING_TOM_2, 1.0f, 0.0f));
    std::string path = folder.Path("some.mix");
    WriteBytes(path, "Mix start= \r\nInstrument=Tom 1\r\nMix end= \r\n\r\n"
                     "Mix start= \r\nInstrument=Tom 2\r\nVolume=0.10\r\nMix end= \r\n\r\n"
                     "Mix start= \r\nInstrument=Tom 3\r\nMix end= \r\n\r\n");
    EXPECT_FALSE(mix.Load(path.c_str()));
    EXPECT_EQ(mix.GetError(), "Can't insert into mix map");
    EXPECT_NE(mix.FindEntry(THING_TOM_1), nullptr);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_2)->volume, 1.0f);
    EXPECT_EQ(mix.FindEntry(THING_TOM_3), nullptr);
}

TEST_F(MixTest, ReaderRules) {
    std::string path = folder.Path("rules.mix");
    // A block without "Instrument" lands under 0; "volume" in lower case is another key and is
    // ignored; a malformed number reads as 0; values after the last "Mix end" are dropped.
    WriteBytes(path, "Mix start= \r\nvolume=0.40\r\nPan=left\r\nMix end= \r\n\r\n"
                     "Instrument=Bass guitar\r\nVolume=0.50\r\nMix end= \r\n"
                     "Mix start= \r\nInstrument=Lead guitar\r\n");
    CMix mix;
    ASSERT_TRUE(mix.Load(path.c_str())) << mix.GetError().GetText();
    ASSERT_EQ(mix.GetCount(), 2);
    const MIX_ENTRY* none = mix.FindEntry(THING_NONE);
    ASSERT_NE(none, nullptr);
    EXPECT_FLOAT_EQ(none->volume, 1.0f);
    EXPECT_FLOAT_EQ(none->pan, 0.0f);
    // Values outside a start/end pair still reach the next "Mix end".
    ASSERT_NE(mix.FindEntry(THING_BASS_GUITAR), nullptr);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_BASS_GUITAR)->volume, 0.5f);
    EXPECT_EQ(mix.FindEntry(THING_LEAD_GUITAR), nullptr);
}

TEST_F(MixTest, BadFilesFailWithTheirReason) {
    CMix mix;
    std::string missing = folder.Path("missing.mix");
    EXPECT_FALSE(mix.Load(missing.c_str()));
    EXPECT_EQ(mix.GetError().Str().rfind("Can't open mix (" + missing + "): ", 0), 0u)
        << mix.GetError().GetText();

    std::string unknown = folder.Path("unknown.mix");
    WriteBytes(unknown, "Mix start= \r\nInstrument=Theremin\r\nMix end= \r\n");
    EXPECT_FALSE(mix.Load(unknown.c_str()));
    EXPECT_NE(mix.GetError().Str().find("Theremin"), std::string::npos);
    EXPECT_EQ(mix.GetCount(), 0);
}

TEST_F(MixTest, FailedSaveKeepsTheOldFile) {
    std::string path = folder.Path("keep.mix");
    CMix good;
    ASSERT_TRUE(good.SetDefaults());
    ASSERT_TRUE(good.Save(path.c_str()));
    std::string before = ReadBytes(path);

    // An arm has no name in the file's vocabulary, so this save stops half-way.
    CMix bad;
    ASSERT_TRUE(bad.SetEntry(THING_BASS_DRUM_1, 0.1f, 0.1f));
    ASSERT_TRUE(bad.SetEntry(THING_LEFT_ARM, 1.0f, 0.0f));
    EXPECT_FALSE(bad.Save(path.c_str()));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Folder()),
                            std::filesystem::directory_iterator()),
              1)
        << "the temporary file is left behind";
}

TEST_F(MixTest, LevelsOutsideTheirRangeAreBroughtToTheEdges) {
    std::string path = folder.Path("loud.mix");
    WriteBytes(path, "Mix start= \r\nInstrument=Tom 1\r\nVolume=3.5\r\nPan=-7\r\nMix end= \r\n"
                     "Mix start= \r\nInstrument=Tom 2\r\nVolume=-1e300\r\nPan=1e300\r\n"
                     "Mix end= \r\n");
    CMix mix;
    ASSERT_TRUE(mix.Load(path.c_str())) << mix.GetError().GetText();
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_1)->volume, 1.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_1)->pan, -1.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_2)->volume, 0.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_2)->pan, 1.0f);
}

} // namespace
