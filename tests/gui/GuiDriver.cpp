#include "GuiDriver.h"

#include "TestSupport.h"

#include <commctrl.h>

#include <thread>
#include <vector>

namespace gui {

namespace {
struct Search {
    DWORD pid;
    std::string title;
    bool wantBox;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || !IsWindowVisible(hwnd))
        return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (std::string(cls) != "#32770")
        return TRUE;
    bool isBox = GetDlgItem(hwnd, 0xFFFF) != nullptr && GetDlgItem(hwnd, 1040) == nullptr &&
                 GetDlgItem(hwnd, 975) == nullptr;
    if (search->wantBox) {
        if (isBox) {
            search->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    if (WindowText(hwnd).compare(0, search->title.size(), search->title) == 0 && !isBox) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

ProgramSession::~ProgramSession()
{
    if (m_process.hProcess) {
        if (Running()) {
            TerminateProcess(m_process.hProcess, 99);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

bool ProgramSession::Start(const std::string& exe, const std::string& folder, DWORD timeoutMs)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string command = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &m_process))
        return false;
    WaitForInputIdle(m_process.hProcess, timeoutMs);
    m_main = WaitDialog("Corvida - ", timeoutMs);
    return m_main != nullptr;
}

bool ProgramSession::WaitExit(DWORD timeoutMs)
{
    return WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool ProgramSession::Running() const
{
    return m_process.hProcess && WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD ProgramSession::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(m_process.hProcess, &code);
    return code;
}

// Waits for a top-level window of the program that the search describes.
static HWND WaitTopLevel(Search search, DWORD timeoutMs)
{
    WaitFor([&] {
        search.found = nullptr;
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

HWND ProgramSession::WaitDialog(const std::string& title, DWORD timeoutMs) const
{
    return WaitTopLevel(Search{m_process.dwProcessId, title, false, nullptr}, timeoutMs);
}

HWND ProgramSession::WaitMessageBox(DWORD timeoutMs) const
{
    return WaitTopLevel(Search{m_process.dwProcessId, "", true, nullptr}, timeoutMs);
}

HWND ProgramSession::FocusWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(m_process.dwThreadId, &info))
        return nullptr;
    return info.hwndFocus;
}

std::string WindowText(HWND hwnd)
{
    char text[4096] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

std::string BoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}

void PostClick(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetText(HWND control, const std::string& text)
{
    // A multi-line edit reports no change for WM_SETTEXT: replace its text as typing would.
    if (GetWindowLongA(control, GWL_STYLE) & ES_MULTILINE) {
        SendMessageA(control, EM_SETSEL, 0, -1);
        SendMessageA(control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void SetTextAsync(HWND control, const std::string& text)
{
    std::thread([control, text] { SetText(control, text); }).detach();
}

bool ChooseListEntry(HWND page, int id, const std::string& text)
{
    HWND combo = GetDlgItem(page, id);
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR)
        return false;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

bool SelectTab(HWND main, int index)
{
    HWND tab = GetDlgItem(main, 1040);
    // The tab's rectangle comes from the program's memory: ask for it into a buffer there.
    DWORD pid = 0;
    GetWindowThreadProcessId(tab, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT rect = {};
    bool ok = remote && SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) &&
              ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr);
    if (remote)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    if (!ok)
        return false;
    LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(tab, WM_LBUTTONUP, 0, point);
    return static_cast<int>(SendMessageA(tab, TCM_GETCURSEL, 0, 0)) == index;
}

namespace {
struct ChildSearch {
    int id;
    HWND found;
};
BOOL CALLBACK FindPage(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<ChildSearch*>(param);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (std::string(cls) == "#32770" && GetDlgItem(hwnd, search->id)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND PageWithControl(HWND main, int id)
{
    ChildSearch search{id, nullptr};
    EnumChildWindows(main, FindPage, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PressKey(HWND control, UINT key)
{
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void Screenshot(HWND window, const std::string& name)
{
    const char* docs = std::getenv("CORVIDA_DOCS_DIR");
    if (!docs || !*docs)
        return;
    Sleep(300);  // let the window finish painting
    RECT rect;
    GetWindowRect(window, &rect);
    std::string geometry = std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
                           "+" + std::to_string(rect.left) + "+" + std::to_string(rect.top);
    testing_support::RunHost("import -window root -crop " + geometry + " +repage '" + std::string(docs) + "/" + name +
                             ".png'");
}

}  // namespace gui
