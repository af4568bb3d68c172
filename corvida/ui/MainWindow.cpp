#include "CorvidaDlg.h"
#include "MainWindowHook.h"

#include <commctrl.h>

int RunMainReportWindow(HINSTANCE instance)
{
    SetResourceModule(instance);
    INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                     ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // One main window for the program's life.
    static CCorvidaDlg window;
    return static_cast<int>(window.DoModal(nullptr));
}
