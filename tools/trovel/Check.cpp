#include "Check.h"

#include "Text.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <shlwapi.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>

namespace {

using Outcome = CheckResult::Outcome;

const char* const kStateKey = "SOFTWARE\\Velmora\\Corvida";
const char* const kReportFile = "Corvidadata.ini";
const DWORD kAnswerTimeoutMs = 5000;  // a server that takes longer will not take an upload either

std::string Profile(const std::string& file, const char* section, const std::string& key)
{
    char value[4000] = "";
    GetPrivateProfileStringA(section, key.c_str(), "", value, sizeof value, file.c_str());
    return Trim(value);
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH] = "";
    if (GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr) == 0)
        return path;
    return full;
}

std::string WithoutTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

class Checks {
public:
    void Pass(const std::string& name, const std::string& detail) { Add(Outcome::Passed, name, detail); }
    void Fail(const std::string& name, const std::string& detail) { Add(Outcome::Failed, name, detail); }
    void Skip(const std::string& name, const std::string& detail) { Add(Outcome::Skipped, name, detail); }
    std::vector<CheckResult> results;

private:
    void Add(Outcome outcome, const std::string& name, const std::string& detail)
    {
        results.push_back({outcome, name, detail});
    }
};

std::vector<PackageFileEntry> FileEntries(const std::string& package)
{
    std::vector<PackageFileEntry> entries;
    for (int n = 0;; ++n) {
        const std::string prefix = std::to_string(n) + ")";
        PackageFileEntry entry{Profile(package, "FILES", prefix + "Filenum"), Profile(package, "FILES", prefix + "Recursive"),
                               Profile(package, "FILES", prefix + "Directory"),
                               Profile(package, "FILES", prefix + "FileFormat")};
        if (entry.fileNum.empty())
            break;  // the collector stops at the first entry without a count as well
        entries.push_back(entry);
    }
    return entries;
}

int RegistryEntryCount(const std::string& package)
{
    int n = 0;
    while (!Profile(package, "REGISTRY", std::to_string(n) + ")HKEY").empty())
        ++n;
    return n;
}

// One package: it exists and names something to collect. `reportFolder` non-empty: the
// report file of that program folder must be among what it collects.
void CheckPackage(Checks& checks, const std::string& label, const std::string& file, const std::string& reportFolder)
{
    if (!IsFile(file)) {
        checks.Fail(label, file + " does not exist");
        if (!reportFolder.empty())
            checks.Skip("report file", "not checked: no package");
        return;
    }
    const std::vector<PackageFileEntry> entries = FileEntries(file);
    const int keys = RegistryEntryCount(file);
    if (entries.empty() && keys == 0)
        checks.Fail(label, file + " names no files ([FILES]) and no registry keys");
    else
        checks.Pass(label, file + ": " + std::to_string(entries.size()) + " file entries, " + std::to_string(keys) +
                               " registry keys");
    if (reportFolder.empty())
        return;
    for (const PackageFileEntry& entry : entries) {
        if (CollectsReportFile(entry, reportFolder)) {
            checks.Pass("report file", std::string("Data\\") + kReportFile + " is collected (" + entry.directory + ", " +
                                           entry.fileFormat + ")");
            return;
        }
    }
    checks.Fail("report file", std::string("the package does not collect Data\\") + kReportFile +
                                   ": a submission would send no report");
}

// Waits for the server's greeting on port 21: tells a server that is down or not an FTP
// server from one that refuses the login, and never waits longer than kAnswerTimeoutMs.
bool ServerAnswers(const std::string& host, std::string& detail)
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        detail = "no network stack";
        return false;
    }
    bool answered = false;
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), "21", &hints, &found) != 0 || found == nullptr) {
        detail = host + " is not a known address";
    } else {
        SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        const DWORD timeout = kAnswerTimeoutMs;
        if (s != INVALID_SOCKET)
            setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        if (s == INVALID_SOCKET || connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
            detail = host + " does not answer on port 21 (error " + std::to_string(WSAGetLastError()) + ")";
        } else {
            char greeting[256] = "";
            const int got = recv(s, greeting, sizeof greeting - 1, 0);
            std::string text = got > 0 ? Trim(std::string(greeting, static_cast<size_t>(got))) : "";
            text = text.substr(0, text.find_first_of("\r\n"));
            answered = StartsWith(text, "220");
            detail = answered ? host + " answers: " + text
                              : host + " accepts connections but gives no FTP greeting" +
                                    (text.empty() ? "" : ": " + text);
        }
        if (s != INVALID_SOCKET)
            closesocket(s);
    }
    if (found)
        freeaddrinfo(found);
    WSACleanup();
    return answered;
}

