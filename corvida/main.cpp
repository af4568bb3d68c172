#include "CollectorLibrary.h"
#include "CorvidaApp.h"
#include "CrashDump.h"

#include <windows.h>

#include "TrovelLib.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    InstallCrashDumps("Corvida");
    // Bound through the import table: without the collector library the program does
    // not start.
    SetCollectorLibrary(CollectorLibrary{runFileCollectionSilent, getFileCollectionStatus});
    CCorvidaApp app;
    app.InitInstance(instance, arguments ? arguments : "");
    return 0;
}
