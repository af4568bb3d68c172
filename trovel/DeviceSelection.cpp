// Directory file, definitions folder, device choice and installation, the registry
// device list, and the machine id.
#include <cstdio>

#include "Collector.h"
#include "Definitions.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "Registry.h"
#include "Text.h"

namespace {

const char kDirectoryFile[] = ".\\Directory.ini";
const char kDevicesFile[] = ".\\Devices.ini";
const char kTrovelKey[] = "Software\\Velmora\\Trovel";
const char kDefaultDirectoryText[] = "\n\n [DIRECTORY]  \n\n Path Directory= .\\ \n";
const char kNotSupported[] = "Device selected for Trovel is not supported.";
const char kUpdateQuestion[] = "Trovel definition files have changed.\n Do you want to use the updates?";

std::string MissingDeviceFile(const std::string& file)
{
    return "Missing or invalid device configuration file '" + file + "'.";
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        return std::string();
    return name;
}

// A registry value given by its full path ("HKEY_LOCAL_MACHINE\SOFTWARE\...\Value").
std::string ReadRegistryValue(std::string path)
{
    HKEY root = nullptr;
    std::string full = path;
    if (!CTrovelCollector::ParseRegistryRoot(path, root, full) || root == nullptr)
        return std::string();
    const auto first = full.find('\\');
    const auto last = full.rfind('\\');
    if (first == std::string::npos || last == first)
        return std::string();
    CRegistry key;
    std::string value;
    if (key.Open(root, full.substr(first + 1, last - first - 1)))
        key.GetString(value, full.substr(last + 1));
    return value;
}

// Installs the device's definitions and brings them up to date: 1, or the first failure.
int InstallAndPrepare(CTrovelDefinitions& defs, const std::string& base, const std::string& dir, std::string& result)
{
    const int code = defs.InstallDevice(defs.m_bSystemInfo, base, dir, result);
    return code != 1 ? code : defs.PrepareDefinitions(base, result, 1, 1);
}

}  // namespace

int CTrovelDefinitions::SelectDevice(std::string& result)
{
    std::string dir, base;
    int hasConfig = 0;
    // Detection is decided anew for every run.
    m_bSystemInfo = false;
    m_strDeviceType.clear();
    if (FindDefinitionsDir(".\\", dir, hasConfig) == 0) {
        std::string xml;
        if (FindSystemInfo(xml)) {
            m_bSystemInfo = true;
            ReadXmlTag(xml, ">Service Host Group Type<", "<Detected>", m_strDeviceType);
            if (m_strDeviceType.empty()) {
                result = kNotSupported;
                return 9;
            }
        }
    }
    PublishDeviceList();

    const bool attendedCheck = !m_bUnattended && (FileExists(kDevicesFile) || m_bSystemInfo);
    bool directoryFound = false, directoryCreated = false;
    if (FileExists(kDirectoryFile)) {
        directoryFound = true;
        ReadProfile(kDirectoryFile, "Directory", "Path Directory", base);
        // A base too long for the files below it would only lead to truncated names.
        if (base.empty() || !BaseFolderFits(base))
            return 3;
        hasConfig = 0;
        const int current = FindDefinitionsDir(base, dir, hasConfig);
        SetDefinitionsDir(dir);
        if (current == 1) {
            if (attendedCheck) {
                const int code = CheckDevice(base, dir, result);
                if (code != 1)
                    return code;
            }
            return 1;
        }
        if (!dir.empty()) {
            if (hasConfig == 1) {
                RefreshCurrent(std::string());
                return 1;
            }
            const int code = InstallAndPrepare(*this, base, dir, result);
            if (code != 1)
                return code;
        }
    } else {
        base = ".\\";
        FILE* out = std::fopen(kDirectoryFile, "wb");
        if (out) {
            std::fputs(kDefaultDirectoryText, out);
            std::fclose(out);
            directoryCreated = true;
        }
    }

    hasConfig = 0;
    const int current = FindDefinitionsDir(".\\", dir, hasConfig);
    if (current == 1)
        return attendedCheck ? CheckDevice(base, dir, result) : 1;
    if (!dir.empty() && hasConfig == 0) {
        const int code = InstallDevice(m_bSystemInfo, base, dir, result);
        if (code != 1)
            return code;
        // A declined missing package has removed the configuration: the run stops.
        return PrepareDefinitions(base, result, 1, 1);
    }
    if (dir.empty() && !directoryFound)
        return 3;
    if (directoryCreated)
        WritePrivateProfileStringA("Directory", "Path Directory", ".\\", kDirectoryFile);
    return PrepareDefinitions(base, result, 0, 0);
}

void CTrovelDefinitions::SetDefinitionsDir(const std::string& dir)
{
    m_strDefDir = dir;
    m_strStatusFile = dir.empty() ? std::string() : dir + "TrovelStatus.ini";
}

bool BaseFolderFits(const std::string& base)
{
    // Room for the longest fixed name the library makes below the base folder.
    static const char kLongestBelow[] = "\\Trovels Package\\Current_Trovels.ini";
    return base.size() + sizeof kLongestBelow - 1 < MAX_PATH;
}

