#include "HelpDlg.h"

#include "PageLogic.h"
#include "resource.h"

CHelpDlg::CHelpDlg() : CDialog(IDD_HELP_DIALOG) {}

CHelpDlg::~CHelpDlg() = default;

BOOL CHelpDlg::OnInitDialog()
{
    AttachColorStatic(IDC_HELP_TEXT, m_text);
    m_font.reset(CreateFontA(0, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
    SendMessageA(Item(IDC_HELP_TEXT), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), TRUE);
    m_text.SetLabelTextColor(RGB(0, 0, 0));
    SetItemText(IDC_HELP_TEXT, BuildHelpText());
    return TRUE;
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

namespace {
// Posted by the worker when the submission has ended.
const UINT kSubmissionDone = WM_APP + 1;
// The window stays at least this long, so that its message can be read even when the
// worker ends at once (backup advice).
const UINT_PTR kShownTimer = 1;
const UINT kMinimumShownMs = 3000;
}  // namespace

CSubmissionProgressDlg::CSubmissionProgressDlg(std::shared_ptr<SubmissionResult> result)
    : CDialog(IDD_EMPTY_DIALOG), m_result(std::move(result))
{
}

BOOL CSubmissionProgressDlg::OnInitDialog()
{
    CWaitCursor wait;
    SetTimer(m_hWnd, kShownTimer, kMinimumShownMs, nullptr);
    if (!StartSubmissionWorker(m_result, m_hWnd, kSubmissionDone))
        PostMessageA(m_hWnd, kSubmissionDone, 0, 0);
    return TRUE;
}

void CSubmissionProgressDlg::EndWhenDone()
{
    if (m_bShownLongEnough && m_bWorkerDone)
        EndDialog(IDOK);
}

void CSubmissionProgressDlg::OnTimer(UINT_PTR id)
{
    if (id != kShownTimer)
        return;
    KillTimer(m_hWnd, kShownTimer);
    m_bShownLongEnough = true;
    EndWhenDone();
}

void CSubmissionProgressDlg::OnOK()
{
    // Enter would press the hidden OK button: the window ends only as it ends by itself.
}

bool CSubmissionProgressDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result)
{
    if (message != kSubmissionDone)
        return false;
    m_bWorkerDone = true;
    EndWhenDone();
    result = TRUE;
    return true;
}
