#pragma once

#include "core/CharString.h"

class CLogFile;

// Writes "######### ERROR (file line): message" to the debugger output (standard error) and,
// when a log is open, to the log as a time-stamped line. Never fails; returns true so that
// callers can write `return ReportError(...), false;` chains simply. Callable from any thread.
bool ReportError(const char* sourceFile, int line, const char* format, ...) MA_PRINTF(3, 4);
// Writes a plain message the same way.
bool Message(const char* format, ...) MA_PRINTF(1, 2);

// The application's log file, or null; the application owns it.
void SetReportLog(CLogFile* log);

// Every report and message line is also handed to this hook when set (tests, the GUI's
// status line). The hook receives the line without its line feed.
using ReportHook = void (*)(const char* line);
void SetReportHook(ReportHook hook);

#define REPORT_ERROR(...) ReportError(__FILE__, __LINE__, __VA_ARGS__)
