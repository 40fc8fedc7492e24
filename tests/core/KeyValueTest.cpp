#include "core/KeyValue.h"
#include "core/DiskFile.h"
#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

struct SPLIT_CASE {
    const char* line;
    const char* key;
    const char* value;
    bool hasValue;
};

class KeyValueSplit : public ::testing::TestWithParam<SPLIT_CASE> {};

TEST_P(KeyValueSplit, SplitsAtTheFirstEquals) {
    const SPLIT_CASE& c = GetParam();
    KEY_VALUE kv;
    EXPECT_EQ(SplitKeyValue(c.line, kv), c.hasValue);
    EXPECT_EQ(kv.key, c.key);
    EXPECT_EQ(kv.value, c.value);
    EXPECT_EQ(kv.hasValue, c.hasValue);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, KeyValueSplit,
    ::testing::Values(SPLIT_CASE{"Tempo=120", "Tempo", "120", true},
                      // "=" inside the value belongs to the value
                      SPLIT_CASE{"Chord=C7=dominant", "Chord", "C7=dominant", true},
                      SPLIT_CASE{"Expr=a==b", "Expr", "a==b", true},
                      // leading "=" characters are skipped
                      SPLIT_CASE{"==Name=Blues", "Name", "Blues", true},
                      SPLIT_CASE{"Notes=", "Notes", "", false},    // values on later lines
                      SPLIT_CASE{"Mix= ", "Mix", " ", true},       // section marker
                      SPLIT_CASE{"Mix end", "Mix end", "", false}, // no "=" at all
                      SPLIT_CASE{"", "", "", false},               // block separator
                      SPLIT_CASE{"===", "", "", false}, SPLIT_CASE{"=x", "x", "", false},
                      SPLIT_CASE{"Name=Ré mineur", "Name", "Ré mineur", true}));

