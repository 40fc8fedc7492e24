// Our WAVE files against independent tools: sox and soxi read what we write, and we read what
// sox and libsndfile's tools write.
#include "WaveBytes.h"
#include "sound/SoundFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Runs a shell command; its standard output, or false when it fails.
bool RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    return pclose(pipe) == 0;
}

std::string Quote(const std::string& path) {
    return "'" + path + "'";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class SoxCompatTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(MA_SOX).empty() || std::string(MA_SOXI).empty())
            GTEST_SKIP() << "sox is not installed (scripts/install-deps installs it)";
    }
    CTempFolder m_folder;
};

TEST_F(SoxCompatTest, SoxiReadsTheFormatOfOurFiles) {
    for (uint16_t channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<int16_t> values = Sine(440.0, 4410 * channels);
        std::string path = m_folder.File("ours " + std::to_string(channels) + ".wav");
        CSoundFile file;
        ASSERT_TRUE(file.Save(path.c_str(), MakeSample(values, channels)));

        std::string out;
        ASSERT_TRUE(RunCommand(std::string(MA_SOXI) + " -r " + Quote(path), out));
        EXPECT_EQ(Trimmed(out), "44100");
        ASSERT_TRUE(RunCommand(std::string(MA_SOXI) + " -c " + Quote(path), out));
        EXPECT_EQ(Trimmed(out), std::to_string(channels));
        ASSERT_TRUE(RunCommand(std::string(MA_SOXI) + " -b " + Quote(path), out));
        EXPECT_EQ(Trimmed(out), "16");
        ASSERT_TRUE(RunCommand(std::string(MA_SOXI) + " -s " + Quote(path), out));
        EXPECT_EQ(Trimmed(out), "4410") << "frames";
        ASSERT_TRUE(RunCommand(std::string(MA_SOXI) + " -e " + Quote(path), out));
        EXPECT_EQ(Trimmed(out), "Signed Integer PCM");
        ASSERT_TRUE(RunCommand(std::string(MA_SOX) + " --i " + Quote(path) + " 2>&1", out)) << out;
        EXPECT_NE(out.find("Sample Rate    : 44100"), std::string::npos) << out;
        EXPECT_EQ(out.find("WARN"), std::string::npos) << out;
    }
}

TEST_F(SoxCompatTest, SoxDecodesOurSampleValues) {
    std::vector<int16_t> values{0, 1, -1, 32767, -32768, 1234, -4321, 77};
    std::string path = m_folder.File("values.wav");
    std::string raw = m_folder.File("values.raw");
    CSoundFile file;
    ASSERT_TRUE(file.Save(path.c_str(), MakeSample(values, 2)));
    std::string out;
    ASSERT_TRUE(RunCommand(std::string(MA_SOX) + " " + Quote(path) + " -t raw -e signed -b 16 " +
                               Quote(raw) + " 2>&1",
                           out))
        << out;
    std::vector<uint8_t> bytes = ReadWholeFile(raw);
    ASSERT_EQ(bytes.size(), values.size() * 2);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8), values[i]) << i;
}

TEST_F(SoxCompatTest, WeReadWhatSoxWrites) {
    for (uint16_t channels : {1, 2}) {
        SCOPED_TRACE(channels);
        std::vector<int16_t> values = Sine(330.0, 1000 * channels, 0.9);
        std::string raw = m_folder.File("in.raw");
        std::string wave = m_folder.File("sox.wav");
        CWaveBytes bytes;
        bytes.Values(values);
        ASSERT_TRUE(bytes.WriteTo(raw));
        std::string out;
        ASSERT_TRUE(RunCommand(std::string(MA_SOX) + " -t raw -r 44100 -e signed -b 16 -c " +
                                   std::to_string(channels) + " " + Quote(raw) + " " + Quote(wave) +
                                   " 2>&1",
                               out))
            << out;
        CSoundFile file;
        CSoundInfo sample;
        ASSERT_TRUE(file.Read(wave.c_str(), sample)) << file.GetErrorText().GetText();
        EXPECT_EQ(sample.format.channels, channels);
        EXPECT_EQ(sample.format.samplesPerSec, 44100u);
        EXPECT_EQ(sample.format.avgBytesPerSec, 44100u * 2 * channels);
        EXPECT_EQ(ValuesOf(sample), values);
    }
}

TEST_F(SoxCompatTest, FormatsOtherThanPlainPcmAreRefusedByName) {
    // sox writes these with a "fact" chunk and an 18- or 40-byte "fmt ".
    for (const char* options : {"-e floating-point -b 32", "-e u-law", "-b 24", "-b 16 -c 3"}) {
        SCOPED_TRACE(options);
        std::string wave = m_folder.File("other.wav");
        std::string out;
        ASSERT_TRUE(RunCommand(std::string(MA_SOX) + " -n -r 44100 " + options + " " + Quote(wave) +
                                   " synth 0.01 sine 440 2>&1",
                               out))
            << out;
        CSoundFile file;
        CSoundInfo sample;
        EXPECT_FALSE(file.Read(wave.c_str(), sample));
        EXPECT_EQ(file.GetErrorText(), "Not a PCM wave format");
    }
}

TEST_F(SoxCompatTest, ExtraChunksWrittenByLibsndfileAreSkipped) {
    if (std::string(MA_SNDFILE_METADATA_SET).empty())
        GTEST_SKIP() << "sndfile-metadata-set is not installed";
    std::vector<int16_t> values = Sine(220.0, 999);
    std::string plain = m_folder.File("plain.wav");
    std::string tagged = m_folder.File("tagged.wav");
    CSoundFile file;
    ASSERT_TRUE(file.Save(plain.c_str(), MakeSample(values, 1)));
    std::string out;
    ASSERT_TRUE(RunCommand(std::string(MA_SNDFILE_METADATA_SET) +
                               " --str-title 'Modal Atlas' --str-comment 'odd length' " +
                               Quote(plain) + " " + Quote(tagged) + " 2>&1",
                           out))
        << out;
    std::vector<uint8_t> bytes = ReadWholeFile(tagged);
    std::string text(bytes.begin(), bytes.end());
    ASSERT_NE(text.find("LIST"), std::string::npos) << "the tool added its LIST chunk";

    CSoundInfo sample;
    ASSERT_TRUE(file.Read(tagged.c_str(), sample)) << file.GetErrorText().GetText();
    EXPECT_EQ(ValuesOf(sample), values);
}

TEST(SoxCompatData, CommittedFileFromSoxWithListChunk) {
    // tests/data/wave/sox-list.wav: sox output tagged by sndfile-metadata-set (see README).
    CSoundFile file;
    CSoundInfo sample;
    std::string path = std::string(MA_TEST_DATA) + "/wave/sox-list.wav";
    ASSERT_TRUE(file.Read(path.c_str(), sample)) << file.GetErrorText().GetText();
    EXPECT_EQ(sample.format.channels, 2);
    EXPECT_EQ(ValuesOf(sample), (std::vector<int16_t>{1, 2, 32767, -32768}));
}

} // namespace
