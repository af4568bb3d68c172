#include "Submission.h"

#include "CollectorLibrary.h"
#include "Dates.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "Identification.h"
#include "Pause.h"
#include "Registry.h"
#include "ReportStore.h"
#include "Shortcut.h"
#include "StateRegistry.h"
#include "Text.h"
#include "ToolConfig.h"
#include "ZipDirectory.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <vector>

const char* const kCollectionFolder = "C:\\Velmora\\Corvida\\Collection\\";
const char* const kReminderTaskName = "Installation Report Reminder";

namespace {

const char* const kCurrentFolder = ".\\Current\\";

// A status that keeps reading "working" although the library's silent run only returns
// once its run has ended: give up after this many polls (one per second).
const int kMaxWorkingPolls = 600;
const DWORD kWorkingPollPause = 1000;
const DWORD kStatusPause = 3000;

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::snprintf(buffer.data(), buffer.size(), format, args...);
    return std::string(buffer.data(), static_cast<size_t>(length));
}

// A value of the report file, cut as the fixed 255-byte buffer cuts it.
std::string ReadReportValue(const char* section, const char* key)
{
    char buffer[255];
    GetPrivateProfileStringA(section, key, "", buffer, sizeof(buffer), kReportFile);
    return buffer;
}

// The only archive in the collection folder, which a submission empties before its run.
std::string OnlyArchiveIn(const std::string& folder)
{
    std::string found;
    for (const auto& entry : ListFolder(folder)) {
        if (entry.isFolder || !EndsWith(ToLower(entry.name), ".zip"))
            continue;
        if (!found.empty())
            return std::string();
        found = folder + entry.name;
    }
    return found;
}

}  // namespace

std::string LocalTargetOf(const std::string& statusText)
{
    static const char kLabel[] = "Local Target: ";
    size_t start = statusText.find(kLabel);
    if (start == std::string::npos)
        return std::string();
    start += sizeof(kLabel) - 1;
    size_t end = ToLower(statusText).find(".zip", start);
    if (end == std::string::npos)
        return std::string();
    return statusText.substr(start, end + 4 - start);
}

bool ArchiveHoldsReport(const std::string& archive, const std::string& reportFile)
{
    uint32_t crc = 0, size = 0;
    std::vector<ZipEntryInfo> entries;
    if (archive.empty() || !FileCrc32(reportFile, crc, size) || !ReadZipDirectory(archive, entries))
        return false;
    const size_t slash = reportFile.find_last_of("\\/");
    const std::string name = ToLower(slash == std::string::npos ? reportFile : reportFile.substr(slash + 1));
    for (const ZipEntryInfo& entry : entries) {
        const size_t cut = entry.name.find_last_of("\\/");
        const std::string entryName = ToLower(cut == std::string::npos ? entry.name : entry.name.substr(cut + 1));
        if (entryName == name && entry.size == size && entry.crc == crc)
            return true;
    }
    return false;
}

std::string BuildCollectorOptions(const std::string& device, const std::string& serial)
{
    std::string number = StripTypedSerialPrefix(serial);
    if (!number.empty())
        return Format(" -p %c%s%c  -c %c%s%c", '"', device.c_str(), '"', '"', number.c_str(), '"');
    return Format(" -p %c%s%c ", '"', device.c_str(), '"');
}

std::string BuildTrovelIni(const std::string& ftpPath, const std::string& registryField,
                           const std::string& region, const std::string& device,
                           const std::string& packageName)
{
    std::string out;
    out += Format("\n\n[%s]\r\n", "Device Version");
    out += Format("%s   =  %s\r\n", "version", "1");
    out += Format("\r\n\r\n[%s]\r\n", "configuration");
    out += Format("%s         =  %s\r\n", "FTP Path", ftpPath.c_str());
    out += Format("%s      =  %s%s \r\n", "Local Directory", "C:\\Velmora\\Corvida", "\\Collection\\");
    out += Format("%s  =  %s\r\n\r\n", "PerForm Ftp", "1");
    out += Format("%s  =  %s\r\n", "Password enable", "1");
    out += Format("%s   =  %s\r\n", "Password Value", "pavis");
    out += Format("%s    =  %s\r\n", "Computer Name", "NULL");
    out += Format("%s     =  %s\r\n", "Registry Field", registryField.c_str());
    out += Format("%s       =  %s\r\n", "User Defined", "NULL");
    out += Format("%s   =  %s\r\n", "SystemInfo", "NULL");
    out += Format("%s           =  %s\r\n", "Region", region.c_str());
    out += Format("%s      =  %s\r\n", "Device Name", device.c_str());
    out += Format("\r\n\r\n[%s]\r\n", "SELECT PACKAGE");
    out += Format("0)%s   = %s\r\n", "Name", packageName.c_str());
    return out;
}

std::string DirectoryIniBytes()
{
    return "\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n";
}

