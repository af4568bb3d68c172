// Status file slots, status lookup, the log, questions, progress records and the stamp.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <regex>

#include "Collector.h"
#include "DefsTestSupport.h"
#include "Progress.h"

namespace {

// "<process id>:<creation time>" of this test process, as a slot's owner is written.
std::string OwnerOfThisProcess()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const unsigned long long time = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    GetComputerNameA(computer, &size);
    return std::to_string(GetCurrentProcessId()) + ":" + std::to_string(time) + ":" + computer;
}

class StatusTest : public DefsTest {
protected:
    void SetUp() override
    {
        DefsTest::SetUp();
        defs.SetDefinitionsDir(Path(""));
        PublishStatusFile(defs.m_strStatusFile);  // as a run of this process does
    }
    // A status file whose slots 0, 1, ... hold the given ids.
    void FillSlots(const std::vector<std::string>& ids)
    {
        Write("TrovelStatus.ini", "");
        for (size_t n = 0; n < ids.size(); ++n) {
            SetIni("TrovelStatus.ini", "StatusTrovel", std::to_string(n) + ")ID", ids[n]);
            SetIni("TrovelStatus.ini", "StatusTrovel", std::to_string(n) + ")STATUS", "COMPLETE");
            SetIni("TrovelStatus.ini", "StatusTrovel", std::to_string(n) + ")DESCRIPTION", "run " + ids[n]);
        }
    }
    std::string Slot(int n, const char* key) { return Ini("TrovelStatus.ini", "StatusTrovel", std::to_string(n) + ")" + key); }
};

TEST_F(StatusTest, FirstEntryCreatesTheFileWithTheWorkingSlot)
{
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    ASSERT_EQ(run.CreateStatusEntry(), 1);
    EXPECT_EQ(run.m_nStatusSlot, 0);
    // The slot names its owner (process id and start time) after the specified keys.
    EXPECT_EQ(Read("TrovelStatus.ini"), "[StatusTrovel]\r\n0)ID=093015\r\n0)STATUS=WORKING\r\n0)DESCRIPTION=\r\n"
                                        "0)OWNER=" + OwnerOfThisProcess() + "\r\n");
}

