#include "RunStart.h"

#include <cstdlib>

#include "Text.h"

std::string RunIdText(const std::string& timeText)
{
    return ReplaceAll(timeText, "_", "");
}

DWORD RunIdValue(const std::string& runIdText)
{
    return static_cast<DWORD>(std::strtoul(runIdText.c_str(), nullptr, 10));
}

StartFolders CollectionFolders(const std::string& machineFolder, const std::string& localDir,
                               const std::string& customer, const std::string& stamp)
{
    StartFolders folders;
    folders.configFolder = machineFolder + "_" + stamp;
    folders.runFolder = customer.empty() ? folders.configFolder : localDir + customer + "_" + stamp;
    return folders;
}

bool RunClaims::TryClaim(const StartFolders& folders, const std::function<bool(const std::string&)>& exists)
{
    const std::string key = ToLower(folders.runFolder);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_held.count(key) != 0 || exists(folders.configFolder) || exists(folders.runFolder))
        return false;
    m_held.insert(key);
    return true;
}

void RunClaims::Release(const std::string& runFolder)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_held.erase(ToLower(runFolder));
}

std::string ChooseDefinitionsFolder(const std::vector<std::string>& entries)
{
    for (const char* wanted : {"trovels package", "trovel package", "current"})
        for (const std::string& entry : entries)
            if (ToLower(entry) == wanted)
                return entry;
    return std::string();
}

std::string LocateStatusFile()
{
    std::string base = ".\\";
    if (GetFileAttributesA(".\\Directory.ini") != INVALID_FILE_ATTRIBUTES) {
        char value[4000] = "";
        GetPrivateProfileStringA("Directory", "Path Directory", "", value, sizeof value, ".\\Directory.ini");
        base = Trim(value);
        if (base.empty())
            return std::string();
    }
    if (!EndsWith(base, "\\"))
        base += "\\";

    std::vector<std::string> folders;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((base + "*.*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return std::string();
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);

    const std::string name = ChooseDefinitionsFolder(folders);
    return name.empty() ? std::string() : base + name + "\\TrovelStatus.ini";
}
