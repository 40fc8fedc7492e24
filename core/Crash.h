#pragma once

#include "core/CharString.h"

// The crash report: on a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP) an
// account of the fault (Windows-style exception code and name, fault address and module,
// registers, call stack with symbols and source lines where known) is appended to a report
// file; then the previous handler runs and the process still ends with the signal.
// Install at process start, remove at exit. The handler covers every thread; the faulting
// thread writes the report while the others go on.

// Installs the handler, reporting to MakeCrashReportPath of the executable or, when that
// folder or file is not writable, to the same name in the user's state folder
// ($XDG_STATE_HOME or ~/.local/state, then "modal-atlas"). False when already installed.
bool InstallCrashHandler();
// The same with a given report path (tests; tools that keep reports elsewhere).
bool InstallCrashHandler(const char* reportPath);
// Restores the handlers that were there before.
void RemoveCrashHandler();

// "/opt/ma/modal-atlas.exe" -> "/opt/ma/modal-atlas.RPT"; a name without an extension of at
// least three characters gets ".RPT" appended.
CCharString MakeCrashReportPath(const char* executablePath);
// The report path InstallCrashHandler() takes: beside the executable when writable, else in the
// user's state folder.
CCharString ChooseCrashReportPath(const char* executablePath);
// Where the installed handler reports (empty when none is installed).
CCharString GetCrashReportPath();
