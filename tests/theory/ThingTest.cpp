#include "theory/Thing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NAMED_THING {
    int value;
    const char* name;
};

// The names as the mix files and the animation write them.
const NAMED_THING kNamed[] = {
    {0, "Thing is not set"},
    {1, "Drum set"},
    {2, "Bass drum 1"},
    {3, "Bass drum 2"},
    {4, "Hi-hat, open"},
    {5, "Hi-hat, closed"},
    {6, "Hi-hat foot"},
    {7, "Hi-hat bottom"},
    {9, "Snare drum"},
    {10, "Tom 1"},
    {15, "Tom 6"},
    {16, "Octoban 1"},
    {21, "Octoban 6"},
    {24, "Ride cymbal"},
    {25, "Ride cymbal (bell)"},
    {26, "Crash cymbal 1"},
    {29, "Crash cymbal 4"},
    {30, "Splash cymbal 1"},
    {31, "Splash cymbal 2"},
    {32, "Chinese cymbal 1"},
    {33, "Chinese cymbal 2"},
    {36, "Bass guitar"},
    {37, "Guitar"},
    {38, "Rhythm guitar"},
    {39, "Lead guitar"},
    {40, "Solo guitar"},
    {41, "Left hand"},
    {42, "Right hand"},
    {45, "Left thumb"},
    {46, "Left index finger"},
    {47, "Left middle finger"},
    {48, "Left ring finger"},
    {49, "Left little finger"},
    {50, "Right thumb"},
    {51, "Right index finger"},
    {52, "Right middle finger"},
    {53, "Right ring finger"},
    {54, "Right little finger"},
    {57, "Left foot"},
    {58, "Right foot"},
    {62, "Band"},
};

class ThingNames : public ::testing::TestWithParam<NAMED_THING> {};

TEST_P(ThingNames, WritesAndReadsTheFixedName) {
    const NAMED_THING& entry = GetParam();
    EXPECT_STREQ(GetThingName(static_cast<THING>(entry.value)), entry.name);
    THING read = THING_MAX;
    ASSERT_TRUE(FindThingByName(entry.name, read)) << entry.name;
    EXPECT_EQ(static_cast<int>(read), entry.value);
}

INSTANTIATE_TEST_SUITE_P(AllNamed, ThingNames, ::testing::ValuesIn(kNamed));

TEST(ThingNames, NumberedRangesCountOn) {
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(std::string(GetThingName(static_cast<THING>(THING_TOM_1 + i - 1))),
                  "Tom " + std::to_string(i));
        EXPECT_EQ(std::string(GetThingName(static_cast<THING>(THING_OCTOBAN_1 + i - 1))),
                  "Octoban " + std::to_string(i));
    }
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(std::string(GetThingName(static_cast<THING>(THING_CRASH_CYMBAL_1 + i - 1))),
                  "Crash cymbal " + std::to_string(i));
}

TEST(ThingNames, ValuesWithoutANameAreWrittenAsUnknown) {
    // 43, 44, 55 and 56 are the figures' arms and legs: used, but never named.
    for (int value : {-1, 8, 22, 23, 34, 35, 43, 44, 55, 56, 59, 60, 61, 64, 1000})
        EXPECT_STREQ(GetThingName(static_cast<THING>(value)), "Unknown Thing") << value;
}

TEST(ThingNames, MaximumCountIsWrittenButNeverRead) {
    EXPECT_STREQ(GetThingName(THING_MAX), "Maximum Thing count");
    THING read = THING_SNARE_DRUM;
    EXPECT_FALSE(FindThingByName("Maximum Thing count", read));
    EXPECT_EQ(read, THING_SNARE_DRUM);
}

TEST(ThingNames, UnknownNamesFailToRead) {
    THING read = THING_SNARE_DRUM;
    for (const char* name : {"Unknown Thing", "snare drum", "Snare drum ", "", "Tom 7", "Hi-hat"})
        EXPECT_FALSE(FindThingByName(name, read)) << name;
    EXPECT_FALSE(FindThingByName(nullptr, read));
    EXPECT_EQ(read, THING_SNARE_DRUM);
}

TEST(ThingNames, GuitarsKeepTheirNumbers) {
    // These numbers are instrument numbers in song and mix files.
    EXPECT_EQ(THING_BASS_GUITAR, 36);
    EXPECT_EQ(THING_RHYTHM_GUITAR, 38);
    EXPECT_EQ(THING_LEAD_GUITAR, 39);
    EXPECT_EQ(THING_BAND, 62);
    EXPECT_EQ(sizeof(THING), 4u);
}

} // namespace
