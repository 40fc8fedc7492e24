#include "core/Crash.h"

#include "core/ContentFolders.h"
#include "core/Path.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/auxv.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

// Everything below the handler runs inside a signal handler: no allocation, no stdio, no
// locale, only system calls on static buffers. (dladdr and the unwinder take the loader's
// lock; a crash inside the loader itself may then hang instead of reporting.)

namespace {
const int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
constexpr int kMaxFrames = 64;

char g_reportPath[PATH_MAX];
char g_fallbackPath[PATH_MAX];
char g_exePath[PATH_MAX];
char g_addr2line[PATH_MAX];
const void* g_mainBase = nullptr;
long g_utcOffset = 0;
bool g_installed = false;
struct sigaction g_previous[kSignalCount];
alignas(16) char g_altStack[128 * 1024];
stack_t g_previousStack;
bool g_haveAltStack = false;
std::atomic<int> g_busy{0};

// ---- output into the report file, "\r\n" line ends ----

struct OUT {
    int fd = -1;
    char buffer[4096];
    size_t used = 0;

    void Flush() {
        size_t done = 0;
        while (fd >= 0 && done < used) {
            ssize_t put = write(fd, buffer + done, used - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            done += static_cast<size_t>(put);
        }
        used = 0;
    }
    void Char(char c) {
        if (used == sizeof buffer)
            Flush();
        buffer[used++] = c;
    }
    void Text(const char* text) {
        while (text != nullptr && *text)
            Char(*text++);
    }
    void Text(const char* text, size_t length) {
        for (size_t i = 0; i < length; ++i)
            Char(text[i]);
    }
    // Upper-case hexadecimal, at least `digits` digits ("%08X").
    void Hex(uint64_t value, int digits) {
        char reversed[16];
        int count = 0;
        do {
            reversed[count++] = "0123456789ABCDEF"[value & 15];
            value >>= 4;
        } while (value != 0);
        for (int i = count; i < digits; ++i)
            Char('0');
        while (count > 0)
            Char(reversed[--count]);
    }
    void Dec(uint64_t value, int digits = 1) {
        char reversed[20];
        int count = 0;
        do {
            reversed[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (int i = count; i < digits; ++i)
            Char('0');
        while (count > 0)
            Char(reversed[--count]);
    }
    void End() { Text("\r\n"); }
};

// ---- exception codes ----

struct CODE_NAME {
    uint32_t code;
    const char* name;
};
const CODE_NAME kCodeNames[] = {
    {0xC0000005, "ACCESS_VIOLATION"},     {0x80000002, "DATATYPE_MISALIGNMENT"},
    {0x80000003, "BREAKPOINT"},           {0x80000004, "SINGLE_STEP"},
    {0x80000001, "GUARD_PAGE"},           {0xC000008C, "ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, "FLT_DENORMAL_OPERAND"}, {0xC000008E, "FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "FLT_INEXACT_RESULT"},   {0xC0000090, "FLT_INVALID_OPERATION"},
    {0xC0000091, "FLT_OVERFLOW"},         {0xC0000092, "FLT_STACK_CHECK"},
    {0xC0000093, "FLT_UNDERFLOW"},        {0xC0000094, "INT_DIVIDE_BY_ZERO"},
    {0xC0000095, "INT_OVERFLOW"},         {0xC0000096, "PRIV_INSTRUCTION"},
    {0xC0000006, "IN_PAGE_ERROR"},        {0xC0000008, "INVALID_HANDLE"},
    {0xC000001D, "ILLEGAL_INSTRUCTION"},  {0xC0000025, "NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, "INVALID_DISPOSITION"},  {0xC00000FD, "STACK_OVERFLOW"},
};
// An abort has no exception of its own; it is the fatal application exit of its platform.
constexpr uint32_t kFatalAppExit = 0x40000015;

uint32_t ExceptionCode(int signal, int code, bool nearStack) {
    switch (signal) {
    case SIGSEGV:
        return nearStack ? 0xC00000FD : 0xC0000005;
    case SIGBUS:
        return code == BUS_ADRALN ? 0x80000002 : 0xC0000006;
    case SIGFPE:
        switch (code) {
        case FPE_INTOVF:
            return 0xC0000095;
        case FPE_FLTDIV:
            return 0xC000008E;
        case FPE_FLTOVF:
            return 0xC0000091;
        case FPE_FLTUND:
            return 0xC0000093;
        case FPE_FLTRES:
            return 0xC000008F;
        case FPE_FLTINV:
            return 0xC0000090;
        case FPE_FLTSUB:
            return 0xC000008C;
        default:
            return 0xC0000094;
        }
    case SIGILL:
        return (code == ILL_PRVOPC || code == ILL_PRVREG) ? 0xC0000096 : 0xC000001D;
    case SIGTRAP:
        return code == TRAP_TRACE ? 0x80000004 : 0x80000003;
    default:
        return kFatalAppExit;
    }
}

const char* CodeName(uint32_t code, int signal) {
    for (const CODE_NAME& entry : kCodeNames)
        if (entry.code == code)
            return entry.name;
    // Outside the table the system's own words for the signal name it.
    const char* words = sigdescr_np(signal);
    return words != nullptr ? words : "Unknown exception";
}

const char* SignalCodeWords(int signal, int code) {
    if (code == SI_USER)
        return "sent by kill";
    if (code == SI_TKILL)
        return "sent by tkill or raise";
    if (code == SI_QUEUE)
        return "sent by sigqueue";
    switch (signal) {
    case SIGSEGV:
        if (code == SEGV_MAPERR)
            return "address not mapped to object";
        if (code == SEGV_ACCERR)
            return "invalid permissions for mapped object";
        break;
    case SIGBUS:
        if (code == BUS_ADRALN)
            return "invalid address alignment";
        if (code == BUS_ADRERR)
            return "nonexistent physical address";
        if (code == BUS_OBJERR)
            return "object-specific hardware error";
        break;
    case SIGFPE:
        switch (code) {
        case FPE_INTDIV:
            return "integer divide by zero";
        case FPE_INTOVF:
            return "integer overflow";
        case FPE_FLTDIV:
            return "floating-point divide by zero";
        case FPE_FLTOVF:
            return "floating-point overflow";
        case FPE_FLTUND:
            return "floating-point underflow";
        case FPE_FLTRES:
            return "floating-point inexact result";
        case FPE_FLTINV:
            return "floating-point invalid operation";
        case FPE_FLTSUB:
            return "subscript out of range";
        }
        break;
    case SIGILL:
        switch (code) {
        case ILL_ILLOPC:
            return "illegal opcode";
        case ILL_ILLOPN:
            return "illegal operand";
        case ILL_ILLADR:
            return "illegal addressing mode";
        case ILL_ILLTRP:
            return "illegal trap";
        case ILL_PRVOPC:
            return "privileged opcode";
        case ILL_PRVREG:
            return "privileged register";
        case ILL_COPROC:
            return "coprocessor error";
        case ILL_BADSTK:
            return "internal stack error";
        }
        break;
    case SIGTRAP:
        if (code == TRAP_BRKPT)
            return "process breakpoint";
        if (code == TRAP_TRACE)
            return "process trace trap";
        break;
    }
    return "no further detail";
}

// ---- processor context ----

uintptr_t ContextPc(const ucontext_t* context) {
#if defined(__x86_64__)
    return static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(context->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

uintptr_t ContextSp(const ucontext_t* context) {
#if defined(__x86_64__)
    return static_cast<uintptr_t>(context->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(context->uc_mcontext.sp);
#else
    (void)context;
    return 0;
#endif
}

void Registers(OUT& out, const ucontext_t* context) {
    out.End();
    out.Text("Registers:");
    out.End();
#if defined(__x86_64__)
    const greg_t* r = context->uc_mcontext.gregs;
    struct NAMED {
        const char* name;
        int index;
    };
    const NAMED general[] = {{"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX},
                             {"RSI", REG_RSI}, {"RDI", REG_RDI}, {"R8", REG_R8},   {"R9", REG_R9},
                             {"R10", REG_R10}, {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13},
                             {"R14", REG_R14}, {"R15", REG_R15}};
    int count = static_cast<int>(sizeof general / sizeof general[0]);
    for (int i = 0; i < count; ++i) {
        if (i % 6 != 0)
            out.Text("  ");
        out.Text(general[i].name);
        out.Char(':');
        out.Hex(static_cast<uint64_t>(r[general[i].index]), 16);
        if (i % 6 == 5 || i == count - 1)
            out.End();
    }
    uint64_t segments = static_cast<uint64_t>(r[REG_CSGSFS]);
    unsigned short ds = 0, es = 0;
    asm volatile("mov %%ds, %0" : "=r"(ds));
    asm volatile("mov %%es, %0" : "=r"(es));
    out.Text("CS:RIP:");
    out.Hex(segments & 0xFFFF, 4);
    out.Char(':');
    out.Hex(static_cast<uint64_t>(r[REG_RIP]), 16);
    out.End();
    out.Text("SS:RSP:");
    out.Hex((segments >> 48) & 0xFFFF, 4);
    out.Char(':');
    out.Hex(static_cast<uint64_t>(r[REG_RSP]), 16);
    out.Text("  RBP:");
    out.Hex(static_cast<uint64_t>(r[REG_RBP]), 16);
    out.End();
    out.Text("DS:");
    out.Hex(ds, 4);
    out.Text("  ES:");
    out.Hex(es, 4);
    out.Text("  FS:");
    out.Hex((segments >> 32) & 0xFFFF, 4);
    out.Text("  GS:");
    out.Hex((segments >> 16) & 0xFFFF, 4);
    out.End();
    out.Text("Flags:");
    out.Hex(static_cast<uint64_t>(r[REG_EFL]) & 0xFFFFFFFF, 8);
    out.End();
#elif defined(__aarch64__)
    const auto& m = context->uc_mcontext;
    for (int i = 0; i < 29; ++i) {
        if (i % 6 != 0)
            out.Text("  ");
        out.Char('X');
        out.Dec(static_cast<uint64_t>(i));
        out.Char(':');
        out.Hex(m.regs[i], 16);
        if (i % 6 == 5 || i == 28)
            out.End();
    }
    out.Text("PC:");
    out.Hex(m.pc, 16);
    out.Text("  LR:");
    out.Hex(m.regs[30], 16);
    out.End();
    out.Text("SP:");
    out.Hex(m.sp, 16);
    out.Text("  FP:");
    out.Hex(m.regs[29], 16);
    out.End();
    out.Text("Flags:");
    out.Hex(m.pstate & 0xFFFFFFFF, 8);
    out.End();
#else
    (void)context;
    out.Text("(not available on this processor)");
    out.End();
#endif
}

// ---- modules ----

struct MODULE_ADDRESS {
    const char* path = "";     // the module's file
    uintptr_t bias = 0;        // load address minus link-time address
    uintptr_t fileAddress = 0; // the address as the module's file knows it
    unsigned section = 0;      // 1-based loadable segment holding it, 0 when none
    uintptr_t offset = 0;      // offset within that segment
    uintptr_t symbol = 0;      // start of the exported symbol holding it, 0 when unknown
    const char* symbolName = nullptr;
};

MODULE_ADDRESS FindModule(uintptr_t address) {
    MODULE_ADDRESS found;
    found.fileAddress = address;
    found.offset = address;
    Dl_info info{};
    if (address == 0 || dladdr(reinterpret_cast<void*>(address), &info) == 0 ||
        info.dli_fbase == nullptr)
        return found;
    found.path =
        info.dli_fbase == g_mainBase || info.dli_fname == nullptr ? g_exePath : info.dli_fname;
    const auto* header = static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
    if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0)
        return found;
    const auto* program = reinterpret_cast<const ElfW(Phdr)*>(
        static_cast<const char*>(info.dli_fbase) + header->e_phoff);
    uintptr_t lowest = UINTPTR_MAX;
    for (int i = 0; i < header->e_phnum; ++i)
        if (program[i].p_type == PT_LOAD && program[i].p_vaddr < lowest)
            lowest = program[i].p_vaddr;
    if (lowest == UINTPTR_MAX)
        return found;
    lowest &= ~static_cast<uintptr_t>(0xFFF);
    found.bias = reinterpret_cast<uintptr_t>(info.dli_fbase) - lowest;
    found.fileAddress = address - found.bias;
    unsigned number = 0;
    for (int i = 0; i < header->e_phnum; ++i) {
        if (program[i].p_type != PT_LOAD)
            continue;
        ++number;
        uintptr_t size =
            program[i].p_memsz > program[i].p_filesz ? program[i].p_memsz : program[i].p_filesz;
        if (found.fileAddress >= program[i].p_vaddr &&
            found.fileAddress < program[i].p_vaddr + size) {
            found.section = number;
            found.offset = found.fileAddress - program[i].p_vaddr;
        }
    }
    if (info.dli_sname != nullptr && info.dli_saddr != nullptr) {
        found.symbol = reinterpret_cast<uintptr_t>(info.dli_saddr);
        found.symbolName = info.dli_sname;
    }
    return found;
}

bool ReadAt(int fd, uint64_t offset, void* into, size_t size) {
    char* to = static_cast<char*>(into);
    while (size > 0) {
        ssize_t got = pread(fd, to, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        to += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

// The function symbol of the module's file holding a file address, from its full symbol table
// (static functions too, which dladdr cannot see). Gives the symbol's start and its raw name.
bool FindFileSymbol(const char* path, uintptr_t fileAddress, uintptr_t& start, char* name,
                    size_t nameSize) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool found = false;
    ElfW(Ehdr) header;
    static ElfW(Shdr) sections[512];
    if (ReadAt(fd, 0, &header, sizeof header) &&
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
        header.e_shentsize == sizeof(ElfW(Shdr)) && header.e_shnum > 0 && header.e_shnum <= 512 &&
        ReadAt(fd, header.e_shoff, sections, header.e_shnum * sizeof(ElfW(Shdr)))) {
        for (int pass = 0; pass < 2 && !found; ++pass) {
            uint32_t wanted = pass == 0 ? SHT_SYMTAB : SHT_DYNSYM;
            for (int s = 0; s < header.e_shnum && !found; ++s) {
                const ElfW(Shdr)& table = sections[s];
                if (table.sh_type != wanted || table.sh_link >= header.e_shnum ||
                    table.sh_entsize != sizeof(ElfW(Sym)))
                    continue;
                static ElfW(Sym) symbols[256];
                uint64_t total = table.sh_size / sizeof(ElfW(Sym));
                ElfW(Sym) best{};
                bool have = false;
                for (uint64_t first = 0; first < total && !have; first += 256) {
                    uint64_t count = total - first < 256 ? total - first : 256;
                    if (!ReadAt(fd, table.sh_offset + first * sizeof(ElfW(Sym)), symbols,
                                count * sizeof(ElfW(Sym))))
                        break;
                    for (uint64_t i = 0; i < count; ++i) {
                        const ElfW(Sym)& symbol = symbols[i];
                        if ((symbol.st_info & 0xF) != STT_FUNC || symbol.st_value == 0)
                            continue;
                        if (fileAddress >= symbol.st_value &&
                            fileAddress < symbol.st_value + (symbol.st_size ? symbol.st_size : 1)) {
                            best = symbol;
                            have = true;
                            break;
                        }
                    }
                }
                if (!have)
                    continue;
                const ElfW(Shdr)& strings = sections[table.sh_link];
                if (best.st_name >= strings.sh_size)
                    continue;
                size_t length = nameSize - 1;
                if (strings.sh_size - best.st_name < length)
                    length = strings.sh_size - best.st_name;
                if (!ReadAt(fd, strings.sh_offset + best.st_name, name, length))
                    continue;
                name[length] = 0;
                start = best.st_value;
                found = true;
            }
        }
    }
    close(fd);
    return found;
}

// ---- the call stack ----

struct FRAME {
    uintptr_t pc;
    uintptr_t frame;
    MODULE_ADDRESS module;
    uintptr_t symbolStart; // file address of the function start, 0 when unknown
    char rawName[128];
    char function[256]; // from addr2line, demangled
    char file[256];
    unsigned line;
};

FRAME g_frames[kMaxFrames];
int g_frameCount = 0;

struct WALK {
    uintptr_t pcs[kMaxFrames + 16];
    uintptr_t cfas[kMaxFrames + 16];
    int count;
};
WALK g_walk;

_Unwind_Reason_Code CollectFrame(_Unwind_Context* context, void*) {
    if (g_walk.count >= kMaxFrames + 16)
        return _URC_END_OF_STACK;
    g_walk.pcs[g_walk.count] = _Unwind_GetIP(context);
    g_walk.cfas[g_walk.count] = _Unwind_GetCFA(context);
    ++g_walk.count;
    return _URC_NO_REASON;
}

void WalkStack(const ucontext_t* context) {
    g_walk.count = 0;
    _Unwind_Backtrace(CollectFrame, nullptr);
    uintptr_t pc = ContextPc(context);
    // The walk starts in this handler; the faulting frame is the one at the context's counter.
    int first = -1;
    for (int i = 0; i < g_walk.count; ++i)
        if (g_walk.pcs[i] == pc) {
            first = i;
            break;
        }
    g_frameCount = 0;
    if (first < 0) {
        // The unwinder could not cross the signal frame: the fault itself is all we know.
        g_frames[0] = FRAME{};
        g_frames[0].pc = pc;
        g_frames[0].frame = ContextSp(context);
        g_frameCount = 1;
        return;
    }
    for (int i = first; i < g_walk.count && g_frameCount < kMaxFrames; ++i) {
        if (g_walk.pcs[i] == 0)
            break;
        FRAME& frame = g_frames[g_frameCount++];
        frame = FRAME{};
        frame.pc = g_walk.pcs[i];
        frame.frame = g_walk.cfas[i];
    }
}

// Hex address text for addr2line's command line.
char g_addressArgs[kMaxFrames][24];
char g_symbolOutput[64 * 1024];

void HexText(uintptr_t value, char* into) {
    into[0] = '0';
    into[1] = 'x';
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0);
    int at = 2;
    while (count > 0)
        into[at++] = reversed[--count];
    into[at] = 0;
}

// Copies up to the end of a line; returns the start of the next line.
const char* TakeLine(const char* text, const char* end, char* into, size_t size) {
    size_t used = 0;
    while (text < end && *text != '\n') {
        if (used + 1 < size)
            into[used++] = *text;
        ++text;
    }
    into[used] = 0;
    return text < end ? text + 1 : end;
}

// Runs addr2line (a separate program, so the symbol reading is not done in this handler) on
// the frames of one module, and takes its function names and source lines.
void LookUpModuleLines(const char* path, const int* indices, int count) {
    if (g_addr2line[0] == 0 || path[0] == 0 || count == 0)
        return;
    const char* argv[kMaxFrames + 8];
    int argc = 0;
    argv[argc++] = g_addr2line;
    argv[argc++] = "-f";
    argv[argc++] = "-C";
    argv[argc++] = "-e";
    argv[argc++] = path;
    for (int i = 0; i < count; ++i) {
        const FRAME& frame = g_frames[indices[i]];
        // A return address points after its call; the call's own line is wanted.
        uintptr_t address = frame.module.fileAddress - (indices[i] > 0 ? 1 : 0);
        HexText(address, g_addressArgs[i]);
        argv[argc++] = g_addressArgs[i];
    }
    argv[argc] = nullptr;
    int pipes[2];
    if (pipe(pipes) != 0)
        return;
    pid_t child = fork();
    if (child < 0) {
        close(pipes[0]);
        close(pipes[1]);
        return;
    }
    if (child == 0) {
        dup2(pipes[1], 1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
            dup2(null, 2);
        close(pipes[0]);
        const char* environment[] = {"LC_ALL=C", nullptr};
        execve(g_addr2line, const_cast<char* const*>(argv), const_cast<char* const*>(environment));
        _exit(127);
    }
    close(pipes[1]);
    size_t used = 0;
    // A symbol lookup that hangs must not keep the process from dying.
    for (int waited = 0; waited < 100 && used < sizeof g_symbolOutput - 1;) {
        pollfd ready{pipes[0], POLLIN, 0};
        int state = poll(&ready, 1, 100);
        if (state < 0 && errno == EINTR)
            continue;
        if (state == 0) {
            ++waited;
            continue;
        }
        ssize_t got = read(pipes[0], g_symbolOutput + used, sizeof g_symbolOutput - 1 - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        used += static_cast<size_t>(got);
    }
    close(pipes[0]);
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const char* text = g_symbolOutput;
    const char* end = g_symbolOutput + used;
    for (int i = 0; i < count && text < end; ++i) {
        FRAME& frame = g_frames[indices[i]];
        char where[320];
        text = TakeLine(text, end, frame.function, sizeof frame.function);
        text = TakeLine(text, end, where, sizeof where);
        if (std::strcmp(frame.function, "??") == 0)
            frame.function[0] = 0;
        // "file:line" or "file:line (discriminator n)"; "??:0" and "??:?" when unknown.
        char* space = std::strchr(where, ' ');
        if (space != nullptr)
            *space = 0;
        char* colon = std::strrchr(where, ':');
        if (colon == nullptr || colon == where || std::strncmp(where, "??", 2) == 0)
            continue;
        *colon = 0;
        unsigned line = 0;
        for (const char* digit = colon + 1; *digit >= '0' && *digit <= '9'; ++digit)
            line = line * 10 + static_cast<unsigned>(*digit - '0');
        if (line == 0)
            continue;
        size_t length = std::strlen(where);
        if (length >= sizeof frame.file)
            length = sizeof frame.file - 1;
        std::memcpy(frame.file, where, length);
        frame.file[length] = 0;
        frame.line = line;
    }
}

void ResolveFrames() {
    for (int i = 0; i < g_frameCount; ++i) {
        FRAME& frame = g_frames[i];
        frame.module = FindModule(frame.pc);
        uintptr_t lookup = frame.module.fileAddress - (i > 0 ? 1 : 0);
        if (frame.module.path[0] != 0 &&
            !FindFileSymbol(frame.module.path, lookup, frame.symbolStart, frame.rawName,
                            sizeof frame.rawName)) {
            frame.symbolStart = 0;
            frame.rawName[0] = 0;
        }
        if (frame.symbolStart == 0 && frame.module.symbolName != nullptr) {
            frame.symbolStart = frame.module.symbol - frame.module.bias;
            size_t length = std::strlen(frame.module.symbolName);
            if (length >= sizeof frame.rawName)
                length = sizeof frame.rawName - 1;
            std::memcpy(frame.rawName, frame.module.symbolName, length);
            frame.rawName[length] = 0;
        }
    }
    // One addr2line run per module.
    bool done[kMaxFrames] = {};
    int indices[kMaxFrames];
    for (int i = 0; i < g_frameCount; ++i) {
        if (done[i])
            continue;
        int count = 0;
        for (int j = i; j < g_frameCount; ++j)
            if (!done[j] && std::strcmp(g_frames[j].module.path, g_frames[i].module.path) == 0) {
                done[j] = true;
                indices[count++] = j;
            }
        LookUpModuleLines(g_frames[i].module.path, indices, count);
    }
}

void CallStack(OUT& out) {
    out.End();
    out.Text("Call stack:");
    out.End();
    out.Text("Address   Frame     Function            SourceFile");
    out.End();
    for (int i = 0; i < g_frameCount; ++i) {
        const FRAME& frame = g_frames[i];
        out.Hex(frame.pc, 8);
        out.Text("  ");
        out.Hex(frame.frame, 8);
        out.Text("  ");
        const char* name = frame.function[0] != 0 ? frame.function : frame.rawName;
        if (name[0] != 0) {
            out.Text(name);
            if (frame.symbolStart != 0) {
                out.Char('+');
                out.Hex(frame.module.fileAddress - frame.symbolStart, 1);
            }
        } else {
            out.Hex(frame.module.section, 4);
            out.Char(':');
            out.Hex(frame.module.offset, 8);
            out.Char(' ');
            out.Text(frame.module.path);
        }
        if (frame.file[0] != 0) {
            out.Text("  ");
            out.Text(frame.file);
            out.Text(" line ");
            out.Dec(frame.line);
        }
        out.End();
    }
}

// ---- date ----

void Date(OUT& out) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // localtime is not safe here: the zone's offset was taken at installation.
    int64_t local = static_cast<int64_t>(time(nullptr)) + g_utcOffset;
    int64_t days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    int64_t second = local - days * 86400;
    int weekday = static_cast<int>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    // Civil date from days since 1970 (proleptic Gregorian).
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t day = doy - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    int hour = static_cast<int>(second / 3600);
    int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    // "%a, %b %d, %Y, %I:%M:%S %p"
    out.Text(kDays[weekday]);
    out.Text(", ");
    out.Text(kMonths[month - 1]);
    out.Char(' ');
    out.Dec(static_cast<uint64_t>(day), 2);
    out.Text(", ");
    out.Dec(static_cast<uint64_t>(year), 4);
    out.Text(", ");
    out.Dec(static_cast<uint64_t>(hour12), 2);
    out.Char(':');
    out.Dec(static_cast<uint64_t>((second / 60) % 60), 2);
    out.Char(':');
    out.Dec(static_cast<uint64_t>(second % 60), 2);
    out.Text(hour < 12 ? " AM" : " PM");
    out.End();
}

// ---- the report ----

void WriteReport(OUT& out, int signal, const siginfo_t* info, const ucontext_t* context) {
    for (int i = 0; i < 53; ++i)
        out.Char('=');
    out.End();
    Date(out);

    uintptr_t pc = ContextPc(context);
    uintptr_t dataAddress = reinterpret_cast<uintptr_t>(info->si_addr);
    uintptr_t sp = ContextSp(context);
    bool nearStack = signal == SIGSEGV && sp != 0 &&
                     (dataAddress > sp ? dataAddress - sp : sp - dataAddress) < 64 * 1024;
    uint32_t code = ExceptionCode(signal, info->si_code, nearStack);
    out.Text("Exception code: ");
    out.Hex(code, 8);
    out.Char(' ');
    out.Text(CodeName(code, signal));
    out.End();
    const char* words = sigdescr_np(signal);
    const char* abbreviation = sigabbrev_np(signal);
    out.Text(words != nullptr ? words : "Unknown signal");
    out.Text(" (SIG");
    out.Text(abbreviation != nullptr ? abbreviation : "?");
    out.Text(", ");
    out.Text(SignalCodeWords(signal, info->si_code));
    if (info->si_code > 0 && (signal == SIGSEGV || signal == SIGBUS)) {
        out.Text(" at ");
        out.Hex(dataAddress, 8);
    }
    out.Char(')');
    out.End();

    MODULE_ADDRESS module = FindModule(pc);
    out.Text("Fault address:  ");
    out.Hex(pc, 8);
    out.Char(' ');
    out.Hex(module.section, 2);
    out.Char(':');
    out.Hex(module.offset, 8);
    out.Char(' ');
    out.Text(module.path);
    out.End();

    Registers(out, context);
    out.Flush();

    WalkStack(context);
    ResolveFrames();
    CallStack(out);
    out.End();
    out.Text("-----------");
    out.End();
    // The platform's line lookup names no variables; the section keeps its place.
    out.Text("Local Variables And Parameters");
    out.End();
    CallStack(out);
    out.End();
    out.Flush();
}

int OpenReport(const char* path) {
    if (path[0] == 0)
        return -1;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0)
        flock(fd, LOCK_EX); // two processes crashing at once keep their reports apart
    return fd;
}

void ChainAndDie(int signal, siginfo_t* info, void* context) {
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] != signal)
            continue;
        const struct sigaction& previous = g_previous[i];
        if (previous.sa_flags & SA_SIGINFO) {
            if (previous.sa_sigaction != nullptr)
                previous.sa_sigaction(signal, info, context);
        } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
            previous.sa_handler(signal);
        }
    }
    // The process still ends with its signal: on return the fault repeats or the raised
    // signal, pending while this handler runs, is delivered.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnFatalSignal(int signal, siginfo_t* info, void* rawContext) {
    int savedErrno = errno;
    if (g_busy.exchange(1) != 0) {
        // Another thread is already reporting; it ends the process.
        for (;;)
            pause();
    }
    auto* context = static_cast<ucontext_t*>(rawContext);
    static OUT out;
    out.used = 0;
    out.fd = OpenReport(g_reportPath);
    if (out.fd < 0)
        out.fd = OpenReport(g_fallbackPath);
    if (out.fd >= 0) {
        WriteReport(out, signal, info, context);
        close(out.fd);
        out.fd = -1;
    }
    errno = savedErrno;
    ChainAndDie(signal, info, rawContext);
}

bool Writable(const char* path) {
    if (access(path, F_OK) == 0)
        return access(path, W_OK) == 0;
    CCharString folder(path);
    const char* slash = std::strrchr(folder.GetText(), '/');
    folder.Cut(slash != nullptr ? static_cast<size_t>(slash - folder.GetText()) : 0);
    return access(folder.IsEmpty() ? "/" : folder.GetText(), W_OK) == 0;
}

void Copy(char* into, const char* text) {
    std::strncpy(into, text != nullptr ? text : "", PATH_MAX - 1);
    into[PATH_MAX - 1] = 0;
}

void FindAddr2line() {
    g_addr2line[0] = 0;
    const char* path = std::getenv("PATH");
    CCharString folders(path != nullptr && *path ? path : "/usr/bin:/bin");
    folders.Append(":/usr/bin");
    std::string list = folders.Str();
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        std::string candidate = list.substr(start, end - start) + "/addr2line";
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            Copy(g_addr2line, candidate.c_str());
            return;
        }
        start = end + 1;
    }
}

bool Install(const char* primary, const char* fallback) {
    if (g_installed)
        return false;
    Copy(g_reportPath, primary);
    Copy(g_fallbackPath, fallback);
    Copy(g_exePath, GetExecutablePath());
    FindAddr2line();
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    g_utcOffset = parts.tm_gmtoff;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(getauxval(AT_PHDR)), &info) != 0)
        g_mainBase = info.dli_fbase;
    // The unwinder loads its support library on first use; do that now, not in the handler.
    g_walk.count = 0;
    _Unwind_Backtrace(CollectFrame, nullptr);

