#include "core/Report.h"

#include "core/LogFile.h"

#include <atomic>
#include <cstdio>

namespace {
std::atomic<CLogFile*> g_log{nullptr};
std::atomic<ReportHook> g_hook{nullptr};

void Emit(const CCharString& line) {
    // One fputs per line keeps lines from different threads whole.
    CCharString withEnd(line);
    withEnd.Append('\n');
    std::fputs(withEnd.GetText(), stderr);
    if (ReportHook hook = g_hook.load())
        hook(line.GetText());
    // The log serialises its own writes; a closed or failing log only loses its copy.
    if (CLogFile* log = g_log.load())
        if (log->IsOpen())
            log->WriteLine(line, true);
}
} // namespace

void SetReportLog(CLogFile* log) {
    g_log.store(log);
}
void SetReportHook(ReportHook hook) {
    g_hook.store(hook);
}

bool ReportError(const char* sourceFile, int line, const char* format, ...) {
    CCharString message;
    va_list args;
    va_start(args, format);
    message.FormatV(format, args);
    va_end(args);
    CCharString report;
    // The message is an argument, never a format: its "%" signs stay as they are.
    report.Format("######### ERROR (%s %d): %s", sourceFile ? sourceFile : "", line,
                  message.GetText());
    Emit(report);
    return true;
}

bool Message(const char* format, ...) {
    CCharString message;
    va_list args;
    va_start(args, format);
    message.FormatV(format, args);
    va_end(args);
    Emit(message);
    return true;
}
