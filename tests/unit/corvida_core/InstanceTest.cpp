#include "CorvidaApp.h"
#include "Dates.h"
#include "TestSupport.h"
#include "Workstation.h"

#include <gtest/gtest.h>

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;
using namespace workstation;

namespace {

const std::string kProbe = std::string(TEST_BINARY_DIR) + "\\" + PROBE_DIR_REL + "\\" + PROBE_EXE;
const std::string kBuiltProgram = std::string(TEST_BINARY_DIR) + "\\" + CORVIDA_DIR_REL + "\\Corvida.exe";
const std::string kBuiltLibrary = std::string(TEST_BINARY_DIR) + "\\" + TROVEL_DIR_REL + "\\TrovelLib.dll";

// The program as the set-up installs it: Corvida.exe with the collector library beside it.
std::string InstallProgram(const std::string& folder)
{
    CopyFileA(kBuiltLibrary.c_str(), (folder + "\\TrovelLib.dll").c_str(), FALSE);
    CopyFileA(kBuiltProgram.c_str(), (folder + "\\Corvida.exe").c_str(), FALSE);
    return folder + "\\Corvida.exe";
}

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
    ~Process()
    {
        if (handle)
            CloseHandle(handle);
    }
};

bool Start(const std::string& exe, const std::string& arguments, const std::string& folder, Process& process)
{
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + exe + "\" " + arguments;
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &start, &info))
        return false;
    CloseHandle(info.hThread);
    process.handle = info.hProcess;
    process.id = info.dwProcessId;
    return true;
}

// Exit code, or -1 when the process did not end in time.
int WaitExit(Process& process, DWORD timeoutMs = 20000)
{
    if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
    return static_cast<int>(code);
}

int Count(const std::string& exe, const std::string& folder)
{
    Process counter;
    if (!Start(exe, "count", folder, counter))
        return -2;
    return WaitExit(counter);
}

// A copy of the probe under the name Corvida.exe that stays until released.
class Holder {
public:
    explicit Holder(const std::string& folder)
        : m_event(CreateEventA(nullptr, TRUE, FALSE, "CorvidaInstanceTestHold"))
    {
        ResetEvent(m_event);
        m_exe = folder + "\\Corvida.exe";
        CopyFileA(kProbe.c_str(), m_exe.c_str(), FALSE);
        m_started = Start(m_exe, "hold CorvidaInstanceTestHold", folder, m_process);
        Sleep(300);  // let it reach its wait
    }
    ~Holder()
    {
        Release();
        CloseHandle(m_event);
    }
    bool Started() const { return m_started; }
    int Release()
    {
        SetEvent(m_event);
        return m_started ? WaitExit(m_process) : -1;
    }

private:
    HANDLE m_event;
    std::string m_exe;
    Process m_process;
    bool m_started = false;
};

TEST(SingleInstance, SecondProcessNamedCorvidaIsDetected)
{
    ScratchDir dir("instance");
    CreateDirectoryA((dir / "a").c_str(), nullptr);
    CreateDirectoryA((dir / "b").c_str(), nullptr);
    const std::string second = dir / "b\\Corvida.exe";
    const std::string other = dir / "b\\Other.exe";
    ASSERT_TRUE(CopyFileA(kProbe.c_str(), second.c_str(), FALSE)) << kProbe;
    ASSERT_TRUE(CopyFileA(kProbe.c_str(), other.c_str(), FALSE));

    EXPECT_EQ(Count(second, dir.Path()), 0) << "alone: it finds only itself";
    {
        Holder first(dir / "a");
        ASSERT_TRUE(first.Started());
        EXPECT_EQ(Count(second, dir.Path()), 1) << "a second Corvida.exe sees the first";
        EXPECT_EQ(Count(other, dir.Path()), 0) << "a copy under another name counts only one Corvida.exe";
        EXPECT_EQ(first.Release(), 0);
    }
    EXPECT_EQ(Count(second, dir.Path()), 0);
}

BOOL CALLBACK FindBox(HWND window, LPARAM parameter)
{
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    // The box counts once it shows its text (it is found while it is still being built).
    if (owner == found->first && std::string(className) == "#32770" && IsWindowVisible(window) &&
        GetDlgItem(window, 0xFFFF) != nullptr && GetWindowTextLengthA(GetDlgItem(window, 0xFFFF)) > 0) {
        found->second = window;
        return FALSE;
    }
    return TRUE;
}