int CCollector::PrepareCollectorConfiguration()
{
    CreateFolderPath(kCurrentFolder);
    const std::string device = GetProductType();
    const std::string trovelIni = std::string(kCurrentFolder) + "Trovel.ini";

    std::string packageName;
    {
        std::ofstream out(trovelIni, std::ios::binary | std::ios::trunc);
        if (out) {
            std::string ftpPath = IniValueOrEmpty(kToolConfigFile, device, "FTP Path");
            std::string registryField = IniValueOrEmpty(kToolConfigFile, device, "SerialNumber");
            std::string region = ReadReportValue("GroupCustomer", "CustomerRegion");
            packageName = IniValueOrEmpty(kToolConfigFile, device, "PackageName");
            std::string bytes = BuildTrovelIni(ftpPath, registryField, region, device, packageName);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
    }

    for (const auto& entry : ListFolder(kCurrentFolder)) {
        std::string lower = ToLower(entry.name);
        if (StartsWith(lower, "current_") && EndsWith(lower, ".ini"))
            DeleteFileA((std::string(kCurrentFolder) + entry.name).c_str());
    }
    CopyFileA(trovelIni.c_str(), (std::string(kCurrentFolder) + "Current_Trovel.ini").c_str(), FALSE);
    CopyFileA((std::string(kCurrentFolder) + "Package_" + packageName + ".ini").c_str(),
              (std::string(kCurrentFolder) + "Current_Package_" + packageName + ".ini").c_str(), FALSE);

    std::ofstream directory(".\\Directory.ini", std::ios::binary | std::ios::trunc);
    std::string bytes = DirectoryIniBytes();
    directory.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return 1;
}

int CCollector::SubmitReport(std::string& result, int runMode)
{
    m_nRunMode = runMode;
    WriteStateValue("Data Submission Performed", "1");
    std::string firstDate;
    if (!ReadStateValue("Data Submission Date", firstDate) || firstDate.empty())
        WriteStateValue("Data Submission Date", TodayDateText());
    DeleteFolder(kCollectionFolder, true);
    PrepareCollectorConfiguration();
    return RunCollection(result);
}

int CCollector::RunCollection(std::string& result)
{
    const CollectorLibrary& library = GetCollectorLibrary();
    std::string device = GetProductType();
    std::string serial = ReadReportValue("GroupProduct", "ProductSerialNumber");
    std::string options = BuildCollectorOptions(device, serial);

    DWORD id = library.runFileCollectionSilent("see xml report.", "Installation Report", options.c_str());
    Pause(kStatusPause);

    int status = 0;
    int notFound = 0;
    int working = 0;
    for (;;) {
        char text[256] = {};
        status = library.getFileCollectionStatus(id, text);
        text[sizeof(text) - 1] = '\0';
        result = text;
        if (status == 0) {
            if (++working >= kMaxWorkingPolls) {
                status = 2;
                break;
            }
            Pause(kWorkingPollPause);
            continue;
        }
        if (status == 3) {
            if (++notFound >= 3)
                break;
            Pause(kStatusPause);
            continue;
        }
        if (status == 1) {
            // The report is removed only once it is known to have gone: the archive the
            // run made must hold it (a package may not collect it).
            std::string archive = LocalTargetOf(result);
            if (archive.empty() || !FileExists(archive))
                archive = OnlyArchiveIn(kCollectionFolder);
            if (result.find("failed") != std::string::npos || !ArchiveHoldsReport(archive, kReportFile))
                status = 2;
            else
                CompleteSubmission();
        }
        break;
    }
    return status;
}

int CCollector::CompleteSubmission()
{
    MarkSubmissionCompleted();
    RemoveInstallation();
    return 1;
}

bool CCollector::MarkSubmissionCompleted()
{
    CRegistry key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kCorvidaKey))
        return false;
    key.SetString("0", "Reminder at Startup");
    key.SetString("0", "Reminder by Scheduler");
    key.SetString("0", "First Launch Flag");
    key.SetString("1", "Data Submission Completed");
    return true;
}

int CCollector::RemoveInstallation()
{
    RemoveShortcuts();
    DeleteFolder(".\\Data", true);
    DeleteReminderTask();
    DeleteFolder(".\\Collection", true);
    DeleteFileA(".\\Directory.ini");
    DeleteFileA(".\\TrovelLog.txt");
    DeleteFileA(".\\Log Corvida.txt");
    for (const auto& entry : ListFolder(kCurrentFolder)) {
        std::string lower = ToLower(entry.name);
        if (!StartsWith(lower, "trovel") && !StartsWith(lower, "current"))
            continue;
        std::string path = std::string(kCurrentFolder) + entry.name;
        if (entry.isFolder) {
            DeleteFolder(path, true);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    return 1;
}

int CCollector::DeleteReminderTask()
{
    ShellOpen("schtasks", Format(" /delete  /TN   %c%s%c /F", '"', kReminderTaskName, '"'));
    return 1;
}

int CCollector::RemoveShortcuts()
{
    CShortcut shortcut;
    shortcut.DeleteShortCut("Reminder Corvida", CSIDL_STARTUP);
    shortcut.DeleteShortCut("Corvida", CSIDL_DESKTOP);
    shortcut.DeleteShortCut("Corvida", CSIDL_STARTMENU);
    shortcut.DeleteShortCut("Corvida", CSIDL_PROGRAMS);
    shortcut.DeleteShortCut("Installation Report Reminder", CSIDL_STARTUP);
    return 1;
}
