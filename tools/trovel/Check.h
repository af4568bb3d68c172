#pragma once
// `trovel check`: whether a collection can work in the current folder, told as one line
// per check. Reads only: it writes no file, no registry value and uploads nothing, so a
// site engineer may run it on a workstation at any time.
//
// It reads the definition files with the platform's profile calls and talks to the FTP
// server with WinINet itself rather than through the library: the library's device
// selection writes as it reads (default directory file, "Current\" folder, expanded
// paths, device list in the registry), which a check must not do.
#include <string>
#include <vector>

struct CheckResult {
    enum class Outcome { Passed, Failed, Skipped };
    Outcome outcome = Outcome::Failed;
    std::string name;    // what was checked, e.g. "FTP login"
    std::string detail;  // what was found, or why it fails
};

// Runs every check in the current folder. On a report workstation (.\Corvida.ini beside
// the program) the checks follow what a submission writes from it; elsewhere they follow
// the collector definitions named by .\Directory.ini.
std::vector<CheckResult> CheckStation();

// "ok    name: detail", "FAIL  name: detail" or "--    name: detail".
std::string CheckLine(const CheckResult& result);
// 0 when every check passed, else 1.
int CheckExitCode(const std::vector<CheckResult>& results);

// True when `folder` holds collector definitions a run can start from: a directory file,
// a definitions folder or a device list. Without them the library would create its default
// files in the folder, so trovel.exe refuses to run there.
bool HasDefinitions(const std::string& folder);

// A FILES entry of a package, as the package file holds it.
struct PackageFileEntry {
    std::string fileNum, recursive, directory, fileFormat;
};
// True when the entry gathers the report file Data\Corvidadata.ini of `programFolder`:
// its Directory is that Data folder (written with %CURRENTDIR%, ".\" or the full path), or
// the program folder itself when the entry is recursive, and its FileFormat takes the file.
bool CollectsReportFile(const PackageFileEntry& entry, const std::string& programFolder);

// "host\folder\sub" into "host" and "/folder/sub" ("/" when no folder is given).
void SplitFtpPath(const std::string& ftpPath, std::string& host, std::string& folder);
