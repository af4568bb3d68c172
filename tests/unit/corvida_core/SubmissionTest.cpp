#include "Submission.h"
#include "CollectorLibrary.h"
#include "Dates.h"
#include "Pause.h"
#include "PendingSubmission.h"
#include "SubmissionWorker.h"
#include "TestSupport.h"
#include "Workstation.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using namespace workstation;

namespace {

// A collector library that answers polls from a script and records what it was given.
// A run that completes leaves an archive in the collection folder as the real one does,
// holding the report unless told otherwise.
struct FakeLibrary {
    struct Answer {
        int status;
        const char* text;
    };
    static std::vector<Answer> script;
    static std::vector<DWORD> pollTimes;
    static std::string description, subject, options;
    static DWORD runId;
    static bool collectsReport;

    static DWORD Run(const char* d, const char* s, const char* o)
    {
        description = d;
        subject = s;
        options = o;
        bool completes = false;
        for (const Answer& answer : script)
            completes = completes || answer.status == 1;
        if (!completes)
            return runId;
        MakeDirs(kCollectionFolder);
        HZIP zip = CreateZip(std::string(kCollectionFolder) + "Fake_2008_03_05_10_00.zip", "pavis");
        ZipAdd(zip, "Fake_2008_03_05_10_00\\Description.txt", ".\\Data\\Corvidadata.ini");
        if (collectsReport)
            ZipAdd(zip, "Fake_2008_03_05_10_00\\Report\\Corvidadata.ini", ".\\Data\\Corvidadata.ini");
        CloseZip(zip);
        return runId;
    }
    static int Status(DWORD id, char* text)
    {
        EXPECT_EQ(id, runId);
        pollTimes.push_back(GetTickCount());
        Answer answer = pollTimes.size() <= script.size() ? script[pollTimes.size() - 1] : script.back();
        lstrcpynA(text, answer.text, 256);
        return answer.status;
    }
    static void Install(std::vector<Answer> answers)
    {
        script = std::move(answers);
        pollTimes.clear();
        collectsReport = true;
        SetCollectorLibrary(CollectorLibrary{Run, Status});
    }
};
std::vector<FakeLibrary::Answer> FakeLibrary::script;
std::vector<DWORD> FakeLibrary::pollTimes;
std::string FakeLibrary::description, FakeLibrary::subject, FakeLibrary::options;
DWORD FakeLibrary::runId = 134501;
bool FakeLibrary::collectsReport = true;

class Submission : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetPauseScale(10);  // 3000 ms pauses take 300 ms
        MakeDirs(".\\Data");
        WriteFileBytes(".\\Data\\Corvidadata.ini",
                       "[GroupCustomer]\r\nCustomerRegion=Europe\r\n[GroupProduct]\r\nProductSerialNumber=user^4711\r\n");
    }
    void TearDown() override { SetPauseScale(100); }
    Staged staged;
};

TEST_F(Submission, StatusPollOutcomes)
{
    struct Case {
        const char* name;
        std::vector<FakeLibrary::Answer> answers;
        int expected;
        size_t polls;
        const char* text;
        bool completed;
    } cases[] = {
        {"completed", {{1, "File Collection complete."}}, 1, 1, "File Collection complete.", true},
        {"completed but failed upload", {{1, "File Collection failed!"}}, 2, 1, "File Collection failed!", false},
        {"Failed with capital F is not a failure", {{1, "Upload Failed"}}, 1, 1, "Upload Failed", true},
        {"run failed", {{2, "No packages are available."}}, 2, 1, "No packages are available.", false},
        {"no entry three times", {{3, ""}}, 3, 3, "", false},
        {"no entry then found", {{3, ""}, {3, ""}, {1, "done"}}, 1, 3, "done", true},
        {"working then completed", {{0, "working"}, {0, "working"}, {1, "done"}}, 1, 3, "done", true},
    };
    for (const Case& c : cases) {
        SetValue(kKey, "Data Submission Completed", "0");
        MakeDirs(".\\Data");
        WriteFileBytes(".\\Data\\Corvidadata.ini", "[GroupProduct]\r\nProductSerialNumber=user^4711\r\n");
        FakeLibrary::Install(c.answers);
        std::string result = "stale";
        EXPECT_EQ(CCollector().RunCollection(result), c.expected) << c.name;
        EXPECT_EQ(FakeLibrary::pollTimes.size(), c.polls) << c.name;
        EXPECT_EQ(result, c.text) << c.name;
        EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), c.completed ? "1" : "0") << c.name;
        EXPECT_EQ(PathExists(".\\Data"), !c.completed) << c.name;
        // Every repeated poll comes after a pause: no spinning on "working" or "no entry".
        for (size_t i = 1; i < FakeLibrary::pollTimes.size(); ++i)
            EXPECT_GE(FakeLibrary::pollTimes[i] - FakeLibrary::pollTimes[i - 1], 80u) << c.name << " poll " << i;
    }
    EXPECT_EQ(FakeLibrary::description, "see xml report.");
    EXPECT_EQ(FakeLibrary::subject, "Installation Report");
    EXPECT_EQ(FakeLibrary::options, " -p \"Aldera 800\"  -c \"4711\"");
}

