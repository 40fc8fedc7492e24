#include "core/Crash.h"
#include "core/Path.h"
#include "tests/core/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MA_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MA_UNDER_SANITIZER 1
#endif
#endif

// The ways a child process crashes. Kept out of line so that they show in the call stack.
extern "C" {
// Faults the sanitizers would stop before they happen are made where they cannot see them.
volatile uintptr_t g_unmapped = 8;
__attribute__((noinline)) void CrashByNullWrite() {
    *reinterpret_cast<volatile int*>(g_unmapped) = 1;
}
#if defined(__x86_64__)
__attribute__((noinline)) void CrashByDivision() {
    unsigned value = 7;
    asm volatile("xorl %%edx, %%edx\n\txorl %%ecx, %%ecx\n\tdivl %%ecx"
                 : "+a"(value)
                 :
                 : "ecx", "edx");
}
#endif
__attribute__((noinline)) void CrashByTrap() {
    __builtin_trap();
}
__attribute__((noinline)) void CrashByAbort() {
    std::abort();
}
__attribute__((noinline)) void CrashByBreakpoint() {
    raise(SIGTRAP);
}
volatile bool g_stopRecursion = false;
__attribute__((noinline)) int CrashByRecursion(int depth) {
    if (g_stopRecursion)
        return 0;
    volatile char frame[256];
    frame[depth % 256] = static_cast<char>(depth);
    return CrashByRecursion(depth + 1) + frame[(depth + 1) % 256];
}
__attribute__((noinline)) void CrashByTruncatedMapping() {
    char path[] = "/tmp/ma-bus-XXXXXX";
    int fd = mkstemp(path);
    if (ftruncate(fd, 4096) != 0)
        _exit(3);
    auto* bytes =
        static_cast<volatile char*>(mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    unlink(path);
    if (ftruncate(fd, 0) != 0)
        _exit(3);
    bytes[100] = 1; // the page behind the mapping is gone
}
__attribute__((noinline)) void CrashInChild(void (*crash)()) {
    crash();
    _exit(0);
}
void CrashByRecursionStart() {
    CrashByRecursion(0);
}
}

namespace {
struct CRASH_CASE {
    const char* name;
    void (*crash)();
    int signal;
    const char* codeLine; // "Exception code: ..." as it must read
    const char* function;
};

// Runs the crash in a child process that reports to `report`; returns the wait status.
int CrashChild(const std::string& report, void (*crash)(), bool install = true) {
    pid_t child = fork();
    if (child == 0) {
        if (install && !InstallCrashHandler(report.c_str()))
            _exit(2);
        CrashInChild(crash);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

bool DiedOfSignal(int status, int signal) {
#ifdef MA_UNDER_SANITIZER
    // The sanitizer's own handler, chained after ours, ends the process with an exit code.
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
        return true;
#endif
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

size_t CountReports(const std::string& text) {
    std::string row = std::string(53, '=') + "\r\n";
    size_t count = 0;
    for (size_t at = text.find(row); at != std::string::npos; at = text.find(row, at + 1))
        if (at == 0 || text[at - 1] == '\n')
            ++count;
    return count;
}
} // namespace

class CrashReport : public ::testing::TestWithParam<CRASH_CASE> {
protected:
    CTempFolder m_folder;
};

TEST_P(CrashReport, ChildCrashAppendsAReport) {
    const CRASH_CASE& c = GetParam();
    std::string report = m_folder.File("core_tests.RPT");
    int status = CrashChild(report, c.crash);
    EXPECT_TRUE(DiedOfSignal(status, c.signal)) << "status " << status;
    std::string text = CTempFolder::Slurp(report);
    ASSERT_EQ(CountReports(text), 1u) << text;

    // Row of 53 "=", the date, the code and its words, each line ending in CR LF.
    std::regex head(
        std::string(53, '=') +
        R"(\r\n(Sun|Mon|Tue|Wed|Thu|Fri|Sat), (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d, (\d{4}), (0\d|1[0-2]):[0-5]\d:[0-5]\d (AM|PM)\r\n)" +
        std::string(c.codeLine) + R"(\r\n[^\r\n]+\r\n)");
    std::smatch parts;
    ASSERT_TRUE(std::regex_search(text, parts, head)) << text;
    EXPECT_EQ(parts.position(0), 0);
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(std::stoi(parts[3]), local.tm_year + 1900);

    EXPECT_NE(text.find("\r\nRegisters:\r\n"), std::string::npos);
#if defined(__x86_64__)
    EXPECT_TRUE(
        std::regex_search(text, std::regex(R"(\r\nRAX:[0-9A-F]{16}  RBX:[0-9A-F]{16}  RCX)")));
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\r\nCS:RIP:[0-9A-F]{4}:[0-9A-F]{16}\r\n)")));
    EXPECT_TRUE(
        std::regex_search(text, std::regex(R"(\r\nSS:RSP:[0-9A-F]{4}:[0-9A-F]{16}  RBP:)")));
#elif defined(__aarch64__)
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\r\nX0:[0-9A-F]{16}  X1:)")));
#endif
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\r\nFlags:[0-9A-F]{8}\r\n)")));
    EXPECT_NE(
        text.find("\r\n\r\nCall stack:\r\nAddress   Frame     Function            SourceFile\r\n"),
        std::string::npos);
    EXPECT_NE(text.find("\r\n-----------\r\nLocal Variables And Parameters\r\n"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n"); // an empty line ends the report

    // The crashing function, found through the unwinder from the fault, with its caller.
    if (c.function != nullptr) {
        std::string exe = GetExecutablePath().Str();
        std::regex fault("Fault address:  [0-9A-F]{8,} [0-9A-F]{2}:[0-9A-F]{8,} " + exe + "\r\n");
        EXPECT_TRUE(std::regex_search(text, fault)) << text;
        // Every build names the function from its symbols; only one with debug information
        // knows the source line, given by its path in the repository.
#ifdef MA_DEBUG_INFO
        const std::string source = R"(  tests/core/CrashTest\.cpp line \d+)";
#else
        const std::string source;
#endif
        std::regex frame(std::string(R"(\r\n[0-9A-F]{8,}  [0-9A-F]{8,}  )") + c.function +
                         R"(\+[0-9A-F]+)" + source + "\r\n");
        EXPECT_TRUE(std::regex_search(text, frame)) << text;
        EXPECT_NE(text.find("CrashInChild+"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CrashReport,
    ::testing::Values(
        CRASH_CASE{"NullWrite", CrashByNullWrite, SIGSEGV,
                   "Exception code: C0000005 ACCESS_VIOLATION", "CrashByNullWrite"},
#if defined(__x86_64__)
        CRASH_CASE{"Division", CrashByDivision, SIGFPE,
                   "Exception code: C0000094 INT_DIVIDE_BY_ZERO", "CrashByDivision"},
        CRASH_CASE{"Trap", CrashByTrap, SIGILL, "Exception code: C000001D ILLEGAL_INSTRUCTION",
                   "CrashByTrap"},
#endif
        CRASH_CASE{"Abort", CrashByAbort, SIGABRT, "Exception code: 40000015 Aborted", nullptr},
        CRASH_CASE{"Breakpoint", CrashByBreakpoint, SIGTRAP, "Exception code: 80000003 BREAKPOINT",
                   nullptr},
        CRASH_CASE{"Bus", CrashByTruncatedMapping, SIGBUS, "Exception code: C0000006 IN_PAGE_ERROR",
                   "CrashByTruncatedMapping"}
#if !defined(MA_UNDER_SANITIZER)
        ,
        CRASH_CASE{"StackOverflow", CrashByRecursionStart, SIGSEGV,
                   "Exception code: C00000FD STACK_OVERFLOW", nullptr}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CrashReportFile, TwoCrashesAppendTwoReports) {
    CTempFolder folder;
    std::string report = folder.File("modal-atlas.RPT");
    EXPECT_TRUE(DiedOfSignal(CrashChild(report, CrashByNullWrite), SIGSEGV));
    EXPECT_TRUE(DiedOfSignal(CrashChild(report, CrashByAbort), SIGABRT));
    std::string text = CTempFolder::Slurp(report);
    EXPECT_EQ(CountReports(text), 2u);
    size_t first = text.find("ACCESS_VIOLATION");
    size_t second = text.find("40000015 Aborted");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second); // the later report follows the earlier one
}

TEST(CrashReportFile, RemovedHandlerWritesNothing) {
    CTempFolder folder;
    std::string report = folder.File("gone.RPT");
    pid_t child = fork();
    if (child == 0) {
        InstallCrashHandler(report.c_str());
        RemoveCrashHandler();
        CrashInChild(CrashByAbort);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
    EXPECT_FALSE(FileExists(report.c_str()));
}

namespace {
int g_markerFd = -1;
void PreviousHandler(int) {
    if (write(g_markerFd, "previous\n", 9) < 0)
        _exit(4);
}
} // namespace

TEST(CrashReportFile, PreviousHandlerStillRuns) {
    CTempFolder folder;
    std::string report = folder.File("chain.RPT");
    std::string marker = folder.File("marker");
    pid_t child = fork();
    if (child == 0) {
        g_markerFd = open(marker.c_str(), O_WRONLY | O_CREAT, 0644);
        signal(SIGABRT, PreviousHandler);
        if (!InstallCrashHandler(report.c_str()) || InstallCrashHandler(report.c_str()))
            _exit(2); // a second installation must be refused
        CrashInChild(CrashByAbort);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
    EXPECT_EQ(CTempFolder::Slurp(marker), "previous\n");
    EXPECT_EQ(CountReports(CTempFolder::Slurp(report)), 1u);
}

TEST(CrashReportFile, ReportPathBesideTheExecutable) {
    EXPECT_EQ(MakeCrashReportPath("/opt/ma/ModalAtlas.exe"), "/opt/ma/ModalAtlas.RPT");
    EXPECT_EQ(MakeCrashReportPath("/opt/ma/modal-atlas"), "/opt/ma/modal-atlas.RPT");
    EXPECT_EQ(MakeCrashReportPath("/opt/m.a/modal-atlas"), "/opt/m.a/modal-atlas.RPT");
    EXPECT_EQ(MakeCrashReportPath("/opt/ma/tool.1"), "/opt/ma/tool.1.RPT");
    EXPECT_EQ(GetCrashReportPath(), ""); // nothing installed in this process
}

TEST(CrashReportFile, UnwritableFolderFallsBackToTheStateFolder) {
    CTempFolder folder;
    std::string exe = folder.File("modal-atlas");
    EXPECT_EQ(ChooseCrashReportPath(exe.c_str()).Str(), exe + ".RPT");

    const char* savedXdg = std::getenv("XDG_STATE_HOME");
    std::string xdg = savedXdg != nullptr ? savedXdg : "";
    setenv("XDG_STATE_HOME", folder.Path().c_str(), 1);
    CCharString moved = ChooseCrashReportPath("/no/such/folder/modal-atlas");
    unsetenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    CCharString inHome = ChooseCrashReportPath("/no/such/folder/modal-atlas.bin");
    if (savedXdg != nullptr)
        setenv("XDG_STATE_HOME", xdg.c_str(), 1);
    EXPECT_EQ(moved.Str(), folder.Path() + "/modal-atlas/modal-atlas.RPT");
    if (home != nullptr && *home) {
        EXPECT_EQ(inHome.Str(), std::string(home) + "/.local/state/modal-atlas/modal-atlas.RPT");
    }
}