bool CTrovelDefinitions::LocateDefinitions()
{
    std::string base = ".\\";
    if (FileExists(kDirectoryFile)) {
        ReadProfile(kDirectoryFile, "Directory", "Path Directory", base);
        base = Trim(base);
        if (base.empty() || !BaseFolderFits(base))
            return false;
        if (!EndsWith(base, "\\"))
            base += "\\";
    }
    std::vector<std::string> folders;
    for (const FolderEntry& entry : ListFolder(base))
        if (entry.isFolder)
            folders.push_back(entry.name);
    const std::string name = ChooseDefinitionsFolder(folders);
    SetDefinitionsDir(name.empty() ? std::string() : base + name + "\\");
    return !name.empty();
}

std::string ChooseDefinitionsFolder(const std::vector<std::string>& entries)
{
    for (const char* wanted : {"trovels package", "trovel package", "current"})
        for (const std::string& entry : entries)
            if (ToLower(entry) == wanted)
                return entry;
    return std::string();
}

int CTrovelDefinitions::FindDefinitionsDir(const std::string& base, std::string& dir, int& hasConfig)
{
    std::vector<std::string> folders;
    for (const FolderEntry& entry : ListFolder(base))
        if (entry.isFolder)
            folders.push_back(entry.name);
    const std::string found = ChooseDefinitionsFolder(folders);

    if (found.empty()) {
        dir = m_strDefDir = base + "Current\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        return 0;
    }
    dir = m_strDefDir = base + found + "\\";
    if (FileExists(dir + "Trovel.ini")) {
        hasConfig = 1;
        return FileExists(dir + "Current_Trovel.ini") ? 1 : 0;
    }
    if (FileExists(dir + "Trovels.ini")) {
        hasConfig = 1;
        return FileExists(dir + "Current_Trovels.ini") || FileExists(dir + "Current_Trovel.ini") ? 1 : 0;
    }
    return 0;
}

int CTrovelDefinitions::FindSystemInfo(std::string& path)
{
    path.clear();
    char buffer[2001] = "";
    const DWORD length = GetEnvironmentVariableA("Path", buffer, sizeof buffer);
    const std::string variable = length < sizeof buffer ? buffer : "";
    const auto at = ToLower(variable).find("kestrin");
    if (at == std::string::npos)
        return 0;
    const auto separator = variable.rfind(';', at);
    const auto start = separator == std::string::npos ? 0 : separator + 1;
    std::string parent = variable.substr(start, at - start);
    if (!parent.empty())
        parent.pop_back();  // the backslash before the platform's folder
    path = parent + "\\Kestrin\\Logs\\SystemInfo.xml";
    return FileExists(path) ? 1 : 0;
}

int CTrovelDefinitions::ReadXmlTag(const std::string& path, const std::string& marker, const std::string& tag,
                                   std::string& value)
{
    value.clear();
    std::string text;
    ReadFileText(path, text);
    return FindTaggedText(text, marker, tag, value) && !value.empty() ? 1 : 0;
}

void CTrovelDefinitions::PublishDeviceList()
{
    std::string device;
    if (!ReadProfile(kDevicesFile, "Device ID", "1", device))
        return;
    CRegistry key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kTrovelKey)) {
        CRegistry parent;
        if (parent.Open(HKEY_LOCAL_MACHINE, "Software\\Velmora"))
            parent.CreateSubKey("Trovel");
        if (!key.Open(HKEY_LOCAL_MACHINE, kTrovelKey))
            return;
    }
    std::string current;
    key.GetString(current, "CurrentDevice");
    if (current.empty() || current == "0")
        key.SetString("0", "CurrentDevice");
    for (int n = 1; key.DeleteValue("Device" + std::to_string(n)); ++n) {
    }
    for (int n = 1; ReadProfile(kDevicesFile, "Device ID", std::to_string(n), device); ++n)
        key.SetString(std::to_string(n) + " (" + device + ")", "Device" + std::to_string(n));
}

int CTrovelDefinitions::ChooseDevice(int detected, std::string& id, std::string& name, const std::string& baseDir,
                                     std::string& deviceFile, std::string& result)
{
    if (detected == 1) {
        name = m_strDeviceType;
        id = "KS";
        deviceFile = baseDir + "\\Devices\\" + m_strDeviceType + ".ini";
        if (FileExists(deviceFile))
            return 1;
        result = MissingDeviceFile(deviceFile);
        return 2;
    }
    if (!FileExists(kDevicesFile)) {
        if (!MainConfigFile().empty()) {
            result = "Missing or invalid 'SystemInfo.xml' file.";
            return 10;
        }
        result = " Systeminfo.xml is missing or invalid.\n Do you want to use a 'Default' device?";
        return 2;
    }
    id.clear();
    CRegistry key;
    if (key.Open(HKEY_LOCAL_MACHINE, kTrovelKey))
        key.GetString(id, "CurrentDevice");
    if (id.empty() || id == "0") {
        result = "No device selected for Trovel.\nSet the registry key "
                 "'hkey_local_machine\\software\\velmora\\Trovel\\CurrentDevice'.";
        return 7;
    }
    const auto blank = id.find(' ');
    if (blank != std::string::npos && blank != 0)
        id.erase(blank);
    deviceFile.clear();
    if (ReadProfile(kDevicesFile, "Device ID", id, name))
        ReadProfile(kDevicesFile, "DEVICE PATH", name, deviceFile);
    if (name.empty() || deviceFile.empty()) {
        result = kNotSupported;
        return 9;
    }
    return 1;
}

