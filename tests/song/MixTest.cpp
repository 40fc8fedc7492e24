#include "song/Mix.h"

#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

namespace {

class MixTest : public ::testing::Test {
protected:
    CTempFolder folder;
};

TEST_F(MixTest, TheHiHatSoundsAndTheRideBellShareOneEntryWrittenInKeyOrder) {
    CMix mix;
    ASSERT_TRUE(mix.SetEntry(THING_LEAD_GUITAR, 1.0f, -0.2f));
    ASSERT_TRUE(mix.SetEntry(THING_HIHAT_OPEN, 0.6f, -0.8f));
    ASSERT_TRUE(mix.SetSoundFile(THING_HIHAT_FOOT, "Sound/hat.wav"));
    ASSERT_TRUE(mix.SetEntry(THING_RIDE_CYMBAL_BELL, 0.5f, 3.0f)); // levels kept in range
    float volume = 0, pan = 0;
    for (THING hat : {THING_HIHAT_OPEN, THING_HIHAT_CLOSED, THING_HIHAT_FOOT}) {
        ASSERT_TRUE(mix.GetEntry(hat, volume, pan)) << GetThingName(hat);
        EXPECT_FLOAT_EQ(volume, 0.6f);
        EXPECT_FLOAT_EQ(pan, -0.8f);
    }
    ASSERT_TRUE(mix.GetEntry(THING_RIDE_CYMBAL, volume, pan));
    EXPECT_FLOAT_EQ(pan, 1.0f);
    EXPECT_FALSE(mix.GetEntry(THING_SNARE_DRUM, volume, pan));
    EXPECT_FALSE(mix.SetSoundFile(THING_SNARE_DRUM, "x.wav"));
    const std::string path = folder.File("Default.mix");
    ASSERT_TRUE(mix.Save(path.c_str())) << mix.GetError().GetText();
    EXPECT_EQ(CTempFolder::Slurp(path),
              "Mix start= \r\nInstrument=Hi-hat, closed\r\nVolume=0.60\r\n"
              "Pan=-0.80\r\nSound file=Sound/hat.wav\r\nMix end= \r\n\r\n"
              "Mix start= \r\nInstrument=Ride cymbal\r\nVolume=0.50\r\n"
              "Pan=1.00\r\nSound file=\r\nMix end= \r\n\r\n"
              "Mix start= \r\nInstrument=Lead guitar\r\nVolume=1.00\r\n"
              "Pan=-0.20\r\nSound file=\r\nMix end= \r\n\r\n");
    EXPECT_EQ(mix.GetFile(), path.c_str());
}

TEST_F(MixTest, SaveAndLoadReproduceEveryEntryToTwoDecimals) {
    CMix mix;
    ASSERT_TRUE(mix.SetDefaults());
    ASSERT_TRUE(mix.SetEntry(THING_BASS_GUITAR, 0.333f, -0.777f));
    ASSERT_TRUE(mix.SetSoundFile(THING_SNARE_DRUM, "/samples/snare=tight.wav"));
    const std::string path = folder.File("round.mix");
    ASSERT_TRUE(mix.Save(path.c_str())) << mix.GetError().GetText();
    CMix back;
    back.m_name.Set("old name");
    ASSERT_TRUE(back.Load(path.c_str())) << back.GetError().GetText();
    EXPECT_EQ(back.GetFile(), path.c_str());
    EXPECT_TRUE(back.m_name.IsEmpty());
    ASSERT_EQ(back.GetCount(), mix.GetCount());
    for (const auto& [key, entry] : mix.GetEntries()) {
        const MIX_ENTRY* read = back.FindEntry(key);
        ASSERT_NE(read, nullptr) << GetThingName(key);
        EXPECT_EQ(read->instrument, entry.instrument);
        EXPECT_NEAR(read->volume, entry.volume, 0.005) << GetThingName(key);
        EXPECT_NEAR(read->pan, entry.pan, 0.005) << GetThingName(key);
        EXPECT_EQ(read->soundFile, entry.soundFile) << GetThingName(key);
    }
    EXPECT_FLOAT_EQ(back.FindEntry(THING_BASS_GUITAR)->volume, 0.33f);
    EXPECT_FLOAT_EQ(back.FindEntry(THING_BASS_GUITAR)->pan, -0.78f);
}

TEST_F(MixTest, TheReaderKeepsTheEntriesItReadBeforeAnInstrumentAlreadyThere) {
    // A block without "Instrument" lands under 0; "volume" in lower case is another key and is
    // ignored; a malformed number reads as 0; levels out of range are brought to the edges;
    // values after the last "Mix end" are dropped.
    const std::string path = folder.File("rules.mix");
    CTempFolder::Put(
        path, "Mix start= \r\nvolume=0.40\r\nPan=left\r\nMix end= \r\n\r\n"
              "Instrument=Tom 1\r\nVolume=3.5\r\nPan=-7\r\nMix end= \r\n"
              "Mix start= \r\nInstrument=Tom 2\r\nVolume=-1e300\r\nPan=1e300\r\nMix end= \r\n"
              "Mix start= \r\nInstrument=Tom 3\r\nVolume=0.25\r\nMix end= \r\n"
              "Mix start= \r\nInstrument=Tom 2\r\nVolume=0.90\r\nMix end= \r\n"
              "Mix start= \r\nInstrument=Tom 4\r\nMix end= \r\n");
    CMix mix;
    EXPECT_FALSE(mix.Load(path.c_str()));
    EXPECT_EQ(mix.GetError(), "Can't insert into mix map");
    ASSERT_EQ(mix.GetCount(), 4);
    const MIX_ENTRY* none = mix.FindEntry(THING_NONE);
    ASSERT_NE(none, nullptr);
    EXPECT_FLOAT_EQ(none->volume, 1.0f);
    EXPECT_FLOAT_EQ(none->pan, 0.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_1)->volume, 1.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_1)->pan, -1.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_2)->volume, 0.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_2)->pan, 1.0f);
    EXPECT_FLOAT_EQ(mix.FindEntry(THING_TOM_3)->volume, 0.25f);
    EXPECT_EQ(mix.FindEntry(THING_TOM_4), nullptr);

    CTempFolder::Put(path, "Mix start= \r\nInstrument=Lead guitar\r\n");
    CMix unfinished;
    ASSERT_TRUE(unfinished.Load(path.c_str())) << unfinished.GetError().GetText();
    EXPECT_EQ(unfinished.GetCount(), 0);
}

