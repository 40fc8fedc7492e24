// WAVE files: the layout we write, the files others write, and broken files.
#include "sound/SoundFile.h"
#include "tests/sound/EngineSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::vector<int16_t> kValues{1, -2, 300, -32768, 32767, 0, 12345, -12345};

void ExpectReads(const std::string& path, const std::vector<int16_t>& values, uint16_t channels) {
    CSoundFile file;
    CSoundInfo sample;
    ASSERT_TRUE(file.Read(path.c_str(), sample)) << file.GetErrorText().GetText();
    EXPECT_EQ(sample.format.formatTag, 1);
    EXPECT_EQ(sample.format.channels, channels);
    EXPECT_EQ(sample.format.samplesPerSec, 44100u);
    EXPECT_EQ(sample.format.avgBytesPerSec, 44100u * 2 * channels);
    EXPECT_EQ(sample.format.blockAlign, channels * 2);
    EXPECT_EQ(sample.format.bitsPerSample, 16);
    EXPECT_EQ(ValuesOf(sample), values);
    EXPECT_EQ(sample.fileName, path.c_str());
}

TEST(SoundFile, WrittenFilesHaveTheFixedLayoutAndReadBackIdentical) {
    CTempFolder folder;
    CSoundInfo sample = MakeSample(kValues, 2);
    sample.format.formatTag = 0xFFFE; // the stream's extensible format is written as plain PCM
    sample.format.extraSize = 22;
    const std::string path = folder.File("round.wav");
    CSoundFile writer;
    ASSERT_TRUE(writer.Save(path.c_str(), sample)) << writer.GetErrorText().GetText();
    CWaveBytes expected;
    expected.Riff().Fmt(2).Text("fact").U32(4).U32(0).Data(kValues).Finish();
    EXPECT_EQ(ReadWholeFile(path), expected.Get());
    ExpectReads(path, kValues, 2);

    // Odd data gets its pad byte and reads back with its own size.
    CSoundInfo odd = MakeSample({0x0201, 0x0403, 0x0005}, 1);
    odd.size = 5;
    ASSERT_TRUE(writer.Save(path.c_str(), odd));
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 56u + 6u);
    EXPECT_EQ(bytes[52], 5);
    EXPECT_EQ(bytes[4], bytes.size() - 8);
    CSoundInfo read;
    ASSERT_TRUE(writer.Read(path.c_str(), read));
    ASSERT_EQ(read.size, 5u);
    EXPECT_EQ(std::vector<uint8_t>(read.GetBytes(), read.GetBytes() + 5),
              (std::vector<uint8_t>{1, 2, 3, 4, 5}));
}

