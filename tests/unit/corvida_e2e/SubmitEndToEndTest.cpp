#include "CollectorLibrary.h"
#include "FtpServer.h"
#include "SubmissionWorker.h"
#include "TestSupport.h"
#include "Workstation.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using testing_support::FtpServer;
using testing_support::PathExists;
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
    const std::string mount = "/tmp/corvida-e2e-full-" + std::to_string(GetCurrentProcessId());
    const std::string link = "\"$WINEPREFIX/drive_c/Velmora/Corvida/Collection\"";
    std::string out;
    if (RunHost("mkdir -p " + mount + " && mount -t tmpfs -o size=2m tmpfs " + mount + " && ln -sfn " + mount + " " +
                    link,
                &out) != 0) {
        RunHost("rmdir " + mount);
        GTEST_SKIP() << "cannot mount a small file system here (needs root): " << out;
    }
    struct Unmount {
        std::string command;
        ~Unmount() { RunHost(command); }
    } unmount{"rm -f " + link + "; umount " + mount + "; rmdir " + mount};

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

}  // namespace
