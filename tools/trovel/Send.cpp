#include "Send.h"

#include "Check.h"
#include "Collector.h"
#include "FileTree.h"
#include "Text.h"

#include <windows.h>

namespace {

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH] = "";
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

SendOutcome Outcome(int code, const std::string& text)
{
    SendOutcome outcome;
    outcome.exitCode = code;
    outcome.text = text;
    return outcome;
}

}  // namespace

bool SplitArchiveName(const std::string& archive, std::string& machineId, std::string& stamp)
{
    const size_t slash = archive.find_last_of("\\/");
    std::string name = slash == std::string::npos ? archive : archive.substr(slash + 1);
    if (!EndsWith(ToLower(name), ".zip"))
        return false;
    name.erase(name.size() - 4);
    const size_t cut = name.rfind('_');
    if (cut == std::string::npos || cut == 0 || cut + 1 == name.size())
        return false;
    machineId = name.substr(0, cut);
    stamp = name.substr(cut + 1);
    return true;
}

SendOutcome SendArchive(const std::string& archive)
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    if (!HasDefinitions(folder))
        return Outcome(2, std::string("no collector definitions in ") + folder + ": nothing was sent");
    CTrovelDefinitions definitions;
    definitions.m_bUnattended = true;
    if (!definitions.LocateDefinitions())
        return Outcome(2, std::string("no definitions folder found from ") + folder + ": nothing was sent");
    std::string config = definitions.CurrentConfigFile();
    if (config.empty())
        config = definitions.MainConfigFile();
    if (config.empty())
        return Outcome(2, "no configuration (Current_Trovel.ini or Trovel.ini) in the definitions folder: nothing was sent");

    std::string path = archive;
    if (!FileExists(path) && path.find_first_of("\\/:") == std::string::npos) {
        std::string local;
        definitions.ReadProfile(config, "CONFIGURATION", "Local Directory", local);
        local = Trim(local);
        if (!local.empty() && local.find('%') == std::string::npos)
            path = (EndsWith(local, "\\") ? local : local + "\\") + archive;
    }
    if (!FileExists(path))
        return Outcome(2, "no such archive: " + archive);
    std::string machineId, stamp;
    if (!SplitArchiveName(path, machineId, stamp))
        return Outcome(2, "not the archive of a run (<name>_<stamp>.zip): " + archive);

    CTrovelCollector collector(std::move(definitions));
    collector.m_bUnattended = true;
    collector.m_strConfigFile = config;
    collector.m_strZipPath = FullPath(path);
    collector.m_strMachineId = machineId;
    collector.m_strStamp = stamp;
    std::string result;
    std::string target;
    collector.Definitions().ReadProfile(config, "CONFIGURATION", "FTP Path", target);
    if (target.empty())
        collector.Definitions().ReadProfile(config, "CONFIGURATION", "FTP Server", target);
    if (collector.UploadArchive(result) == 0)
        return Outcome(1, "failed: " + Trim(result) + " (" + collector.m_strZipPath + " stays)");
    return Outcome(0, "sent: " + collector.m_strZipPath + " to " + Trim(target));
}
