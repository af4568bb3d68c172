// The window layer in-process: its decisions, and the question pages created from their
// templates on a hidden parent and driven with window messages on this thread.
#include "Dialog.h"
#include "PageLogic.h"
#include "ReportStore.h"
#include "QuestionPages.h"
#include "Widgets.h"

#include <gtest/gtest.h>

#include <commctrl.h>

TEST(PageLogic, InvalidCharactersReportTheLastOneInTestOrder)
{
    struct Case {
        const char* text;
        bool refuseStar;
        bool refused;
        char character;
    } cases[] = {
        {"Harbor Print", false, false, 0},
        {"", false, true, 0},  // refused, but without a character: emptying is accepted
        {"a/b:c", false, true, ':'},
        {"50% <off>", false, true, '%'},
        {"x\\y|z", false, true, '|'},
        {"it's", false, true, '\''},
        {"star*", false, false, 0},
        {"star*", true, true, '*'},
        {"~/*", true, true, '*'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        InvalidCharacter result = FindInvalidCharacter(c.text, c.refuseStar);
        EXPECT_EQ(c.refused, result.refused);
        EXPECT_EQ(c.character, result.character);
    }
    EXPECT_EQ("Invalid character ':' in File Format field.", InvalidCharacterMessage(':'));
}

TEST(PageLogic, MarkersAndTheMakersName)
{
    EXPECT_TRUE(MarkerShowsAsterisk(""));
    EXPECT_TRUE(MarkerShowsAsterisk(" Select ..."));
    EXPECT_FALSE(MarkerShowsAsterisk("   "));
    EXPECT_FALSE(MarkerShowsAsterisk("."));
    EXPECT_TRUE(IsMakerName("VELMORA"));
    EXPECT_TRUE(IsMakerName("velmora"));
    EXPECT_FALSE(IsMakerName("Velmora Print Services"));
    EXPECT_FALSE(IsMakerName(" velmora"));
}

TEST(PageLogic, ChoiceEntriesMatchByBeginningWithoutCase)
{
    std::vector<std::string> entries = {" Select ...", "Americas", "Asia Pacific", "Europe"};
    EXPECT_EQ(3, FindChoiceEntry(entries, "europe"));
    EXPECT_EQ(2, FindChoiceEntry(entries, "As"));
    EXPECT_EQ(-1, FindChoiceEntry(entries, ""));
    EXPECT_EQ(-1, FindChoiceEntry(entries, " Select"));
    EXPECT_EQ(-1, FindChoiceEntry(entries, "Europe West"));
}

TEST(PageLogic, LineBreaksAndTitles)
{
    EXPECT_EQ("one\xA5two", EncodeLineBreaks("one\r\ntwo"));
    EXPECT_EQ("lone\nfeed", EncodeLineBreaks("lone\nfeed"));
    EXPECT_EQ("one\r\ntwo", DecodeLineBreaks("one\xA5two"));
    EXPECT_EQ("Corvida - Customer information", WindowTitleForPage(0));
    EXPECT_EQ("Corvida - Performance information", WindowTitleForPage(4));
    EXPECT_EQ("Corvida - Empty", WindowTitleForPage(-1));
}

TEST(PageLogic, HelpTextHasSevenParagraphs)
{
    std::string text = BuildHelpText();
    size_t count = 0;
    for (size_t at = text.find(" \n\n"); at != std::string::npos; at = text.find(" \n\n", at + 1))
        ++count;
    EXPECT_EQ(6u, count);
    EXPECT_EQ(0u, text.find("An installation report provides"));
    EXPECT_EQ(text.size() - std::string("the reminder stops.").size(), text.rfind("the reminder stops."));
}

TEST(ThemedButton, StateFollowsDisabledPressedHotDefault)
{
    struct Case {
        bool disabled, pressed, hot, isDefault, toolbar, themeAtAttach;
        int state;
    } cases[] = {
        {true, true, true, true, false, true, ButtonStateDisabled},
        {false, true, true, true, false, true, ButtonStatePressed},
        {false, false, true, true, false, true, ButtonStateHot},
        {false, false, false, true, false, true, ButtonStateDefault},
        {false, false, false, true, true, true, ButtonStateNormal},   // toolbar look, themed
        {false, false, false, true, true, false, ButtonStateDefault}, // no theme when attached
        {false, false, false, false, false, true, ButtonStateNormal},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.state, ChooseThemedButtonState(c.disabled, c.pressed, c.hot, c.isDefault, c.toolbar,
                                                   c.themeAtAttach));
}

TEST(ThemeHelper, FunctionsAnswerWithoutFailing)
{
    CThemeHelper helper;
    // Whatever the platform offers, the calls return and a missing theme gives no handle.
    if (!helper.IsLoaded()) {
        EXPECT_EQ(nullptr, helper.OpenThemeData(nullptr, L"BUTTON"));
        EXPECT_EQ(E_FAIL, helper.CloseThemeData(nullptr));
        EXPECT_FALSE(helper.IsAppThemed());
    } else {
        helper.IsThemeActive();
        EXPECT_EQ(nullptr, helper.OpenThemeData(nullptr, L"NO-SUCH-CLASS"));
    }
}

namespace {

// Stands in for the main window: the record, the two states and the question marker rule.
class FakeHost : public CReportHost {
public:
    ReportRecord record;
    bool initialising = false;
    bool modified = false;
    ReportRecord& Record() override { return record; }
    bool IsPagesInitialising() const override { return initialising; }
    void SetPagesInitialising(bool on) override { initialising = on; }
    void SetModified(bool on) override { modified = on; }
    void UpdateQuestionMarker(CColorStatic& marker, bool yes, bool no) override
    {
        ShowMissingMarker(marker, !yes && !no);
        if (!initialising)
            modified = true;
    }
};

class QuestionPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetResourceModule(GetModuleHandleA(nullptr));
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        m_parent = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        // A hidden place holder, as the main window has one per page.
        CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_GROUPBOX, 3, 30, 100, 50, m_parent,
                        reinterpret_cast<HMENU>(1034), nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(m_parent); }

    template <typename Page>
    std::unique_ptr<Page> Create()
    {
        auto page = std::make_unique<Page>(m_host);
        EXPECT_TRUE(page->CreateGenericChildDialog(m_parent, 1034, 0));
        return page;
    }
    std::string Text(CDialog& page, int id) { return page.GetItemText(id); }
    void Click(CDialog& page, int id) { SendMessageA(page.Item(id), BM_CLICK, 0, 0); }
    bool Checked(CDialog& page, int id) { return page.IsChecked(id); }

    FakeHost m_host;
    HWND m_parent = nullptr;
};

}  // namespace

