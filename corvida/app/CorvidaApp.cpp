#include "CorvidaApp.h"

#include "MainWindowHook.h"
#include "ProcessList.h"

#include <cstdio>

const char* const kProgramExe = "Corvida.exe";

bool CCorvidaApp::InitInstance(HINSTANCE instance)
{
    // The name compared is the fixed program name, not this module's file name.
    if (IsAlreadyRunning(kProgramExe)) {
        char text[128];
        std::snprintf(text, sizeof(text), "%s is already running", "Corvida");
        MessageBoxA(nullptr, text, "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    RunStartupBookkeeping();
    RunMainReportWindow(instance);
    return false;
}