TEST_F(Submission, ArchiveWithoutTheReportFailsAndKeepsIt)
{
    // A package that does not collect the report: the upload went, the report did not.
    FakeLibrary::Install({{1, "File Collection completed successfully:  Collected Packages: Logs. Local Target: "
                              "C:\\Velmora\\Corvida\\Collection\\Fake_2008_03_05_10_00.zip FTP Server: 127.0.0.1."}});
    FakeLibrary::collectsReport = false;
    SetValue(kKey, "Data Submission Completed", "0");
    std::string result;
    EXPECT_EQ(CCollector().RunCollection(result), 2);
    EXPECT_TRUE(PathExists(".\\Data\\Corvidadata.ini"));
    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "1");

    // The same summary with the report collected goes on to the completion steps.
    FakeLibrary::Install(FakeLibrary::script);
    EXPECT_EQ(CCollector().RunCollection(result), 1);
    EXPECT_FALSE(PathExists(".\\Data"));
}

TEST_F(Submission, NoEntryRetriesArePausedLikeTheFirstWait)
{
    FakeLibrary::Install({{3, ""}});
    DWORD start = GetTickCount();
    std::string result;
    EXPECT_EQ(CCollector().RunCollection(result), 3);
    ASSERT_EQ(FakeLibrary::pollTimes.size(), 3u);
    EXPECT_GE(FakeLibrary::pollTimes[0] - start, 280u) << "first poll after the 3000 ms wait";
    EXPECT_GE(FakeLibrary::pollTimes[2] - FakeLibrary::pollTimes[0], 560u) << "two 3000 ms pauses";
}

TEST_F(Submission, RetryIsTheSubmitRunAndAFailedOneChangesNothing)
{
    const struct {
        const char* name;
        DWORD runId;  // 0: the library refused to start (a run of this minute, collector busy)
        std::vector<FakeLibrary::Answer> answers;
        bool sent;
    } cases[] = {
        {"run refused", 0, {{3, ""}}, false},
        {"upload failed", 134501, {{0, "Running..."}, {1, "File Collection completed. FTP upload failed"}}, false},
        {"sent", 134501, {{1, "File Collection complete."}}, true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveReport(CompleteReport(), kReportFile, "test")) << c.name;
        SetValue(kKey, "Data Submission Performed", "1");
        SetValue(kKey, "Data Submission Date", "12/01/26");
        const std::string report = ReadFileBytes(kReportFile);
        FakeLibrary::runId = c.runId;
        FakeLibrary::subject.clear();
        FakeLibrary::Install(c.answers);

        EXPECT_EQ(RetryPendingSubmission(), c.sent) << c.name;
        EXPECT_EQ(FakeLibrary::subject, "Installation Report") << c.name << ": the run Submit starts";
        EXPECT_EQ(GetValue(kKey, "Data Submission Date"), "12/01/26") << c.name;
        if (c.sent) {
            EXPECT_FALSE(PathExists(kReportFile)) << c.name;
            EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "1") << c.name;
            EXPECT_FALSE(IsSubmissionPending()) << c.name;
        } else {
            EXPECT_EQ(ReadFileBytes(kReportFile), report) << c.name;
            EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "<absent>") << c.name;
            EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "1") << c.name;
            EXPECT_TRUE(IsSubmissionPending()) << c.name;
        }
    }
    FakeLibrary::runId = 134501;
}

