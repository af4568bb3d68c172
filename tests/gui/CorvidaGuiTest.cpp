// The real Corvida.exe driven from outside through window messages, on a prepared
// workstation folder per test. Message boxes are found and read, never stubbed.
#include "FtpServer.h"
#include "GuiDriver.h"
#include "TestSupport.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace testing_support;
using gui::ProgramSession;

namespace {

const char* const kKey = "SOFTWARE\\Velmora\\Corvida";
const DWORD kShort = 5000;   // an answer that comes at once (generous: CI runs two tests at a time on two cores)
const DWORD kLong = 60000;   // a submission run

// The exact texts the program shows.
const char* const kSaveQuestion = "Do you want to save the changes in the installation report?";
const char* const kMandatory =
    "You must fill in all mandatory fields (marked with asterisk) before you submit the report.";
const char* const kMakerName = "Customer name cannot be Velmora.";
const char* const kSent = "The installation report has been sent to Velmora.\nThe Corvida will now be closed.";
const char* const kFailed =
    " Submission of form to Velmora has failed-connection to FTP server was not established.\n"
    " A submission will be performed automatically when the FTP server is accessible.\n\n"
    " The Corvida will now be closed.";
const char* const kBackupQuestion =
    " It is recommended to perform a Backup and Restore before submitting the forms.\n"
    " Do you want to continue anyway?";

using Report = std::map<std::pair<std::string, std::string>, std::string>;

// A report that passes every Submit check.
Report CompleteReport()
{
    Report r;
    auto set = [&r](const char* section, const std::string& key, const std::string& value) {
        r[{section, key}] = value;
    };
    set("GroupCustomer", "CustomerName", "Harbor Print Ltd");
    set("GroupCustomer", "CustomerID", "C-1");
    set("GroupCustomer", "CustomerSONumber", "SO-9");
    set("GroupCustomer", "CustomerRegion", "Europe");
    set("GroupProduct", "ProductType", "Aldera 800");
    set("GroupProduct", "ProductSerialNumber", "user^SN4711");
    set("GroupProduct", "ProductExposureHeadType", "Thermal 64");
    set("GroupProduct", "ProductAutomationType", "Single Cassette");
    set("GroupProduct", "ProductWorkflowType", "Plate Flow");
    set("GroupProduct", "ProductWorkflowSoftwareVersion", "5.1");
    set("GroupInstallation", "InstallationStart", "2024-06-10");
    set("GroupInstallation", "InstallationEnd", "2024-06-15");
    set("GroupInstallation", "InstallationDuration", "5");
    set("GroupInstallation", "InstallationTeamMember1", "Dana Frost");
    for (int n = 1; n <= 6; ++n)
        set("GroupGeneral", "GeneralQ" + std::to_string(n) + "YN", "1");
    for (int n = 1; n <= 7; ++n) {
        set("GroupHardware", "HardwareQ" + std::to_string(n) + "YN", "2");
        set("GroupSoftware", "SoftwareQ" + std::to_string(n) + "YN", "1");
    }
    for (int n = 1; n <= 6; ++n)
        set("GroupPerformance", "PerformanceQ" + std::to_string(n) + "YN", "2");
    return r;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

void ResetRegistry(const std::string& product)
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             nullptr));
    RegSetValueExA(key, "Product", 0, REG_SZ, reinterpret_cast<const BYTE*>(product.c_str()),
                   static_cast<DWORD>(product.size() + 1));
    RegCloseKey(key);
}

std::string ReadState(const char* name)
{
    char value[256] = {};
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<absent>";
    return value;
}

// One workstation folder: the program under a name of its own (so other tests' copies of
// Corvida.exe neither see it nor are seen by it), the collector library, the site's
// configuration, a package and a log file.
class Workstation {
public:
    explicit Workstation(const std::string& name, const std::string& ftpPath = "127.0.0.59\\incoming",
                         const std::string& reliqua = "NO")
        : m_dir(name)
    {
        m_exe = m_dir / "CorvidaGui.exe";
        CopyFileA(CORVIDA_EXE, m_exe.c_str(), FALSE);
        CopyFileA(TROVEL_DLL, (m_dir / "TrovelLib.dll").c_str(), FALSE);
        std::string ini = ReadFileBytes(SourcePath("tests\\fixtures\\gui\\workstation\\Corvida.ini"));
        ini = ReplaceAll(ReplaceAll(ini, "@FTP@", ftpPath), "@RELIQUA@", reliqua);
        WriteFileBytes(m_dir / "Corvida.ini", ini);
        CreateDirectoryA((m_dir / "Current").c_str(), nullptr);
        CreateDirectoryA((m_dir / "Logs").c_str(), nullptr);
        CopyFileA(SourcePath("tests\\fixtures\\gui\\workstation\\Current\\Package_Report.ini").c_str(),
                  (m_dir / "Current\\Package_Report.ini").c_str(), FALSE);
        CopyFileA(SourcePath("tests\\fixtures\\gui\\workstation\\Logs\\service.log").c_str(),
                  (m_dir / "Logs\\service.log").c_str(), FALSE);
    }