TEST(SoundFile, WritesInPiecesArriveWholeAndAnOlderFileStaysUntilClose) {
    CTempFolder folder;
    const std::string path = folder.File("a/b c/keep.wav"); // the folders are made
    CSoundFile first;
    ASSERT_TRUE(first.Save(path.c_str(), MakeSample({7, 7, 7})));
    const std::vector<int16_t> values = Sine(441.0, 100000);
    CSoundFile file;
    ASSERT_TRUE(file.Open(path.c_str(), Pcm16(1)));
    // Uneven pieces that straddle the writer's buffer boundaries.
    size_t at = 0;
    for (size_t piece = 1; at < values.size(); piece = piece * 3 + 1) {
        const size_t n = std::min(piece, values.size() - at);
        ASSERT_TRUE(file.Write(uint32_t(n * 2), values.data() + at));
        at += n;
    }
    ExpectReads(path, {7, 7, 7}, 1);
    ASSERT_TRUE(file.Close());
    ExpectReads(path, values, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("a/b c")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";

    const std::string blocked = folder.File("keep.wav/inside/x.wav");
    ASSERT_TRUE(WriteWholeFile(folder.File("keep.wav"), {1, 2, 3}));
    EXPECT_FALSE(file.Open(blocked.c_str(), Pcm16(1)));
    EXPECT_EQ(file.GetErrorText(), ("Can't make file directory (" + blocked + ")").c_str());
}

TEST(SoundFile, ChunksMayComeInAnyOrderWithExtrasPaddingAndAnOverstatedSize) {
    CTempFolder folder;
    CWaveBytes cases[] = {
        CWaveBytes().Riff().Data(kValues).Fmt(1).Finish(),
        CWaveBytes().Riff().Chunk("LIST", 26).Chunk("junk", 3).Fmt(1).Data(kValues).Finish(),
        CWaveBytes().Riff().Fmt(1, 18).Data(kValues).Finish(),
        CWaveBytes().Riff().Fmt(1, 19).Data(kValues).Chunk("LIST", 9).Finish(),
        CWaveBytes().Riff().Fmt(1).Data(kValues),
    };
    // A RIFF size beyond the end of the file is held to the file.
    cases[4].Get()[4] = cases[4].Get()[5] = cases[4].Get()[6] = cases[4].Get()[7] = 0xFF;
    for (CWaveBytes& bytes : cases) {
        ASSERT_TRUE(WriteWholeFile(folder.File("case.wav"), bytes.Get()));
        ExpectReads(folder.File("case.wav"), kValues, 1);
    }
    // A file sox wrote and libsndfile's sndfile-metadata-set tagged (tests/data/wave/README.md).
    ExpectReads(MA_TEST_DATA "/wave/sox-list.wav", {1, 2, 32767, -32768}, 2);
}

struct BAD_FILE {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* error;
};

std::vector<BAD_FILE> BadFiles() {
    const std::vector<int16_t> v{1, 2, 3, 4};
    auto riff = [] { return CWaveBytes().Riff(); };
    return {
        {"empty", {}, "Can't read MMIO"},
        {"short header", CWaveBytes().Text("RIFF").U32(4).Get(), "Can't read MMIO"},
        {"not RIFF", CWaveBytes().Text("RIFX").U32(4).Text("WAVE").Fmt(1).Data(v).Finish().Get(),
         "Not a valid wave file"},
        {"not WAVE", CWaveBytes().Text("RIFF").U32(4).Text("AVI ").Fmt(1).Data(v).Finish().Get(),
         "Not a valid wave file"},
        {"no fmt", riff().Data(v).Finish().Get(), "Can't find 'fmt'"},
        {"fmt of 14 bytes",
         riff()
             .Text("fmt ")
             .U32(14)
             .U16(1)
             .U16(1)
             .U32(44100)
             .U32(88200)
             .U16(2)
             .Data(v)
             .Finish()
             .Get(),
         "'fmt' chunk size is less then PCMWAVEFORMAT"},
        {"fmt cut by the end", riff().Text("fmt ").U32(16).U16(1).U16(1).U32(44100).Finish().Get(),
         "Can't read 'fmt'"},
        {"float format", riff().Fmt(1, 18, 3).Data(v).Finish().Get(), "Not a PCM wave format"},
        {"extensible format", riff().Fmt(1, 40, 0xFFFE).Data(v).Finish().Get(),
         "Not a PCM wave format"},
        {"no data", riff().Fmt(1).Chunk("LIST", 4).Finish().Get(), "Can't descend to the data"},
        {"chunk size that jumps past the end",
         riff().Fmt(1).Text("LIST").U32(0xFFFFFFF0).Data(v).Finish().Get(),
         "Can't descend to the data"},
        {"fmt behind a lying chunk",
         riff().Text("junk").U32(0x7FFFFFFF).Fmt(1).Data(v).Finish().Get(), "Can't find 'fmt'"},
        {"data one byte longer than the file",
         riff().Fmt(1).Text("data").U32(9).Values(v).Finish().Get(),
         "Can't read the data: the 'data' chunk is longer than the file"},
        {"data far longer", riff().Fmt(1).Text("data").U32(0xFFFFFFF0).Values(v).Finish().Get(),
         "Can't read the data: the 'data' chunk is longer than the file"},
    };
}

TEST(SoundFile, BadFilesFailWithTheirMessageAndLeaveTheSampleAlone) {
    CTempFolder folder;
    const std::string path = folder.File("bad.wav");
    for (const BAD_FILE& bad : BadFiles()) {
        ASSERT_TRUE(WriteWholeFile(path, bad.bytes));
        CSoundInfo sample = MakeSample({5, 6, 7});
        sample.fileName = "before";
        CSoundFile file;
        EXPECT_FALSE(file.Read(path.c_str(), sample)) << bad.name;
        EXPECT_EQ(file.GetErrorText(), bad.error) << bad.name;
        EXPECT_EQ(ValuesOf(sample), (std::vector<int16_t>{5, 6, 7})) << bad.name;
        EXPECT_EQ(sample.fileName, "before") << bad.name;
    }
    CSoundFile file;
    CSoundInfo sample;
    for (const std::string& missing : {folder.File("missing.wav"), folder.Path()}) {
        EXPECT_FALSE(file.Read(missing.c_str(), sample));
        EXPECT_EQ(file.GetErrorText(), "Can't open file");
    }
}

} // namespace
