#include "CollectorLibrary.h"
#include "CorvidaApp.h"
#include "CrashDump.h"

#include <windows.h>

#ifdef CORVIDA_BIND_TROVELLIB
#include "TrovelLib.h"
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InstallCrashDumps("Corvida");
#ifdef CORVIDA_BIND_TROVELLIB
    // Bound through the import table: without the collector library the program does
    // not start.
    SetCollectorLibrary(CollectorLibrary{runFileCollectionSilent, getFileCollectionStatus});
#endif
    CCorvidaApp app;
    app.InitInstance(instance);
    return 0;
}
