#include "CorvidaApp.h"

#include "InstanceGuard.h"
#include "MainWindowHook.h"

#include <cstdio>

bool CCorvidaApp::InitInstance(HINSTANCE instance)
{
    // Held until the program ends, so that a copy started later is refused.
    CInstanceGuard guard;
    if (!guard.Claim(OwnModuleName())) {
        char text[128];
        std::snprintf(text, sizeof(text), "%s is already running", "Corvida");
        MessageBoxA(nullptr, text, "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    RunStartupBookkeeping();
    RunMainReportWindow(instance);
    return false;
}