TEST_F(StatusTest, EntrySlotChoice)
{
    const std::vector<std::string> eleven = {"150000", "090000", "120000", "130000", "140000", "160000",
                                             "170000", "180000", "190000", "200000", "210000"};
    std::vector<std::string> equalMinimum = eleven;
    equalMinimum[3] = "080000";
    equalMinimum[7] = "080000";
    std::vector<std::string> twelve = eleven;
    twelve.push_back("070000");  // slot 11, written by a run that failed before its entry
    struct Case {
        const char* what;
        std::vector<std::string> ids;
        int slot;
    } cases[] = {
        {"empty file", {}, 0},
        {"first free slot", {"150000", "090000"}, 2},
        {"eleven taken: smallest id", eleven, 1},
        {"equal smallest ids: the later", equalMinimum, 7},
        {"slots beyond eleven are scanned", twelve, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillSlots(c.ids);
        CTrovelCollector run(defs);
        run.m_strRunId = "101010";
        ASSERT_EQ(run.CreateStatusEntry(), 1);
        EXPECT_EQ(run.m_nStatusSlot, c.slot);
        EXPECT_EQ(Slot(c.slot, "ID"), "101010");
        EXPECT_EQ(Slot(c.slot, "STATUS"), "WORKING");
        EXPECT_EQ(Slot(c.slot, "DESCRIPTION"), "");
        for (size_t n = 0; n < c.ids.size(); ++n)
            if (static_cast<int>(n) != c.slot) {
                EXPECT_EQ(Slot(static_cast<int>(n), "ID"), c.ids[n]) << "slot " << n;
            }
    }
}

TEST_F(StatusTest, EntryFailsWhenTheStatusFileCannotBeCreated)
{
    defs.m_strStatusFile = Path("NoSuchFolder\\TrovelStatus.ini");
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    EXPECT_EQ(run.CreateStatusEntry(), 0);
    EXPECT_FALSE(Exists("NoSuchFolder"));
    defs.m_strStatusFile.clear();
    EXPECT_EQ(run.CreateStatusEntry(), 0);
}

TEST_F(StatusTest, WriteStatusFindsTheRunsSlotAndMapsTheCode)
{
    FillSlots({"080000", "093015", "100000"});
    struct Case {
        int code;
        const char* status;
    } cases[] = {{-1, "WORKING"}, {1, "COMPLETE"}, {2, "FAIL"}, {10, "FAIL"}, {0, ""}, {11, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CTrovelCollector run(defs);
        run.m_strRunId = "093015";
        TrovelProgress record;
        FillProgress(record, 20, "step", "step", c.code, 1, 0);
        run.WriteStatus(record);
        EXPECT_EQ(run.m_nStatusSlot, 1);
        EXPECT_EQ(Slot(1, "STATUS"), c.status);
        EXPECT_EQ(Slot(1, "DESCRIPTION"), "step");
    }
    // A run without a slot of its own takes the first free one.
    CTrovelCollector other(defs);
    other.m_strRunId = "110000";
    TrovelProgress failure;
    FillProgress(failure, 20, "No device", "No device", 7, 0, 0);
    other.WriteStatus(failure);
    EXPECT_EQ(other.m_nStatusSlot, 3);
    EXPECT_EQ(Slot(3, "ID"), "110000");
    EXPECT_EQ(Slot(3, "STATUS"), "FAIL");
    EXPECT_EQ(Slot(0, "ID"), "080000");
    EXPECT_EQ(Slot(2, "ID"), "100000");
}

TEST_F(StatusTest, LookupMatchesIdsByNumberAndMapsTheStatus)
{
    Write("TrovelStatus.ini", "[StatusTrovel]\r\n"
                              "0)ID=093015\r\n0)STATUS=WORKING\r\n0)DESCRIPTION=Running...\r\n"
                              "1)ID=001530\r\n1)STATUS=COMPLETE\r\n1)DESCRIPTION=File Collection completed\r\n"
                              "2)ID=150000\r\n2)STATUS=FAIL\r\n2)DESCRIPTION=No packages are available.\r\n"
                              "3)ID=160000\r\n3)STATUS=\r\n3)DESCRIPTION=\r\n"
                              "5)ID=170000\r\n5)STATUS=COMPLETE\r\n5)DESCRIPTION=behind a gap\r\n");
    struct Case {
        DWORD runId;
        int code;
        const char* text;
    } cases[] = {
        {93015, 0, "Running..."},
        {1530, 1, "File Collection completed"},
        {150000, 2, "No packages are available."},
        {160000, 0, ""},
        {170000, 3, ""},  // the first empty id ends the list
        {12345, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runId);
        std::string text = "stale";
        EXPECT_EQ(CTrovelCollector::LookupStatus(c.runId, text), c.code);
        EXPECT_EQ(text, c.text);
    }
}

// The owner text of a process that has ended: a short-lived copy of this test program.
std::string OwnerOfAnEndedProcess()
{
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string line = std::string("\"") + program + "\" --gtest_list_tests";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process))
        return std::string();
    WaitForSingleObject(process.hProcess, 30000);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const unsigned long long time = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return std::to_string(process.dwProcessId) + ":" + std::to_string(time);
}