class Internet {
public:
    explicit Internet(HINTERNET handle) : m_handle(handle) {}
    ~Internet()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
    }
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
    HINTERNET get() const { return m_handle; }

private:
    HINTERNET m_handle;
};

std::string LastServerAnswer()
{
    char answer[512] = "";
    DWORD code = 0, length = sizeof answer - 1;
    if (!InternetGetLastResponseInfoA(&code, answer, &length))
        return "";
    std::string text = Trim(answer);
    return text.substr(0, text.find_first_of("\r\n"));
}

void CheckFtp(Checks& checks, const std::string& ftpPath)
{
    std::string host, folder;
    SplitFtpPath(ftpPath, host, folder);
    if (host.empty()) {
        checks.Fail("FTP server", "no server configured");
        checks.Skip("FTP login", "not checked: no server");
        checks.Skip("FTP folder", "not checked: no server");
        return;
    }
    std::string detail;
    if (!ServerAnswers(host, detail)) {
        checks.Fail("FTP server", detail);
        checks.Skip("FTP login", "not checked: the server does not answer");
        checks.Skip("FTP folder", "not checked: the server does not answer");
        return;
    }
    checks.Pass("FTP server", detail);

    // The same login and mode as the collector's upload.
    Internet internet(InternetOpenA("trovel check", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Internet connection(internet.get() ? InternetConnectA(internet.get(), host.c_str(), INTERNET_DEFAULT_FTP_PORT,
                                                          "anonymous", "anonymous", INTERNET_SERVICE_FTP,
                                                          INTERNET_FLAG_PASSIVE, 1)
                                       : nullptr);
    if (!connection.get()) {
        const DWORD error = GetLastError();
        const std::string answer = LastServerAnswer();
        checks.Fail("FTP login", "anonymous login refused (error " + std::to_string(error) + ")" +
                                     (answer.empty() ? "" : ": " + answer));
        checks.Skip("FTP folder", "not checked: no login");
        return;
    }
    checks.Pass("FTP login", "anonymous login accepted by " + host);
    // Nothing is uploaded: the folder is entered, which needs only the right to list it.
    if (FtpSetCurrentDirectoryA(connection.get(), folder.c_str())) {
        checks.Pass("FTP folder", folder + " exists on " + host);
        return;
    }
    const std::string answer = LastServerAnswer();
    checks.Fail("FTP folder", folder + " cannot be opened on " + host + (answer.empty() ? "" : ": " + answer));
}

// A report workstation: what a submission writes from .\Corvida.ini and the model.
void CheckReportStation(Checks& checks, const std::string& folder)
{
    char model[256] = "";
    DWORD size = sizeof model;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kStateKey, "Product", RRF_RT_REG_SZ, nullptr, model, &size) != ERROR_SUCCESS ||
        Trim(model).empty()) {
        checks.Fail("device model", std::string("no \"Product\" under HKLM\\") + kStateKey + ": run the set-up again");
        checks.Skip("configuration", "not checked: no device model");
        return;
    }
    checks.Pass("device model", model);

    const std::string config = folder + "\\Corvida.ini";
    const std::string ftpPath = Profile(config, model, "FTP Path");
    const std::string package = Profile(config, model, "PackageName");
    std::string missing;
    if (ftpPath.empty())
        missing += " FTP Path";
    if (package.empty())
        missing += missing.empty() ? " PackageName" : ", PackageName";
    if (!missing.empty()) {
        checks.Fail("configuration", config + " [" + model + "] lacks" + missing);
        if (package.empty())
            return;
    } else {
        checks.Pass("configuration", config + " [" + model + "]: package " + package + ", FTP " + ftpPath);
    }
    CheckPackage(checks, "package " + package, folder + "\\Current\\Package_" + package + ".ini", folder);
    if (!ftpPath.empty())
        CheckFtp(checks, ftpPath);
}

std::string FindFile(const std::string& folder, const std::vector<const char*>& names)
{
    for (const char* name : names) {
        if (IsFile(folder + name))
            return folder + name;
    }
    return "";
}

