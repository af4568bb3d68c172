#include "CorvidaDlg.h"

#include "Submission.h"
#include "FieldCatalogue.h"
#include "FileTree.h"
#include "HelpDlg.h"
#include "PageLogic.h"
#include "ReportStore.h"
#include "StateRegistry.h"
#include "SubmissionWorker.h"
#include "resource.h"

#include <commctrl.h>

namespace {
const int kPlaceHolders[5] = {IDC_PLACE_CUSTOMER, IDC_PLACE_GENERAL, IDC_PLACE_HARDWARE, IDC_PLACE_SOFTWARE,
                              IDC_PLACE_PERFORMANCE};
const int kCommandButtons[4] = {IDC_SUBMIT, IDC_SAVE, IDC_CLOSE, IDC_HELPBUTTON};
}  // namespace

CCorvidaDlg::CCorvidaDlg()
    : CDialog(IDD_CORVIDA_DIALOG),
      m_customerPage(*this),
      m_generalPage(*this),
      m_hardwarePage(*this),
      m_softwarePage(*this),
      m_performancePage(*this),
      m_pages{&m_customerPage, &m_generalPage, &m_hardwarePage, &m_softwarePage, &m_performancePage}
{
}

CCorvidaDlg::~CCorvidaDlg() = default;

void CCorvidaDlg::SetIcons()
{
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon ? m_smallIcon.get() : m_hIcon));
}

BOOL CCorvidaDlg::OnInitDialog()
{
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    char about[128] = {};
    LoadStringA(ResourceModule(), IDS_ABOUTBOX, about, sizeof(about));
    if (systemMenu && about[0]) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
    m_hIcon = LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_smallIcon.reset(static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
    SetIcons();

    // The start-up bookkeeping (.\Data\, developer seed, first launch) ran before the window.
    if (FileExists(kReportFile))
        LoadReport(m_record);

    HWND tab = Item(IDC_TAB);
    for (int i = 0; i < 5; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kTabTexts[i]);
        SendMessageA(tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    ShowPage(0, 0, false);

    struct {
        int id;
        CThemedButton* button;
    } buttons[] = {{IDC_SAVE, &m_btnSave}, {IDC_SUBMIT, &m_btnSubmit}, {IDC_HELPBUTTON, &m_btnHelp},
                   {IDC_CLOSE, &m_btnClose}};
    for (auto& entry : buttons) {
        AttachButton(entry.id, *entry.button);
        entry.button->SetButtonStyle();
        entry.button->AttachThemeHelper(&m_themeHelper);
        entry.button->SetToolbarLook(false, true);
        FocusItem(entry.id);
    }
    m_nCurrentPage = 0;
    SetIcons();
    // The focus was placed on Close above; FALSE keeps the dialog manager from moving it.
    return FALSE;
}

void CCorvidaDlg::ShowPage(int index, int control, bool focus)
{
    if (m_nCurrentPage != -1) {
        for (int i = 0; i < 5; ++i)
            if (m_bPageCreated[i])
                ShowWindow(m_pages[i]->GetSafeHwnd(), SW_HIDE);
    }
    if (index >= 0 && index < 5) {
        CGenericChildDialog* page = m_pages[index];
        if (!m_bPageCreated[index]) {
            page->CreateGenericChildDialog(m_hWnd, kPlaceHolders[index], 0, nullptr);
            m_bPageCreated[index] = true;
        }
        ShowWindow(page->GetSafeHwnd(), SW_SHOW);
        page->FindFirstMissingField();
        if (focus)
            page->FocusControl(control);
    }
    m_nCurrentPage = index;
    SendMessageA(Item(IDC_TAB), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    SetWindowTextA(m_hWnd, WindowTitleForPage(index).c_str());
}

void CCorvidaDlg::EnableCommands(bool enable)
{
    if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE))
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    for (int id : kCommandButtons)
        EnableItem(id, enable);
}

void CCorvidaDlg::UpdateQuestionMarker(CColorStatic& marker, bool yes, bool no)
{
    ShowMissingMarker(marker, !yes && !no);
    if (!m_bPagesInitialising)
        m_bModified = true;
}

void CCorvidaDlg::SaveReport()
{
    ::SaveReport(m_record);
    m_bModified = false;
}

void CCorvidaDlg::CloseReport()
{
    CWaitCursor wait;
    if (!FileExists(kReportFile)) {
        // After a Submit the clean-up may have removed the report on purpose.
        if (!m_bSubmitPressed)
            SaveReport();
    } else if (m_bModified) {
        if (MessageBoxA(m_hWnd, kSaveQuestion, "Confirmation", MB_YESNO | MB_ICONWARNING) == IDYES)
            SaveReport();
    }
    CheckFirstLaunch();
    EndDialog(IDCANCEL);
}

void CCorvidaDlg::SaveForSessionEnd()
{
    // Log-off or shutdown: what was typed is kept without a question, where Close would
    // keep it (a report that Submit removed on purpose stays removed).
    if (FileExists(kReportFile) ? m_bModified : !m_bSubmitPressed)
        SaveReport();
}

void CCorvidaDlg::OnHelp()
{
    if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE))
        EnableMenuItem(systemMenu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    EnableItem(IDC_SUBMIT, true);
    CHelpDlg help;
    help.DoModal(m_hWnd);
}

