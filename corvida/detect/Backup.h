#pragma once
// Whether the backup-and-restore tool has made a recent enough backup; packs it into the
// report's data folder when it has.
#include <windows.h>

#include <string>

extern const char* const kBackupFolder;  // "C:\Dastrel\Reliqua"

// "ReliquaRequired" after removing every "d": "NO" means no backup is needed
// (noBackupNeeded); anything else is a number of days (leading digits, none = 0).
struct BackupRequirement {
    bool noBackupNeeded = false;
    int days = 0;
};
BackupRequirement ParseBackupRequirement(const std::string& value);

// The first eight characters of `name` as yyyymmdd, plus `days`, is not before `today`.
bool IsRecentBackupName(const std::string& name, int days, const SYSTEMTIME& today);
bool IsRecentBackupName(const std::string& name, int days);

// The check with its folders given (tests); the program's form uses the fixed backup
// folder, .\Corvida.ini, the registry's product and ".\Data\Reliqua" as target prefix.
bool CheckRecentBackup(const std::string& requirement, const std::string& backupFolder,
                       const std::string& targetPrefix, const SYSTEMTIME& today);
bool CheckRecentBackup();
