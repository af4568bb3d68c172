#include "CollectorLibrary.h"
#include "FtpServer.h"
#include "PendingSubmission.h"
#include "SubmissionWorker.h"
#include "TestSupport.h"
#include "Workstation.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using testing_support::FtpServer;
using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RunHost;
using testing_support::UnixPath;
using testing_support::WriteFileBytes;
using namespace workstation;

namespace {

// The zip archives below an FTP server folder.
std::vector<std::string> Archives(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.zip").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class SubmitEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_library = LoadLibraryA(TROVEL_DLL_PATH);
        ASSERT_NE(m_library, nullptr) << TROVEL_DLL_PATH;
        CollectorLibrary library{};
        library.runFileCollectionSilent = reinterpret_cast<decltype(library.runFileCollectionSilent)>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "runFileCollectionSilent")));
        library.getFileCollectionStatus = reinterpret_cast<decltype(library.getFileCollectionStatus)>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "getFileCollectionStatus")));
        ASSERT_TRUE(library.runFileCollectionSilent && library.getFileCollectionStatus);
        SetCollectorLibrary(library);

        // The site: the model's section, its package, a saved report and the reminders.
        SetValue(kSiteKey, "Serial", "AL800-E2E");
        WriteFileBytes(".\\Corvida.ini",
                       "[Corvida INFO]\r\nINIVersion=e2e\r\n"
                       "[Aldera 800]\r\nSerialNumber=HKLM\\SOFTWARE\\Velmora\\CorvidaSite\\Serial\r\n"
                       "FTP Path=127.0.0.40\\incoming\r\nPackageName=Report\r\nReliquaRequired=NO\r\n");
        WriteFileBytes(".\\Current\\Package_Report.ini",
                       "[Package Version]\r\nversion=1\r\n[FILES]\r\n0)Filenum=1\r\n0)Recursive=0\r\n"
                       "0)Directory=%CURRENTDIR%\\Data\r\n0)FileFormat=Corvidadata.ini\r\n"
                       "[REGISTRY]\r\n0)HKEY=HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\Corvida\r\n");
        WriteFileBytes(".\\Log Corvida.txt", "trace");
        MakeDirs(".\\Data");
        WriteFileBytes(".\\Data\\Corvidadata.ini",
                       "[GroupCustomer]\r\nCustomerName=Printshop\r\nCustomerRegion=Europe\r\n"
                       "[GroupProduct]\r\nProductType=Aldera 800\r\nProductSerialNumber=AL800-E2E\r\n");
        for (int csidl : {CSIDL_COMMON_STARTUP, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU,
                          CSIDL_COMMON_PROGRAMS})
            MakeDirs(CommonFolder(csidl));
        m_shortcuts = {CommonFolder(CSIDL_COMMON_STARTUP) + "\\Reminder Corvida.lnk",
                       CommonFolder(CSIDL_COMMON_STARTUP) + "\\Installation Report Reminder.lnk",
                       CommonFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Corvida.lnk",
                       CommonFolder(CSIDL_COMMON_STARTMENU) + "\\Corvida.lnk",
                       CommonFolder(CSIDL_COMMON_PROGRAMS) + "\\Corvida.lnk"};
        for (const std::string& path : m_shortcuts)
            WriteFileBytes(path, "shortcut");
        CreateReminderTask();
    }
    void TearDown() override
    {
        SetCollectorLibrary(CollectorLibrary{nullptr, nullptr});
        for (const std::string& path : m_shortcuts)
            DeleteFileA(path.c_str());
        RunAndWait("schtasks /delete /tn \"Installation Report Reminder\" /f");
        if (m_library)
            FreeLibrary(m_library);
    }

    Staged m_staged;
    HMODULE m_library = nullptr;
    std::vector<std::string> m_shortcuts;
};