TEST_F(Submission, SubmitReportBooksTheAttemptAndWritesTheConfiguration)
{
    SetValue(kKey, "Data Submission Date", "");
    MakeDirs(std::string(kCollectionFolder) + "old");
    FakeLibrary::Install({{2, "File Collection failed!"}});
    std::string result;
    EXPECT_EQ(CCollector().SubmitReport(result, 0), 2);
    EXPECT_EQ(GetValue(kKey, "Data Submission Performed"), "1");
    EXPECT_EQ(GetValue(kKey, "Data Submission Date"), TodayDateText());
    EXPECT_FALSE(PathExists(kCollectionFolder));
    EXPECT_TRUE(PathExists(".\\Current\\Trovel.ini"));
    EXPECT_TRUE(PathExists(".\\Directory.ini"));
    EXPECT_TRUE(PathExists(".\\Data\\Corvidadata.ini")) << "a failed run keeps the report";

    // The first attempt's date stays.
    SetValue(kKey, "Data Submission Date", "2001-02-03");
    CCollector().SubmitReport(result, 0);
    EXPECT_EQ(GetValue(kKey, "Data Submission Date"), "2001-02-03");
}

TEST_F(Submission, WorkerAsksForABackupFirstWhenNoneIsRecent)
{
    ASSERT_FALSE(PathExists("C:\\Dastrel\\Reliqua")) << "this test needs a workstation without backups";
    WriteFileBytes(".\\Corvida.ini", "[Aldera 800]\r\nReliquaRequired=5d\r\n");
    FakeLibrary::Install({{1, "done"}});
    // The worker tells a window when it is done, as it tells the submission window.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const UINT doneMessage = WM_APP + 7;
    auto shared = std::make_shared<SubmissionResult>();
    shared->mode = CheckBackupFirst;
    ASSERT_TRUE(StartSubmissionWorker(shared, window, doneMessage));
    bool told = false;
    const DWORD start = GetTickCount();
    while (!told && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
        MSG message;
        while (PeekMessageA(&message, window, doneMessage, doneMessage, PM_REMOVE))
            told = true;
    }
    DestroyWindow(window);
    ASSERT_TRUE(told) << "the worker posts its message when done";
    const SubmissionResult& result = *shared;
    ASSERT_TRUE(result.done.load());
    EXPECT_EQ(result.code, 6);
    EXPECT_EQ(result.message,
              " It is recommended to perform a Backup and Restore before submitting the forms.\n"
              " Do you want to continue anyway?");
    EXPECT_TRUE(FakeLibrary::pollTimes.empty()) << "nothing was submitted";
    EXPECT_EQ(GetValue(kKey, "Data Submission Performed"), "<absent>");

    // "NO" needs no backup; submit-directly never looks.
    for (auto setting : {std::make_pair(CheckBackupFirst, "NO"), std::make_pair(SubmitDirectly, "30d")}) {
        WriteFileBytes(".\\Corvida.ini", std::string("[Aldera 800]\r\nReliquaRequired=") + setting.second + "\r\n");
        MakeDirs(".\\Data");
        FakeLibrary::Install({{2, "File Collection failed!"}});
        SubmissionResult direct;
        direct.mode = setting.first;
        RunSubmissionWorker(direct);
        EXPECT_TRUE(direct.done.load());
        EXPECT_EQ(direct.code, 2) << setting.second;
        EXPECT_EQ(direct.message, "File Collection failed!");
    }
}

// ---- clean-up after a successful submission ------------------------------------------

