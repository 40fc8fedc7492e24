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

// The lines NextLine returns, "<end>" for the end of the file and "<fail>" for a failure.
std::vector<std::string> ReadAll(const std::string& path, const char* separator = nullptr) {
    std::vector<std::string> lines;
    CDiskFile file;
    if (separator != nullptr)
        file.SetLineSeparator(separator);
    EXPECT_TRUE(file.Open(path.c_str(), true, false, false)) << file.GetError().GetText();
    char* line = nullptr;
    while (file.NextLine(line)) {
        if (line == nullptr) {
            lines.push_back("<end>");
            EXPECT_FALSE(file.NextLine(line)) << "reading on after the end fails";
            return lines;
        }
        lines.push_back(line);
    }
    lines.push_back("<fail>");
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LinesEndWithTheSeparatorAndAnUnfinishedLastLineIsNeverReturned) {
    CTempFolder folder;
    const struct {
        std::string text;
        const char* separator;
        Lines lines;
    } cases[] = {
        {"Tempo=120\r\nName=Blues\r\n", nullptr, {"Tempo=120", "Name=Blues", "<end>"}},
        {"first\r\nsecond", nullptr, {"first", "<fail>"}},
        {"", nullptr, {"<end>"}},
        {"A=1\r\n\r\nB=2\r\n\r\n", nullptr, {"A=1", "", "B=2", "", "<end>"}},
        {"a=1\nb=2\n", nullptr, {"<fail>"}}, // Unix line ends are no separator
        {"a\rb\r\nc\r\n", nullptr, {"a\rb", "c", "<end>"}},
        {"a\r\nb\n", "\n", {"a\r", "b", "<end>"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadAll(folder.Write("case.txt", c.text), c.separator), c.lines) << c.text;
}

TEST(LineReader, TheLongestLineIs102397CharactersWhereverItStands) {
    CTempFolder folder;
    for (size_t length : {102396u, 102397u, 102398u, 150000u}) {
        std::string longLine(length, 'x');
        longLine[0] = 'K';
        longLine[length - 1] = 'E';
        // After a short first line the long one also has to be moved to the buffer's front.
        const Lines read =
            ReadAll(folder.Write("long.txt", "short\r\n" + longLine + "\r\nlast\r\n"));
        const Lines expected =
            length <= 102397 ? Lines{"short", longLine, "last", "<end>"} : Lines{"short", "<fail>"};
        EXPECT_EQ(read, expected) << length;
        EXPECT_EQ(ReadAll(folder.Write("alone.txt", longLine + "\r\n")).back(),
                  length <= 102397 ? "<end>" : "<fail>")
            << length;
    }
    // Many lines whose lengths move the "\r\n" across every position of the buffer's end.
    std::string text;
    Lines expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back(std::string(size_t(i % 97), char('a' + i % 26)) + std::to_string(i));
        text += expected.back() + "\r\n";
    }
    expected.push_back("<end>");
    EXPECT_EQ(ReadAll(folder.Write("many.txt", text)), expected);
}

TEST(LineReader, ReadLinesStopsAtABadLineWithoutFailing) {
    CTempFolder folder;
    CDiskFile file;
    CVarList<CCharString> lines;
    EXPECT_TRUE(file.ReadLines(folder.Write("r.txt", "one\r\ntwo\r\nthree").c_str(), lines));
    ASSERT_EQ(lines.GetCount(), 2u);
    EXPECT_EQ(lines[1], "two");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.ReadLines(folder.File("missing.txt").c_str(), lines));
    EXPECT_EQ(lines.GetCount(), 2u);
}

TEST(DiskFile, OpeningNamesWhatIsWrong) {
    CTempFolder folder;
    CDiskFile file;
    const std::string none = folder.File("none.Song");
    EXPECT_FALSE(file.Open(none.c_str(), true, false, false));
    EXPECT_EQ(file.GetError().Str(), "Can't open " + none + ": No such file or directory");
    EXPECT_FALSE(file.Open(folder.File("x").c_str(), false, false, false));
    EXPECT_EQ(file.GetError(), "No read, no write flags");
    const std::string path = folder.File("Songs/Blues/Slow.Song"); // the folders are made
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true)) << file.GetError().GetText();
    EXPECT_EQ(file.GetName(), "Slow.Song");
    EXPECT_EQ(file.GetPath().Str(), path);
    EXPECT_FALSE(file.Open(folder.File("y").c_str(), false, true, true));
    EXPECT_EQ(file.GetError(), "Already open");
    EXPECT_TRUE(file.Close());
    folder.Write("blocker", "a file where a folder should be");
    EXPECT_FALSE(file.Open(folder.File("blocker/sub/x.txt").c_str(), false, true, true));
    EXPECT_EQ(file.GetError().Str(),
              "Can't make file directory (" + folder.File("blocker/sub/x.txt") + ")");
    ASSERT_TRUE(file.Open(folder.File("blocker").c_str(), true, false, false));
    EXPECT_FALSE(file.WriteLine("b", false));
    EXPECT_EQ(file.GetError(), "Can't write: Bad file descriptor");
}

TEST(DiskFile, WritingAppendsOrEmptiesAndStampsLinesWithTheLocalTime) {
    CTempFolder folder;
    const std::string path = folder.File("log.txt");
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
    EXPECT_TRUE(file.WriteLine("===== Closing", true));
    file.Close();
    const std::string text = CTempFolder::Slurp(path);
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(
        text, parts,
        std::regex(R"((\d\d)/(\d\d)/(\d\d) (\d\d):\d\d:\d\d\.\d\d\d  ===== Closing\r\n)")))
        << text;
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(std::stoi(parts[1]), local.tm_mon + 1);
    EXPECT_EQ(std::stoi(parts[3]), local.tm_year % 100);
    EXPECT_LE(std::stoi(parts[4]), 23);
}