TEST_F(SubmitEndToEnd, SentReportLeavesNoTraceOnTheWorkstation)
{
    FtpServer server("127.0.0.40", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());

    SubmissionResult result;
    result.mode = CheckBackupFirst;  // "NO": no backup needed
    RunSubmissionWorker(result);
    ASSERT_TRUE(result.done.load());
    ASSERT_EQ(result.code, 1) << result.message;

    // The archive reached the server, with the report inside.
    std::vector<std::string> archives = Archives(server.Root() + "\\incoming");
    ASSERT_EQ(archives.size(), 1u);
    std::string listing;
    EXPECT_EQ(RunHost("unzip -l '" + UnixPath(server.Root() + "\\incoming\\" + archives[0]) + "'", &listing), 0);
    EXPECT_NE(listing.find("Corvidadata.ini"), std::string::npos) << listing;
    EXPECT_NE(listing.find(" -PASSWORD=pavis"), std::string::npos) << listing;

    // The complete clean-up list.
    EXPECT_EQ(GetValue(kKey, "Data Submission Performed"), "1");
    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "1");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder by Scheduler"), "0");
    EXPECT_EQ(GetValue(kKey, "First Launch Flag"), "0");
    for (const char* gone : {".\\Data", ".\\Collection", ".\\Directory.ini", ".\\TrovelLog.txt", ".\\Log Corvida.txt",
                             ".\\Current\\Trovel.ini", ".\\Current\\Current_Trovel.ini",
                             ".\\Current\\TrovelStatus.ini", ".\\Current\\Current_Package_Report.ini"})
        EXPECT_FALSE(PathExists(gone)) << gone;
    EXPECT_TRUE(PathExists(".\\Current\\Package_Report.ini"));
    EXPECT_TRUE(PathExists(".\\Corvida.ini"));
    for (const std::string& path : m_shortcuts)
        EXPECT_FALSE(PathExists(path)) << path;
    for (int i = 0; i < 50 && PathExists(TaskFile()); ++i)
        Sleep(100);
    EXPECT_FALSE(PathExists(TaskFile()));
}

TEST_F(SubmitEndToEnd, FailedUploadKeepsTheReportAndTheReminders)
{
    FtpServer server("127.0.0.41", FtpServer::Mode::ServerDown);
    ASSERT_TRUE(server.Start());
    WritePrivateProfileStringA("Aldera 800", "FTP Path", "127.0.0.41\\incoming", ".\\Corvida.ini");

    SubmissionResult result;
    RunSubmissionWorker(result);
    ASSERT_TRUE(result.done.load());
    EXPECT_EQ(result.code, 2) << result.message;
    EXPECT_TRUE(PathExists(".\\Data\\Corvidadata.ini"));
    EXPECT_EQ(GetValue(kKey, "Data Submission Performed"), "1");
    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "<absent>");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "1");
    for (const std::string& path : m_shortcuts)
        EXPECT_TRUE(PathExists(path)) << path;
    EXPECT_TRUE(PathExists(TaskFile()));
}

TEST_F(SubmitEndToEnd, PackageWithoutTheReportKeepsItAfterTheUpload)
{
    // A site package that collects a log only: the archive goes, the report does not.
    FtpServer server("127.0.0.42", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    WritePrivateProfileStringA("Aldera 800", "FTP Path", "127.0.0.42\\incoming", ".\\Corvida.ini");
    WriteFileBytes(".\\Current\\Package_Report.ini",
                   "[Package Version]\r\nversion=1\r\n[FILES]\r\n0)Filenum=1\r\n0)Recursive=0\r\n"
                   "0)Directory=%CURRENTDIR%\r\n0)FileFormat=Log Corvida.txt\r\n");

    SubmissionResult result;
    RunSubmissionWorker(result);
    ASSERT_TRUE(result.done.load());
    EXPECT_EQ(result.code, 2) << result.message;
    EXPECT_EQ(result.message.find("failed"), std::string::npos) << "the upload itself went: " << result.message;
    EXPECT_EQ(Archives(server.Root() + "\\incoming").size(), 1u);

    EXPECT_TRUE(PathExists(".\\Data\\Corvidadata.ini"));
    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "<absent>");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "1");
    for (const std::string& path : m_shortcuts)
        EXPECT_TRUE(PathExists(path)) << path;
    EXPECT_TRUE(PathExists(TaskFile()));
}

