#pragma once
// The help window, the About box and the window shown while a submission runs.
#include "Dialog.h"
#include "SubmissionWorker.h"
#include "Widgets.h"

class CHelpDlg : public CDialog {
public:
    CHelpDlg();
    ~CHelpDlg() override;

protected:
    BOOL OnInitDialog() override;

private:
    CColorStatic m_text;
    HFONT m_font = nullptr;
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};

// Runs one submission on a worker thread while it shows; ends with IDOK once the worker
// is done (seen by a 3000 ms timer). Escape ends it at once with IDCANCEL.
class CEmptyDlg : public CDialog {
public:
    // `result` must outlive the worker, which may still run after the window has ended.
    explicit CEmptyDlg(SubmissionResult& result);

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override;

private:
    SubmissionResult& m_result;
};
