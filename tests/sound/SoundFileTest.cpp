#include "sound/SoundFile.h"
#include "WaveBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

uint32_t LE32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}
uint16_t LE16(const std::vector<uint8_t>& bytes, size_t at) {
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}
std::string Text4(const std::vector<uint8_t>& bytes, size_t at) {
    return std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4);
}

class SoundFileTest : public ::testing::Test {
protected:
    // Reads path and expects success with the given 16-bit values and channel count.
    void ExpectReads(const std::string& path, const std::vector<int16_t>& values,
                     uint16_t channels) {
        CSoundFile file;
        CSoundInfo sample;
        ASSERT_TRUE(file.Read(path.c_str(), sample)) << file.GetErrorText().GetText();
        EXPECT_EQ(sample.format.formatTag, 1);
        EXPECT_EQ(sample.format.channels, channels);
        EXPECT_EQ(sample.format.samplesPerSec, 44100u);
        EXPECT_EQ(sample.format.blockAlign, channels * 2);
        EXPECT_EQ(sample.format.bitsPerSample, 16);
        EXPECT_EQ(sample.format.extraSize, 0);
        EXPECT_EQ(sample.size, values.size() * 2);
        EXPECT_EQ(ValuesOf(sample), values);
        EXPECT_EQ(sample.fileName, path.c_str());
    }

    CTempFolder m_folder;
    const std::vector<int16_t> m_values{1, -2, 300, -32768, 32767, 0, 12345, -12345};
};

TEST_F(SoundFileTest, WrittenFileHasTheFixedLayoutAndReadsBackIdentical) {
    CSoundInfo sample = MakeSample(m_values, 2);
    std::string path = m_folder.File("round.wav");
    CSoundFile writer;
    ASSERT_TRUE(writer.Save(path.c_str(), sample)) << writer.GetErrorText().GetText();

    std::vector<uint8_t> bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 56 + m_values.size() * 2);
    EXPECT_EQ(Text4(bytes, 0), "RIFF");
    EXPECT_EQ(LE32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(Text4(bytes, 8), "WAVE");
    EXPECT_EQ(Text4(bytes, 12), "fmt ");
    EXPECT_EQ(LE32(bytes, 16), 16u);
    EXPECT_EQ(LE16(bytes, 20), 1);
    EXPECT_EQ(LE16(bytes, 22), 2);
    EXPECT_EQ(LE32(bytes, 24), 44100u);
    EXPECT_EQ(LE32(bytes, 28), 176400u);
    EXPECT_EQ(LE16(bytes, 32), 4);
    EXPECT_EQ(LE16(bytes, 34), 16);
    EXPECT_EQ(Text4(bytes, 36), "fact");
    EXPECT_EQ(LE32(bytes, 40), 4u);
    EXPECT_EQ(LE32(bytes, 44), 0u) << "a closed file's fact value is 0";
    EXPECT_EQ(Text4(bytes, 48), "data");
    EXPECT_EQ(LE32(bytes, 52), m_values.size() * 2);

    ExpectReads(path, m_values, 2);
}

TEST_F(SoundFileTest, ExtensibleFormatIsWrittenAsPlainPcm) {
    CSoundInfo sample = MakeSample(m_values, 2);
    sample.format.formatTag = 0xFFFE;
    sample.format.extraSize = 22;
    std::string path = m_folder.File("extensible.wav");
    CSoundFile writer;
    ASSERT_TRUE(writer.Save(path.c_str(), sample));
    ExpectReads(path, m_values, 2);
}

TEST_F(SoundFileTest, OddDataIsPaddedAndReadBackWithItsOwnSize) {
    CSoundInfo sample;
    sample.format = Pcm16(1);
    ASSERT_TRUE(sample.Allocate(5));
    for (uint8_t i = 0; i < 5; ++i)
        sample.GetBytes()[i] = uint8_t(i + 1);
    std::string path = m_folder.File("odd.wav");
    CSoundFile file;
    ASSERT_TRUE(file.Save(path.c_str(), sample));
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 56u + 6u);
    EXPECT_EQ(LE32(bytes, 52), 5u);
    EXPECT_EQ(LE32(bytes, 4), bytes.size() - 8);

    CSoundInfo read;
    ASSERT_TRUE(file.Read(path.c_str(), read));
    ASSERT_EQ(read.size, 5u);
    EXPECT_EQ(std::vector<uint8_t>(read.GetBytes(), read.GetBytes() + 5),
              std::vector<uint8_t>(sample.GetBytes(), sample.GetBytes() + 5));
}

