#include "Dialog.h"

#include "Widgets.h"

#include <commctrl.h>
#include <vector>

namespace {
HINSTANCE g_resourceModule = nullptr;
}

void SetResourceModule(HINSTANCE instance)
{
    g_resourceModule = instance;
}

HINSTANCE ResourceModule()
{
    return g_resourceModule ? g_resourceModule : GetModuleHandleA(nullptr);
}

CDialog::CDialog(int templateId) : m_nTemplateId(templateId) {}

CDialog::~CDialog()
{
    if (m_hWnd && !m_bModal && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND parent)
{
    m_bModal = true;
    return DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CDialog::CreateChild(HWND parent)
{
    m_bModal = false;
    return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(m_nTemplateId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_bModal)
        ::EndDialog(m_hWnd, result);
    else
        ShowWindow(m_hWnd, SW_HIDE);
}

HWND CDialog::Item(int id) const
{
    return GetDlgItem(m_hWnd, id);
}

std::string CDialog::GetItemText(int id) const
{
    HWND control = Item(id);
    if (!control)
        return std::string();
    int length = GetWindowTextLengthA(control);
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data());
}

void CDialog::SetItemText(int id, const std::string& text)
{
    SetDlgItemTextA(m_hWnd, id, text.c_str());
}

bool CDialog::IsChecked(int id) const
{
    return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
}

void CDialog::SetCheck(int id, bool on)
{
    CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void CDialog::ShowItem(int id, bool show)
{
    if (HWND control = Item(id))
        ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void CDialog::EnableItem(int id, bool enable)
{
    if (HWND control = Item(id))
        EnableWindow(control, enable ? TRUE : FALSE);
}

void CDialog::FocusItem(int id)
{
    if (HWND control = Item(id))
        SetFocus(control);
}

void CDialog::AttachColorStatic(int id, CColorStatic& label)
{
    HWND control = Item(id);
    label.Attach(control);
    if (control)
        m_colorStatics[control] = &label;
}

void CDialog::AttachButton(int id, CHoverButton& button)
{
    button.Attach(Item(id));
    m_buttons[id] = &button;
}

bool CDialog::OnCommand(int, int, HWND)
{
    return false;
}

bool CDialog::OnNotify(int, NMHDR*, LRESULT&)
{
    return false;
}

void CDialog::OnTimer(UINT_PTR) {}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self)
        return FALSE;
    bool handled = false;
    INT_PTR result = self->Dispatch(message, wParam, lParam, handled);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return handled ? result : FALSE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    handled = true;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        if (OnCommand(id, code, control))
            return TRUE;
        if (id == IDOK && (code == BN_CLICKED || control == nullptr)) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL && (code == BN_CLICKED || control == nullptr)) {
            OnCancel();
            return TRUE;
        }
        handled = false;
        return FALSE;
    }
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (OnNotify(static_cast<int>(header->idFrom), header, result)) {
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        handled = false;
        return FALSE;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
        auto found = m_colorStatics.find(reinterpret_cast<HWND>(lParam));
        if (found != m_colorStatics.end())
            return reinterpret_cast<INT_PTR>(found->second->PrepareColors(reinterpret_cast<HDC>(wParam)));
        break;
    }
    case WM_DRAWITEM: {
        auto found = m_buttons.find(static_cast<int>(wParam));
        if (found != m_buttons.end()) {
            found->second->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result))
        return result;
    handled = false;
    return FALSE;
}

CWaitCursor::CWaitCursor() : m_previous(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}

CWaitCursor::~CWaitCursor()
{
    Restore();
}

void CWaitCursor::Restore()
{
    if (m_bRestored)
        return;
    m_bRestored = true;
    SetCursor(m_previous ? m_previous : LoadCursor(nullptr, IDC_ARROW));
}
