#include "core/DiskFile.h"
#include "core/LogFile.h"
#include "core/Report.h"
#include "core/SystemError.h"
#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// The lines NextLine returns, and whether the reading ended in success.
struct READ_RESULT {
    std::vector<std::string> lines;
    bool endedWithSuccess = false;
    bool failsAfterEnd = false;
};

READ_RESULT ReadAll(const std::string& path, const char* separator = nullptr) {
    READ_RESULT result;
    CDiskFile file;
    if (separator != nullptr)
        file.SetLineSeparator(separator);
    EXPECT_TRUE(file.Open(path.c_str(), true, false, false)) << file.GetError().GetText();
    char* line = nullptr;
    while (file.NextLine(line)) {
        if (line == nullptr) {
            result.endedWithSuccess = true;
            result.failsAfterEnd = !file.NextLine(line) && line == nullptr;
            return result;
        }
        result.lines.push_back(line);
    }
    return result;
}
} // namespace

class LineReader : public ::testing::Test {
protected:
    CTempFolder m_folder;
};

TEST_F(LineReader, TwoCrLfLinesThenEndThenFailure) {
    READ_RESULT read = ReadAll(m_folder.Write("two.txt", "Tempo=120\r\nName=Blues\r\n"));
    EXPECT_EQ(read.lines, (std::vector<std::string>{"Tempo=120", "Name=Blues"}));
    EXPECT_TRUE(read.endedWithSuccess);
    EXPECT_TRUE(read.failsAfterEnd);
}

TEST_F(LineReader, LastLineWithoutSeparatorIsNeverReturned) {
    READ_RESULT read = ReadAll(m_folder.Write("open.txt", "first\r\nsecond"));
    EXPECT_EQ(read.lines, std::vector<std::string>{"first"});
    EXPECT_FALSE(read.endedWithSuccess);
}

TEST_F(LineReader, EmptyFileEndsAtOnce) {
    READ_RESULT read = ReadAll(m_folder.Write("empty.txt", ""));
    EXPECT_TRUE(read.lines.empty());
    EXPECT_TRUE(read.endedWithSuccess);
}

TEST_F(LineReader, EmptyLinesBetweenBlocksAreLines) {
    READ_RESULT read = ReadAll(m_folder.Write("blocks.txt", "A=1\r\n\r\nB=2\r\n\r\n"));
    EXPECT_EQ(read.lines, (std::vector<std::string>{"A=1", "", "B=2", ""}));
    EXPECT_TRUE(read.endedWithSuccess);
}

TEST_F(LineReader, BareLineFeedsAreNoSeparator) {
    // A file written with Unix line ends holds no "\r\n" at all: one unfinished line.
    READ_RESULT unix = ReadAll(m_folder.Write("unix.txt", "a=1\nb=2\n"));
    EXPECT_TRUE(unix.lines.empty());
    EXPECT_FALSE(unix.endedWithSuccess);
    // A lone carriage return inside a CR LF file stays in its line.
    READ_RESULT mixed = ReadAll(m_folder.Write("mixed.txt", "a\rb\r\nc\r\n"));
    EXPECT_EQ(mixed.lines, (std::vector<std::string>{"a\rb", "c"}));
}

TEST_F(LineReader, OtherSeparatorLeavesCarriageReturnsInLines) {
    READ_RESULT read = ReadAll(m_folder.Write("lf.txt", "a\r\nb\n"), "\n");
    EXPECT_EQ(read.lines, (std::vector<std::string>{"a\r", "b"}));
    EXPECT_TRUE(read.endedWithSuccess);
}

// Lines of every length around the buffer's limit, after a short first line so that the long
// one also has to be moved to the front of the buffer.
class LineLimit : public ::testing::TestWithParam<size_t> {
protected:
    CTempFolder m_folder;
};

