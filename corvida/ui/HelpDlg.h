#pragma once
// The help window, the About box and the window shown while a submission runs.
#include "Dialog.h"
#include "SubmissionWorker.h"
#include "Widgets.h"

#include <memory>

class CHelpDlg : public CDialog {
public:
    CHelpDlg();
    ~CHelpDlg() override;

protected:
    BOOL OnInitDialog() override;

private:
    CColorStatic m_text;
    FontHandle m_font;
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
};

// The submission-in-progress window: runs one submission on a worker thread while it
// shows and ends with IDOK when the worker has told it that it is done, but not before
// it has shown for 3 s. Escape ends it at once with IDCANCEL; the worker then goes on
// with its own hold on the result.
class CSubmissionProgressDlg : public CDialog {
public:
    explicit CSubmissionProgressDlg(std::shared_ptr<SubmissionResult> result);

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void EndWhenDone();

    std::shared_ptr<SubmissionResult> m_result;
    bool m_bShownLongEnough = false;
    bool m_bWorkerDone = false;
};
