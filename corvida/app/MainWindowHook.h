#pragma once
// The one call from the application object into the window layer. The window loads
// .\Data\Corvidadata.ini itself when it exists (start-up bookkeeping has already run).
#include <windows.h>

// Runs the main report window modally and returns when it has closed.
int RunMainReportWindow(HINSTANCE instance);
