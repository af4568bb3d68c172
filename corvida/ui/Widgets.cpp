#include "Widgets.h"

#include <commctrl.h>

#include <vector>

// ---- CColorStatic ----

CColorStatic::CColorStatic()
    : m_textColor(RGB(0, 0, 0)), m_backColor(GetSysColor(COLOR_BTNFACE)), m_brush(CreateSolidBrush(m_backColor))
{
}

CColorStatic::~CColorStatic() = default;

void CColorStatic::SetLabelTextColor(COLORREF color)
{
    m_textColor = color;
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CColorStatic::SetLabelBackColor(COLORREF color)
{
    m_backColor = color;
    m_brush.reset(CreateSolidBrush(color));
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}

HBRUSH CColorStatic::PrepareColors(HDC dc)
{
    SetTextColor(dc, m_textColor);
    SetBkColor(dc, m_backColor);
    return m_brush.get();
}

void ShowMissingMarker(CColorStatic& marker, bool missing)
{
    if (HWND label = marker.GetSafeHwnd())
        SetWindowTextA(label, missing ? "*" : "");
    marker.SetLabelTextColor(missing ? RGB(255, 0, 0) : RGB(0, 0, 0));
}

// ---- CThemeHelper ----

namespace {
typedef HTHEME_HANDLE(WINAPI* OpenThemeDataFn)(HWND, LPCWSTR);
typedef HRESULT(WINAPI* CloseThemeDataFn)(HTHEME_HANDLE);
typedef HRESULT(WINAPI* DrawThemeBackgroundFn)(HTHEME_HANDLE, HDC, int, int, const RECT*, const RECT*);
typedef HRESULT(WINAPI* DrawThemeParentBackgroundFn)(HWND, HDC, RECT*);
typedef HRESULT(WINAPI* DrawThemeTextFn)(HTHEME_HANDLE, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
typedef BOOL(WINAPI* IsAppThemedFn)();
typedef BOOL(WINAPI* IsThemeActiveFn)();

template <typename T>
T As(FARPROC proc)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(proc));
}
}  // namespace

CThemeHelper::CThemeHelper() : m_library(LoadLibraryA("UxTheme.dll")) {}

CThemeHelper::~CThemeHelper()
{
    if (m_library)
        FreeLibrary(m_library);
}

FARPROC CThemeHelper::Function(const char* name) const
{
    return m_library ? GetProcAddress(m_library, name) : nullptr;
}

HTHEME_HANDLE CThemeHelper::OpenThemeData(HWND hwnd, LPCWSTR classList)
{
    auto fn = As<OpenThemeDataFn>(Function("OpenThemeData"));
    return fn ? fn(hwnd, classList) : nullptr;
}

HRESULT CThemeHelper::CloseThemeData(HTHEME_HANDLE theme)
{
    auto fn = As<CloseThemeDataFn>(Function("CloseThemeData"));
    return fn ? fn(theme) : E_FAIL;
}

HRESULT CThemeHelper::DrawThemeBackground(HTHEME_HANDLE theme, HDC dc, int part, int state, const RECT* rect,
                                          const RECT* clip)
{
    auto fn = As<DrawThemeBackgroundFn>(Function("DrawThemeBackground"));
    return fn ? fn(theme, dc, part, state, rect, clip) : E_FAIL;
}

HRESULT CThemeHelper::DrawThemeParentBackground(HWND hwnd, HDC dc, RECT* rect)
{
    auto fn = As<DrawThemeParentBackgroundFn>(Function("DrawThemeParentBackground"));
    return fn ? fn(hwnd, dc, rect) : S_OK;
}

HRESULT CThemeHelper::DrawThemeText(HTHEME_HANDLE theme, HDC dc, int part, int state, LPCWSTR text, int count,
                                    DWORD flags, DWORD flags2, const RECT* rect)
{
    auto fn = As<DrawThemeTextFn>(Function("DrawThemeText"));
    return fn ? fn(theme, dc, part, state, text, count, flags, flags2, rect) : E_FAIL;
}

BOOL CThemeHelper::IsAppThemed()
{
    auto fn = As<IsAppThemedFn>(Function("IsAppThemed"));
    return fn ? fn() : FALSE;
}

BOOL CThemeHelper::IsThemeActive()
{
    auto fn = As<IsThemeActiveFn>(Function("IsThemeActive"));
    return fn ? fn() : FALSE;
}

int ChooseThemedButtonState(bool disabled, bool pressed, bool hot, bool isDefault, bool toolbarLook,
                            bool themeAtAttach)
{
    if (disabled)
        return ButtonStateDisabled;
    if (pressed)
        return ButtonStatePressed;
    if (hot)
        return ButtonStateHot;
    if (isDefault && (!toolbarLook || !themeAtAttach))
        return ButtonStateDefault;
    return ButtonStateNormal;
}

