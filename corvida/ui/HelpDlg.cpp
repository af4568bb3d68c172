#include "HelpDlg.h"

#include "PageLogic.h"
#include "resource.h"

CHelpDlg::CHelpDlg() : CDialog(IDD_HELP_DIALOG) {}

CHelpDlg::~CHelpDlg()
{
    if (m_font)
        DeleteObject(m_font);
}

BOOL CHelpDlg::OnInitDialog()
{
    AttachColorStatic(IDC_HELP_TEXT, m_text);
    m_font = CreateFontA(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    SendMessageA(Item(IDC_HELP_TEXT), WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    m_text.SetLabelTextColor(RGB(0, 0, 0));
    SetItemText(IDC_HELP_TEXT, BuildHelpText());
    return TRUE;
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

CEmptyDlg::CEmptyDlg(SubmissionResult& result) : CDialog(IDD_EMPTY_DIALOG), m_result(result) {}

BOOL CEmptyDlg::OnInitDialog()
{
    CWaitCursor wait;
    SetTimer(m_hWnd, 1, 3000, nullptr);
    StartSubmissionWorker(m_result);
    return TRUE;
}

void CEmptyDlg::OnTimer(UINT_PTR id)
{
    if (id == 1 && m_result.done) {
        KillTimer(m_hWnd, 1);
        EndDialog(IDOK);
    }
}

void CEmptyDlg::OnOK()
{
    // Enter would press the hidden OK button: the window ends only when the worker is done.
    if (m_result.done) {
        KillTimer(m_hWnd, 1);
        EndDialog(IDOK);
    }
}
