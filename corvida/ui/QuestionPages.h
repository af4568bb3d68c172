#pragma once
// The four question pages: one implementation, driven by one table per page.
#include "GenericChildDialog.h"
#include "Widgets.h"

#include <memory>
#include <vector>

struct QuestionPageInfo {
    int templateId;
    const char* prefix;          // record keys: prefix + "Q" + n + "Text" / "YN"
    int rows;                    // rows in the template
    int visibleRows;             // rows beyond these are hidden and inert
    int labelBase, editBase, yesBase, noBase, markerBase;  // control id of row n = base + n
    bool clearsOtherButton;      // Yes/No are separate groups: the page clears the other one
    bool endsInitialisation;     // first load clears "modified" and "pages initialising"
    const char* const* questions;  // visibleRows texts
};

extern const QuestionPageInfo kGeneralPage;
extern const QuestionPageInfo kHardwarePage;
extern const QuestionPageInfo kSoftwarePage;
extern const QuestionPageInfo kPerformancePage;

class CQuestionPage : public CGenericChildDialog {
public:
    CQuestionPage(const QuestionPageInfo& info, CReportHost& host);
    ~CQuestionPage() override;

    const QuestionPageInfo& Info() const { return m_info; }
    void FindFirstMissingField() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    struct Row;
    void UpdateMarker(const Row& row);

    const QuestionPageInfo& m_info;
    std::vector<std::unique_ptr<Row>> m_rows;
    bool m_bLoading = false;
};

class CGeneralDlg : public CQuestionPage {
public:
    explicit CGeneralDlg(CReportHost& host) : CQuestionPage(kGeneralPage, host) {}
};
class CHardwareDlg : public CQuestionPage {
public:
    explicit CHardwareDlg(CReportHost& host) : CQuestionPage(kHardwarePage, host) {}
};
class CSoftwareDlg : public CQuestionPage {
public:
    explicit CSoftwareDlg(CReportHost& host) : CQuestionPage(kSoftwarePage, host) {}
};
class CPerformanceDlg : public CQuestionPage {
public:
    explicit CPerformanceDlg(CReportHost& host) : CQuestionPage(kPerformancePage, host) {}
};
