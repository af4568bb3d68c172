#pragma once
// The program's three small widgets: a label with program-set colours, an owner-drawn
// push button that follows the mouse, and its variant drawn in the platform's visual
// style through a helper that loads the style library by name.
#include "Handles.h"

#include <windows.h>

// A static label (or read-only edit) whose text and background colours the program sets.
class CColorStatic {
public:
    CColorStatic();
    ~CColorStatic();
    CColorStatic(const CColorStatic&) = delete;
    CColorStatic& operator=(const CColorStatic&) = delete;

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetLabelTextColor(COLORREF color);
    void SetLabelBackColor(COLORREF color);
    COLORREF TextColor() const { return m_textColor; }

    // Answer to the parent's colour question before painting: colours set on `dc`, the brush.
    HBRUSH PrepareColors(HDC dc);

private:
    HWND m_hWnd = nullptr;
    COLORREF m_textColor;
    COLORREF m_backColor;
    BrushHandle m_brush;
};

// A marker: a red "*" while its field is missing, nothing (black) otherwise.
void ShowMissingMarker(CColorStatic& marker, bool missing);

// Visual-style theme handle, as the style library uses it.
typedef HANDLE HTHEME_HANDLE;

// The platform's visual-style library, loaded by name; every call falls back to a failure
// value when the library or the function is missing.
class CThemeHelper {
public:
    CThemeHelper();
    ~CThemeHelper();
    CThemeHelper(const CThemeHelper&) = delete;
    CThemeHelper& operator=(const CThemeHelper&) = delete;

    bool IsLoaded() const { return m_library != nullptr; }

    HTHEME_HANDLE OpenThemeData(HWND hwnd, LPCWSTR classList);
    HRESULT CloseThemeData(HTHEME_HANDLE theme);
    HRESULT DrawThemeBackground(HTHEME_HANDLE theme, HDC dc, int part, int state, const RECT* rect,
                                const RECT* clip);
    HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, RECT* rect);
    HRESULT DrawThemeText(HTHEME_HANDLE theme, HDC dc, int part, int state, LPCWSTR text, int count,
                          DWORD flags, DWORD flags2, const RECT* rect);
    BOOL IsAppThemed();
    BOOL IsThemeActive();

private:
    FARPROC Function(const char* name) const;
    HMODULE m_library;
};

// Theme part and state numbers of a push button.
enum ThemedButtonState {
    ButtonStateNormal = 1,
    ButtonStateHot = 2,
    ButtonStatePressed = 3,
    ButtonStateDisabled = 4,
    ButtonStateDefault = 5,
};

// The state a themed push button is drawn in.
int ChooseThemedButtonState(bool disabled, bool pressed, bool hot, bool isDefault, bool toolbarLook,
                            bool themeAtAttach);

// An owner-drawn push button: reports itself as default or plain push button to the
// dialog manager, repaints when the mouse enters or leaves it, and hands the focus on
// when it is disabled while focused.
class CHoverButton {
public:
    CHoverButton() = default;
    virtual ~CHoverButton();
    CHoverButton(const CHoverButton&) = delete;
    CHoverButton& operator=(const CHoverButton&) = delete;

    void Attach(HWND hwnd);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // Switches the button to owner drawing, keeping whether it is the default button.
    void SetButtonStyle();

    bool IsDefault() const { return m_bDefault; }
    bool IsHot() const { return m_bHot; }

    // Called by the dialog layer for the parent's owner-draw message.
    void DrawItem(const DRAWITEMSTRUCT& item);

protected:
    // Background and border; the caption is drawn on top by DrawItem.
    virtual void DrawBackground(HDC dc, const RECT& rect, bool pressed, bool disabled);
    void DrawClassicBackground(HDC dc, const RECT& rect, bool pressed, bool disabled);

    HWND m_hWnd = nullptr;
    bool m_bDefault = false;
    bool m_bHot = false;
    bool m_bPressed = false;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
};

// A hover button that draws its background through the theme helper when the
// application is themed, and in the classic style otherwise.
class CThemedButton : public CHoverButton {
public:
    void SetToolbarLook(bool toolbarLook, bool repaint);
    void AttachThemeHelper(CThemeHelper* helper);

protected:
    void DrawBackground(HDC dc, const RECT& rect, bool pressed, bool disabled) override;

private:
    CThemeHelper* m_pThemeHelper = nullptr;
    bool m_bToolbarLook = false;
    bool m_bThemeAtAttach = false;
};