TEST_P(LineLimit, LongestLineIs102397Characters) {
    size_t length = GetParam();
    std::string longLine(length, 'x');
    longLine[0] = 'K';
    longLine[length - 1] = 'E';
    READ_RESULT read = ReadAll(m_folder.Write("long.txt", "short\r\n" + longLine + "\r\nlast\r\n"));
    if (length <= 102397) {
        ASSERT_EQ(read.lines.size(), 3u);
        EXPECT_EQ(read.lines[1], longLine);
        EXPECT_EQ(read.lines[2], "last");
        EXPECT_TRUE(read.endedWithSuccess);
    } else {
        EXPECT_EQ(read.lines, std::vector<std::string>{"short"});
        EXPECT_FALSE(read.endedWithSuccess);
    }
}

TEST_P(LineLimit, LongLineAloneAtTheStart) {
    size_t length = GetParam();
    READ_RESULT read = ReadAll(m_folder.Write("alone.txt", std::string(length, 'y') + "\r\n"));
    EXPECT_EQ(read.endedWithSuccess, length <= 102397);
    EXPECT_EQ(read.lines.size(), length <= 102397 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(AroundTheBuffer, LineLimit,
                         ::testing::Values(1, 102396, 102397, 102398, 102399, 150000));

TEST_F(LineReader, SeparatorSplitAcrossRefillsIsFound) {
    // Many lines whose lengths move the "\r\n" across every position of the buffer's end.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
        line += std::to_string(i);
        expected.push_back(line);
        text += line + "\r\n";
    }
    READ_RESULT read = ReadAll(m_folder.Write("many.txt", text));
    EXPECT_EQ(read.lines, expected);
    EXPECT_TRUE(read.endedWithSuccess);
}

TEST_F(LineReader, ReadLinesStopsAtABadLineWithoutFailing) {
    CDiskFile file;
    CVarList<CCharString> lines;
    EXPECT_TRUE(file.ReadLines(m_folder.Write("r.txt", "one\r\ntwo\r\nthree").c_str(), lines));
    ASSERT_EQ(lines.GetCount(), 2u);
    EXPECT_EQ(lines[1], "two");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.ReadLines(m_folder.File("missing.txt").c_str(), lines));
    EXPECT_EQ(lines.GetCount(), 2u);
}

class DiskFileOpen : public ::testing::Test {
protected:
    CTempFolder m_folder;
};

TEST_F(DiskFileOpen, MissingFileForReadingFailsWithSystemWords) {
    CDiskFile file;
    std::string path = m_folder.File("none.Song");
    EXPECT_FALSE(file.Open(path.c_str(), true, false, false));
    EXPECT_EQ(file.GetError().Str(), "Can't open " + path + ": No such file or directory");
}

TEST_F(DiskFileOpen, FlagsAndStateFailures) {
    CDiskFile file;
    EXPECT_FALSE(file.Open(m_folder.File("x").c_str(), false, false, false));
    EXPECT_EQ(file.GetError(), "No read, no write flags");
    ASSERT_TRUE(file.Open(m_folder.File("x").c_str(), false, true, true));
    EXPECT_FALSE(file.Open(m_folder.File("y").c_str(), false, true, true));
    EXPECT_EQ(file.GetError(), "Already open");
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Open(m_folder.File("y").c_str(), false, true, true)); // open again after close
}

TEST_F(DiskFileOpen, WritingWithoutCreateAppendsAndCreates) {
    std::string path = m_folder.File("log.txt");
    {
        CDiskFile file;
        ASSERT_TRUE(file.Open(path.c_str(), false, true, false)); // absent: created
        EXPECT_TRUE(file.WriteLine("one", false));
    }
    chmod(path.c_str(), 0444); // a read-only file is made writable before appending
    {
        CDiskFile file;
        ASSERT_TRUE(file.Open(path.c_str(), false, true, false)) << file.GetError().GetText();
        EXPECT_TRUE(file.WriteLine("two", false));
    }
    EXPECT_EQ(CTempFolder::Slurp(path), "one\r\ntwo\r\n");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true)); // create empties it
    EXPECT_TRUE(file.WriteLine("three", false));
    file.Close();
    EXPECT_EQ(CTempFolder::Slurp(path), "three\r\n");
}