int CTrovelDefinitions::InstallDevice(int detected, const std::string& baseDir, const std::string& dir,
                                      std::string& result)
{
    std::string id, name, deviceFile;
    if (m_strDeviceType == "Default") {
        deviceFile = baseDir + "\\Devices\\Default.ini";
        id = "1";
        name = "Default";
    } else {
        const int code = ChooseDevice(detected, id, name, baseDir, deviceFile, result);
        if (code != 1)
            return code;
    }
    std::string region;
    ReadProfile(dir + "Trovel.ini", "CONFIGURATION", "Region", region);
    if (!CopyDefinitionFile(deviceFile, dir + "Trovel.ini")) {
        result = MissingDeviceFile(deviceFile);
        return 2;
    }
    CopyDefinitionFile(deviceFile, m_strDefDir + "Current_Trovel.ini");
    SetDefinitionsDir(dir);
    // A configuration installed for the first time keeps the device file's own region.
    if (!region.empty())
        WriteRegion(region);
    WriteDeviceIdentity(name, id);
    return 1;
}

int CTrovelDefinitions::CheckDevice(const std::string& baseDir, const std::string& dir, std::string& result)
{
    if (dir.find("Current") == std::string::npos)
        return 1;
    std::string id, name, deviceFile;
    int code = ChooseDevice(m_bSystemInfo, id, name, baseDir, deviceFile, result);
    if (code != 1)
        return code;

    std::string currentId, currentName;
    if (!ReadProfile(CurrentConfigFile(), "CONFIGURATION", "Device ID", currentId))
        WriteDeviceIdentity(name, id);
    ReadProfile(CurrentConfigFile(), "CONFIGURATION", "Device ID", currentId);
    ReadProfile(CurrentConfigFile(), "CONFIGURATION", "DEVICE Name", currentName);
    if (currentId.empty() || currentName.empty())
        return 0;

    if (name != currentName) {
        if (AskUser("The default device was changed to " + name + ". \n Do you want to continue?",
                    MB_YESNO | MB_ICONQUESTION, false, true) != IDYES)
            return 11;
        DeleteFileA((m_strDefDir + "Current_Trovel.ini").c_str());
        code = InstallAndPrepare(*this, baseDir, dir, result);
        if (code != 1)
            return code;
    } else {
        int found = 1;
        const std::string current = CurrentConfigFile();
        if (IsNewer(deviceFile, current, "Device Version", found)) {
            if (AskUser(kUpdateQuestion, MB_YESNO | MB_ICONEXCLAMATION, false, true) == IDYES) {
                std::string region;
                ReadProfile(current, "CONFIGURATION", "Region", region);
                CopyDefinitionFile(deviceFile, MainConfigFile());
                CopyDefinitionFile(deviceFile, current);
                if (!region.empty())
                    WriteRegion(region);
                code = PrepareDefinitions(baseDir, result, 1, 1);
                if (code != 1)
                    return code;
                WriteDeviceIdentity(name, id);
                return 1;
            }
            m_nDeviceChanged = 100;
        }
        // A declined missing package stops the run here as it does everywhere else.
        code = PrepareDefinitions(baseDir, result, 0, 0);
        if (code != 1)
            return code;
    }
    if (!ReadProfile(CurrentConfigFile(), "CONFIGURATION", "Device ID", currentId))
        WriteDeviceIdentity(name, id);
    return 1;
}

int CTrovelDefinitions::GetMachineId(const std::string& configFile, std::string& id)
{
    id.clear();
    std::string value;
    if (!ReadProfile(configFile, "CONFIGURATION", "Computer Name", value))
        return 0;
    bool any = false;
    if (value == "1") {
        id = ComputerName();
        any = true;
    }

    ReadProfile(configFile, "CONFIGURATION", "Registry Field", value);
    if (value != "NULL") {
        any = true;
        id = ReadRegistryValue(value);
        if (id.empty() && ToLower(value).find("aldera400\\machine\\id") != std::string::npos)
            id = ReadRegistryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Projects\\Tessaro400V\\MACHINE\\Id");
        if (id.empty())
            id = ComputerName();
    }

    ReadProfile(configFile, "CONFIGURATION", "User Defined", value);
    if (value != "NULL") {
        any = true;
        id = value;
    }

    ReadProfile(configFile, "CONFIGURATION", "Systeminfo", value);
    if (value != "NULL") {
        any = true;
        std::string xml;
        id.clear();
        if (FindSystemInfo(xml))
            ReadXmlTag(xml, ">Device Serial Number<", "<Detected>", id);
    }

    if (!any)
        return 0;
    if (id.empty() || id.find_first_of("/\\|?:'<>*") != std::string::npos)
        id = ComputerName();
    return 1;
}