TEST_F(StatusTest, WorkingRunOfAnEndedProcessReadsAsFailed)
{
    const std::string ended = OwnerOfAnEndedProcess();
    ASSERT_FALSE(ended.empty());
    struct Case {
        const char* what;
        const char* status;
        std::string owner;
        int code;
        const char* text;
    } cases[] = {
        {"owner ended", "WORKING", ended, 2,
         "File Collection failed! The collection process ended before the run finished."},
        {"owner alive", "WORKING", OwnerOfThisProcess(), 0, "Running..."},
        {"id reused by another process", "WORKING",
         std::to_string(GetCurrentProcessId()) + ":12345", 2,
         "File Collection failed! The collection process ended before the run finished."},
        {"no owner recorded", "WORKING", "", 0, "Running..."},
        {"owner on another computer", "WORKING", ended + ":ANOTHER-HOST", 0, "Running..."},
        {"finished before its process ended", "COMPLETE", ended, 1, "Running..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillSlots({"093015"});
        SetIni("TrovelStatus.ini", "StatusTrovel", "0)STATUS", c.status);
        SetIni("TrovelStatus.ini", "StatusTrovel", "0)DESCRIPTION", "Running...");
        if (!c.owner.empty())
            SetIni("TrovelStatus.ini", "StatusTrovel", "0)OWNER", c.owner);
        std::string text;
        EXPECT_EQ(CTrovelCollector::LookupStatus(93015, text), c.code);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(Slot(0, "STATUS"), c.status);  // a lookup only reads
    }
}

TEST_F(StatusTest, LookupCutsLongDescriptionsAndNeedsAFile)
{
    FillSlots({"093015"});
    SetIni("TrovelStatus.ini", "StatusTrovel", "0)DESCRIPTION", std::string(300, 'x'));
    std::string text;
    EXPECT_EQ(LookupStatusIn(Path("TrovelStatus.ini"), 93015, text), 1);
    EXPECT_EQ(text, std::string(254, 'x'));

    EXPECT_EQ(LookupStatusIn(Path("Missing.ini"), 93015, text), 3);
    EXPECT_EQ(text, "");
    EXPECT_EQ(LookupStatusIn("", 93015, text), 3);
}

TEST_F(StatusTest, ProgressWithoutWindowFoldsLineBreaksIntoTheSlot)
{
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    ASSERT_EQ(run.CreateStatusEntry(), 1);
    run.ReportProgress(90, "Send", "First line\r\nsecond line", -1, 0);
    std::string text;
    EXPECT_EQ(CTrovelCollector::LookupStatus(93015, text), 0);
    EXPECT_EQ(text, "First line second line");
    EXPECT_EQ(Read("TrovelStatus.ini"),
              "[StatusTrovel]\r\n0)ID=093015\r\n0)STATUS=WORKING\r\n0)DESCRIPTION=First line second line\n\r\n"
              "0)OWNER=" + OwnerOfThisProcess() + "\r\n");
    EXPECT_NE(Read("TrovelLog.txt").find("|  First line\r second line\n"), std::string::npos);
}

TEST_F(StatusTest, RunWithoutRunIdKeepsOutOfTheNumberedSlots)
{
    FillSlots({"150000", "090000", "120000", "130000", "140000", "160000", "170000", "180000", "190000", "200000",
               "210000"});
    char before[8000];
    const DWORD length = GetPrivateProfileSectionA("StatusTrovel", before, sizeof before, Path("TrovelStatus.ini").c_str());
    CTrovelCollector libRun(defs);  // no run id, as a funcTrovelLib run
    ASSERT_EQ(libRun.CreateStatusEntry(), 1);
    EXPECT_EQ(libRun.m_nStatusSlot, -1);
    EXPECT_EQ(Ini("TrovelStatus.ini", "StatusTrovelLib", "STATUS"), "WORKING");
    libRun.ReportProgress(95, "Completed.", "File Collection completed successfully:", 1, 1);

    char after[8000];
    ASSERT_EQ(GetPrivateProfileSectionA("StatusTrovel", after, sizeof after, Path("TrovelStatus.ini").c_str()), length);
    EXPECT_EQ(std::string(before, length), std::string(after, length));
    EXPECT_EQ(Ini("TrovelStatus.ini", "StatusTrovelLib", "STATUS"), "COMPLETE");
    EXPECT_EQ(Ini("TrovelStatus.ini", "StatusTrovelLib", "DESCRIPTION"), "File Collection completed successfully:");
    std::string text;
    EXPECT_EQ(CTrovelCollector::LookupStatus(90000, text), 1);
    EXPECT_EQ(text, "run 090000");
    EXPECT_EQ(CTrovelCollector::LookupStatus(0, text), 3);
}

// ----- log -----

TEST_F(StatusTest, LogLinesArePlainOrMarkedAndAppended)
{
    Write("TrovelLog.txt", "earlier line\n");
    defs.WriteLog("Zip Files", 1);
    defs.WriteLog("two\nlines\r\nhere", 0);
    const std::string log = Read("TrovelLog.txt");
    const std::regex expected("earlier line\n"
                              "(\\d\\d/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d  \\|  )Zip Files\n"
                              "\\d\\d/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d  \\|  \\*\\*\\*  two lines\r here\n");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST_F(StatusTest, LogDateIsTheLocalDateMonthFirst)
{
    defs.WriteLog("x", 1);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    snprintf(date, sizeof date, "%02d/%02d/%02d  ", now.wMonth, now.wDay, now.wYear % 100);
    EXPECT_EQ(Read("TrovelLog.txt").substr(0, 10), date);
}

// ----- questions -----

TEST_F(StatusTest, QuestionsAreAskedOnlyInAttendedRunsAndAlwaysLogged)
{
    struct Case {
        const char* what;
        int unattended, quiet, confirm;
        bool shown;
        int result;
        const char* logMark;
    } cases[] = {
        {"attended confirmation", 0, 0, 1, true, IDNO, "|  Continue?"},
        {"attended error", 0, 0, 0, true, IDNO, "|  ***  Continue?"},
        {"unattended", 1, 0, 1, false, IDYES, "|  Continue?"},
        {"quiet", 0, 1, 0, false, IDYES, "|  ***  Continue?"},
    };
    answer = IDNO;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        asked.clear();
        DeleteFileA(Path("TrovelLog.txt").c_str());
        defs.m_bUnattended = c.unattended;
        EXPECT_EQ(defs.AskUser("Continue?", 0x34, c.quiet, c.confirm), c.result);
        ASSERT_EQ(asked.size(), c.shown ? 1u : 0u);
        if (c.shown) {
            EXPECT_EQ(asked[0].text, "Continue?");
            EXPECT_EQ(asked[0].type, 0x34u);
            EXPECT_EQ(asked[0].confirm, c.confirm);
        }
        const std::string log = Read("TrovelLog.txt");
        EXPECT_NE(log.find(std::string(c.logMark) + "\n"), std::string::npos) << log;
    }
}

// ----- progress window -----

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

// A hidden top-level window with the given title, as a host's progress window.
class ProgressWindow {
public:
    explicit ProgressWindow(const std::string& title)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = PlainWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "DefsTestProgressWindow";
        RegisterClassA(&windowClass);
        m_window = CreateWindowExA(0, "DefsTestProgressWindow", title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~ProgressWindow() { DestroyWindow(m_window); }
    HWND Handle() const { return m_window; }

    // Pumps the thread's messages until the progress message arrives (at most `ms`).
    bool Receive(MSG& received, DWORD ms)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == TrovelProgressMessage()) {
                    received = message;
                    return true;
                }
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            const DWORD spent = GetTickCount() - start;
            if (spent >= ms)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        }
    }

