// Minidumps of unhandled exceptions. The filter runs in a crashed process: it uses fixed
// buffers and plain system calls only, no heap and no C++ library.
#include "CrashDump.h"

#include <dbghelp.h>

#include <cstdio>
#include <cstring>

#ifndef CRASHDUMP_VERSION
#define CRASHDUMP_VERSION "0"
#endif

namespace {

char g_program[64];                        // set by InstallCrashDumps: dumps of any thread
// Program name of the CrashDumpScope living on a thread: a system TLS slot, which unlike
// the compiler's emulated thread_local never allocates when the filter reads it.
DWORD g_scopeSlot = TLS_OUT_OF_INDEXES;
LPTOP_LEVEL_EXCEPTION_FILTER g_previous;   // the filter before ours (a scope's host)
bool g_installed;
LONG g_scopes;
CRITICAL_SECTION g_lock;
INIT_ONCE g_lockOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK InitLock(PINIT_ONCE, PVOID, PVOID*)
{
    InitializeCriticalSection(&g_lock);
    return TRUE;
}

void Lock()
{
    InitOnceExecuteOnce(&g_lockOnce, InitLock, nullptr, nullptr);
    EnterCriticalSection(&g_lock);
}

void ProgramFolder(char* folder)
{
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = '\0';
        return;
    }
    char* slash = std::strrchr(folder, '\\');
    if (slash)
        *slash = '\0';
}

// Keeps the newest kMaxCrashDumps dumps of `program` in `folder`.
void PruneDumps(const char* folder, const char* program)
{
    char pattern[MAX_PATH + 80];
    std::snprintf(pattern, sizeof pattern, "%s\\%s-*.dmp", folder, program);
    for (;;) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(pattern, &found);
        if (find == INVALID_HANDLE_VALUE)
            return;
        int count = 0;
        FILETIME oldestTime{0xFFFFFFFF, 0xFFFFFFFF};
        char oldest[MAX_PATH] = "";
        do {
            ++count;
            if (CompareFileTime(&found.ftLastWriteTime, &oldestTime) < 0) {
                oldestTime = found.ftLastWriteTime;
                std::snprintf(oldest, sizeof oldest, "%s", found.cFileName);
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
        if (count <= kMaxCrashDumps)
            return;
        char path[MAX_PATH + 80];
        std::snprintf(path, sizeof path, "%s\\%s", folder, oldest);
        if (!DeleteFileA(path))
            return;  // never loop on a file we cannot remove
    }
}

// "Module.dll+0x1A2B" for an address inside a loaded module (the offset from its load
// address, which addr2line resolves against the symbols file), else the bare address.
void DescribeAddress(const void* address, char* out, size_t size)
{
    HMODULE module = nullptr;
    char path[MAX_PATH];
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module) &&
        GetModuleFileNameA(module, path, sizeof path) > 0) {
        const char* name = std::strrchr(path, '\\');
        std::snprintf(out, size, "%s+0x%llX", name ? name + 1 : path,
                      static_cast<unsigned long long>(static_cast<const char*>(address) -
                                                      reinterpret_cast<const char*>(module)));
        return;
    }
    std::snprintf(out, size, "%p", address);
}

// Appends the marked line of the log format (".\TrovelLog.txt").
void LogCrash(const EXCEPTION_POINTERS* exception, const char* program, const char* dump)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char where[MAX_PATH + 32];
    DescribeAddress(exception->ExceptionRecord->ExceptionAddress, where, sizeof where);
    char line[2 * MAX_PATH + 256];
    const int length = std::snprintf(
        line, sizeof line, "%02u/%02u/%02u  %02u:%02u:%02u  |  ***  %s %s crashed: exception 0x%08lX at %s; %s%s\n",
        now.wMonth, now.wDay, now.wYear % 100, now.wHour, now.wMinute, now.wSecond, program, CRASHDUMP_VERSION,
        static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode), where,
        dump[0] ? "dump " : "no dump written", dump);
    HANDLE log = CreateFileA(".\\TrovelLog.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(log, line, static_cast<DWORD>(length < static_cast<int>(sizeof line) ? length : sizeof line - 1),
              &written, nullptr);
    CloseHandle(log);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception)
{
    char folder[MAX_PATH];
    const char* program;
    const char* scope =
        g_scopeSlot != TLS_OUT_OF_INDEXES ? static_cast<const char*>(TlsGetValue(g_scopeSlot)) : nullptr;
    if (scope) {
        program = scope;
        if (!GetCurrentDirectoryA(MAX_PATH, folder))
            folder[0] = '\0';
    } else if (g_program[0]) {
        program = g_program;
        ProgramFolder(folder);
    } else {
        // Not a thread of ours: what the host had installed decides.
        return g_previous ? g_previous(exception) : EXCEPTION_CONTINUE_SEARCH;
    }
    char dump[MAX_PATH] = "";
    WriteCrashDump(exception, program, folder, dump);
    LogCrash(exception, program, dump);
    // On to the platform's own handling, which ends the process.
    return EXCEPTION_CONTINUE_SEARCH;
}

void TestCrashPoint(const char* name)
{
    char wanted[64];
    const DWORD length = GetEnvironmentVariableA("CORVIDA_TEST_CRASH", wanted, sizeof wanted);
    if (length == 0 || length >= sizeof wanted || std::strcmp(wanted, name) != 0)
        return;
    static int* volatile nowhere = nullptr;
    *nowhere = 1;
}

}  // namespace

bool WriteCrashDump(EXCEPTION_POINTERS* exception, const char* program, const char* folder, char* written)
{
    written[0] = '\0';
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, "%s-%s-%04u%02u%02u-%02u%02u%02u.dmp", program, CRASHDUMP_VERSION, now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
    char path[2 * MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\%s", folder, name);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    MINIDUMP_EXCEPTION_INFORMATION info;
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    const BOOL ok = MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                                      exception ? &info : nullptr, nullptr, nullptr);
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path);
        return false;
    }
    std::snprintf(written, MAX_PATH, "%s", name);
    PruneDumps(folder, program);
    return true;
}

void InstallCrashDumps(const char* program)
{
    Lock();
    std::snprintf(g_program, sizeof g_program, "%s", program);
    if (!g_installed) {
        g_previous = SetUnhandledExceptionFilter(CrashFilter);
        g_installed = true;
    }
    LeaveCriticalSection(&g_lock);
    TestCrashPoint(program);
}

CrashDumpScope::CrashDumpScope(const char* program, const char* testName)
{
    Lock();
    if (g_scopeSlot == TLS_OUT_OF_INDEXES)
        g_scopeSlot = TlsAlloc();
    if (g_scopeSlot != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_scopeSlot, const_cast<char*>(program));
    if (g_scopes++ == 0 && !g_installed)
        g_previous = SetUnhandledExceptionFilter(CrashFilter);
    LeaveCriticalSection(&g_lock);
    TestCrashPoint(testName);
}

CrashDumpScope::~CrashDumpScope()
{
    Lock();
    if (g_scopeSlot != TLS_OUT_OF_INDEXES)
        TlsSetValue(g_scopeSlot, nullptr);
    // Puts the host's filter back once no run needs ours, so that nothing points into a
    // library that may be unloaded; a filter installed after ours stays.
    if (--g_scopes == 0 && !g_installed) {
        LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(g_previous);
        if (current != CrashFilter)
            SetUnhandledExceptionFilter(current);
    }
    LeaveCriticalSection(&g_lock);
}
