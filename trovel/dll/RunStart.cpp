#include "RunStart.h"

#include <cstdlib>

#include "Collector.h"
#include "Text.h"

std::string RunIdText(const std::string& timeText)
{
    return ReplaceAll(timeText, "_", "");
}

DWORD RunIdValue(const std::string& runIdText)
{
    return static_cast<DWORD>(std::strtoul(runIdText.c_str(), nullptr, 10));
}

StartFolders CollectionFolders(const std::string& localDir, const std::string& machineId,
                               const std::string& customer, const std::string& stamp)
{
    StartFolders folders;
    folders.configFolder = CTrovelCollector::CollectionFolder(localDir, machineId, stamp);
    folders.runFolder =
        customer.empty() ? folders.configFolder : CTrovelCollector::CollectionFolder(localDir, customer, stamp);
    return folders;
}

bool RunClaims::TryClaim(const StartFolders& folders, const std::function<bool(const std::string&)>& exists)
{
    const std::string key = ToLower(folders.runFolder);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_held.count(key) != 0 || exists(folders.configFolder) || exists(folders.runFolder))
        return false;
    // Created first wins: a claim that already exists belongs to a run in progress,
    // here or in another process.
    KernelHandle claim(CreateMutexA(nullptr, FALSE, KernelObjectName("Run", folders.runFolder).c_str()));
    if (!claim || GetLastError() == ERROR_ALREADY_EXISTS)
        return false;
    m_held[key] = std::move(claim);
    return true;
}

void RunClaims::Release(const std::string& runFolder)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto held = m_held.find(ToLower(runFolder));
    if (held == m_held.end())
        return;
    m_held.erase(held);
}

bool ClaimStart(RunClaims& claims, const std::string& options, PendingRun& run, std::string& claimedFolder)
{
    claimedFolder.clear();
    CTrovelDefinitions defs;
    std::string timeText;
    run.stamp = defs.MakeStamp(timeText);
    run.runIdText = RunIdText(timeText);
    run.unattended = true;

    defs.LocateDefinitions();
    const std::string config = defs.CurrentConfigFile();
    std::string localDir, machineId;
    if (!config.empty()) {
        localDir = defs.ResolveLocalDirectory(config);
        defs.GetMachineId(config, machineId);
    }
    const std::string customer =
        CTrovelCollector::SanitizeName(CTrovelCollector::GetOption(options, "-customer", "-c"));
    const StartFolders folders = CollectionFolders(localDir, machineId, customer, run.stamp);
    if (!claims.TryClaim(folders, [](const std::string& path) {
            return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        }))
        return false;
    claimedFolder = folders.runFolder;
    return true;
}

std::string LocateStatusFile()
{
    CTrovelDefinitions defs;
    defs.LocateDefinitions();
    return defs.m_strStatusFile;
}