// A folder with collector definitions of its own, named by .\Directory.ini.
void CheckDefinitions(Checks& checks, const std::string& folder)
{
    std::string base = Profile(folder + "\\Directory.ini", "Directory", "Path Directory");
    if (base.empty()) {
        checks.Fail("definitions", folder + "\\Directory.ini has no \"Path Directory\"");
        return;
    }
    base = FullPath(base);
    if (base.back() != '\\')
        base += '\\';
    std::string defDir;
    for (const char* name : {"Trovels Package", "Trovel Package", "Current"}) {
        if (IsFolder(base + name)) {
            defDir = base + name + "\\";
            break;
        }
    }
    if (defDir.empty()) {
        checks.Fail("definitions", "no definitions folder (Current, Trovel Package) in " + base);
        return;
    }
    const std::string config =
        FindFile(defDir, {"Current_Trovel.ini", "Current_Trovels.ini", "Trovel.ini", "Trovels.ini"});
    if (config.empty()) {
        checks.Fail("definitions", "no configuration (Trovel.ini, Current_Trovel.ini) in " + defDir);
        return;
    }
    checks.Pass("definitions", config);

    std::string ftpPath = Profile(config, "CONFIGURATION", "FTP Path");
    if (ftpPath.empty())
        ftpPath = Profile(config, "CONFIGURATION", "FTP Server");
    std::string missing;
    if (ftpPath.empty())
        missing += ", FTP Path";
    if (Profile(config, "CONFIGURATION", "Local Directory").empty())
        missing += ", Local Directory";
    if (Profile(config, "CONFIGURATION", "Computer Name").empty())
        missing += ", Computer Name";
    if (Profile(config, "SELECT PACKAGE", "0)Name").empty())
        missing += ", a selected package";
    if (missing.empty())
        checks.Pass("configuration", "FTP " + ftpPath + ", local directory " +
                                         Profile(config, "CONFIGURATION", "Local Directory"));
    else
        checks.Fail("configuration", config + " lacks " + missing.substr(2));

    for (int n = 0;; ++n) {
        std::string name = Profile(config, "SELECT PACKAGE", std::to_string(n) + ")Name");
        if (name.empty())
            break;
        name = name.substr(name.find_last_of('\\') + 1);
        std::string file = FindFile(defDir, {("Current_Package_" + name + ".ini").c_str(), ("package_" + name + ".ini").c_str()});
        if (file.empty())
            file = FindFile(base + "Packages\\", {("package_" + name + ".ini").c_str()});
        CheckPackage(checks, "package " + name, file.empty() ? defDir + "package_" + name + ".ini" : file, "");
    }
    if (!ftpPath.empty())
        CheckFtp(checks, ftpPath);
}

bool Matches(const std::string& name, const std::string& pattern)
{
    return PathMatchSpecA(name.c_str(), pattern.c_str()) != FALSE;
}

}  // namespace

bool CollectsReportFile(const PackageFileEntry& entry, const std::string& programFolder)
{
    const std::string program = ToLower(WithoutTrailingBackslash(programFolder));
    std::string directory = ToLower(Trim(entry.directory));
    directory = ReplaceAll(directory, "%currentdir%", program);
    if (StartsWith(directory, ".\\") || directory == ".")
        directory = program + directory.substr(1);
    directory = WithoutTrailingBackslash(directory);

    const std::string format = Trim(entry.fileFormat);
    const bool allFiles = format == "*.*";  // the collector takes every file whatever the count
    if (!allFiles && (std::atoi(entry.fileNum.c_str()) < 1 || !Matches(kReportFile, format)))
        return false;
    if (directory == program + "\\data")
        return true;
    return std::atoi(entry.recursive.c_str()) != 0 && directory == program;
}

void SplitFtpPath(const std::string& ftpPath, std::string& host, std::string& folder)
{
    const std::string path = Trim(ftpPath);
    const size_t cut = path.find('\\');
    host = Trim(path.substr(0, cut));
    folder = cut == std::string::npos ? "" : ReplaceAll(path.substr(cut), "\\", "/");
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder.empty())
        folder = "/";
}

bool HasDefinitions(const std::string& folder)
{
    for (const char* name : {"Trovels Package", "Trovel Package", "Current", "Devices"}) {
        if (IsFolder(folder + "\\" + name))
            return true;
    }
    return IsFile(folder + "\\Directory.ini") || IsFile(folder + "\\Devices.ini");
}

std::vector<CheckResult> CheckStation()
{
    Checks checks;
    const std::string folder = CurrentFolder();
    if (IsFile(folder + "\\Corvida.ini"))
        CheckReportStation(checks, folder);
    else if (IsFile(folder + "\\Directory.ini"))
        CheckDefinitions(checks, folder);
    else
        checks.Fail("definitions", "neither Corvida.ini nor Directory.ini in " + folder +
                                       ": start trovel in the program folder");
    return checks.results;
}

std::string CheckLine(const CheckResult& result)
{
    const char* mark = result.outcome == Outcome::Passed ? "ok    " : result.outcome == Outcome::Failed ? "FAIL  " : "--    ";
    return mark + result.name + ": " + result.detail;
}

int CheckExitCode(const std::vector<CheckResult>& results)
{
    if (results.empty())
        return 1;
    for (const CheckResult& result : results) {
        if (result.outcome != Outcome::Passed)
            return 1;
    }
    return 0;
}