    void WriteReport(const Report& report)
    {
        CreateDirectoryA((m_dir / "Data").c_str(), nullptr);
        for (const auto& entry : report)
            WritePrivateProfileStringA(entry.first.first.c_str(), entry.first.second.c_str(), entry.second.c_str(),
                                       ReportPath().c_str());
    }
    std::string ReportPath() const { return m_dir / "Data\\Corvidadata.ini"; }
    std::string ReportValue(const char* section, const char* key) const
    {
        char value[4000] = {};
        GetPrivateProfileStringA(section, key, "<absent>", value, sizeof(value), ReportPath().c_str());
        return value;
    }
    bool Start(ProgramSession& session) { return session.Start(m_exe, m_dir.Path()); }
    const ScratchDir& Dir() const { return m_dir; }

private:
    ScratchDir m_dir;
    std::string m_exe;
};

class CorvidaGui : public ::testing::Test {
protected:
    void SetUp() override { ResetRegistry("Aldera 800"); }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey); }
};

// The file's last-write time and size as text ("" when it does not exist).
std::string WriteStamp(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return std::string();
    return std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" + std::to_string(data.ftLastWriteTime.dwLowDateTime) +
           ":" + std::to_string(data.nFileSizeLow);
}

HWND Control(HWND main, int id)
{
    HWND page = gui::PageWithControl(main, id);
    return page ? GetDlgItem(page, id) : GetDlgItem(main, id);
}

// Answers the message box that is expected now and returns "caption|text".
std::string AnswerBox(const ProgramSession& session, int button, DWORD timeoutMs = kShort)
{
    HWND box = session.WaitMessageBox(timeoutMs);
    if (!box)
        return "<no message box>";
    std::string seen = gui::WindowText(box) + "|" + gui::BoxText(box);
    gui::PostClick(box, button);
    gui::WaitFor([&] { return !IsWindow(box); }, kShort);
    return seen;
}

}  // namespace

TEST_F(CorvidaGui, OpensOnTheCustomerPageWithTheFocusOnClose)
{
    Workstation station("open");
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    EXPECT_EQ("Corvida - Customer information", gui::WindowText(main));
    HWND page = gui::PageWithControl(main, IDC_CUSTOMER_NAME);
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_TRUE(gui::WaitFor([&] { return session.FocusWindow() == GetDlgItem(main, IDC_CLOSE); }, kShort));
    // Nothing is filled: the mandatory markers show, the optional ones do not.
    EXPECT_EQ("*", gui::WindowText(GetDlgItem(page, IDC_MARK_NAME)));
    EXPECT_EQ("*", gui::WindowText(GetDlgItem(page, IDC_MARK_DURATION)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_MARK_ID)));
    // No detected serial number: the editable box is the one shown.
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, IDC_SERIAL_TYPED)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_SERIAL_DETECTED)));
    gui::Screenshot(main, "customer-page-empty");
    gui::PostClick(main, IDC_CLOSE);
    EXPECT_TRUE(session.WaitExit(5000));
}

