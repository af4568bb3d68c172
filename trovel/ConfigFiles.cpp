// The main and current configuration files: finding them, reading them through the
// profile-string calls, and keeping the two copies in step.
#include <cstdlib>
#include <vector>

#include "Definitions.h"
#include "FileTree.h"
#include "Text.h"

namespace {

void WriteConfigKey(const std::string& file, const char* key, const std::string& value)
{
    if (!file.empty())
        WritePrivateProfileStringA("CONFIGURATION", key, value.c_str(), file.c_str());
}

std::string FirstExisting(const std::string& folder, const char* first, const char* second)
{
    if (FileExists(folder + first))
        return folder + first;
    if (FileExists(folder + second))
        return folder + second;
    return std::string();
}

}  // namespace

std::string CTrovelDefinitions::CurrentConfigFile()
{
    return FirstExisting(m_strDefDir, "Current_Trovel.ini", "Current_Trovels.ini");
}

std::string CTrovelDefinitions::MainConfigFile()
{
    return FirstExisting(m_strDefDir, "Trovel.ini", "Trovels.ini");
}

int CTrovelDefinitions::ReadProfile(const std::string& file, const std::string& section, const std::string& key,
                                    std::string& value, DWORD size)
{
    value.clear();
    if (file.empty() || size == 0)
        return 0;
    std::vector<char> buffer(size + 1, '\0');
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(), size, file.c_str());
    value = buffer.data();
    return value.empty() ? 0 : 1;
}

std::string CTrovelDefinitions::ResolveLocalDirectory(const std::string& configFile)
{
    std::string local;
    ReadProfile(configFile, "CONFIGURATION", "Local Directory", local);
    if (local.find("%SYSTEMDRIVE%") == std::string::npos)
        return local;
    char drive[1001] = "";
    const DWORD length = GetEnvironmentVariableA("SYSTEMDRIVE", drive, sizeof drive);
    std::string value = length < sizeof drive ? drive : "";
    const auto slash = value.find('\\');
    if (slash != std::string::npos)
        value.erase(slash);
    local = ReplaceAll(local, "%SYSTEMDRIVE%", value);
    // Later reads see the expanded path.
    WriteConfigKey(configFile, "Local Directory", local);
    return local;
}

int CTrovelDefinitions::IsNewer(const std::string& fileA, const std::string& fileB, const std::string& section,
                                int& found)
{
    if (!FileExists(fileB)) {
        found = 0;
        return 0;
    }
    if (!FileExists(fileA))
        return 0;
    std::string a, b;
    ReadProfile(fileA, section, "version", a, 5);
    ReadProfile(fileB, section, "version", b, 5);
    return std::atoi(a.c_str()) > std::atoi(b.c_str()) ? 1 : 0;
}

int CTrovelDefinitions::CopyDefinitionFile(const std::string& source, const std::string& target)
{
    const BOOL copied = CopyFileA(source.c_str(), target.c_str(), FALSE);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return copied ? 1 : 0;
}

void CTrovelDefinitions::WriteDeviceIdentity(const std::string& name, const std::string& id)
{
    for (const std::string& file : {MainConfigFile(), CurrentConfigFile()}) {
        WriteConfigKey(file, "Device ID", id);
        WriteConfigKey(file, "DEVICE Name", name);
    }
}

void CTrovelDefinitions::WriteRegion(const std::string& region)
{
    WriteConfigKey(MainConfigFile(), "Region", region);
    WriteConfigKey(CurrentConfigFile(), "Region", region);
}

std::string CTrovelDefinitions::MachineFolderName()
{
    const std::string config = CurrentConfigFile();
    std::string id;
    GetMachineId(config, id);
    return ResolveLocalDirectory(config) + id;
}
