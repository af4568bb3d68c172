#include "ProcessList.h"

#include "Text.h"

#include <tlhelp32.h>
#include <winperf.h>

#include <cstring>

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* Process32Fn)(HANDLE, LPPROCESSENTRY32);
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, LPDWORD);

// The functions each method needs, looked up by name once per process: not every
// platform version carries all of them.
struct ProcessApi {
    CreateSnapshotFn createSnapshot = nullptr;
    Process32Fn process32First = nullptr;
    Process32Fn process32Next = nullptr;
    bool toolhelp = false;

    HMODULE psapi = nullptr;
    bool loadedPsapi = false;
    EnumProcessesFn enumProcesses = nullptr;
    GetModuleFileNameExFn getModuleFileNameEx = nullptr;
    EnumProcessModulesFn enumProcessModules = nullptr;
    bool psapiAvailable = false;

    ProcessApi()
    {
        HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
        if (kernel != nullptr) {
            createSnapshot = reinterpret_cast<CreateSnapshotFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
            process32First = reinterpret_cast<Process32Fn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "Process32First")));
            process32Next = reinterpret_cast<Process32Fn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "Process32Next")));
        }
        toolhelp = createSnapshot && process32First && process32Next;

        psapi = GetModuleHandleA("PSAPI.DLL");
        if (psapi == nullptr) {
            psapi = LoadLibraryA("PSAPI.DLL");
            loadedPsapi = psapi != nullptr;
        }
        if (psapi != nullptr) {
            enumProcesses = reinterpret_cast<EnumProcessesFn>(
                reinterpret_cast<void*>(GetProcAddress(psapi, "EnumProcesses")));
            getModuleFileNameEx = reinterpret_cast<GetModuleFileNameExFn>(
                reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExA")));
            enumProcessModules = reinterpret_cast<EnumProcessModulesFn>(
                reinterpret_cast<void*>(GetProcAddress(psapi, "EnumProcessModules")));
        }
        psapiAvailable = enumProcesses && getModuleFileNameEx && enumProcessModules;
    }

    ~ProcessApi()
    {
        if (loadedPsapi)
            FreeLibrary(psapi);
    }
};

ProcessApi& Api()
{
    static ProcessApi api;
    return api;
}

}  // namespace

CProcessEntry::CProcessEntry(DWORD id, const std::string& name, HANDLE handle)
    : m_dwId(id), m_strName(name), m_hProcess(handle)
{
    if (m_hProcess == nullptr && id != 0)
        m_hProcess = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
}

CProcessEntry::~CProcessEntry()
{
    if (m_hProcess != nullptr)
        CloseHandle(m_hProcess);
}

const CProcessEntry* CProcessList::Next()
{
    if (m_nPosition >= m_entries.size())
        return nullptr;
    return m_entries[m_nPosition++].get();
}

void CProcessList::Clear()
{
    m_entries.clear();
    m_nPosition = 0;
}

void CProcessList::Add(DWORD id, const std::string& name, HANDLE handle)
{
    m_entries.push_back(std::make_unique<CProcessEntry>(id, name, handle));
}

bool CToolhelpProcessList::Refresh()
{
    Clear();
    ProcessApi& api = Api();
    if (!api.toolhelp)
        return false;
    HANDLE snapshot = api.createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    BOOL ok = api.process32First(snapshot, &entry);
    while (ok) {
        Add(entry.th32ProcessID, entry.szExeFile);
        entry.dwSize = sizeof(entry);
        ok = api.process32Next(snapshot, &entry);
    }
    if (GetLastError() != ERROR_NO_MORE_FILES)
        OutputDebugStringA("Process32(First|Next) function failed\n");
    CloseHandle(snapshot);
    return true;
}

bool CPsapiProcessList::Refresh()
{
    Clear();
    ProcessApi& api = Api();
    if (!api.psapiAvailable)
        return false;
    std::vector<DWORD> ids(10000);
    DWORD bytes = 0;
    if (!api.enumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes))
        return false;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        DWORD id = ids[i];
        HANDLE process = id != 0 ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id) : nullptr;
        std::string name;
        if (process != nullptr) {
            std::vector<HMODULE> modules(2000);
            DWORD needed = 0;
            if (api.enumProcessModules(process, modules.data(),
                                       static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed)) {
                char path[MAX_PATH + 1] = {};
                api.getModuleFileNameEx(process, modules[0], path, MAX_PATH);
                name = path;
            }
        }
        Add(id, name, process);
    }
    return true;
}