TEST(DiskFile, LinesWrittenFromManyThreadsStayWhole) {
    CTempFolder folder;
    const std::string path = folder.File("threads.log");
    CDiskFile file;
    ASSERT_TRUE(file.Open(path.c_str(), false, true, true));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&file, t] {
            const std::string line(200, static_cast<char>('A' + t));
            for (int i = 0; i < 500; ++i)
                file.WriteLine(line.c_str(), true);
        });
    for (auto& writer : writers)
        writer.join();
    file.Close();
    CVarList<CCharString> lines;
    ASSERT_TRUE(file.ReadLines(path.c_str(), lines));
    ASSERT_EQ(lines.GetCount(), 2000u);
    for (const CCharString& line : lines) {
        const std::string text = line.Str().substr(23); // after the stamp and its two spaces
        EXPECT_EQ(text, std::string(200, text[0]));
    }
}

TEST(DiskFile, ReadingAWholeFileAddsAZeroAndAFailureReleasesTheBuffer) {
    CTempFolder folder;
    const std::string bytes("RIFF\0\0\0\0WAVE", 12);
    CDiskFile file;
    std::unique_ptr<char[]> buffer;
    size_t size = 99;
    ASSERT_TRUE(file.Read(folder.Write("a.wav", bytes).c_str(), buffer, size));
    ASSERT_EQ(size, 12u);
    EXPECT_EQ(std::string(buffer.get(), size), bytes);
    EXPECT_EQ(buffer[12], 0);
    EXPECT_FALSE(file.Read(folder.File("none").c_str(), buffer, size));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(file.GetError(), "Can't open: No such file or directory");
    EXPECT_FALSE(file.Read(folder.Path().c_str(), buffer, size)); // a folder has no bytes
    EXPECT_EQ(file.GetError(), "Can't read file: Is a directory");
}

size_t FilesIn(const std::string& folder) {
    return size_t(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()));
}

TEST(SafeSave, TheOldFileStaysUntilCommitAndANewOneKeepsItsMode) {
    CTempFolder folder;
    const std::string path = folder.Write("Default.mix", "old\r\n");
    chmod(path.c_str(), 0640);
    {
        CDiskFile file;
        ASSERT_TRUE(file.OpenReplace(path.c_str()));
        file.WriteLine("half", false);
    } // destroyed mid-save
    EXPECT_EQ(CTempFolder::Slurp(path), "old\r\n");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
    CDiskFile file;
    ASSERT_TRUE(file.OpenReplace(path.c_str()));
    EXPECT_TRUE(file.WriteLine("new", false));
    EXPECT_EQ(CTempFolder::Slurp(path), "old\r\n");
    EXPECT_TRUE(file.Commit()) << file.GetError().GetText();
    EXPECT_EQ(CTempFolder::Slurp(path), "new\r\n");
    EXPECT_EQ(FilesIn(folder.Path()), 1u) << "no temporary file is left behind";
    struct stat status {};
    stat(path.c_str(), &status);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_FALSE(file.Commit()) << "nothing open any more";
    ASSERT_TRUE(file.OpenReplace(folder.File("MIDI/new/Export.mid").c_str()));
    ASSERT_TRUE(file.Write("MThd", 4));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(CTempFolder::Slurp(folder.File("MIDI/new/Export.mid")), "MThd");
}

TEST(SafeSave, AFailedWriteMakesCommitFailAndKeepsTheOldFile) {
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    // The full device refuses every write, like a full disk.
    CTempFolder folder;
    const std::string path = folder.Write("m.mid", "MThd");
    CDiskFile file;
    ASSERT_TRUE(file.OpenReplace(path.c_str()));
    // Swap the temporary's descriptor for the full device.
    int temporary = -1;
    for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind(path + ".", 0) == 0)
            temporary = std::stoi(entry.path().filename().string());
    }
    ASSERT_GE(temporary, 0);
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    dup2(full, temporary);
    close(full);
    EXPECT_FALSE(file.WriteLine("data", false));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.GetError(), "Can't write: No space left on device");
    EXPECT_EQ(CTempFolder::Slurp(path), "MThd");
    EXPECT_EQ(FilesIn(folder.Path()), 1u);
}

std::vector<std::string> g_hooked;
void Hook(const char* line) {
    g_hooked.push_back(line);
}

TEST(LogFile, ReportsGoToTheOpenLogAsStampedLinesBesideTheProgram) {
    EXPECT_EQ(CLogFile::MakeLogPath("/opt/ma/modal-atlas.exe", "log"), "/opt/ma/modal-atlas.log");
    EXPECT_EQ(CLogFile::MakeLogPath("/home/a.b/bin/prog", "log"), "/home/a.b/bin/prog.log");
    CCharString text;
    EXPECT_TRUE(DescribeSystemError(ENOENT, text));
    EXPECT_EQ(text, "No such file or directory");
    EXPECT_FALSE(DescribeSystemError(99999, text));
    EXPECT_EQ(text, "Unknown error 99999");

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
    EXPECT_TRUE(std::regex_match(
        CTempFolder::Slurp(folder.File("app.log")),
        std::regex(
            R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  ######### ERROR \(core/Sound\.cpp 42\): )"
            R"(Can't play C4 at 100%\r\n)"
            R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d  50% done\r\n)")));
}

} // namespace
