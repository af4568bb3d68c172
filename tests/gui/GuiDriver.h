#pragma once
// Drives a running copy of the report program from outside: finds its windows, sets text,
// clicks, reads message boxes, takes screenshots of the Xvfb display.
#include <windows.h>

#include <string>

namespace gui {

// Top-level windows and message boxes of one started process.
class ProgramSession {
public:
    ProgramSession() = default;
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    // Starts `exe` with `folder` as its working folder; waits for its main window.
    bool Start(const std::string& exe, const std::string& folder, DWORD timeoutMs = 15000);
    // Waits for the process to end; false on time-out.
    bool WaitExit(DWORD timeoutMs);
    bool Running() const;
    DWORD ExitCode() const;

    HWND Main() const { return m_main; }
    // A visible top-level dialog of the process whose title begins with `title`.
    HWND WaitDialog(const std::string& title, DWORD timeoutMs) const;
    // The visible message box of the process (a dialog with the text static 0xFFFF).
    HWND WaitMessageBox(DWORD timeoutMs) const;
    // Whether a message box shows up within `timeoutMs`.
    bool MessageBoxAppears(DWORD timeoutMs) const { return WaitMessageBox(timeoutMs) != nullptr; }
    // The control that has the keyboard focus in the program's GUI thread.
    HWND FocusWindow() const;

private:
    PROCESS_INFORMATION m_process{};
    HWND m_main = nullptr;
};

std::string WindowText(HWND hwnd);
std::string BoxText(HWND box);
// Presses a button of a dialog through its command (does not wait for the handler).
void PostClick(HWND dialog, int id);
// Sets a control's text; the change notification runs in the program. Use the Async form
// when the change may open a message box (the sending call then blocks until it closes).
void SetText(HWND control, const std::string& text);
void SetTextAsync(HWND control, const std::string& text);
// Selects a list entry by text and tells the page, as a user's choice would.
bool ChooseListEntry(HWND page, int id, const std::string& text);
// Switches the main window's tab strip to `index` with a click on that tab.
bool SelectTab(HWND main, int index);
// The child page of the main window that holds control `id`.
HWND PageWithControl(HWND main, int id);
// Presses a key in a control (posted, handled by the program's dialog loop).
void PressKey(HWND control, UINT key);

// Screenshot of a window's screen area into docs/<name>.png (when docs saving is on).
void Screenshot(HWND window, const std::string& name);

// Polls `condition` every 50 ms until it holds or `timeoutMs` passes.
template <typename F>
bool WaitFor(F condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
}

}  // namespace gui