TEST_F(MixTest, BadFilesFailWithTheirReasonAndAFailedSaveKeepsTheOldFile) {
    CMix mix;
    const std::string missing = folder.File("missing.mix");
    EXPECT_FALSE(mix.Load(missing.c_str()));
    EXPECT_EQ(mix.GetError().Str().rfind("Can't open mix (" + missing + "): ", 0), 0u)
        << mix.GetError().GetText();
    const std::string path = folder.File("keep.mix");
    CTempFolder::Put(path, "Mix start= \r\nInstrument=Theremin\r\nMix end= \r\n");
    EXPECT_FALSE(mix.Load(path.c_str()));
    EXPECT_EQ(mix.GetError(), ("Unknown instrument in mix (" + path + "): Theremin").c_str());
    EXPECT_EQ(mix.GetCount(), 0);

    const std::string before = CTempFolder::Slurp(path);
    // An arm has no name in the file's vocabulary, so this save stops half-way.
    ASSERT_TRUE(mix.SetEntry(THING_BASS_DRUM_1, 0.1f, 0.1f));
    ASSERT_TRUE(mix.SetEntry(THING_LEFT_ARM, 1.0f, 0.0f));
    EXPECT_FALSE(mix.Save(path.c_str()));
    EXPECT_EQ(CTempFolder::Slurp(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << "the temporary file is left behind";
}

} // namespace