int CCorvidaDlg::RunSubmissionWindow(int mode, std::string& message)
{
    // The worker holds the result as well: a window closed early leaves it to the worker.
    auto result = std::make_shared<SubmissionResult>();
    result->mode = mode;
    CSubmissionProgressDlg window(result);
    if (window.DoModal(m_hWnd) != IDOK)
        return 0;
    message = result->message;
    return result->code;
}

void CCorvidaDlg::OnSubmit()
{
    m_bSubmitPressed = true;
    CWaitCursor wait;
    SaveReport();
    EnableCommands(false);

    if (IsMakerName(m_record.CustomerName)) {
        MessageBoxA(m_hWnd, kMakerNameRefused, "Error", MB_OK | MB_ICONERROR);
        EnableCommands(true);
        ShowPage(PageCustomer, IDC_CUSTOMER_NAME, true);
        return;
    }
    MissingField missing = FindMissingMandatoryField(m_record);
    if (missing.missing) {
        MessageBoxA(m_hWnd, kMandatoryMissing, "Error", MB_OK | MB_ICONERROR);
        EnableCommands(true);
        wait.Restore();
        ShowPage(missing.page, missing.control, true);
        return;
    }

    std::string message;
    int code = RunSubmissionWindow(CheckBackupFirst, message);
    if (code == SubmissionBackupAdvised) {
        CWaitCursor waitAgain;
        if (MessageBoxA(m_hWnd, message.c_str(), "Confirmation", MB_YESNO | MB_ICONWARNING) != IDYES) {
            EnableCommands(true);
            return;
        }
        code = RunSubmissionWindow(SubmitDirectly, message);
    }
    if (code == SubmissionSent) {
        MessageBoxA(m_hWnd, kSentMessage, "Notification", MB_OK | MB_ICONINFORMATION);
    } else {
        MessageBoxA(m_hWnd, kFailedMessage, "Error", MB_OK | MB_ICONERROR);
        ShowPage(PageCustomer, IDC_CUSTOMER_NAME, true);
    }
    CloseReport();
}

bool CCorvidaDlg::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_SAVE:
        SaveReport();
        return true;
    case IDC_CLOSE:
        CloseReport();
        return true;
    case IDC_HELPBUTTON:
        OnHelp();
        return true;
    case IDC_SUBMIT:
        OnSubmit();
        return true;
    default:
        return false;
    }
}

bool CCorvidaDlg::OnNotify(int id, NMHDR* header, LRESULT&)
{
    if (id == IDC_TAB && header->code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(SendMessageA(Item(IDC_TAB), TCM_GETCURSEL, 0, 0)), 0, false);
        return true;
    }
    return false;
}

bool CCorvidaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message) {
    case WM_CLOSE:
        CloseReport();
        result = TRUE;
        return true;
    case WM_QUERYENDSESSION:
        // Saved here already: after the end-session message the process may be ended at
        // any moment. The session may end.
        SaveForSessionEnd();
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        if (wParam)
            SaveForSessionEnd();
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        result = TRUE;
        return true;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg about;
            about.DoModal(m_hWnd);
            result = TRUE;
            return true;
        }
        return false;
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(m_hWnd, &paint);
            SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            RECT client;
            GetClientRect(m_hWnd, &client);
            int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
            int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
            DrawIcon(dc, x, y, m_hIcon);
            EndPaint(m_hWnd, &paint);
            result = TRUE;
            return true;
        }
        return false;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    default:
        return false;
    }
}
