#pragma once
// Stages the workstation as its set-up leaves it: the program's registry key with its
// flags, and C:\Velmora\Corvida as the working folder. Restores the working folder and
// removes what it staged when it ends.
#include "FieldCatalogue.h"
#include "FileTree.h"
#include "ReportStore.h"
#include "TestSupport.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace workstation {

const char kKey[] = "SOFTWARE\\Velmora\\Corvida";
const char kSiteKey[] = "SOFTWARE\\Velmora\\CorvidaSite";
const char kProgramFolder[] = "C:\\Velmora\\Corvida";

inline void SetValue(const char* key, const std::string& name, const std::string& value)
{
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

inline std::string GetValue(const char* key, const std::string& name)
{
    char buffer[512] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, key, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<absent>";
    return buffer;
}

inline bool KeyExists(const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

inline void CreateKey(const char* key)
{
    HKEY handle;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    RegCloseKey(handle);
}

class Staged {
public:
    Staged()
    {
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        m_previous = cwd;
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSiteKey);
        CreateKey(kKey);
        CreateKey(kSiteKey);
        SetValue(kKey, "First Launch Flag", "1");
        SetValue(kKey, "Reminder at Startup", "1");
        SetValue(kKey, "Reminder by Scheduler", "1");
        SetValue(kKey, "Product", "Aldera 800");
        DeleteFolder(kProgramFolder, false);
        MakeDirs(std::string(kProgramFolder) + "\\Current");
        SetCurrentDirectoryA(kProgramFolder);
    }
    ~Staged()
    {
        SetCurrentDirectoryA(m_previous.c_str());
        // A hidden schtasks run started by the clean-up may still hold the folder as its
        // current folder for a moment.
        for (int i = 0; i < 50 && !(DeleteFolder(kProgramFolder, false) && !FolderExists(kProgramFolder)); ++i)
            Sleep(100);
        RemoveDirectoryA("C:\\Velmora");  // only when nothing else is in it
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSiteKey);
    }
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;

    static std::string Path(const std::string& relative) { return std::string(kProgramFolder) + "\\" + relative; }

private:
    std::string m_previous;
};

// A report that passes Submit's checks: every field filled, customer "Printshop".
inline ReportRecord CompleteReport()
{
    ReportRecord record;
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            record.*field.answer = 1;
        else
            record.*field.text = "x";
    }
    record.CustomerName = "Printshop";
    return record;
}

// The reminders of the workstation set-up.
inline std::string CommonFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

inline bool RunAndWait(const std::string& commandLine)
{
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &start,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

inline std::string TaskFile()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\system32\\tasks\\Installation Report Reminder";
}

inline void CreateReminderTask()
{
    // The task scheduler tool takes the definition as UTF-16LE with a BOM and CR LF lines.
    const char* xml[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>",
        "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">",
        "  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>",
        "  <Actions Context=\"Author\"><Exec><Command>C:\\Velmora\\Corvida\\Corvida.exe</Command></Exec></Actions>",
        "</Task>",
    };
    std::string bytes = "\xFF\xFE";
    for (const char* line : xml) {
        std::string text = std::string(line) + "\r\n";
        for (char c : text) {
            bytes += c;
            bytes += '\0';
        }
    }
    testing_support::WriteFileBytes(Staged::Path("task.xml"), bytes);
    EXPECT_TRUE(RunAndWait("schtasks /create /tn \"Installation Report Reminder\" /xml \"" +
                           Staged::Path("task.xml") + "\" /f"));
    EXPECT_TRUE(testing_support::PathExists(TaskFile()));
}

}  // namespace workstation