private:
    HWND m_window = nullptr;
};

TEST_F(StatusTest, ProgressGoesToTheWindowNamedAfterTheDevice)
{
    CreateDirectoryA(Path("Current").c_str(), nullptr);
    defs.m_strDefDir = Path("Current\\");
    Write("Current\\Current_Trovel.ini", "[CONFIGURATION]\r\nDEVICE Name=Aldera 800\r\n");
    ASSERT_EQ(defs.WindowTitle(), "Trovel - Aldera 800");

    ProgressWindow window("Trovel - Aldera 800");
    ASSERT_NE(window.Handle(), nullptr);
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    run.m_bFtpOk = 1;
    run.ReportProgress(90, "Send", "Send files to FTP server.\r\nnow", -1, 1);

    MSG message{};
    ASSERT_TRUE(window.Receive(message, 5000));
    EXPECT_EQ(message.hwnd, window.Handle());
    EXPECT_EQ(message.wParam, 2u);
    // Released as a host of any runtime would: from the process heap.
    std::unique_ptr<TrovelProgress, void (*)(TrovelProgress*)> record(
        reinterpret_cast<TrovelProgress*>(message.lParam),
        [](TrovelProgress* p) { EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, p)); });
    EXPECT_STREQ(record->title, "Send");
    EXPECT_EQ(record->percent, 90);
    EXPECT_STREQ(record->text, "Send files to FTP server.\r\nnow");
    EXPECT_EQ(record->code, -1);
    EXPECT_EQ(record->flag, 1);
    EXPECT_EQ(record->ftpResult, 1);
    EXPECT_FALSE(Exists("TrovelStatus.ini"));
    EXPECT_NE(Read("TrovelLog.txt").find("Send files to FTP server."), std::string::npos);
}

