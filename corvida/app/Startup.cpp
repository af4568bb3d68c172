#include "CorvidaApp.h"

#include "FileTree.h"
#include "ReportStore.h"
#include "StateRegistry.h"

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