TEST_F(CorvidaGui, TabsShowEachPageOnceCreatedAndKeepTheirEntries)
{
    Workstation station("tabs");
    station.WriteReport(CompleteReport());
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    gui::Screenshot(main, "customer-page");

    struct Tab {
        int index;
        const char* title;
        int firstEdit;
        const char* shot;
    } tabs[] = {{1, "Corvida - General information", IDC_GENERAL_TEXT_BASE + 1, "general-page"},
                {2, "Corvida - Hardware information", IDC_HARDWARE_TEXT_BASE + 1, "hardware-page"},
                {3, "Corvida - Software information", IDC_SOFTWARE_TEXT_BASE + 1, "software-page"},
                {4, "Corvida - Performance information", IDC_PERFORMANCE_TEXT_BASE + 1, "performance-page"}};
    for (const Tab& tab : tabs) {
        SCOPED_TRACE(tab.title);
        ASSERT_TRUE(gui::SelectTab(main, tab.index));
        EXPECT_EQ(tab.title, gui::WindowText(main));
        HWND page = gui::PageWithControl(main, tab.firstEdit);
        ASSERT_NE(nullptr, page);
        EXPECT_TRUE(IsWindowVisible(page));
        EXPECT_FALSE(IsWindowVisible(gui::PageWithControl(main, IDC_CUSTOMER_NAME)));
        gui::Screenshot(main, tab.shot);
    }

    // An entry on the Hardware page survives a trip to another tab: same page window.
    ASSERT_TRUE(gui::SelectTab(main, 2));
    HWND hardware = gui::PageWithControl(main, IDC_HARDWARE_TEXT_BASE + 1);
    gui::SetText(GetDlgItem(hardware, IDC_HARDWARE_TEXT_BASE + 3), "Head recalibrated");
    ASSERT_TRUE(gui::SelectTab(main, 0));
    ASSERT_TRUE(gui::SelectTab(main, 2));
    EXPECT_EQ(hardware, gui::PageWithControl(main, IDC_HARDWARE_TEXT_BASE + 1));
    EXPECT_EQ("Head recalibrated", gui::WindowText(GetDlgItem(hardware, IDC_HARDWARE_TEXT_BASE + 3)));
    // Answers loaded as 2 show No; on General Yes.
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(hardware, IDC_HARDWARE_NO_BASE + 1), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(GetDlgItem(hardware, IDC_HARDWARE_YES_BASE + 1), BM_GETCHECK, 0, 0));
    // The eighth Hardware row exists but is hidden.
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hardware, IDC_HARDWARE_TEXT_BASE + 8)));

    gui::PostClick(main, IDC_CLOSE);
    EXPECT_EQ("Confirmation|" + std::string(kSaveQuestion), AnswerBox(session, IDYES));
    EXPECT_TRUE(session.WaitExit(5000));
    EXPECT_EQ("Head recalibrated", station.ReportValue("GroupHardware", "HardwareQ3Text"));
}

TEST_F(CorvidaGui, SaveQuestionFollowsWhichPageWasOpenedFirst)
{
    struct Case {
        const char* name;
        int tab;          // opened after the change, -1 none
        bool asked;
    } cases[] = {
        {"no tab", -1, true},
        {"General first", 1, true},       // the General page keeps the change counted
        {"Hardware first", 2, false},     // the Hardware page's first opening forgets it
        {"Performance first", 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workstation station(std::string("savequestion") + std::to_string(c.tab + 1));
        station.WriteReport(CompleteReport());
        ProgramSession session;
        ASSERT_TRUE(station.Start(session));
        HWND main = session.Main();
        gui::SetText(Control(main, IDC_CUSTOMER_NAME), "Northern Press");
        if (c.tab >= 0) {
            ASSERT_TRUE(gui::SelectTab(main, c.tab));
        }
        gui::PostClick(main, IDC_CLOSE);
        if (c.asked)
            EXPECT_EQ("Confirmation|" + std::string(kSaveQuestion), AnswerBox(session, IDNO));
        else
            EXPECT_FALSE(session.MessageBoxAppears(1000));
        EXPECT_TRUE(session.WaitExit(5000));
        EXPECT_EQ("Harbor Print Ltd", station.ReportValue("GroupCustomer", "CustomerName"));
    }
}

TEST_F(CorvidaGui, EscapeEndsWithoutSavingWhileCloseSavesTheFirstReport)
{
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "Close");
        Workstation station(escape ? "escape" : "close");
        ProgramSession session;
        ASSERT_TRUE(station.Start(session));
        HWND main = session.Main();
        gui::SetText(Control(main, IDC_CUSTOMER_NAME), "Northern Press");
        if (escape)
            gui::PressKey(GetDlgItem(main, IDC_CLOSE), VK_ESCAPE);
        else
            gui::PostClick(main, IDC_CLOSE);
        EXPECT_FALSE(session.MessageBoxAppears(800));
        ASSERT_TRUE(session.WaitExit(5000));
        EXPECT_EQ(!escape, PathExists(station.ReportPath()));
        if (!escape) {
            EXPECT_EQ("Northern Press", station.ReportValue("GroupCustomer", "CustomerName"));
        }
    }
}

