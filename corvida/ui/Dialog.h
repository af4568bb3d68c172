#pragma once
// The small dialog layer: a window created from a dialog template (modal or as a child)
// whose messages are routed to virtual members, and helpers that reach controls by id.
#include <windows.h>

#include <map>
#include <string>

class CColorStatic;
class CHoverButton;

// The module whose resources hold the templates (set once by the program or a test host).
void SetResourceModule(HINSTANCE instance);
HINSTANCE ResourceModule();

class CDialog {
public:
    explicit CDialog(int templateId);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the value given to EndDialog (-1 on failure).
    INT_PTR DoModal(HWND parent);
    // Creates the dialog as a (not yet visible) child of `parent`; nullptr on failure.
    HWND CreateChild(HWND parent);
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return m_hWnd; }
    int TemplateId() const { return m_nTemplateId; }

    // Controls by id.
    HWND Item(int id) const;
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    bool IsChecked(int id) const;
    void SetCheck(int id, bool on);
    void ShowItem(int id, bool show);
    void EnableItem(int id, bool enable);
    void FocusItem(int id);

    // Widgets that need their parent's messages (colours, owner drawing).
    void AttachColorStatic(int id, CColorStatic& label);
    void AttachButton(int id, CHoverButton& button);

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // WM_COMMAND; true when handled. IDOK and IDCANCEL fall through to OnOK / OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual bool OnNotify(int id, NMHDR* header, LRESULT& result);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message; true when handled, with the dialog procedure's result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    int m_nTemplateId;
    bool m_bModal = false;
    std::map<HWND, CColorStatic*> m_colorStatics;
    std::map<int, CHoverButton*> m_buttons;
};

// Shows the wait cursor for as long as it lives, then the normal one.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    void Restore();

private:
    HCURSOR m_previous;
    bool m_bRestored = false;
};
