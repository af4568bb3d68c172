// Stand-in for the program in the single-instance tests, copied under the name
// Corvida.exe. "hold EVENT": stays running until the named event is set (at most 60 s).
// While it holds it keeps the program's instance guard, as a running program does.
// "count": exits with 1 when IsAlreadyRunning("Corvida.exe") holds, 0 otherwise.
#include "InstanceGuard.h"
#include "ProcessList.h"

#include <windows.h>

#include <cstring>

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "hold") == 0) {
        CInstanceGuard guard;
        guard.Claim("Corvida.exe");
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, argv[2]);
        WaitForSingleObject(event, 60000);
        CloseHandle(event);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "count") == 0)
        return IsAlreadyRunning("Corvida.exe") ? 1 : 0;
    return 2;
}
