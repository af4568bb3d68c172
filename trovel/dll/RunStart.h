#pragma once
// What the start functions decide before a run's thread starts: the run's start values,
// the folder the run will create, and whether a run of the same minute (of this process
// or another) still holds that folder. Plain functions, so they can be tested without the DLL.
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Definitions.h"
#include "Handles.h"

// The values a start function hands to its run, copied into the run's worker.
struct PendingRun {
    std::string description;
    std::string subject;
    std::string options;
    std::string stamp;      // 20YY_MM_DD_HH_MM
    std::string runIdText;  // HHMMSS, empty for a run without a run id
    std::string result;
    bool unattended = true;
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
StartFolders CollectionFolders(const std::string& localDir, const std::string& machineId,
                               const std::string& customer, const std::string& stamp);

// Collection folders of the runs that have not ended yet, in every process of the session:
// each claim is a named kernel object that lives as long as the claiming run (or its
// process). A start is refused when either folder exists on disk or the run folder is
// claimed (its folder appears only seconds after the start).
class RunClaims {
public:
    RunClaims() = default;
    RunClaims(const RunClaims&) = delete;
    RunClaims& operator=(const RunClaims&) = delete;

    bool TryClaim(const StartFolders& folders, const std::function<bool(const std::string&)>& exists);
    void Release(const std::string& runFolder);

private:
    std::mutex m_mutex;
    std::map<std::string, KernelHandle> m_held;  // lower-case path -> its claim
};

// The start of an unattended run with a run id: stamp and run id from the clock, the
// folders found from .\Directory.ini as any process would find them, and the claim.
// False when a run of the same minute holds the folder; `claimedFolder` is then empty.
bool ClaimStart(RunClaims& claims, const std::string& options, PendingRun& run, std::string& claimedFolder);

// The status file as a host finds it before any run of its process: the definitions
// folder below the "Path Directory" of ".\Directory.ini" (or below ".\"). Looks only,
// creates nothing. Empty when there is no definitions folder.
std::string LocateStatusFile();