TEST(KeyValueNumbers, CConversionSemantics) {
    EXPECT_EQ(KeyValueInt("120"), 120);
    EXPECT_EQ(KeyValueInt("  -7"), -7);
    EXPECT_EQ(KeyValueInt("+5"), 5);
    EXPECT_EQ(KeyValueInt("12abc"), 12); // the number at the start counts
    EXPECT_EQ(KeyValueInt("abc"), 0);    // not a number reads as 0
    EXPECT_EQ(KeyValueInt(""), 0);
    EXPECT_EQ(KeyValueInt("+-5"), 0);
    EXPECT_EQ(KeyValueInt("99999999999"), 2147483647);
    EXPECT_EQ(KeyValueInt("-99999999999"), -2147483647 - 1);
    EXPECT_DOUBLE_EQ(KeyValueReal("0.75"), 0.75);
    EXPECT_DOUBLE_EQ(KeyValueReal(" -1.00"), -1.0);
    EXPECT_DOUBLE_EQ(KeyValueReal("2.5e2"), 250.0);
    EXPECT_DOUBLE_EQ(KeyValueReal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(KeyValueReal("loud"), 0.0);
    EXPECT_DOUBLE_EQ(KeyValueReal("nan"), 0.0);
    EXPECT_DOUBLE_EQ(KeyValueReal("1e999"), 0.0);
}

TEST(KeyValueWriters, LineShapes) {
    EXPECT_EQ(FormatKeyText("Name", "Slow Blues"), "Name=Slow Blues");
    EXPECT_EQ(FormatKeyInt("Tempo", -12), "Tempo=-12");
    EXPECT_EQ(FormatKeyReal("Volume", 0.5), "Volume=0.50");
    EXPECT_EQ(FormatKeyReal("Pan", -0.125), "Pan=-0.12"); // rounds half to even like printf
    EXPECT_EQ(FormatKeyReal("Time", 1234.567), "Time=1234.57");
}

TEST(KeyValueWriters, RealsIgnoreTheLocale) {
    // The window toolkit sets the user's locale; files must still read the same everywhere.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    std::string line = FormatKeyReal("Volume", 0.25).Str();
    double back = KeyValueReal("0.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(line, "Volume=0.25");
    EXPECT_DOUBLE_EQ(back, 0.25);
}

TEST(KeyValueWriters, FileRoundTrip) {
    CTempFolder folder;
    std::string path = folder.File("Test.mix");
    CDiskFile out;
    ASSERT_TRUE(out.Open(path.c_str(), false, true, true));
    EXPECT_TRUE(WriteSectionKey(out, "Mix"));
    EXPECT_TRUE(WriteKeyText(out, "Name", "Kick=Bass drum"));
    EXPECT_TRUE(WriteKeyInt(out, "Instrument", 35));
    EXPECT_TRUE(WriteKeyReal(out, "Volume", 0.8));
    EXPECT_TRUE(WriteListKey(out, "Notes"));
    EXPECT_TRUE(WriteBlankLine(out));
    out.Close();
    EXPECT_EQ(CTempFolder::Slurp(path), "Mix= \r\nName=Kick=Bass drum\r\nInstrument=35\r\n"
                                        "Volume=0.80\r\nNotes=\r\n\r\n");

    CDiskFile in;
    ASSERT_TRUE(in.Open(path.c_str(), true, false, false));
    char* line = nullptr;
    std::vector<std::pair<std::string, std::string>> seen;
    while (in.NextLine(line) && line != nullptr) {
        KEY_VALUE kv;
        SplitKeyValue(line, kv);
        seen.emplace_back(std::string(kv.key), std::string(kv.value));
        if (kv.key == "Instrument") {
            EXPECT_EQ(KeyValueInt(kv.value), 35);
        }
        if (kv.key == "Volume") {
            EXPECT_DOUBLE_EQ(KeyValueReal(kv.value), 0.8);
        }
    }
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[1].second, "Kick=Bass drum");
    EXPECT_EQ(seen[5].first, "");
}

TEST(KeyValueWriters, RealsMatchTheCFormatInTheCLocale) {
    const double values[] = {0.0,   0.005,  0.015,  0.125, 0.375,       1.0 / 3,
                             2.675, -0.004, -1.995, 440.0, 1e6 + 0.125, 123456.785};
    for (double value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "k=%0.2f", value);
        EXPECT_EQ(FormatKeyReal("k", value).Str(), expected) << value;
    }
}

TEST(KeyValueReader, SkipsLinesWithoutKeyOrValueAndReportsTheEnd) {
    CTempFolder folder;
    std::string path = folder.Write("Part.Song", "Name=Verse\r\n\r\nEnd of Song Part\r\n"
                                                 "=\r\nNotes=\r\nTempo=90\r\nEnd= \r\n");
    CDiskFile in;
    ASSERT_TRUE(in.Open(path.c_str(), true, false, false));
    KEY_VALUE kv;
    bool atEnd = true;
    CCharString reason;
    std::vector<std::string> keys;
    while (NextKeyValue(in, kv, atEnd, reason) && !atEnd)
        keys.emplace_back(kv.key);
    EXPECT_TRUE(atEnd);
    // A bare key, a lone "=" and a key without value are no entries.
    EXPECT_EQ(keys, (std::vector<std::string>{"Name", "Tempo", "End"}));
}

TEST(KeyValueReader, LastLineWithoutEndFailsWithTheReason) {
    CTempFolder folder;
    std::string path = folder.Write("Cut.mix", "Volume=0.50\r\nPan=0.2");
    CDiskFile in;
    ASSERT_TRUE(in.Open(path.c_str(), true, false, false));
    KEY_VALUE kv;
    bool atEnd = false;
    CCharString reason;
    ASSERT_TRUE(NextKeyValue(in, kv, atEnd, reason));
    EXPECT_EQ(kv.key, "Volume");
    EXPECT_FALSE(NextKeyValue(in, kv, atEnd, reason));
    EXPECT_FALSE(atEnd);
    EXPECT_EQ(reason, "no line end, or the line is too long");
}