TEST_F(CorvidaGui, SessionEndSavesWhatWasTypedWithoutAQuestion)
{
    // Log-off or shutdown while a report is being typed: with a saved report and a changed
    // field, and before the first save.
    for (bool saved : {true, false}) {
        SCOPED_TRACE(saved ? "changed report" : "first report");
        Workstation station(saved ? "session_end_saved" : "session_end_new");
        if (saved)
            station.WriteReport(CompleteReport());
        ProgramSession session;
        ASSERT_TRUE(station.Start(session));
        HWND main = session.Main();
        gui::SetText(Control(main, IDC_CUSTOMER_NAME), "Northern Press");

        DWORD_PTR answer = 0;
        ASSERT_NE(0, SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, kShort, &answer));
        EXPECT_EQ(TRUE, static_cast<BOOL>(answer)) << "the session may end";
        ASSERT_NE(0, SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, kShort, &answer));
        EXPECT_FALSE(session.MessageBoxAppears(800)) << "no question at log-off";
        EXPECT_EQ("Northern Press", station.ReportValue("GroupCustomer", "CustomerName"));
        if (saved) {
            EXPECT_EQ("Dana Frost", station.ReportValue("GroupInstallation", "InstallationTeamMember1"));
        }

        // Saved as Save saves: a Close afterwards has nothing left to ask.
        gui::PostClick(main, IDC_CLOSE);
        EXPECT_FALSE(session.MessageBoxAppears(800));
        EXPECT_TRUE(session.WaitExit(kShort));
    }
}

TEST_F(CorvidaGui, SubmitRefusalsShowTheMessageAndTheFieldToFill)
{
    struct Case {
        const char* name;
        const char* section;
        std::string key;
        const char* value;
        const char* message;
        const char* title;
        int focus;
    } cases[] = {
        {"maker's name", "GroupCustomer", "CustomerName", "VELMORA", kMakerName, "Corvida - Customer information", IDC_CUSTOMER_NAME},
        {"empty name", "GroupCustomer", "CustomerName", "", kMandatory, "Corvida - Customer information", IDC_CUSTOMER_NAME},
        {"region not chosen", "GroupCustomer", "CustomerRegion", "", kMandatory, "Corvida - Customer information",
         IDC_REGION},
        {"placeholder chosen again", "GroupCustomer", "CustomerRegion", nullptr, kMandatory,
         "Corvida - Customer information", IDC_REGION},
        {"duration", "GroupInstallation", "InstallationDuration", "", kMandatory, "Corvida - Customer information",
         IDC_DURATION},
        {"General 4", "GroupGeneral", "GeneralQ4YN", "-1", kMandatory, "Corvida - General information", IDC_GENERAL_TEXT_BASE + 4},
        {"Software 3", "GroupSoftware", "SoftwareQ3YN", "", kMandatory, "Corvida - Software information", IDC_SOFTWARE_TEXT_BASE + 3},
        {"Performance 6", "GroupPerformance", "PerformanceQ6YN", "-1", kMandatory,
         "Corvida - Performance information", IDC_PERFORMANCE_TEXT_BASE + 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Workstation station(std::string("refuse") + std::to_string(&c - cases));
        Report report = CompleteReport();
        if (c.value)
            report[{c.section, c.key}] = c.value;
        station.WriteReport(report);
        ProgramSession session;
        ASSERT_TRUE(station.Start(session));
        HWND main = session.Main();
        gui::SetText(Control(main, IDC_SO_NUMBER), "SO-77");
        if (!c.value) {  // the user picks the list's placeholder again
            ASSERT_TRUE(gui::ChooseListEntry(gui::PageWithControl(main, IDC_REGION), IDC_REGION, " Select ..."));
        }
        gui::PostClick(main, IDC_SUBMIT);
        EXPECT_EQ("Error|" + std::string(c.message), AnswerBox(session, IDOK));
        EXPECT_TRUE(gui::WaitFor([&] { return gui::WindowText(main) == c.title; }, kShort)) << gui::WindowText(main);
        HWND expected = Control(main, c.focus);
        EXPECT_TRUE(gui::WaitFor([&] { return session.FocusWindow() == expected; }, kShort));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_SUBMIT)));
        if (c.focus == IDC_CUSTOMER_NAME && c.message == kMakerName)
            gui::Screenshot(main, "submit-refused-focus");
        // The report was saved before the checks.
        EXPECT_EQ("SO-77", station.ReportValue("GroupCustomer", "CustomerSONumber"));
        PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(session.WaitExit(5000));
    }
}

