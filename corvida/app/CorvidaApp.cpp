#include "CorvidaApp.h"

#include "InstanceGuard.h"
#include "MainWindowHook.h"
#include "PendingSubmission.h"

#include <cstdio>

bool CCorvidaApp::InitInstance(HINSTANCE instance, const std::string& arguments)
{
    const bool retry = IsResubmitCommand(arguments);
    // Held until the program ends, so that a copy started later is refused: a retry and
    // the report window never run together.
    CInstanceGuard guard;
    if (!guard.Claim(OwnModuleName())) {
        // A retry that finds the program running leaves it alone; the next trigger tries again.
        if (retry)
            return false;
        char text[128];
        std::snprintf(text, sizeof(text), "%s is already running", "Corvida");
        MessageBoxA(nullptr, text, "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    if (retry && IsSubmissionPending()) {
        // Unattended: a failed retry shows nothing and changes nothing.
        if (RetryPendingSubmission())
            MessageBoxA(nullptr, kResubmitSentMessage, "Notification",
                        MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return false;
    }
    RunStartupBookkeeping();
    RunMainReportWindow(instance);
    return false;
}