TEST_F(SoundFileTest, OpenMakesTheFoldersOfThePath) {
    std::string path = m_folder.File("a/b c/d.wav");
    CSoundFile file;
    ASSERT_TRUE(file.Open(path.c_str(), Pcm16(1)));
    ASSERT_TRUE(file.Write(4, m_values.data()));
    ASSERT_TRUE(file.Close());
    ExpectReads(path, {1, -2}, 1);
}

TEST_F(SoundFileTest, FoldersThatCannotBeMadeAreReported) {
    std::string blocker = m_folder.File("plain-file");
    ASSERT_TRUE(WriteWholeFile(blocker, {1, 2, 3}));
    std::string path = blocker + "/inside/x.wav";
    CSoundFile file;
    EXPECT_FALSE(file.Open(path.c_str(), Pcm16(1)));
    EXPECT_EQ(file.GetErrorText(), ("Can't make file directory (" + path + ")").c_str());
}

TEST_F(SoundFileTest, AnOlderFileStaysUntilTheNewOneIsClosed) {
    std::string path = m_folder.File("keep.wav");
    CSoundFile first;
    ASSERT_TRUE(first.Save(path.c_str(), MakeSample({7, 7, 7}, 1)));

    CSoundFile second;
    ASSERT_TRUE(second.Open(path.c_str(), Pcm16(1)));
    ASSERT_TRUE(second.Write(uint32_t(m_values.size() * 2), m_values.data()));
    ExpectReads(path, {7, 7, 7}, 1);
    ASSERT_TRUE(second.Close());
    ExpectReads(path, m_values, 1);
}

TEST_F(SoundFileTest, WritesLargerThanTheBufferArriveWhole) {
    std::vector<int16_t> values = Sine(441.0, 100000);
    CSoundFile file;
    std::string path = m_folder.File("long.wav");
    ASSERT_TRUE(file.Open(path.c_str(), Pcm16(1)));
    // Uneven pieces that straddle the writer's buffer boundaries.
    size_t at = 0;
    for (size_t piece = 1; at < values.size(); piece = piece * 3 + 1) {
        size_t n = std::min(piece, values.size() - at);
        ASSERT_TRUE(file.Write(uint32_t(n * 2), values.data() + at));
        at += n;
    }
    ASSERT_TRUE(file.Close());
    ExpectReads(path, values, 1);
}

TEST_F(SoundFileTest, ChunksInAnyOrderWithExtrasAndPadding) {
    struct CASE {
        const char* name;
        CWaveBytes bytes;
    };
    std::vector<CASE> cases;
    cases.push_back({"data before fmt", CWaveBytes().Riff().Data(m_values).Fmt(1)});
    cases.push_back({"LIST and odd chunk before fmt",
                     CWaveBytes().Riff().Chunk("LIST", 26).Chunk("junk", 3).Fmt(1).Data(m_values)});
    cases.push_back({"fmt of 18 bytes", CWaveBytes().Riff().Fmt(1, 18).Data(m_values)});
    cases.push_back({"fmt of 40 bytes", CWaveBytes().Riff().Fmt(1, 40).Data(m_values)});
    cases.push_back({"odd fmt of 19 bytes", CWaveBytes().Riff().Fmt(1, 19).Data(m_values)});
    cases.push_back(
        {"chunks after data", CWaveBytes().Riff().Fmt(1).Data(m_values).Chunk("LIST", 9)});
    for (CASE& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = m_folder.File("case.wav");
        ASSERT_TRUE(c.bytes.Finish().WriteTo(path));
        ExpectReads(path, m_values, 1);
    }
}

TEST_F(SoundFileTest, RiffSizeThatOverstatesTheFileIsHeldToTheFile) {
    CWaveBytes bytes;
    bytes.Riff().Fmt(1).Data(m_values);
    bytes.Get()[4] = bytes.Get()[5] = bytes.Get()[6] = bytes.Get()[7] = 0xFF;
    std::string path = m_folder.File("overstated.wav");
    ASSERT_TRUE(bytes.WriteTo(path));
    ExpectReads(path, m_values, 1);
}

struct BAD_FILE {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* error;
};

class SoundFileBadInputTest : public ::testing::TestWithParam<BAD_FILE> {};

std::vector<uint8_t> Build(CWaveBytes bytes, bool finish = true) {
    if (finish)
        bytes.Finish();
    return bytes.Get();
}

