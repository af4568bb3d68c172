#include "MainWindowHook.h"

// Stands in for the main report window until the window layer is built: the program
// does its start-up bookkeeping and ends.
int RunMainReportWindow(HINSTANCE)
{
    return IDCANCEL;
}