    // A stack overflow leaves no stack to report on; the handler gets its own.
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    g_haveAltStack = sigaltstack(&stack, &g_previousStack) == 0;

    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = OnFatalSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], &action, &g_previous[i]);
    }
    g_busy = 0;
    g_installed = true;
    return true;
}
} // namespace

CCharString MakeCrashReportPath(const char* executablePath) {
    CCharString path(executablePath);
    const char* text = path.GetText();
    const char* slash = std::strrchr(text, '/');
    const char* dot = std::strrchr(slash != nullptr ? slash : text, '.');
    if (dot != nullptr && std::strlen(dot + 1) >= 3) {
        path.Cut(static_cast<size_t>(dot - text) + 1);
        path.Append("RPT");
    } else
        path.Append(".RPT");
    return path;
}

namespace {
// The report's name in the user's state folder; empty when the user has none.
CCharString StateFolderPath(const CCharString& primary) {
    const char* name = std::strrchr(primary.GetText(), '/');
    name = name != nullptr ? name + 1 : primary.GetText();
    CCharString path =
        CContentFolders::GetUserFolder(FOLDER_LOGS, USER_BASE_FOLDERS::FromEnvironment());
    if (!path.IsEmpty())
        path.Append(name);
    return path;
}

// Beside the program when it may write there; an installed program's tree is left alone.
bool MayWriteBeside(const char* executablePath, const CCharString& primary) {
    PATH_PARTS parts;
    CContentFolders folders;
    if (SplitPath(executablePath, parts) && !parts.folder.IsEmpty())
        folders.Locate(parts.folder);
    return !folders.IsShared() && Writable(primary);
}

void MakeFolderOf(const CCharString& path) {
    PATH_PARTS parts;
    if (SplitPath(path, parts) && !parts.folder.IsEmpty())
        MakePath(parts.folder);
}
} // namespace

CCharString ChooseCrashReportPath(const char* executablePath) {
    CCharString primary = MakeCrashReportPath(executablePath);
    CCharString state = StateFolderPath(primary);
    return MayWriteBeside(executablePath, primary) || state.IsEmpty() ? primary : state;
}

bool InstallCrashHandler() {
    const CCharString executable = GetExecutablePath();
    CCharString primary = MakeCrashReportPath(executable);
    CCharString state = StateFolderPath(primary);
    if (MayWriteBeside(executable, primary) || state.IsEmpty())
        // Should the folder refuse the file after all, the state folder takes the report.
        return Install(primary, state);
    MakeFolderOf(state);
    return Install(state, "");
}

bool InstallCrashHandler(const char* reportPath) {
    return Install(reportPath, "");
}

void RemoveCrashHandler() {
    if (!g_installed)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    if (g_haveAltStack) {
        if (g_previousStack.ss_flags & SS_DISABLE) {
            stack_t off{};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        } else
            sigaltstack(&g_previousStack, nullptr);
    }
    g_installed = false;
    g_reportPath[0] = 0;
}

CCharString GetCrashReportPath() {
    return CCharString(g_installed ? g_reportPath : "");
}
