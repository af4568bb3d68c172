#pragma once
// Decides at start-up whether this copy of the program goes on. Two copies started
// together (the set-up places two start-up shortcuts) would each find the other in the
// process list and both quit; a named mutex, created atomically, lets exactly one through.
#include <windows.h>

#include <string>

extern const char* const kInstanceMutexName;

class CInstanceGuard {
public:
    CInstanceGuard() = default;
    ~CInstanceGuard();
    CInstanceGuard(const CInstanceGuard&) = delete;
    CInstanceGuard& operator=(const CInstanceGuard&) = delete;

    // True when this copy may go on. A copy named Corvida.exe (`moduleName`, the bare
    // file name) goes on when it created the mutex, which it then holds until the guard
    // ends; only when the mutex cannot be made at all does the process list decide. A
    // copy under another name is not guarded by the mutex: the process list decides, as
    // it counts Corvida.exe copies only.
    bool Claim(const std::string& moduleName);

private:
    HANDLE m_mutex = nullptr;
};

// The bare file name of this process's executable.
std::string OwnModuleName();