TEST_F(SubmitEndToEnd, FullDiskWhilePackingKeepsTheReportAndTheReminders)
{
    // The collector's local directory (the program folder's "Collection") on a 2 MB file
    // system: the gathered files fit, their archive beside them does not.
    testing_support::SmallDisk disk("$WINEPREFIX/drive_c/Velmora/Corvida/Collection", "2m");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();

    FtpServer server("127.0.0.43", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    WritePrivateProfileStringA("Aldera 800", "FTP Path", "127.0.0.43\\incoming", ".\\Corvida.ini");
    // The report and 1.2 MB that does not compress.
    std::string noise(1200000, '\0');
    unsigned state = 12345;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 23);
    }
    MakeDirs(".\\Big");
    WriteFileBytes(".\\Big\\noise.bin", noise);
    WriteFileBytes(".\\Current\\Package_Report.ini",
                   "[Package Version]\r\nversion=1\r\n[FILES]\r\n0)Filenum=1\r\n0)Recursive=0\r\n"
                   "0)Directory=%CURRENTDIR%\\Data\r\n0)FileFormat=Corvidadata.ini\r\n"
                   "1)Filenum=1\r\n1)Recursive=0\r\n1)Directory=%CURRENTDIR%\\Big\r\n1)FileFormat=noise.bin\r\n");

    SubmissionResult result;
    RunSubmissionWorker(result);
    ASSERT_TRUE(result.done.load());
    EXPECT_EQ(result.code, 2) << result.message;
    EXPECT_NE(result.message.find("File Collection failed!"), std::string::npos) << result.message;
    EXPECT_TRUE(Archives(server.Root() + "\\incoming").empty()) << "nothing half-made is sent";

    EXPECT_TRUE(PathExists(".\\Data\\Corvidadata.ini"));
    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "<absent>");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "1");
    EXPECT_EQ(GetValue(kKey, "Reminder by Scheduler"), "1");
    for (const std::string& path : m_shortcuts)
        EXPECT_TRUE(PathExists(path)) << path;
    EXPECT_TRUE(PathExists(TaskFile()));
}

// ---- The unattended retry: Corvida.exe /resubmit, as the reminders start it.

// A report that passes Submit's checks, saved as the program saves it.
void SaveCompleteReport()
{
    ReportRecord record = CompleteReport();
    record.CustomerRegion = "Europe";
    record.ProductType = "Aldera 800";
    record.ProductSerialNumber = "AL800-E2E";
    ASSERT_TRUE(SaveReport(record, kReportFile, "e2e"));
}

struct Program {
    HANDLE handle = nullptr;
    DWORD id = 0;
    ~Program()
    {
        if (handle) {
            if (WaitForSingleObject(handle, 0) == WAIT_TIMEOUT)
                TerminateProcess(handle, 1);
            WaitForSingleObject(handle, 10000);
            CloseHandle(handle);
        }
    }
};

// Corvida.exe installed in the program folder (with the collector library beside it),
// started there as a shortcut starts it.
bool StartProgram(const std::string& arguments, Program& program)
{
    const std::string exe = Staged::Path("Corvida.exe");
    // Once only: a running copy holds its file.
    if (!PathExists(exe) && (!CopyFileA(CORVIDA_EXE_PATH, exe.c_str(), FALSE) ||
                             !CopyFileA(TROVEL_DLL_PATH, Staged::Path("TrovelLib.dll").c_str(), FALSE)))
        return false;
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION info = {};
    std::string line = "\"" + exe + "\" " + arguments;
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, kProgramFolder, &start, &info))
        return false;
    CloseHandle(info.hThread);
    program.handle = info.hProcess;
    program.id = info.dwProcessId;
    return true;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process, polled until one appears, the process ends
