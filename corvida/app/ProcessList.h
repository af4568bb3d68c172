#pragma once
// Running processes with their executable names, by whichever of the platform's three
// methods (tool-help, PSAPI, performance data) is present.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CProcessEntry {
public:
    // Without a handle and with a non-zero id, the process is opened for querying.
    CProcessEntry(DWORD id, const std::string& name, HANDLE handle = nullptr);
    ~CProcessEntry();
    CProcessEntry(const CProcessEntry&) = delete;
    CProcessEntry& operator=(const CProcessEntry&) = delete;

    DWORD Id() const { return m_dwId; }
    const std::string& Name() const { return m_strName; }
    HANDLE Handle() const { return m_hProcess; }

private:
    DWORD m_dwId;
    std::string m_strName;
    HANDLE m_hProcess;
};

class CProcessList {
public:
    virtual ~CProcessList() = default;
    // Empties the list, restarts the walk and fills the list again.
    virtual bool Refresh() = 0;
    // The next entry (owned by the list), or nullptr at the end.
    virtual const CProcessEntry* Next();

protected:
    void Clear();
    void Add(DWORD id, const std::string& name, HANDLE handle = nullptr);

    std::vector<std::unique_ptr<CProcessEntry>> m_entries;
    size_t m_nPosition = 0;
};

class CToolhelpProcessList : public CProcessList {
public:
    bool Refresh() override;
};

class CPsapiProcessList : public CProcessList {
public:
    bool Refresh() override;
};

class CPerfDataProcessList : public CProcessList {
public:
    bool Refresh() override;
};

enum class ProcessListMethod { Toolhelp, Psapi, PerfData };

// The list of the first available method (refreshed once); the caller owns it.
std::unique_ptr<CProcessList> CreateProcessList();
// A list of a given method, for tests of each method.
std::unique_ptr<CProcessList> CreateProcessList(ProcessListMethod method);

// True when two or more running processes have the executable file name `exeName`
// (compared whole, case-insensitively).
bool IsAlreadyRunning(const std::string& exeName);
// The same over an already filled list.
int CountProcesses(CProcessList& list, const std::string& exeName);
