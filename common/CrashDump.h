#pragma once
// Minidumps of unhandled exceptions, for support engineers.
//
// A crash writes "<program>-<version>-<YYYYMMDD-HHMMSS>.dmp" (dbghelp's MiniDumpWriteDump)
// and appends a marked line to ".\TrovelLog.txt", then lets the exception go on to the
// platform, which ends the process as it would without us. The newest kMaxCrashDumps
// dumps of a program are kept in its dump folder.
//
// Test seam: with the environment variable CORVIDA_TEST_CRASH set to the name given to an
// install call below, that call raises an access violation right after installing.
#include <windows.h>

constexpr int kMaxCrashDumps = 5;

// For a program: dumps of any thread go into the folder of the program's file. Call once,
// first thing in main/WinMain.
void InstallCrashDumps(const char* program);

// For a library's worker thread: while the scope lives, an unhandled exception on this
// thread writes its dump into the current folder (beside the log). Exceptions on other
// threads go to the filter that was installed before, untouched. `testName` is the name
// the test seam answers to.
class CrashDumpScope {
public:
    CrashDumpScope(const char* program, const char* testName);
    ~CrashDumpScope();
    CrashDumpScope(const CrashDumpScope&) = delete;
    CrashDumpScope& operator=(const CrashDumpScope&) = delete;
};

// Writes a dump of the exception now (used by the handlers; exposed for tests). Returns
// the dump's file name in `written` (MAX_PATH bytes) and true when a dump was written.
bool WriteCrashDump(EXCEPTION_POINTERS* exception, const char* program, const char* folder, char* written);
