/*
 * A host of TrovelLib.dll written in C, using nothing but TrovelLib.h and the system.
 *
 *     trovel_c_host.exe "WINDOW TITLE" OUTPUT-FILE [STAMP]
 *
 * Creates the progress window with the given title, starts an attended run
 * (funcTrovelLib with unattended 0) and answers every message box of the run with
 * "Yes" (or OK). Each record received and each question answered becomes one line of
 * OUTPUT-FILE:
 *     R|percent|code|flag|ftpResult|title|text     (CR and LF written as \r and \n)
 *     Q|caption|text
 * The program ends once a record with a code other than -1 (running) has arrived, and
 * exits 0; 2 when no such record came within two minutes, 3 on a usage or set-up error,
 * 4 when a record could not be released.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "TrovelLib.h"

#define ANSWER_TIMER 1
#define DEADLINE_TIMER 2

static UINT g_progressMessage;
static FILE* g_output;
static int g_exitCode = 2;

static void WriteEscaped(const char* text)
{
    for (; *text; ++text) {
        if (*text == '\r')
            fputs("\\r", g_output);
        else if (*text == '\n')
            fputs("\\n", g_output);
        else
            fputc(*text, g_output);
    }
}

/* Answers one message box of this process: the question's "Yes", else its OK. */
static BOOL CALLBACK AnswerBox(HWND window, LPARAM unused)
{
    char className[16], caption[64], text[1024];
    DWORD process = 0;
    HWND button;
    (void)unused;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    if (!GetClassNameA(window, className, sizeof className) || strcmp(className, "#32770") != 0)
        return TRUE;
    button = GetDlgItem(window, IDYES);
    if (!button)
        button = GetDlgItem(window, IDOK);
    if (!button || !IsWindowEnabled(button))
        return TRUE;
    GetWindowTextA(window, caption, sizeof caption);
    text[0] = '\0';
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    fputs("Q|", g_output);
    WriteEscaped(caption);
    fputc('|', g_output);
    WriteEscaped(text);
    fputc('\n', g_output);
    fflush(g_output);
    /* Disabled at once so that the next timer tick does not answer the same box twice. */
    EnableWindow(button, FALSE);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
    return TRUE;
}

static LRESULT CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_progressMessage && wParam == TROVEL_PROGRESS_WPARAM) {
        TrovelProgress* record = (TrovelProgress*)lParam;
        const int code = record->code;
        fprintf(g_output, "R|%d|%d|%d|%d|", record->percent, record->code, record->flag, record->ftpResult);
        WriteEscaped(record->title);
        fputc('|', g_output);
        WriteEscaped(record->text);
        fputc('\n', g_output);
        fflush(g_output);
        /* The record is ours now. */
        if (!HeapFree(GetProcessHeap(), 0, record))
            g_exitCode = 4;
        if (code != -1) {
            if (g_exitCode == 2)
                g_exitCode = 0;
            PostQuitMessage(0);
        }
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam == ANSWER_TIMER)
            EnumWindows(AnswerBox, 0);
        else
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int main(int argc, char** argv)
{
    WNDCLASSA windowClass;
    HWND window;
    MSG message;
    const char* stamp = argc > 3 ? argv[3] : "2026_01_02_03_04";

    if (argc < 3)
        return 3;
    g_output = fopen(argv[2], "wb");
    if (!g_output)
        return 3;
    g_progressMessage = RegisterWindowMessageA(TROVEL_PROGRESS_MESSAGE_NAME);

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = ProgressWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "CHostProgressWindow";
    if (!RegisterClassA(&windowClass))
        return 3;
    window = CreateWindowExA(0, "CHostProgressWindow", argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                             windowClass.hInstance, NULL);
    if (!window)
        return 3;
    /* The run's message boxes belong to its worker thread: look for them now and then. */
    SetTimer(window, ANSWER_TIMER, 100, NULL);
    SetTimer(window, DEADLINE_TIMER, 120000, NULL);

    if (funcTrovelLib("C host run", "Attended", "", stamp, 0, "") != 100)
        return 3;

    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
    fclose(g_output);
    /* The run may still be closing its folder: end without unloading under it. */
    ExitProcess((UINT)g_exitCode);
}
