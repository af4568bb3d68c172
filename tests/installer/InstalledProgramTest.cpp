// The installed set-up together with the report program: the program as its desktop
// shortcut starts it, and the program's own clean-up after a submission followed by the
// uninstaller. Every test starts from a workstation without the set-up and leaves it so.
#include "InstallerSupport.h"

#include "Submission.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <ctime>
#include <cstdio>
#include <string>

using namespace testing_support;
using namespace installer_support;

namespace {

const int kProductControl = 1013;  // the model on the customer page

std::string Installed(const std::string& relative)
{
    return std::string(kInstallDir) + "\\" + relative;
}

std::string Today()
{
    std::time_t now = std::time(nullptr);
    char text[16];
    std::strftime(text, sizeof(text), "%Y-%m-%d", std::localtime(&now));
    return text;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

// The visible top-level dialog of a process.
HWND MainWindowOf(DWORD processId)
{
    WindowSearch search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            char cls[32] = {};
            GetClassNameA(window, cls, sizeof(cls));
            if (owner == s->processId && IsWindowVisible(window) && std::string(cls) == "#32770") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND DescendantWithId(HWND parent, int id)
{
    WindowSearch search{static_cast<DWORD>(id), nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(param);
            if (GetDlgCtrlID(window) == static_cast<int>(s->processId)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A control's text as the program holds it (GetWindowText does not ask another process).
std::string TextOf(HWND window)
{
    char text[256] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &ignored);
    return text;
}

// Starts what a shortcut file names, as the shell does on a double click: its target
// with its arguments, in its working directory.
HANDLE StartAsShortcutStarts(const std::string& path)
{
    Shortcut link = ReadShortcut(path);
    if (!link.loaded)
        return nullptr;
    std::string line = "\"" + link.target + "\" " + link.arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(link.target.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        link.folder.empty() ? nullptr : link.folder.c_str(), &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

using InstalledProgramTest = WorkstationSetUpTest;

TEST_F(InstalledProgramTest, DesktopShortcutOpensTheProgramWithTheDetectedProductInItsFolder)
{
    ASSERT_EQ(0, RunInstaller("\"/PRODUCT=Aldera 800\""));

    HANDLE program = StartAsShortcutStarts(ShortcutPath(kShortcuts[0]));
    ASSERT_NE(nullptr, program) << "the desktop shortcut does not start anything";
    ASSERT_EQ(0u, WaitForInputIdle(program, 20000)) << "the program shows no window";
    HWND main = MainWindowOf(GetProcessId(program));
    ASSERT_NE(nullptr, main);

    EXPECT_EQ("Corvida - Customer information", TextOf(main));
    HWND product = DescendantWithId(main, kProductControl);
    ASSERT_NE(nullptr, product);
    EXPECT_EQ("Aldera 800", TextOf(product));
    // Relative paths resolve in the program's folder, and the first launch is booked.
    EXPECT_TRUE(PathExists(Installed("Data")));
    EXPECT_EQ("0", RegString(kStateKey, "First Launch Flag").value_or("(missing)"));
    EXPECT_EQ(Today(), RegString(kStateKey, "Reminder First Launch Date").value_or("(missing)"));

    // While it runs, a reinstall (here to another model) and the uninstaller stop before
    // changing anything.
    ScratchDir site("in use");
    WriteFileBytes(site / "site.ini", "[Tessaro 400]\r\nPackageName=Workstation\r\n");
    const std::string programBytes = ReadFileBytes(Installed("Corvida.exe"));
    EXPECT_EQ(5, RunInstaller("\"/PRODUCT=Tessaro 400\" /CONFIG=" + site / "site.ini"));
    EXPECT_EQ(5, RunUninstaller(""));
    EXPECT_EQ("Aldera 800", RegString(kStateKey, "Product").value_or("(missing)"));
    EXPECT_TRUE(programBytes == ReadFileBytes(Installed("Corvida.exe")));
    for (const ShortcutPlace& place : kShortcuts)
        EXPECT_TRUE(PathExists(ShortcutPath(place))) << ShortcutPath(place);

    PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(program, 20000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not close";
        TerminateProcess(program, 1);
        WaitForSingleObject(program, 5000);
    }
    CloseHandle(program);
}

TEST_F(InstalledProgramTest, AfterTheProgramsCleanUpTheUninstallerStillRunsCleanly)
{
    ASSERT_EQ(0, RunInstaller(""));
    ASSERT_TRUE(MakeFolder(Installed("Data")));
    WriteFileBytes(Installed("Data\\Corvidadata.ini"), "[GroupCustomer]\r\nCustomerRegion=Europe\r\n");

    // What a submission does in the program's folder once the report has been sent.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(kInstallDir));
    CCollector collector;
    collector.PrepareCollectorConfiguration();
    EXPECT_TRUE(PathExists(Installed("Current\\Current_Package_Workstation.ini")))
        << "the installed package is the one a submission uses";
    collector.CompleteSubmission();
    SetCurrentDirectoryA(previous);
    WaitForProcessesNamed("schtasks.exe");  // the program does not wait for it

    for (const ShortcutPlace& place : kShortcuts)
        EXPECT_FALSE(PathExists(ShortcutPath(place))) << ShortcutPath(place);
    EXPECT_FALSE(PathExists(TaskFile()));
    EXPECT_FALSE(PathExists(Installed("Data")));
    EXPECT_EQ("0", RegString(kStateKey, "Reminder at Startup").value_or("(missing)"));
    EXPECT_EQ("1", RegString(kStateKey, "Data Submission Completed").value_or("(missing)"));

    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ("", LeftOverItems());
    EXPECT_FALSE(PathExists("C:\\Velmora"));
}

}  // namespace
