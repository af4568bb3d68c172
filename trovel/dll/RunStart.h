#pragma once
// What the start functions decide before a run's thread starts: the run id, the folder
// the run will create, and whether a run of the same minute still holds that folder.
// Plain functions, so they can be tested without the DLL.
#include <windows.h>

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// The values a start function hands to its run. The process keeps the latest set (one
// run at a time); each worker gets its own copy, so a second start cannot change the
// values of a run whose thread has not read them yet.
struct PendingRun {
    std::string description;
    std::string subject;
    std::string options;
    std::string stamp;      // 20YY_MM_DD_HH_MM
    std::string runIdText;  // HHMMSS, empty for a run without a run id
    std::string result;
    int unattended = 1;
};

// "09_30_15" -> "093015".
std::string RunIdText(const std::string& timeText);
// "093015" -> 93015 (a leading zero is lost); 0 for an empty or non-numeric text.
DWORD RunIdValue(const std::string& runIdText);

// The collection folder of a run: `configFolder` is named by the configuration's machine
// id (the folder a run without a customer makes); `runFolder` is the one this run will
// make, named by the customer option when there is one.
struct StartFolders {
    std::string configFolder;
    std::string runFolder;
};
StartFolders CollectionFolders(const std::string& machineFolder, const std::string& localDir,
                               const std::string& customer, const std::string& stamp);

// Collection folders of the runs of this process that have not ended yet. A start is
// refused when either folder exists on disk or the run folder is held by a running run
// (its folder appears only seconds after the start).
class RunClaims {
public:
    bool TryClaim(const StartFolders& folders, const std::function<bool(const std::string&)>& exists);
    void Release(const std::string& runFolder);

private:
    std::mutex m_mutex;
    std::set<std::string> m_held;  // lower-case paths
};

// Name of the definitions folder among the entries of a base folder: "Trovels Package" or
// "Trovel Package" (any case), else "Current"; empty when there is none.
std::string ChooseDefinitionsFolder(const std::vector<std::string>& entries);

// The status file as a host finds it before any run of its process: the definitions
// folder below the "Path Directory" of ".\Directory.ini" (or below ".\"). Looks only,
// creates nothing. Empty when there is no definitions folder.
std::string LocateStatusFile();
