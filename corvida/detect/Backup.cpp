#include "Backup.h"

#include "Dates.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "Identification.h"
#include "ToolConfig.h"
#include "WidePath.h"
#include "ZipWriter.h"

#include <cstdlib>
#include <string>

const char* const kBackupFolder = "C:\\Dastrel\\Reliqua";

namespace {

// Packs `folder` into folder + ".zip": every file and subfolder, named by its path below
// the folder.
void PackFolder(const std::string& folder)
{
    HZIP zip = CreateZip(folder + ".zip", "");
    if (zip == nullptr)
        return;
    const std::wstring wide = AnsiToWide(folder);
    ZipQueueTree(zip, wide, wide.size());
    ZipFlush(zip, nullptr);
    CloseZip(zip);
}

}  // namespace

BackupRequirement ParseBackupRequirement(const std::string& value)
{
    std::string rest;
    for (char c : value)
        if (c != 'd')
            rest += c;
    BackupRequirement requirement;
    if (rest == "NO") {
        requirement.noBackupNeeded = true;
        return requirement;
    }
    requirement.days = std::atoi(rest.c_str());
    return requirement;
}

bool IsRecentBackupName(const std::string& name, int days, const SYSTEMTIME& today)
{
    if (name.size() < 8)
        return false;
    std::string text = name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2);
    SYSTEMTIME backup;
    ParseStoredDate(text, backup);
    // A name that is no valid date cannot be shifted by days: it does not qualify.
    FILETIME check;
    if (!SystemTimeToFileTime(&backup, &check))
        return false;
    SYSTEMTIME latest = AddDays(backup, days);
    std::string ignored;
    return FormatAndCheckDates(today, latest, true, ignored);
}

bool IsRecentBackupName(const std::string& name, int days)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    return IsRecentBackupName(name, days, today);
}

bool CheckRecentBackup(const std::string& requirementText, const std::string& backupFolder,
                       const std::string& targetPrefix, const SYSTEMTIME& today)
{
    BackupRequirement requirement = ParseBackupRequirement(requirementText);
    if (requirement.noBackupNeeded)
        return true;
    if (!FolderExists(backupFolder))
        return false;

    std::string source, target;
    for (const FolderEntry& entry : ListFolder(backupFolder)) {
        const std::string& name = entry.name;
        if (!entry.isFolder || name[0] == '.')
            continue;
        if (IsRecentBackupName(name, requirement.days, today)) {
            source = backupFolder + "\\" + name;
            target = targetPrefix + name + "\\";
        }
    }
    if (source.empty())
        return false;

    RemoveTrailingBackslash(target);
    bool copied = CopyFolder(source, target, true, false);
    PackFolder(target);
    DeleteFolder(target, false);
    return copied;
}

bool CheckRecentBackup()
{
    std::string requirement = IniValueOrEmpty(kToolConfigFile, GetProductType(), "ReliquaRequired");
    SYSTEMTIME today;
    GetLocalTime(&today);
    return CheckRecentBackup(requirement, kBackupFolder, ".\\Data\\Reliqua", today);
}