bool CPerfDataProcessList::Refresh()
{
    Clear();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows nt\\currentversion\\perflib\\009", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        OutputDebugStringA("RegOpenKeyEx() failed");
        return false;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, "Counters", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        OutputDebugStringA("RegQueryValueEx() failed");
        RegCloseKey(key);
        return false;
    }
    std::vector<char> counters(size + 2, '\0');
    RegQueryValueExA(key, "Counters", nullptr, nullptr, reinterpret_cast<BYTE*>(counters.data()), &size);

    // Pairs of strings: index, name.
    std::string objectIndex;
    DWORD idCounterIndex = 0;
    std::string previous;
    for (const char* p = counters.data(); *p && p < counters.data() + size; p += std::strlen(p) + 1) {
        std::string text = p;
        if (ToLower(text) == "process")
            objectIndex = previous;
        else if (text == "ID Process")
            idCounterIndex = static_cast<DWORD>(std::strtoul(previous.c_str(), nullptr, 10));
        previous = text;
    }

    DWORD bufferSize = 51200;
    std::vector<BYTE> data;
    for (;;) {
        data.assign(bufferSize, 0);
        DWORD got = bufferSize;
        LONG status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, objectIndex.c_str(), nullptr, nullptr, data.data(), &got);
        if (status == ERROR_MORE_DATA) {
            bufferSize = got + 25600;
            continue;
        }
        if (status != ERROR_SUCCESS || got == 0 || std::memcmp(data.data(), L"PERF", 8) != 0) {
            RegCloseKey(key);
            return false;
        }
        break;
    }

    auto* block = reinterpret_cast<PERF_DATA_BLOCK*>(data.data());
    auto* object = reinterpret_cast<PERF_OBJECT_TYPE*>(data.data() + block->HeaderLength);
    auto* counter = reinterpret_cast<PERF_COUNTER_DEFINITION*>(reinterpret_cast<BYTE*>(object) + object->HeaderLength);
    DWORD idOffset = 0;
    for (DWORD i = 0; i < object->NumCounters; ++i) {
        if (counter->CounterNameTitleIndex == idCounterIndex)
            idOffset = counter->CounterOffset;
        counter = reinterpret_cast<PERF_COUNTER_DEFINITION*>(reinterpret_cast<BYTE*>(counter) + counter->ByteLength);
    }
    auto* instance = reinterpret_cast<PERF_INSTANCE_DEFINITION*>(reinterpret_cast<BYTE*>(object) + object->DefinitionLength);
    for (LONG i = 0; i < object->NumInstances; ++i) {
        auto* name = reinterpret_cast<const wchar_t*>(reinterpret_cast<BYTE*>(instance) + instance->NameOffset);
        char narrow[MAX_PATH] = {};
        int converted = WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof(narrow), nullptr, nullptr);
        auto* counters = reinterpret_cast<PERF_COUNTER_BLOCK*>(reinterpret_cast<BYTE*>(instance) + instance->ByteLength);
        DWORD id = *reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(counters) + idOffset);
        if (converted != 0 && id != 0)
            Add(id, std::string(narrow) + ".exe");
        instance = reinterpret_cast<PERF_INSTANCE_DEFINITION*>(reinterpret_cast<BYTE*>(counters) + counters->ByteLength);
    }
    RegCloseKey(key);
    return true;
}

std::unique_ptr<CProcessList> CreateProcessList(ProcessListMethod method)
{
    std::unique_ptr<CProcessList> list;
    switch (method) {
    case ProcessListMethod::Toolhelp:
        OutputDebugStringA("creating a process list using the toolhelp32 library\n");
        list = std::make_unique<CToolhelpProcessList>();
        break;
    case ProcessListMethod::Psapi:
        OutputDebugStringA("creating a process list using the PSAPI.dll\n");
        list = std::make_unique<CPsapiProcessList>();
        break;
    case ProcessListMethod::PerfData:
        OutputDebugStringA("creating a process list using the NT performance database\n");
        list = std::make_unique<CPerfDataProcessList>();
        break;
    }
    list->Refresh();
    return list;
}

std::unique_ptr<CProcessList> CreateProcessList()
{
    ProcessApi& api = Api();
    if (api.toolhelp)
        return CreateProcessList(ProcessListMethod::Toolhelp);
    if (api.psapiAvailable)
        return CreateProcessList(ProcessListMethod::Psapi);
    return CreateProcessList(ProcessListMethod::PerfData);
}

int CountProcesses(CProcessList& list, const std::string& exeName)
{
    std::string wanted = ToLower(exeName);
    int count = 0;
    while (const CProcessEntry* entry = list.Next())
        if (ToLower(entry->Name()) == wanted)
            ++count;
    return count;
}

bool IsAlreadyRunning(const std::string& exeName)
{
    std::unique_ptr<CProcessList> list = CreateProcessList();
    return CountProcesses(*list, exeName) >= 2;
}