TEST_F(DiskFileOpen, CreateMakesTheFoldersAndNamesTheFile) {
    std::string path = m_folder.File("Songs/Blues/Slow.Song");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true)) << file.GetError().GetText();
    EXPECT_EQ(file.GetName(), "Slow.Song");
    EXPECT_EQ(file.GetPath().Str(), path);
    file.Close();
    m_folder.Write("blocker", "a file where a folder should be");
    EXPECT_FALSE(file.Open(m_folder.File("blocker/sub/x.txt").c_str(), false, true, true));
    EXPECT_EQ(file.GetError().Str(),
              "Can't make file directory (" + m_folder.File("blocker/sub/x.txt") + ")");
}

TEST_F(DiskFileOpen, WriteLineStampIsLocalTimeWithMilliseconds) {
    std::string path = m_folder.File("stamp.log");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true));
    EXPECT_TRUE(file.WriteLine("===== Closing", true));
    EXPECT_TRUE(file.WriteLine("plain", false));
    file.Close();
    std::string text = CTempFolder::Slurp(path);
    std::regex shape(
        R"((\d\d)/(\d\d)/(\d\d) (\d\d):(\d\d):(\d\d)\.(\d\d\d)  ===== Closing\r\nplain\r\n)");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(text, parts, shape)) << text;
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(std::stoi(parts[1]), local.tm_mon + 1);
    EXPECT_EQ(std::stoi(parts[3]), local.tm_year % 100);
    EXPECT_LE(std::stoi(parts[4]), 23);
}

TEST_F(DiskFileOpen, WriteOnAReadOnlyFileFails) {
    std::string path = m_folder.Write("ro.txt", "a\r\n");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), true, false, false));
    EXPECT_FALSE(file.WriteLine("b", false));
    EXPECT_EQ(file.GetError(), "Can't write: Bad file descriptor");
}

TEST_F(DiskFileOpen, LinesWrittenFromManyThreadsStayWhole) {
    std::string path = m_folder.File("threads.log");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&file, t] {
            std::string line(200, static_cast<char>('A' + t));
            for (int i = 0; i < 500; ++i)
                file.WriteLine(line.c_str(), true);
        });
    for (auto& writer : writers)
        writer.join();
    file.Close();
    CDiskFile reader;
    CVarList<CCharString> lines;
    ASSERT_TRUE(reader.ReadLines(path.c_str(), lines));
    ASSERT_EQ(lines.GetCount(), 2000u);
    for (const CCharString& line : lines) {
        std::string text = line.Str().substr(23); // after the stamp and its two spaces
        EXPECT_EQ(text, std::string(200, text[0]));
    }
}

class WholeFileRead : public ::testing::Test {
protected:
    CTempFolder m_folder;
};

TEST_F(WholeFileRead, ReadsAllBytesAndAddsAZero) {
    std::string bytes("RIFF\0\0\0\0WAVE", 12);
    CDiskFile file;
    std::unique_ptr<char[]> buffer;
    size_t size = 99;
    ASSERT_TRUE(file.Read(m_folder.Write("a.wav", bytes).c_str(), buffer, size));
    ASSERT_EQ(size, 12u);
    EXPECT_EQ(std::string(buffer.get(), size), bytes);
    EXPECT_EQ(buffer[12], 0);
}

TEST_F(WholeFileRead, MissingFileReleasesTheBuffer) {
    CDiskFile file;
    std::unique_ptr<char[]> buffer(new char[4]);
    size_t size = 4;
    EXPECT_FALSE(file.Read(m_folder.File("none").c_str(), buffer, size));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file.GetError(), "Can't open: No such file or directory");
    EXPECT_FALSE(file.Read(m_folder.Path().c_str(), buffer, size)); // a folder has no bytes
    EXPECT_EQ(file.GetError(), "Can't read file: Is a directory");
}

class SafeSave : public ::testing::Test {
protected:
    CTempFolder m_folder;
    size_t FilesInFolder() const {
        size_t count = 0;
        for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
            ++count;
        return count;
    }
};