// ---- CHoverButton ----

CHoverButton::~CHoverButton()
{
    if (m_hWnd && IsWindow(m_hWnd))
        RemoveWindowSubclass(m_hWnd, SubclassProc, 1);
}

void CHoverButton::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    if (!hwnd)
        return;
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    m_bDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    SetWindowSubclass(hwnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void CHoverButton::SetButtonStyle()
{
    if (!m_hWnd)
        return;
    LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CALLBACK CHoverButton::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data)
{
    auto* self = reinterpret_cast<CHoverButton*>(data);
    bool handled = false;
    LRESULT result = self->HandleMessage(message, wParam, lParam, handled);
    if (handled)
        return result;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, SubclassProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CHoverButton::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_GETDLGCODE:
        handled = true;
        return DLGC_BUTTON | (m_bDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
        // The dialog manager moves the default state between buttons with this message;
        // remember it but stay owner-drawn.
        m_bDefault = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        WPARAM style = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
        handled = true;
        LRESULT result = DefSubclassProc(m_hWnd, message, style, lParam);
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return result;
    }
    case WM_MOUSEMOVE:
        if (!m_bHot) {
            m_bHot = true;
            TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
            TrackMouseEvent(&track);
            InvalidateRect(m_hWnd, nullptr, TRUE);
        }
        return 0;
    case WM_MOUSELEAVE:
        m_bHot = false;
        InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    case WM_ENABLE:
        if (!wParam && GetFocus() == m_hWnd) {
            HWND dialog = GetParent(m_hWnd);
            HWND next = dialog ? GetNextDlgTabItem(dialog, m_hWnd, FALSE) : nullptr;
            if (next && next != m_hWnd)
                SetFocus(next);
            else if (dialog)
                SetFocus(dialog);
        }
        return 0;
    default:
        return 0;
    }
}

void CHoverButton::DrawClassicBackground(HDC dc, const RECT& rect, bool pressed, bool disabled)
{
    RECT area = rect;
    if (m_bDefault) {
        FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -1, -1);
    }
    UINT state = DFCS_BUTTONPUSH;
    if (pressed)
        state |= DFCS_PUSHED;
    if (disabled)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &area, DFC_BUTTON, state);
}

void CHoverButton::DrawBackground(HDC dc, const RECT& rect, bool pressed, bool disabled)
{
    DrawClassicBackground(dc, rect, pressed, disabled);
}

void CHoverButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;
    m_bPressed = pressed;
    DrawBackground(dc, rect, pressed, disabled);

    int length = GetWindowTextLengthA(m_hWnd);
    std::vector<char> caption(static_cast<size_t>(length) + 2, '\0');
    GetWindowTextA(m_hWnd, caption.data(), length + 1);
    RECT textRect = rect;
    if (pressed)
        OffsetRect(&textRect, 1, 1);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (disabled) {
        OffsetRect(&textRect, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextA(dc, caption.data(), -1, &textRect, format);
        OffsetRect(&textRect, -1, -1);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    }
    DrawTextA(dc, caption.data(), -1, &textRect, format);
    if (oldFont)
        SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    if ((item.itemState & ODS_FOCUS) && !disabled) {
        RECT focus = rect;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
}

// ---- CThemedButton ----

void CThemedButton::SetToolbarLook(bool toolbarLook, bool repaint)
{
    m_bToolbarLook = toolbarLook;
    if (repaint && m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CThemedButton::AttachThemeHelper(CThemeHelper* helper)
{
    m_pThemeHelper = helper;
    m_bThemeAtAttach = helper && helper->IsThemeActive();
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CThemedButton::DrawBackground(HDC dc, const RECT& rect, bool pressed, bool disabled)
{
    if (m_pThemeHelper && m_pThemeHelper->IsAppThemed()) {
        HTHEME_HANDLE theme = m_pThemeHelper->OpenThemeData(m_hWnd, m_bToolbarLook ? L"TOOLBAR" : L"BUTTON");
        if (theme) {
            RECT area = rect;
            m_pThemeHelper->DrawThemeParentBackground(m_hWnd, dc, &area);
            int state = ChooseThemedButtonState(disabled, pressed, m_bHot, m_bDefault, m_bToolbarLook,
                                                m_bThemeAtAttach);
            m_pThemeHelper->DrawThemeBackground(theme, dc, 1, state, &rect, nullptr);
            m_pThemeHelper->CloseThemeData(theme);
            return;
        }
    }
    DrawClassicBackground(dc, rect, pressed, disabled);
}