std::vector<BAD_FILE> BadFiles() {
    const std::vector<int16_t> v{1, 2, 3, 4};
    std::vector<BAD_FILE> files;
    files.push_back({"empty", {}, "Can't read MMIO"});
    files.push_back(
        {"short header", Build(CWaveBytes().Text("RIFF").U32(4), false), "Can't read MMIO"});
    files.push_back({"not RIFF",
                     Build(CWaveBytes().Text("RIFX").U32(4).Text("WAVE").Fmt(1).Data(v)),
                     "Not a valid wave file"});
    files.push_back({"not WAVE",
                     Build(CWaveBytes().Text("RIFF").U32(4).Text("AVI ").Fmt(1).Data(v)),
                     "Not a valid wave file"});
    files.push_back({"no fmt", Build(CWaveBytes().Riff().Data(v)), "Can't find 'fmt'"});
    files.push_back({"fmt of 14 bytes",
                     Build(CWaveBytes()
                               .Riff()
                               .Text("fmt ")
                               .U32(14)
                               .U16(1)
                               .U16(1)
                               .U32(44100)
                               .U32(88200)
                               .U16(2)
                               .Data(v)),
                     "'fmt' chunk size is less then PCMWAVEFORMAT"});
    files.push_back({"fmt cut by the end of the file",
                     Build(CWaveBytes().Riff().Text("fmt ").U32(16).U16(1).U16(1).U32(44100)),
                     "Can't read 'fmt'"});
    files.push_back({"float format", Build(CWaveBytes().Riff().Fmt(1, 18, 3).Data(v)),
                     "Not a PCM wave format"});
    files.push_back({"extensible format", Build(CWaveBytes().Riff().Fmt(1, 40, 0xFFFE).Data(v)),
                     "Not a PCM wave format"});
    files.push_back({"no data", Build(CWaveBytes().Riff().Fmt(1).Chunk("LIST", 4)),
                     "Can't descend to the data"});
    files.push_back({"chunk size that jumps past the end",
                     Build(CWaveBytes().Riff().Fmt(1).Text("LIST").U32(0xFFFFFFF0).Data(v)),
                     "Can't descend to the data"});
    files.push_back({"fmt hidden behind a lying chunk",
                     Build(CWaveBytes().Riff().Text("junk").U32(0x7FFFFFFF).Fmt(1).Data(v)),
                     "Can't find 'fmt'"});
    files.push_back({"data larger than the file",
                     Build(CWaveBytes().Riff().Fmt(1).Text("data").U32(0xFFFFFFF0).Values(v)),
                     "Can't read the data: the 'data' chunk is longer than the file"});
    files.push_back({"data one byte longer than the file",
                     Build(CWaveBytes().Riff().Fmt(1).Text("data").U32(9).Values(v)),
                     "Can't read the data: the 'data' chunk is longer than the file"});
    return files;
}

TEST_P(SoundFileBadInputTest, FailsWithItsMessageAndLeavesTheSampleAlone) {
    const BAD_FILE& bad = GetParam();
    CTempFolder folder;
    std::string path = folder.File("bad.wav");
    ASSERT_TRUE(WriteWholeFile(path, bad.bytes));

    CSoundInfo sample = MakeSample({5, 6, 7}, 1);
    sample.fileName = "before";
    CSoundFile file;
    EXPECT_FALSE(file.Read(path.c_str(), sample));
    EXPECT_EQ(file.GetErrorText(), bad.error);
    EXPECT_EQ(ValuesOf(sample), (std::vector<int16_t>{5, 6, 7}));
    EXPECT_EQ(sample.fileName, "before");
}

INSTANTIATE_TEST_SUITE_P(Files, SoundFileBadInputTest, ::testing::ValuesIn(BadFiles()),
                         [](const testing::TestParamInfo<BAD_FILE>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(uint8_t(*c)) ? *c : '_';
                             return name;
                         });

TEST(SoundFileOpen, MissingFileAndFolderCannotBeOpened) {
    CTempFolder folder;
    CSoundFile file;
    CSoundInfo sample;
    EXPECT_FALSE(file.Read(folder.File("missing.wav").c_str(), sample));
    EXPECT_EQ(file.GetErrorText(), "Can't open file");
    EXPECT_FALSE(file.Read(folder.Path().c_str(), sample));
    EXPECT_EQ(file.GetErrorText(), "Can't open file");
}

} // namespace