TEST_F(SafeSave, OldFileStaysUntilCommit) {
    std::string path = m_folder.Write("Default.mix", "old\r\n");
    chmod(path.c_str(), 0640);
    CDiskFile file;
    ASSERT_TRUE(file.OpenReplace(path.c_str()));
    EXPECT_TRUE(file.WriteLine("new", false));
    EXPECT_EQ(CTempFolder::Slurp(path), "old\r\n");
    EXPECT_TRUE(file.Commit()) << file.GetError().GetText();
    EXPECT_EQ(CTempFolder::Slurp(path), "new\r\n");
    EXPECT_EQ(FilesInFolder(), 1u); // no temporary file left behind
    struct stat status {};
    stat(path.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(SafeSave, CloseWithoutCommitKeepsTheOldFile) {
    std::string path = m_folder.Write("song.Song", "old\r\n");
    {
        CDiskFile file;
        ASSERT_TRUE(file.OpenReplace(path.c_str()));
        file.WriteLine("half", false);
    } // destroyed mid-save
    EXPECT_EQ(CTempFolder::Slurp(path), "old\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SafeSave, FailedWriteMakesCommitFailAndKeepsTheOldFile) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    // The full device refuses every write, like a full disk.
    std::string path = m_folder.Write("m.mid", "MThd");
    CDiskFile file;
    ASSERT_TRUE(file.OpenReplace(path.c_str()));
    // Swap the temporary's descriptor for the full device.
    int temporary = -1;
    for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind(path + ".", 0) == 0)
            temporary = std::stoi(entry.path().filename().string());
    }
    ASSERT_GE(temporary, 0);
    int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, temporary);
    close(full);
    EXPECT_FALSE(file.WriteLine("data", false));
    EXPECT_EQ(file.GetError(), "Can't write: No space left on device");
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.GetError(), "Can't write: No space left on device");
    EXPECT_EQ(CTempFolder::Slurp(path), "MThd");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SafeSave, NewFileInNewFolder) {
    std::string path = m_folder.File("MIDI/new/Export.mid");
    CDiskFile file;
    ASSERT_TRUE(file.OpenReplace(path.c_str()));
    EXPECT_TRUE(file.Write("MThd", 4));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(CTempFolder::Slurp(path), "MThd");
    EXPECT_FALSE(file.Commit()); // nothing open any more
}

TEST(SystemError, KnownAndUnknownCodes) {
    CCharString text;
    EXPECT_TRUE(DescribeSystemError(ENOENT, text));
    EXPECT_EQ(text, "No such file or directory");
    EXPECT_FALSE(DescribeSystemError(99999, text));
    EXPECT_EQ(text, "Unknown error 99999");
    EXPECT_FALSE(DescribeSystemError(-3, text));
    EXPECT_EQ(text, "Unknown error -3");
}

TEST(LogFile, PathReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(CLogFile::MakeLogPath("/opt/ma/modal-atlas.exe", "log"), "/opt/ma/modal-atlas.log");
    EXPECT_EQ(CLogFile::MakeLogPath("/opt/ma/modal-atlas", "log"), "/opt/ma/modal-atlas.log");
    EXPECT_EQ(CLogFile::MakeLogPath("/home/a.b/bin/prog", "log"), "/home/a.b/bin/prog.log");
}

namespace {
std::vector<std::string> g_hooked;
void Hook(const char* line) {
    g_hooked.push_back(line);
}
} // namespace

TEST(LogFile, ReportsGoToTheOpenLogAsStampedLines) {
    CTempFolder folder;
    CLogFile log;
    ASSERT_TRUE(log.Open(folder.File("app.log").c_str(), false, true, true));
    SetReportLog(&log);
    SetReportHook(Hook);
    g_hooked.clear();
    ReportError("core/Sound.cpp", 42, "Can't play %s at 100%%", "C4");
    Message("%s", "50% done");
    SetReportHook(nullptr);
    SetReportLog(nullptr);
    Message("not logged");
    log.Close();
    ASSERT_EQ(g_hooked.size(), 2u);
    EXPECT_EQ(g_hooked[0], "######### ERROR (core/Sound.cpp 42): Can't play C4 at 100%");
    std::string text = CTempFolder::Slurp(folder.File("app.log"));
    std::regex shape(
        R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  ######### ERROR \(core/Sound\.cpp 42\): Can't play C4 at 100%\r\n)"
        R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  50% done\r\n)");
    EXPECT_TRUE(std::regex_match(text, shape)) << text;
}
