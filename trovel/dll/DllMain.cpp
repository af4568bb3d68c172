// Loading and unloading do nothing but what the loader lock allows: the process-wide
// objects are plain statics (built by the C++ runtime on load, destroyed on unload) or
// made on first use, and the progress message is registered on first use.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}
