#pragma once
// The application object: refuses a second copy, does the start-up bookkeeping and runs
// the main report window; with "/resubmit" it first retries a pending submission without
// any window.
#include <windows.h>

#include <string>

extern const char* const kProgramExe;  // "Corvida.exe"

// The start-up work that precedes the window: .\Data\ created, the developer-machine
// seed copied, the first launch booked.
void RunStartupBookkeeping();

// Whether a computer name marks a developer machine (contains "90521").
bool IsDeveloperMachineName(const std::string& computerName);
// Copies .\Dataini\Corvidadata.ini to .\Data\Corvidadata.ini on a developer machine when
// the latter does not exist.
void SeedDeveloperReport(bool developerMachine);

class CCorvidaApp {
public:
    // Always false: the program ends when it returns. `arguments`: the command line after
    // the program's name.
    bool InitInstance(HINSTANCE instance, const std::string& arguments);
};
