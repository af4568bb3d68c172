#include "InstallerSupport.h"

#include "FileTree.h"
#include "Text.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

namespace installer_support {

const char* const kInstallDir = "C:\\Velmora\\Corvida";
const char* const kStateKey = "SOFTWARE\\Velmora\\Corvida";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvida";
const char* const kTaskName = "Installation Report Reminder";

const ShortcutPlace kShortcuts[5] = {
    {CSIDL_COMMON_DESKTOPDIRECTORY, "Corvida"},
    {CSIDL_COMMON_STARTMENU, "Corvida"},
    {CSIDL_COMMON_PROGRAMS, "Corvida"},
    {CSIDL_COMMON_STARTUP, "Reminder Corvida"},
    {CSIDL_COMMON_STARTUP, "Installation Report Reminder"},
};

int RunProgram(const std::string& commandLine, const std::string& folder, unsigned timeoutMs)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int RunInstaller(const std::string& options)
{
    return RunProgram(std::string("\"") + INSTALLER_EXE + "\" /S " + options);
}

int RunUninstaller(const std::string& options)
{
    // As a deployment tool starts it: the installed launcher waits for the removal and
    // returns its exit code.
    const int code = RunProgram(std::string("\"") + kInstallDir + "\\Uninstall.exe\" /S " + options);
    // The launcher itself and the folder go a moment after its end, removed by a copy of
    // the uninstaller that waits for it.
    WaitForProcessesNamed("Corvida-Uninstall-cleanup.exe");
    return code;
}

void WaitForProcessesNamed(const std::string& exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (ToLower(entry.szExeFile) != ToLower(exeName))
            continue;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process) {
            WaitForSingleObject(process, 60000);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

std::optional<std::string> RegString(const char* key, const char* name)
{
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}

bool SetRegString(const char* key, const char* name, const char* value)
{
    return RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value,
                           static_cast<DWORD>(strlen(value) + 1)) == ERROR_SUCCESS;
}

bool KeyExists(const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string ShortcutPath(const ShortcutPlace& place)
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, place.commonFolder, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\" + place.name + ".lnk";
}

Shortcut ReadShortcut(const std::string& path)
{
    Shortcut result;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(path.begin(), path.end());
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
            char text[MAX_PATH] = {};
            result.loaded = true;
            if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
                result.target = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                result.folder = text;
            text[0] = '\0';
            if (SUCCEEDED(link->GetArguments(text, MAX_PATH)))
                result.arguments = text;
        }
        file->Release();
    }
    link->Release();
    return result;
}

std::string TaskFile()
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\tasks\\" + kTaskName;
}

std::string FileVersion(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return "";
    std::string data(size, '\0');
    if (!GetFileVersionInfoA(path.c_str(), 0, size, &data[0]))
        return "";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

std::vector<BuiltProgram> BuiltPrograms()
{
#ifndef BUILT_CORVIDA
#define BUILT_CORVIDA ""
#endif
#ifndef BUILT_TROVELLIB
#define BUILT_TROVELLIB ""
#endif
#ifndef BUILT_TROVEL
#define BUILT_TROVEL ""
#endif
    return {
        {"Corvida.exe", BUILT_CORVIDA},
        {"TrovelLib.dll", BUILT_TROVELLIB},
        {"trovel.exe", BUILT_TROVEL},
    };
}

bool MakeFolder(const std::string& path)
{
    MakeDirs(path);
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LeftOverItems()
{
    std::string items;
    auto note = [&items](bool present, const std::string& what) {
        if (present)
            items += (items.empty() ? "" : ", ") + what;
    };
    note(KeyExists(kStateKey), std::string("HKLM\\") + kStateKey);
    note(KeyExists(kUninstallKey), std::string("HKLM\\") + kUninstallKey);
    note(GetFileAttributesA(kInstallDir) != INVALID_FILE_ATTRIBUTES, kInstallDir);
    for (const ShortcutPlace& place : kShortcuts)
        note(GetFileAttributesA(ShortcutPath(place).c_str()) != INVALID_FILE_ATTRIBUTES, ShortcutPath(place));
    note(GetFileAttributesA(TaskFile().c_str()) != INVALID_FILE_ATTRIBUTES, "task " + std::string(kTaskName));
    return items;
}

// Ends copies of the installed program that a failed test left open (only those started
// from the program folder).
void EndInstalledPrograms()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    const std::string installed = ToLower(std::string(kInstallDir) + "\\");
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                     FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        char image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameA(process, 0, image, &size) &&
            ToLower(image).compare(0, installed.size(), installed) == 0) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 10000);
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

void RemoveWorkstationSetUp()
{
    EndInstalledPrograms();
    if (GetFileAttributesA((std::string(kInstallDir) + "\\Uninstall.exe").c_str()) != INVALID_FILE_ATTRIBUTES)
        RunUninstaller("/REMOVEDATA");
    // Whatever a failed test left behind.
    DeleteFolder(kInstallDir, false);
    RemoveDirectoryA("C:\\Velmora");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kStateKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Velmora");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    for (const ShortcutPlace& place : kShortcuts)
        DeleteFileA(ShortcutPath(place).c_str());
    if (GetFileAttributesA(TaskFile().c_str()) != INVALID_FILE_ATTRIBUTES)
        RunProgram(std::string("schtasks /delete /tn \"") + kTaskName + "\" /f");
}

void WorkstationSetUpTest::SetUpTestSuite()
{
    CoInitialize(nullptr);  // shortcuts are read through the shell's COM objects
}

void WorkstationSetUpTest::TearDownTestSuite()
{
    CoUninitialize();
}

void WorkstationSetUpTest::SetUp()
{
    const std::string left = LeftOverItems();
    if (!left.empty()) {
        std::printf("removing what an earlier run left: %s\n", left.c_str());
        RemoveWorkstationSetUp();
    }
    ASSERT_EQ("", LeftOverItems()) << "the prefix holds parts of a workstation set-up";
}

void WorkstationSetUpTest::TearDown()
{
    RemoveWorkstationSetUp();
}

}  // namespace installer_support