TEST_F(QuestionPageTest, PageTakesThePlaceHoldersCornerAndItsSize)
{
    auto page = Create<CHardwareDlg>();
    RECT place, pageRect;
    GetWindowRect(GetDlgItem(m_parent, 1034), &place);
    GetWindowRect(page->GetSafeHwnd(), &pageRect);
    EXPECT_EQ(place.left, pageRect.left);
    EXPECT_EQ(place.top, pageRect.top);
    EXPECT_EQ(pageRect.right - pageRect.left, place.right - place.left);
    EXPECT_EQ(pageRect.bottom - pageRect.top, place.bottom - place.top);
}

TEST_F(QuestionPageTest, LoadsAnswersTextsAndMarkers)
{
    m_host.record.HardwareQ1YN = 1;
    m_host.record.HardwareQ2YN = 7;  // any value but -1 and 1 shows as No
    m_host.record.HardwareQ3Text = "two\r\nlines";
    auto page = Create<CHardwareDlg>();
    EXPECT_EQ("1. Were there any problems related to factory configuration and integration of the CTP device "
              "(incorrect firmware or configuration, alignment problems, assembly problems, missing ECOs)?",
              Text(*page, 1155));
    EXPECT_TRUE(Checked(*page, 1185));
    EXPECT_FALSE(Checked(*page, 1175));
    EXPECT_TRUE(Checked(*page, 1176));
    EXPECT_FALSE(Checked(*page, 1186));
    EXPECT_EQ("", Text(*page, 1195));
    EXPECT_EQ("", Text(*page, 1196));
    EXPECT_EQ("*", Text(*page, 1197));
    EXPECT_EQ("two\r\nlines", Text(*page, 1167));
    EXPECT_EQ(7, m_host.record.HardwareQ2YN);  // shown as No, kept until a click
}

