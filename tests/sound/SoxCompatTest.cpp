// Our WAVE files against an independent tool: sox reads what we write, and we read what sox
// writes.
#include "sound/SoundFile.h"
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Runs a shell command; false when it fails. Its standard output and error go to output.
bool Shell(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return false;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    return pclose(pipe) == 0;
}

class SoxCompatTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(MA_SOX).empty())
            GTEST_SKIP() << "sox is not installed (scripts/install-deps installs it)";
    }
    std::string Sox(const std::string& arguments) { return std::string(MA_SOX) + " " + arguments; }
    CTempFolder m_folder;
};

TEST_F(SoxCompatTest, SoxReadsTheFormatAndTheValuesOfOurFiles) {
    const std::vector<int16_t> values{0, 1, -1, 32767, -32768, 1234, -4321, 77};
    const std::string path = m_folder.File("values.wav"), raw = m_folder.File("values.raw");
    CSoundFile file;
    ASSERT_TRUE(file.Save(path.c_str(), MakeSample(values, 2)));
    std::string out;
    ASSERT_TRUE(Shell(Sox("--i '" + path + "'"), out)) << out;
    for (const char* line :
         {"Channels       : 2", "Sample Rate    : 44100", "Precision      : 16-bit",
          "Duration       : 00:00:00.00 = 4 samples", "Sample Encoding: 16-bit Signed Integer PCM"})
        EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(out.find("WARN"), std::string::npos) << out;
    ASSERT_TRUE(Shell(Sox("'" + path + "' -t raw -e signed -b 16 '" + raw + "'"), out)) << out;
    CWaveBytes expected;
    EXPECT_EQ(ReadWholeFile(raw), expected.Values(values).Get());
}

TEST_F(SoxCompatTest, WeReadWhatSoxWritesAndRefuseWhatIsNotPlainPcm) {
    for (uint16_t channels : {1, 2}) {
        const std::vector<int16_t> values = Sine(330.0, 1000 * channels, 0.9);
        const std::string raw = m_folder.File("in.raw"), wave = m_folder.File("sox.wav");
        ASSERT_TRUE(WriteWholeFile(raw, CWaveBytes().Values(values).Get()));
        std::string out;
        ASSERT_TRUE(Shell(Sox("-t raw -r 44100 -e signed -b 16 -c " + std::to_string(channels) +
                              " '" + raw + "' '" + wave + "'"),
                          out))
            << out;
        CSoundFile file;
        CSoundInfo sample;
        ASSERT_TRUE(file.Read(wave.c_str(), sample)) << file.GetErrorText().GetText();
        EXPECT_EQ(sample.format.channels, channels);
        EXPECT_EQ(ValuesOf(sample), values);
    }
    // sox writes these with a "fact" chunk and an 18- or 40-byte "fmt ".
    for (const char* options : {"-e floating-point -b 32", "-e u-law", "-b 24", "-b 16 -c 3"}) {
        const std::string wave = m_folder.File("other.wav");
        std::string out;
        ASSERT_TRUE(Shell(
            Sox("-n -r 44100 " + std::string(options) + " '" + wave + "' synth 0.01 sine 440"),
            out))
            << out;
        CSoundFile file;
        CSoundInfo sample;
        EXPECT_FALSE(file.Read(wave.c_str(), sample)) << options;
        EXPECT_EQ(file.GetErrorText(), "Not a PCM wave format") << options;
    }
}

} // namespace
