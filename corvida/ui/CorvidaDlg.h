#pragma once
// The main report window: tab strip, one page at a time, and the Close, Help, Save and
// Submit commands. It owns the report record and the states the pages use.
#include "GenericChildDialog.h"
#include "MainDlg.h"
#include "QuestionPages.h"
#include "ReportRecord.h"
#include "Widgets.h"

#include <string>

class CCorvidaDlg : public CDialog, public CReportHost {
public:
    CCorvidaDlg();
    ~CCorvidaDlg() override;

    void ShowPage(int index, int control, bool focus);
    void EnableCommands(bool enable);

    // CReportHost
    ReportRecord& Record() override { return m_record; }
    bool IsPagesInitialising() const override { return m_bPagesInitialising; }
    void SetPagesInitialising(bool on) override { m_bPagesInitialising = on; }
    void SetModified(bool on) override { m_bModified = on; }
    void UpdateQuestionMarker(CColorStatic& marker, bool yes, bool no) override;

    bool IsModified() const { return m_bModified; }
    int CurrentPage() const { return m_nCurrentPage; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void SaveReport();
    void CloseReport();
    void SaveForSessionEnd();
    void OnHelp();
    void OnSubmit();
    // Runs the submission window; the result code is 0 unless it ended by itself.
    int RunSubmissionWindow(int mode, std::string& message);
    void SetIcons();

    ReportRecord m_record;
    bool m_bModified = false;
    bool m_bPagesInitialising = true;
    bool m_bSubmitPressed = false;
    int m_nCurrentPage = -1;

    CMainDlg m_customerPage;
    CGeneralDlg m_generalPage;
    CHardwareDlg m_hardwarePage;
    CSoftwareDlg m_softwarePage;
    CPerformanceDlg m_performancePage;
    CGenericChildDialog* m_pages[5];
    bool m_bPageCreated[5] = {false, false, false, false, false};

    HICON m_hIcon = nullptr;  // shared resource icon: not destroyed
    IconHandle m_smallIcon;
    CThemeHelper m_themeHelper;
    CThemedButton m_btnSave;
    CThemedButton m_btnSubmit;
    CThemedButton m_btnHelp;
    CThemedButton m_btnClose;
};