TEST(SingleInstance, ProgramRefusesASecondCopyWithTheWarning)
{
    ScratchDir dir("instance_program");
    CreateDirectoryA((dir / "a").c_str(), nullptr);
    Holder first(dir / "a");
    ASSERT_TRUE(first.Started());

    CreateDirectoryA((dir / "b").c_str(), nullptr);
    const std::string programExe = InstallProgram(dir / "b");
    Process program;
    ASSERT_TRUE(Start(programExe, "", dir.Path(), program)) << programExe;
    std::pair<DWORD, HWND> box(program.id, nullptr);
    for (int i = 0; i < 100 && box.second == nullptr; ++i) {
        Sleep(100);
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    }
    if (box.second == nullptr) {
        TerminateProcess(program.handle, 1);
        WaitExit(program);
    }
    ASSERT_NE(box.second, nullptr) << "no message box appeared";
    char title[64] = {}, text[256] = {};
    GetWindowTextA(box.second, title, sizeof title);
    GetDlgItemTextA(box.second, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(title, "Warning");
    EXPECT_STREQ(text, "Corvida is already running");
    PostMessageA(box.second, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WaitExit(program), 0);
    EXPECT_FALSE(PathExists(dir / "Data")) << "the refused copy does no start-up work";
}

// The visible top-level dialogs of one process: its message box (the already-running
// warning) and its main window.
struct ProcessWindows {
    DWORD id = 0;
    HWND box = nullptr;
    HWND main = nullptr;
};

BOOL CALLBACK FindProcessWindows(HWND window, LPARAM parameter)
{
    auto* found = reinterpret_cast<ProcessWindows*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner != found->id || std::string(className) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    HWND text = GetDlgItem(window, 0xFFFF);
    // The box counts once it shows its text (it is found while it is still being built).
    if (std::string(title) != "Warning")
        found->main = window;
    else if (text != nullptr && GetWindowTextLengthA(text) > 0)
        found->box = window;
    return TRUE;
}

ProcessWindows WindowsOf(DWORD id)
{
    ProcessWindows found;
    found.id = id;
    EnumWindows(FindProcessWindows, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

TEST(SingleInstance, TwoCopiesStartedTogetherLeaveExactlyOne)
{
    // As at log-on with both start-up shortcuts: two copies of the program at once, both
    // created suspended and then let go together.
    Staged staged;
    const std::string exe = InstallProgram(kProgramFolder);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Process copies[2];
        HANDLE threads[2] = {};
        for (int i = 0; i < 2; ++i) {
            STARTUPINFOA start = {};
            start.cb = sizeof start;
            PROCESS_INFORMATION info = {};
            std::string line = "\"" + exe + "\"";
            ASSERT_TRUE(CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                       kProgramFolder, &start, &info));
            copies[i].handle = info.hProcess;
            copies[i].id = info.dwProcessId;
            threads[i] = info.hThread;
        }
        for (HANDLE thread : threads) {
            ResumeThread(thread);
            CloseHandle(thread);
        }

        // Each copy ends up either with its main window or with the warning.
        ProcessWindows seen[2];
        const bool settled = WaitUntil(
            [&] {
                for (int i = 0; i < 2; ++i)
                    seen[i] = WindowsOf(copies[i].id);
                return (seen[0].box || seen[0].main) && (seen[1].box || seen[1].main);
            },
            20000);
        int boxes = 0, mains = 0;
        for (const ProcessWindows& windows : seen) {
            boxes += windows.box != nullptr;
            mains += windows.main != nullptr;
        }
        EXPECT_TRUE(settled);
        EXPECT_EQ(mains, 1) << "exactly one copy opens its window";
        EXPECT_EQ(boxes, 1) << "the other shows the already-running warning";
        for (int i = 0; i < 2; ++i) {
            if (seen[i].box && !seen[i].main) {
                char text[256] = {};
                GetDlgItemTextA(seen[i].box, 0xFFFF, text, sizeof text);
                EXPECT_STREQ(text, "Corvida is already running");
                PostMessageA(seen[i].box, WM_COMMAND, IDOK, 0);
                EXPECT_EQ(WaitExit(copies[i]), 0) << "the refused copy ends";
            }
        }
        for (Process& copy : copies) {
            if (WaitForSingleObject(copy.handle, 0) == WAIT_TIMEOUT) {
                TerminateProcess(copy.handle, 0);
                WaitExit(copy);
            }
        }
        if (HasFailure())
            break;
    }
}

TEST(Startup, ProgramAloneDoesItsBookkeepingBeforeTheWindow)
{
    Staged staged;
    Process program;
    ASSERT_TRUE(Start(InstallProgram(kProgramFolder), "", kProgramFolder, program));
    // Without the window layer the program ends after the bookkeeping; with it, the main
    // window opens afterwards and this test ends the process itself.
    for (int i = 0; i < 100 && GetValue(kKey, "First Launch Flag") != "0"; ++i)
        if (WaitForSingleObject(program.handle, 100) == WAIT_OBJECT_0)
            break;
    if (WaitExit(program, 2000) == -1) {
        TerminateProcess(program.handle, 0);
        WaitExit(program);
    }
    EXPECT_TRUE(PathExists(Staged::Path("Data"))) << ".\\Data\\ is created at start-up";
    EXPECT_EQ(GetValue(kKey, "First Launch Flag"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder First Launch Date"), TodayDateText());
}

TEST(Startup, DeveloperMachineSeedsAMissingReportOnly)
{
    Staged staged;
    EXPECT_TRUE(IsDeveloperMachineName("LAB-90521-07"));
    EXPECT_FALSE(IsDeveloperMachineName("VM"));
    EXPECT_FALSE(IsDeveloperMachineName("9052-1"));

    MakeDirs(".\\Dataini");
    MakeDirs(".\\Data");
    WriteFileBytes(".\\Dataini\\Corvidadata.ini", "[GroupCustomer]\r\nCustomerName=Seed\r\n");
    SeedDeveloperReport(false);
    EXPECT_FALSE(PathExists(".\\Data\\Corvidadata.ini")) << "not a developer machine";
    SeedDeveloperReport(true);
    EXPECT_EQ(ReadFileBytes(".\\Data\\Corvidadata.ini"), "[GroupCustomer]\r\nCustomerName=Seed\r\n");
    WriteFileBytes(".\\Data\\Corvidadata.ini", "mine");
    SeedDeveloperReport(true);
    EXPECT_EQ(ReadFileBytes(".\\Data\\Corvidadata.ini"), "mine") << "an existing report is never overwritten";
}

}  // namespace