TEST_F(Submission, SuccessRemovesEveryTraceOfTheReport)
{
    // Working files as a run leaves them.
    MakeDirs(".\\Collection\\VM_2008_03_05_10_00");
    WriteFileBytes(".\\Collection\\VM_2008_03_05_10_00\\a.txt", "x");
    WriteFileBytes(".\\Directory.ini", "x");
    WriteFileBytes(".\\TrovelLog.txt", "x");
    WriteFileBytes(".\\Log Corvida.txt", "x");
    WriteFileBytes(".\\Corvida.ini", "[Aldera 800]\r\nPackageName=Aldera\r\n");
    for (const char* name : {"Trovel.ini", "Current_Trovel.ini", "TrovelStatus.ini", "trovel_old.cfg",
                             "Current_Package_Aldera.ini", "Package_Aldera.ini", "Devices.ini"})
        WriteFileBytes(std::string(".\\Current\\") + name, "x");
    MakeDirs(".\\Current\\currentDir\\inner");
    WriteFileBytes(".\\Current\\currentDir\\inner\\f.txt", "x");

    // The reminders: all-users shortcuts (one read-only), a per-user shortcut of the
    // same name, and the scheduled task.
    const std::string startup = CommonFolder(CSIDL_COMMON_STARTUP);
    const std::string shortcuts[] = {
        startup + "\\Reminder Corvida.lnk",
        startup + "\\Installation Report Reminder.lnk",
        CommonFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Corvida.lnk",
        CommonFolder(CSIDL_COMMON_STARTMENU) + "\\Corvida.lnk",
        CommonFolder(CSIDL_COMMON_PROGRAMS) + "\\Corvida.lnk",
    };
    for (const std::string& path : shortcuts) {
        MakeDirs(path.substr(0, path.find_last_of('\\')));
        WriteFileBytes(path, "shortcut");
    }
    SetFileAttributesA(shortcuts[2].c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string personal = CommonFolder(CSIDL_DESKTOPDIRECTORY) + "\\Corvida.lnk";
    MakeDirs(CommonFolder(CSIDL_DESKTOPDIRECTORY));
    WriteFileBytes(personal, "per-user shortcut");
    CreateReminderTask();

    FakeLibrary::Install({{1, "File Collection complete."}});
    std::string result;
    EXPECT_EQ(CCollector().SubmitReport(result, 0), 1);

    EXPECT_EQ(GetValue(kKey, "Data Submission Completed"), "1");
    EXPECT_EQ(GetValue(kKey, "Reminder at Startup"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder by Scheduler"), "0");
    EXPECT_EQ(GetValue(kKey, "First Launch Flag"), "0");
    for (const char* gone : {".\\Data", ".\\Collection", ".\\Directory.ini", ".\\TrovelLog.txt", ".\\Log Corvida.txt",
                             ".\\Current\\Trovel.ini", ".\\Current\\Current_Trovel.ini", ".\\Current\\TrovelStatus.ini",
                             ".\\Current\\trovel_old.cfg", ".\\Current\\Current_Package_Aldera.ini",
                             ".\\Current\\currentDir"})
        EXPECT_FALSE(PathExists(gone)) << gone;
    EXPECT_TRUE(PathExists(".\\Current\\Package_Aldera.ini"));
    EXPECT_TRUE(PathExists(".\\Current\\Devices.ini"));
    EXPECT_TRUE(PathExists(".\\Corvida.ini"));
    for (const std::string& path : shortcuts)
        EXPECT_FALSE(PathExists(path)) << path;
    EXPECT_TRUE(PathExists(personal)) << "the per-user shortcut is not touched";
    DeleteFileA(personal.c_str());

    // The task is deleted by a hidden schtasks run that the program does not wait for.
    for (int i = 0; i < 100 && PathExists(TaskFile()); ++i)
        Sleep(100);
    EXPECT_FALSE(PathExists(TaskFile()));
}

TEST_F(Submission, CompletionWithoutTheRegistryKeyStillCleansUp)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    WriteFileBytes(".\\TrovelLog.txt", "x");
    CCollector collector;
    EXPECT_FALSE(collector.MarkSubmissionCompleted());
    EXPECT_EQ(collector.CompleteSubmission(), 1);
    EXPECT_FALSE(KeyExists(kKey));
    EXPECT_FALSE(PathExists(".\\Data"));
    EXPECT_FALSE(PathExists(".\\TrovelLog.txt"));
}

}  // namespace