TEST_F(CorvidaGui, InvalidCharactersAreRefusedWithTheLastOneNamed)
{
    struct Case {
        int control;
        const char* typed;
        const char* message;
        const char* shownAfter;
    } cases[] = {
        {IDC_CUSTOMER_NAME, "a/b:c", "Invalid character ':' in File Format field.", "Harbor Print Ltd"},
        {IDC_CUSTOMER_NAME, "50% <off>", "Invalid character '%' in File Format field.", "Harbor Print Ltd"},
        {IDC_SERIAL_TYPED, "SN|12", "Invalid character '|' in File Format field.", "SN4711"},
    };
    Workstation station("invalid");
    station.WriteReport(CompleteReport());
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        HWND control = Control(main, c.control);
        gui::SetTextAsync(control, c.typed);
        HWND box = session.WaitMessageBox(kShort);
        ASSERT_NE(nullptr, box);
        if (&c == cases)
            gui::Screenshot(box, "invalid-character");
        EXPECT_EQ("Error|" + std::string(c.message), AnswerBox(session, IDOK));
        EXPECT_TRUE(gui::WaitFor([&] { return gui::WindowText(control) == c.shownAfter; }, kShort))
            << gui::WindowText(control);
    }
    // Accepted edits: the maker's name keeps the asterisk, a real name clears it.
    HWND page = gui::PageWithControl(main, IDC_CUSTOMER_NAME);
    gui::SetText(GetDlgItem(page, IDC_CUSTOMER_NAME), "Velmora");
    EXPECT_EQ("*", gui::WindowText(GetDlgItem(page, IDC_MARK_NAME)));
    gui::SetText(GetDlgItem(page, IDC_CUSTOMER_NAME), "Velmora Print Services");
    EXPECT_EQ("", gui::WindowText(GetDlgItem(page, IDC_MARK_NAME)));
    gui::SetText(GetDlgItem(page, IDC_SERIAL_TYPED), "   ");
    EXPECT_EQ("*", gui::WindowText(GetDlgItem(page, IDC_MARK_SERIAL)));
    gui::PostClick(main, IDC_SAVE);  // Save, although the button cannot be seen
    // Stored as "user^" and the blanks (the profile writer may drop blanks at a line's end).
    EXPECT_TRUE(gui::WaitFor([&] {
        return station.ReportValue("GroupProduct", "ProductSerialNumber") == "user^";
    }, kShort));
    EXPECT_EQ("Velmora Print Services", station.ReportValue("GroupCustomer", "CustomerName"));
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(session.WaitExit(5000));
}

TEST_F(CorvidaGui, AnEndDateBeforeTheStartIsRefused)
{
    Workstation station("dates");
    Report report = CompleteReport();
    report[{"GroupInstallation", "InstallationStart"}] = "2024-06-15";
    report[{"GroupInstallation", "InstallationEnd"}] = "2024-06-15";
    station.WriteReport(report);
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    HWND end = Control(main, IDC_END_DATE);
    // A click on the first field of the end date, then the down arrow: it goes back by one.
    SendMessageA(end, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 8));
    SendMessageA(end, WM_LBUTTONUP, 0, MAKELPARAM(6, 8));
    gui::PressKey(end, VK_DOWN);
    EXPECT_EQ("Confirmation|Missing or invalid value in the Date field.", AnswerBox(session, IDOK, 3000));
    // Save replaces the report file: wait for the new one.
    const std::string before = WriteStamp(station.ReportPath());
    gui::PostClick(main, IDC_SAVE);
    EXPECT_TRUE(gui::WaitFor([&] { return WriteStamp(station.ReportPath()) != before; }, kShort));
    EXPECT_EQ("2024-06-15", station.ReportValue("GroupInstallation", "InstallationEnd"));
    EXPECT_EQ("2024-06-15", station.ReportValue("GroupInstallation", "InstallationStart"));
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(session.WaitExit(5000));
}

