// Placeholders in the Directory field of FILES entries, replaced with this workstation's
// folders just before an entry is gathered.
#include "Collector.h"

#include "Fields.h"
#include "Registry.h"
#include "Text.h"

#include <cstdlib>
#include <vector>

namespace {

const char kServicePlatformKey[] = "SOFTWARE\\Dastrel\\Kestrin";

std::string EnvironmentValue(const char* name)
{
    char buffer[1001] = {};
    const DWORD length = GetEnvironmentVariableA(name, buffer, 1000);
    // A value too long for the buffer is not read at all; it counts as not set.
    return length < 1000 ? std::string(buffer, length) : std::string();
}

std::string CurrentDirectory()
{
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0)
        return std::string();
    std::vector<char> buffer(needed + 1, '\0');
    const DWORD length = GetCurrentDirectoryA(needed + 1, buffer.data());
    return std::string(buffer.data(), length <= needed ? length : 0);
}

}  // namespace

bool CTrovelCollector::LoadServicePlatformPaths()
{
    CRegistry key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kServicePlatformKey))
        return false;
    std::string client, host;
    key.GetString(client, "ServiceClientInstallDir");
    key.GetString(host, "ServiceHostInstallDir");
    key.Close();
    m_strServiceHostDir = host;
    m_strServiceClientDir = client;
    return true;
}

bool CTrovelCollector::LoadEnvironmentPaths()
{
    m_strTempDir = EnvironmentValue("TEMP");
    m_strSystemDrive = EnvironmentValue("SYSTEMDRIVE");
    const auto slash = m_strSystemDrive.find('\\');
    if (slash != std::string::npos && slash > 0)
        m_strSystemDrive.erase(slash);
    return true;
}

void CTrovelCollector::ResolvePathVariables(std::string entry)
{
    const FilesEntry parsed = ParseFilesEntry(entry);
    std::string directory = parsed.directory;

    struct Placeholder {
        const char* text;
        std::string* cached;                            // nullptr: read anew at every use
        bool (CTrovelCollector::*load)();
    };
    const Placeholder placeholders[] = {
        {"%SHOST%", &m_strServiceHostDir, &CTrovelCollector::LoadServicePlatformPaths},
        {"%KESTRINCLIENT%", &m_strServiceClientDir, &CTrovelCollector::LoadServicePlatformPaths},
        {"%SYSTEMDRIVE%", &m_strSystemDrive, &CTrovelCollector::LoadEnvironmentPaths},
        {"%TEMP%", &m_strTempDir, &CTrovelCollector::LoadEnvironmentPaths},
        {"%CURRENTDIR%", nullptr, nullptr},
    };
    for (const Placeholder& placeholder : placeholders) {
        if (directory.find(placeholder.text) == std::string::npos)
            continue;
        std::string value;
        if (placeholder.cached != nullptr) {
            // An empty member has not been loaded yet; a loader that cannot reach its
            // source drops the entry.
            if (placeholder.cached->empty() && !(this->*placeholder.load)())
                return;
            value = *placeholder.cached;
        } else {
            value = CurrentDirectory();
        }
        directory = ReplaceAll(directory, placeholder.text, value);
        entry = std::to_string(parsed.filenum) + "," + std::to_string(parsed.recursive) + "," + directory + "," +
                parsed.format;
    }
    GatherFilesEntry(entry);
}