// or the time is up.
HWND WaitForWindow(const Program& program, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 200) {
        WindowSearch search{program.id, nullptr};
        EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
        if (WaitForSingleObject(program.handle, 200) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What a failed retry must leave exactly as it was.
std::string Snapshot(const std::vector<std::string>& shortcuts)
{
    std::string state = ReadFileBytes(kReportFile) + "|";
    for (const char* name : {"Data Submission Performed", "Data Submission Completed", "Data Submission Date",
                             "Reminder at Startup", "Reminder by Scheduler", "First Launch Flag"})
        state += std::string(name) + "=" + GetValue(kKey, name) + "|";
    for (const std::string& path : shortcuts)
        state += path + ":" + ReadFileBytes(path) + "|";
    return state + "task:" + ReadFileBytes(TaskFile());
}

TEST_F(SubmitEndToEnd, RetrySendsAFailedSubmissionOnceTheServerIsUp)
{
    WritePrivateProfileStringA("Aldera 800", "FTP Path", "127.0.0.110\\incoming", ".\\Corvida.ini");
    SaveCompleteReport();
    {
        // The technician's Submit, with the support centre out of reach.
        FtpServer down("127.0.0.110", FtpServer::Mode::ServerDown);
        ASSERT_TRUE(down.Start());
        SubmissionResult result;
        RunSubmissionWorker(result);
        ASSERT_EQ(result.code, 2) << result.message;
        ASSERT_TRUE(IsSubmissionPending());
        const std::string before = Snapshot(m_shortcuts);

        // The retry while the server is still down: nothing shown, nothing changed.
        Program retry;
        ASSERT_TRUE(StartProgram("/resubmit", retry));
        HWND shown = WaitForWindow(retry, 120000);
        EXPECT_EQ(shown, nullptr) << "a failed retry shows: " << WindowText(shown);
        ASSERT_EQ(WaitForSingleObject(retry.handle, 60000), WAIT_OBJECT_0);
        EXPECT_EQ(Snapshot(m_shortcuts), before);
        EXPECT_TRUE(IsSubmissionPending());
    }

    FtpServer up("127.0.0.110", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(up.Start());
    Program retry;
    ASSERT_TRUE(StartProgram("/RESUBMIT", retry));
    // One notification, then the program ends once it is acknowledged.
    HWND box = WaitForWindow(retry, 120000);
    ASSERT_NE(box, nullptr) << "no notification";
    EXPECT_EQ(WindowText(box), "Notification");
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_EQ(std::string(text), kResubmitSentMessage);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WaitForSingleObject(retry.handle, 30000), WAIT_OBJECT_0);

    std::vector<std::string> archives = Archives(up.Root() + "\\incoming");
    ASSERT_EQ(archives.size(), 1u);
    std::string listing;
    EXPECT_EQ(RunHost("unzip -l '" + UnixPath(up.Root() + "\\incoming\\" + archives[0]) + "'", &listing), 0);
    EXPECT_NE(listing.find("Corvidadata.ini"), std::string::npos) << listing;

    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "1");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder by Scheduler"), "0");
    EXPECT_FALSE(PathExists(".\\Data"));
    for (const std::string& path : m_shortcuts)
        EXPECT_FALSE(PathExists(path)) << path;
    for (int i = 0; i < 50 && PathExists(TaskFile()); ++i)
        Sleep(100);
    EXPECT_FALSE(PathExists(TaskFile()));
    EXPECT_FALSE(IsSubmissionPending());
}

TEST_F(SubmitEndToEnd, RetryWithoutAPendingSubmissionOpensTheReport)
{
    // Nothing submitted yet: the reminder opens the report window, as a plain start does.
    SaveCompleteReport();
    const std::string report = ReadFileBytes(kReportFile);
    Program program;
    ASSERT_TRUE(StartProgram("/resubmit", program));
    HWND window = WaitForWindow(program, 60000);
    ASSERT_NE(window, nullptr) << "no report window";
    EXPECT_NE(WindowText(window), "Notification");
    EXPECT_EQ(GetValue(kKey, "Data Submission Performed"), "<absent>");
    EXPECT_EQ(ReadFileBytes(kReportFile), report);
}

TEST_F(SubmitEndToEnd, RetryLeavesAnOpenReportAlone)
{
    // The technician has the report open after a failed Submit: the retry ends at once,
    // without a warning, and sends nothing.
    FtpServer server("127.0.0.111", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    WritePrivateProfileStringA("Aldera 800", "FTP Path", "127.0.0.111\\incoming", ".\\Corvida.ini");
    SaveCompleteReport();
    SetValue(kKey, "Data Submission Performed", "1");
    ASSERT_TRUE(IsSubmissionPending());

    Program open;
    ASSERT_TRUE(StartProgram("", open));
    ASSERT_NE(WaitForWindow(open, 60000), nullptr) << "no report window";
    Program retry;
    ASSERT_TRUE(StartProgram("/resubmit", retry));
    ASSERT_EQ(WaitForSingleObject(retry.handle, 30000), WAIT_OBJECT_0);
    WindowSearch search{retry.id, nullptr};
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    EXPECT_EQ(search.found, nullptr);
    EXPECT_TRUE(Archives(server.Root() + "\\incoming").empty());
    EXPECT_TRUE(IsSubmissionPending());
}

}  // namespace