TEST_F(CorvidaGui, HelpAndAboutShowTheirTexts)
{
    Workstation station("help");
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    gui::PostClick(main, IDC_HELPBUTTON);
    HWND help = session.WaitDialog("Corvida Help", kShort);
    ASSERT_NE(nullptr, help);
    std::string text = gui::WindowText(GetDlgItem(help, IDC_HELP_TEXT));
    EXPECT_EQ(0u, text.find("An installation report provides specific information"));
    EXPECT_NE(std::string::npos, text.find("procedures. \n\nThe Corvida located"));
    EXPECT_NE(std::string::npos, text.rfind("and the reminder stops."));
    size_t breaks = 0;
    for (size_t at = text.find(" \n\n"); at != std::string::npos; at = text.find(" \n\n", at + 1))
        ++breaks;
    EXPECT_EQ(6u, breaks);
    gui::Screenshot(help, "help-dialog");
    gui::PostClick(help, IDOK);
    ASSERT_TRUE(gui::WaitFor([&] { return !IsWindow(help); }, kShort));

    PostMessageA(main, WM_SYSCOMMAND, 16, 0);
    HWND about = session.WaitDialog("About Corvida", kShort);
    ASSERT_NE(nullptr, about);
    gui::Screenshot(about, "about-box");
    gui::PostClick(about, IDOK);
    ASSERT_TRUE(gui::WaitFor([&] { return !IsWindow(about); }, kShort));
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(session.WaitExit(5000));
}

TEST_F(CorvidaGui, BackupQuestionAnsweredNoKeepsTheWindow)
{
    // A backup is required within 30 days and none exists.
    Workstation station("backup", "127.0.0.59\\incoming", "30d");
    station.WriteReport(CompleteReport());
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    gui::PostClick(main, IDC_SUBMIT);
    HWND progress = session.WaitDialog("Installation Report Submission", kShort);
    ASSERT_NE(nullptr, progress);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_SUBMIT)));
    gui::Screenshot(progress, "submission-window");
    EXPECT_EQ("Confirmation|" + std::string(kBackupQuestion), AnswerBox(session, IDNO, 15000));
    EXPECT_TRUE(session.Running());
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindowEnabled(GetDlgItem(main, IDC_SUBMIT)); }, kShort));
    EXPECT_EQ("<absent>", ReadState("Data Submission Performed"));
    gui::PostClick(main, IDC_CLOSE);
    EXPECT_FALSE(session.MessageBoxAppears(800));
    EXPECT_TRUE(session.WaitExit(5000));
}

TEST_F(CorvidaGui, FullSubmitSendsTheReportAndCleansUp)
{
    FtpServer server("127.0.0.50", FtpServer::Mode::Normal, {"incoming"});
    ASSERT_TRUE(server.Start());
    Workstation station("submit_ok", "127.0.0.50\\incoming");
    station.WriteReport(CompleteReport());
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    HWND main = session.Main();
    gui::PostClick(main, IDC_SUBMIT);
    HWND box = session.WaitMessageBox(kLong);
    ASSERT_NE(nullptr, box);
    gui::Screenshot(box, "submission-sent");
    EXPECT_EQ("Notification|" + std::string(kSent), AnswerBox(session, IDOK));
    ASSERT_TRUE(session.WaitExit(10000));

    EXPECT_EQ("1", ReadState("Data Submission Performed"));
    EXPECT_EQ("1", ReadState("Data Submission Completed"));
    EXPECT_FALSE(PathExists(station.ReportPath()));
    std::string listing;
    RunHost("ls '" + UnixPath(server.Root()) + "/incoming'", &listing);
    EXPECT_NE(std::string::npos, listing.find("SN4711")) << listing;
    EXPECT_NE(std::string::npos, listing.find(".zip")) << listing;
}

TEST_F(CorvidaGui, SubmitWithTheServerDownEndsWithTheFailureMessage)
{
    FtpServer server("127.0.0.51", FtpServer::Mode::ServerDown);
    ASSERT_TRUE(server.Start());
    Workstation station("submit_down", "127.0.0.51\\incoming");
    station.WriteReport(CompleteReport());
    ProgramSession session;
    ASSERT_TRUE(station.Start(session));
    gui::PostClick(session.Main(), IDC_SUBMIT);
    HWND box = session.WaitMessageBox(kLong);
    ASSERT_NE(nullptr, box);
    gui::Screenshot(box, "submission-failed");
    EXPECT_EQ("Error|" + std::string(kFailed), AnswerBox(session, IDOK));
    ASSERT_TRUE(session.WaitExit(10000));
    EXPECT_EQ("1", ReadState("Data Submission Performed"));
    EXPECT_EQ("<absent>", ReadState("Data Submission Completed"));
    // Nothing was sent: the report stays for a later Submit.
    EXPECT_EQ("Harbor Print Ltd", station.ReportValue("GroupCustomer", "CustomerName"));
}
