#include "CorvidaApp.h"

#include "FileTree.h"
#include "MainWindowHook.h"
#include "ProcessList.h"
#include "ReportStore.h"
#include "StateRegistry.h"

#include <cstdio>

const char* const kProgramExe = "Corvida.exe";

bool IsDeveloperMachineName(const std::string& computerName)
{
    return computerName.find("90521") != std::string::npos;
}

void SeedDeveloperReport(bool developerMachine)
{
    if (!developerMachine || FileExists(kReportFile))
        return;
    if (CopyFileA(".\\Dataini\\Corvidadata.ini", kReportFile, FALSE))
        SetFileAttributesA(kReportFile, FILE_ATTRIBUTE_NORMAL);
}

void RunStartupBookkeeping()
{
    CreateFolderPath(kReportFolder);
    char name[256] = {};
    DWORD size = sizeof(name);
    if (!GetComputerNameA(name, &size))
        name[0] = '\0';
    SeedDeveloperReport(IsDeveloperMachineName(name));
    CheckFirstLaunch();
}

bool CCorvidaApp::InitInstance(HINSTANCE instance)
{
    // The name compared is the fixed program name, not this module's file name.
    if (IsAlreadyRunning(kProgramExe)) {
        char text[128];
        std::snprintf(text, sizeof(text), "%s is already running", "Corvida");
        MessageBoxA(nullptr, text, "Warning", MB_OK | MB_ICONWARNING);
        return false;
    }
    RunStartupBookkeeping();
    RunMainReportWindow(instance);
    return false;
}
