#include "core/KeyValue.h"
#include "core/DiskFile.h"
#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

TEST(KeyValue, LinesSplitAtTheFirstEqualsAfterLeadingOnes) {
    const struct {
        const char *line, *key, *value;
        bool hasValue;
    } cases[] = {{"Tempo=120", "Tempo", "120", true},
                 {"Chord=C7=dominant", "Chord", "C7=dominant", true},
                 {"==Name=Blues", "Name", "Blues", true},
                 {"Notes=", "Notes", "", false}, // values on later lines
                 {"Mix= ", "Mix", " ", true},    // a block marker
                 {"Mix end", "Mix end", "", false},
                 {"", "", "", false},
                 {"===", "", "", false},
                 {"=x", "x", "", false},
                 {"Name=Ré mineur", "Name", "Ré mineur", true}};
    for (const auto& c : cases) {
        KEY_VALUE kv;
        EXPECT_EQ(SplitKeyValue(c.line, kv), c.hasValue) << c.line;
        EXPECT_EQ(kv.key, c.key) << c.line;
        EXPECT_EQ(kv.value, c.value) << c.line;
        EXPECT_EQ(kv.hasValue, c.hasValue) << c.line;
    }
}

TEST(KeyValue, NumbersReadLikeCAndWriteInTheCLocaleWhateverTheUsersLocale) {
    const std::pair<const char*, int> ints[] = {{"120", 120},
                                                {"  -7", -7},
                                                {"+5", 5},
                                                {"12abc", 12},
                                                {"abc", 0},
                                                {"", 0},
                                                {"+-5", 0},
                                                {"99999999999", 2147483647},
                                                {"-99999999999", -2147483647 - 1}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(KeyValueInt(text), value) << text;
    const std::pair<const char*, double> reals[] = {
        {"0.75", 0.75}, {" -1.00", -1.0}, {"2.5e2", 250.0}, {".5", 0.5},
        {"loud", 0.0},  {"nan", 0.0},     {"1e999", 0.0}};
    for (const auto& [text, value] : reals)
        EXPECT_DOUBLE_EQ(KeyValueReal(text), value) << text;
    EXPECT_EQ(FormatKeyText("Name", "Slow Blues"), "Name=Slow Blues");
    EXPECT_EQ(FormatKeyInt("Tempo", -12), "Tempo=-12");
    for (double value : {0.0, 0.005, 0.125, -0.125, 2.675, -0.004, -1.995, 123456.785}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "k=%0.2f", value);
        EXPECT_EQ(FormatKeyReal("k", value).Str(), expected) << value;
    }
    // The window toolkit sets the user's locale; files must still read the same everywhere.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const std::string line = FormatKeyReal("Volume", 0.25).Str();
    const double back = KeyValueReal("0.25");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(line, "Volume=0.25");
    EXPECT_DOUBLE_EQ(back, 0.25);
}

TEST(KeyValue, AWrittenFileReadsBackEntryByEntrySkippingLinesWithoutKeyOrValue) {
    CTempFolder folder;
    const std::string path = folder.File("Test.mix");
    CDiskFile out;
    ASSERT_TRUE(out.Open(path.c_str(), false, true, true));
    EXPECT_TRUE(WriteSectionKey(out, "Mix"));
    EXPECT_TRUE(WriteKeyText(out, "Name", "Kick=Bass drum"));
    EXPECT_TRUE(WriteKeyInt(out, "Instrument", 35));
    EXPECT_TRUE(WriteListKey(out, "Notes"));
    EXPECT_TRUE(WriteBlankLine(out));
    EXPECT_TRUE(WriteKeyReal(out, "Volume", 0.8));
    out.Write("=\r\nEnd of block\r\n", 17);
    out.Close();
    EXPECT_EQ(CTempFolder::Slurp(path), "Mix= \r\nName=Kick=Bass drum\r\nInstrument=35\r\n"
                                        "Notes=\r\n\r\nVolume=0.80\r\n=\r\nEnd of block\r\n");
    CDiskFile in;
    ASSERT_TRUE(in.Open(path.c_str(), true, false, false));
    KEY_VALUE kv;
    bool atEnd = false;
    CCharString reason;
    std::vector<std::string> entries;
    while (NextKeyValue(in, kv, atEnd, reason) && !atEnd)
        entries.push_back(std::string(kv.key) + "|" + std::string(kv.value));
    EXPECT_TRUE(atEnd);
    // A bare key, a lone "=", an empty line and a key without value are no entries.
    EXPECT_EQ(entries, (std::vector<std::string>{"Mix| ", "Name|Kick=Bass drum", "Instrument|35",
                                                 "Volume|0.80"}));

    const std::string cut = folder.Write("Cut.mix", "Volume=0.50\r\nPan=0.2");
    CDiskFile last;
    ASSERT_TRUE(last.Open(cut.c_str(), true, false, false));
    ASSERT_TRUE(NextKeyValue(last, kv, atEnd, reason));
    EXPECT_EQ(kv.key, "Volume");
    EXPECT_FALSE(NextKeyValue(last, kv, atEnd, reason));
    EXPECT_FALSE(atEnd);
    EXPECT_EQ(reason, "no line end, or the line is too long");
}
