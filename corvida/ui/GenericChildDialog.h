#pragma once
// Base of the five report pages: a child dialog placed in the main window in place of a
// hidden place holder, reading and writing the main window's report record.
#include "Dialog.h"
#include "ReportRecord.h"

class CColorStatic;

// What the pages need from the main report window.
class CReportHost {
public:
    virtual ~CReportHost() = default;
    virtual ReportRecord& Record() = 0;
    virtual bool IsPagesInitialising() const = 0;
    virtual void SetPagesInitialising(bool on) = 0;
    virtual void SetModified(bool on) = 0;
    // Red "*" while neither Yes nor No is on; marks the report modified once the pages
    // have been initialised.
    virtual void UpdateQuestionMarker(CColorStatic& marker, bool yes, bool no) = 0;
};

class CGenericChildDialog : public CDialog {
public:
    CGenericChildDialog(int templateId, CReportHost& host);

    // Creates the page as a child of `parent` at the top-left corner of the place holder
    // `placeholderId` (plus the margins), and sizes the place holder to the page.
    bool CreateGenericChildDialog(HWND parent, int placeholderId, int value, const RECT* margins = nullptr);

    int GetDialogID() const { return TemplateId(); }
    virtual void FocusControl(int id) { FocusItem(id); }
    // Moves the focus to the first field still missing; called whenever the page is shown.
    virtual void FindFirstMissingField() {}

protected:
    CReportHost& m_host;
    HWND m_pParent = nullptr;
    int m_nValue = 0;
};