TEST_F(QuestionPageTest, FirstLoadOfHardwareClearsModifiedButGeneralKeepsIt)
{
    struct Case {
        const char* page;
        bool modifiedAfter;
    } cases[] = {{"General", true}, {"Hardware", false}, {"Software", false}, {"Performance", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        m_host.modified = true;
        m_host.initialising = false;
        std::unique_ptr<CQuestionPage> page;
        std::string name = c.page;
        if (name == "General")
            page = Create<CGeneralDlg>();
        else if (name == "Hardware")
            page = Create<CHardwareDlg>();
        else if (name == "Software")
            page = Create<CSoftwareDlg>();
        else
            page = Create<CPerformanceDlg>();
        EXPECT_EQ(c.modifiedAfter, m_host.modified);
        EXPECT_FALSE(m_host.initialising);
    }
}

TEST_F(QuestionPageTest, GeneralYesClearsNoOfTheSameRowOnly)
{
    m_host.record.GeneralQ2YN = 2;
    m_host.record.GeneralQ3YN = 2;
    auto page = Create<CGeneralDlg>();
    Click(*page, 1133);  // Yes of question 2
    EXPECT_TRUE(Checked(*page, 1133));
    EXPECT_FALSE(Checked(*page, 1123));
    EXPECT_TRUE(Checked(*page, 1124));
    EXPECT_EQ(1, m_host.record.GeneralQ2YN);
    EXPECT_EQ(2, m_host.record.GeneralQ3YN);
    // Question 7 is a text without Yes/No and never shows a marker.
    EXPECT_EQ(nullptr, page->Item(1138));
    EXPECT_FALSE(IsWindowVisible(page->Item(1148)));
}

TEST_F(QuestionPageTest, AnswersAndTextsGoStraightIntoTheRecord)
{
    auto page = Create<CSoftwareDlg>();
    m_host.modified = false;
    SendMessageA(page->Item(1219), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("first\r\nsecond"));
    EXPECT_EQ("first\xA5second", m_host.record.SoftwareQ2Text);
    EXPECT_EQ("*", Text(*page, 1249));  // a text alone leaves the question unanswered
    EXPECT_TRUE(m_host.modified);
    Click(*page, 1229);  // No of question 2
    EXPECT_EQ(2, m_host.record.SoftwareQ2YN);
    EXPECT_EQ("", Text(*page, 1249));
    Click(*page, 1239);  // Yes: the radio group clears No
    EXPECT_EQ(1, m_host.record.SoftwareQ2YN);
    EXPECT_FALSE(Checked(*page, 1229));
}

TEST_F(QuestionPageTest, HiddenRowsAreInert)
{
    ReportRecord before = m_host.record;
    auto page = Create<CPerformanceDlg>();
    EXPECT_FALSE(IsWindowVisible(page->Item(1278)));
    SetWindowTextA(page->Item(1278), "ignored");
    SendMessageA(page->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(1298, BN_CLICKED),
                 reinterpret_cast<LPARAM>(page->Item(1298)));
    EXPECT_EQ(before.PerformanceQ7Text, m_host.record.PerformanceQ7Text);
    EXPECT_EQ(before.PerformanceQ7YN, m_host.record.PerformanceQ7YN);
}

TEST_F(QuestionPageTest, FocusGoesToTheFirstUnansweredQuestion)
{
    m_host.record.GeneralQ1YN = 1;
    m_host.record.GeneralQ2YN = 2;
    m_host.record.GeneralQ3YN = 1;
    auto page = Create<CGeneralDlg>();
    ShowWindow(m_parent, SW_SHOW);
    ShowWindow(page->GetSafeHwnd(), SW_SHOW);
    page->FindFirstMissingField();
    EXPECT_EQ(page->Item(1115), GetFocus());
    m_host.record.GeneralQ4YN = 1;
    m_host.record.GeneralQ5YN = 1;
    m_host.record.GeneralQ6YN = 1;
    SetFocus(page->Item(1112));
    page->FindFirstMissingField();  // all answered: the focus stays
    EXPECT_EQ(page->Item(1112), GetFocus());
}
