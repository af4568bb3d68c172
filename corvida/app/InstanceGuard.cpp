#include "InstanceGuard.h"

#include "CorvidaApp.h"
#include "ProcessList.h"
#include "Text.h"

const char* const kProgramExe = "Corvida.exe";

// Global: the process list that the guard has always used spans every session, too.
const char* const kInstanceMutexName = "Global\\Velmora Corvida single instance";

CInstanceGuard::~CInstanceGuard()
{
    if (m_mutex)
        CloseHandle(m_mutex);
}

bool CInstanceGuard::Claim(const std::string& moduleName)
{
    if (ToLower(moduleName) != ToLower(kProgramExe))
        return !IsAlreadyRunning(kProgramExe);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
    const DWORD error = GetLastError();
    if (mutex != nullptr && error != ERROR_ALREADY_EXISTS) {
        m_mutex = mutex;
        return true;
    }
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return false;
    }
    // Made by a copy of another user, whose mutex this one may not open.
    if (error == ERROR_ACCESS_DENIED)
        return false;
    return !IsAlreadyRunning(kProgramExe);
}

std::string OwnModuleName()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length);
    size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}