TEST(ProgressRecord, LongTextsAreCutAndStayTerminated)
{
    const size_t title = sizeof(TrovelProgress{}.title), text = sizeof(TrovelProgress{}.text);
    const size_t lengths[] = {0, title - 1, title, text - 1, text, 3 * text};
    for (size_t length : lengths) {
        SCOPED_TRACE(length);
        TrovelProgress record;
        std::memset(&record, 'x', sizeof record);
        const std::string value(length, 'a');
        FillProgress(record, 80, value, value, 3, 0, 1);
        EXPECT_EQ(std::string(record.title), value.substr(0, title - 1));
        EXPECT_EQ(std::string(record.text), value.substr(0, text - 1));
        EXPECT_EQ(record.percent, 80);
        EXPECT_EQ(record.code, 3);
        EXPECT_EQ(record.flag, 0);
        EXPECT_EQ(record.ftpResult, 1);
    }
}

TEST_F(StatusTest, WindowTitleWithoutDeviceName)
{
    EXPECT_EQ(defs.WindowTitle(), "Trovel");
    ProgressWindow window("Trovel - Aldera 800");  // another device's window does not count
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    run.ReportProgress(20, "Running...", "Running...", -1, 1);
    MSG message{};
    EXPECT_FALSE(window.Receive(message, 100));
    EXPECT_EQ(Slot(0, "DESCRIPTION"), "Running...");
    EXPECT_FALSE(Exists("TrovelLog.txt"));  // "Running..." is not logged
}

// ----- stamp and pauses -----

TEST_F(StatusTest, StampAndTimeTextShareOneClockReading)
{
    std::string timeText;
    const std::string stamp = defs.MakeStamp(timeText);
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(stamp, parts, std::regex("20(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)_(\\d\\d)"))) << stamp;
    ASSERT_TRUE(std::regex_match(timeText, std::regex("\\d\\d_\\d\\d_\\d\\d"))) << timeText;
    EXPECT_EQ(timeText.substr(0, 5), stamp.substr(11, 5));
    struct tm local {};
    localtime_s(&local, &defs.m_time);
    char expected[32];
    strftime(expected, sizeof expected, "%Y_%m_%d_%H_%M", &local);
    EXPECT_EQ(stamp, expected);

    // Under a test clock both come from that clock.
    struct tm fixed {};
    fixed.tm_year = 2031 - 1900;
    fixed.tm_mon = 0;
    fixed.tm_mday = 2;
    fixed.tm_hour = 7;
    fixed.tm_min = 5;
    fixed.tm_sec = 9;
    fixed.tm_isdst = -1;
    const time_t when = mktime(&fixed);
    SetClock([when] { return when; });
    EXPECT_EQ(defs.MakeStamp(timeText), "2031_01_02_07_05");
    EXPECT_EQ(timeText, "07_05_09");
}

TEST_F(StatusTest, PausesFollowTheScale)
{
    using Clock = std::chrono::steady_clock;
    SetPauseScale(0.05);
    auto start = Clock::now();
    CTrovelCollector run(defs);
    run.m_strRunId = "093015";
    ASSERT_EQ(run.CreateStatusEntry(), 1);  // 2000 ms scaled to 100 ms
    auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(spent, 90);
    EXPECT_LT(spent, 1500);
    SetPauseScale(0);
    start = Clock::now();
    TrovelPause(2000);
    spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(spent, 50);
}

}  // namespace
