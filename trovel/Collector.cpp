// The run driver: one collection from device selection to the closing summary, and the
// option text that hosts pass to an unattended run.
#include "Collector.h"

#include "Definitions.h"
#include "FileTree.h"
#include "Text.h"

namespace {

// Shown when an upload failed and the configuration names no server at all.
const char kDefaultFtpServer[] = "ftp.velmora.example";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Position of `key` as an option of its own in `text`: at the start or after white space,
// followed by white space, a quote or the end, and outside double-quoted values. So "-p"
// is not found inside "-product" nor inside a value such as "Print-press".
size_t FindOptionKey(const std::string& text, const std::string& key)
{
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted || text.compare(i, key.size(), key) != 0)
            continue;
        const bool startsToken = i == 0 || IsBlank(text[i - 1]);
        const size_t after = i + key.size();
        const bool endsToken = after == text.size() || IsBlank(text[after]) || text[after] == '"' ||
                               text[after] == '\'';
        if (startsToken && endsToken)
            return i;
    }
    return std::string::npos;
}

}  // namespace

CTrovelCollector::CTrovelCollector() = default;

int CTrovelCollector::Run(std::string description, std::string subject, std::string& result, int unattended,
                          std::string stamp, std::string options)
{
    CTrovelDefinitions& defs = TrovelDefinitions();
    m_strStamp = stamp;
    m_bUnattended = unattended;
    defs.m_bUnattended = unattended;
    const bool parse = unattended == 1 && !options.empty();
    if (parse)
        ParseOptions(options, description, subject);

    const int selected = defs.SelectDevice(result);
    if (selected != 1) {
        const std::string directoryText = "Missing or invalid file '.\\Directory.ini'.";
        switch (selected) {
        case 2:
            ReportProgress(20, result, result, 2, 0);
            ReportProgress(20, directoryText, directoryText, 3, 0);
            break;
        case 3:
            ReportProgress(20, directoryText, directoryText, 3, 0);
            break;
        case 7:
            ReportProgress(20, result, result, 7, 0);
            break;
        case 8:
            ReportProgress(20, "Missing or invalid Trovel Product.", "Missing or invalid Trovel Product.", 8, 0);
            break;
        case 9:
            ReportProgress(20, "Device selected for Trovel is not supported.",
                           "Device selected for Trovel is not supported.", 9, 0);
            break;
        case 10:
            ReportProgress(20, "Missing or invalid 'SystemInfo.xml' file.",
                           "Missing or invalid 'SystemInfo.xml' file.", 10, 0);
            break;
        default:
            break;
        }
        return selected;
    }

    CreateStatusEntry();
    m_strConfigFile = defs.CurrentConfigFile();

    std::string machineId;
    if (!defs.GetMachineId(m_strConfigFile, machineId)) {
        ReportProgress(20, "A unique machine ID is required.", "A unique machine ID is required.", 4, 0);
        return 4;
    }
    m_strMachineId = machineId;

    std::string packages;
    if (defs.CountPackages(packages) == 0) {
        ReportProgress(20, "No packages are available.", "No packages are available.", 5, 0);
        return 5;
    }

    PrepareLocalDirectory();
    if (parse)
        ParseOptions(options, description, subject);  // a customer now names the folder and archive
    WriteDescription(description, subject);

    m_nGatherCount[0] = m_nGatherCount[1] = 0;
    ReportProgress(20, "Running...", "Running...", -1, 1);
    GatherPackages();

    ReportProgress(80, "Zip Files", "Zip Files", -1, 1);
    std::string archiveError;
    CreateArchive(std::string(), m_strCollectDir, archiveError);

    std::string performFtp;
    defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "Perform FTP", performFtp);
    m_bUploadTried = unattended == 1 || performFtp == "1";
    if (m_bUploadTried) {
        result = "Send files to FTP server.";
        ReportProgress(90, result, result, -1, unattended == 1 ? 0 : 1);
        m_bFtpOk = UploadArchive(result);
        if (!m_bFtpOk)
            ReportProgress(80, "FTP Files", result, -1, 1);
    }

    TrovelPause(1000);
    if (!m_strCollectDir.empty())
        DeleteFolder(m_strCollectDir, false);

    std::string summary;
    BuildSummary(summary);
    result = "Completed.";
    ReportProgress(95, "Completed.", summary, 1, 1);
    return 1;
}

void CTrovelCollector::ParseOptions(const std::string& options, std::string& description, std::string& subject)
{
    // The customer names the collection folder and the archive, so it is made safe for a
    // file name even when given without quotes.
    const std::string customer = SanitizeName(GetOption(options, "-customer", "-c"));
    if (!customer.empty())
        m_strMachineId = customer;
    const struct {
        const char* longName;
        const char* shortName;
        std::string* target;
    } others[] = {
        {"-product", "-p", &m_strProduct},
        {"-region", "-r", &m_strRegion},
        {"-subject", "-s", &m_strSubject},
        {"-description", "-d", &m_strDescription},
    };
    for (const auto& option : others) {
        const std::string value = GetOption(options, option.longName, option.shortName);
        if (!value.empty())
            *option.target = value;
    }
    if (!m_strSubject.empty())
        subject = m_strSubject;
    if (!m_strDescription.empty())
        description = m_strDescription;
}

std::string CTrovelCollector::GetOption(const std::string& options, const std::string& longName,
                                        const std::string& shortName)
{
    std::string copy = Trim(options);
    size_t at = FindOptionKey(copy, longName);
    size_t keyLength = longName.size();
    if (at == std::string::npos) {
        at = FindOptionKey(copy, shortName);
        keyLength = shortName.size();
    }
    if (at == std::string::npos)
        return std::string();
    copy = Trim(copy.substr(at + keyLength));
    if (!copy.empty() && copy[0] == '"') {
        const size_t close = copy.find('"', 1);
        return SanitizeName(copy.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    }
    return copy.substr(0, copy.find_first_of(" '"));
}

std::string CTrovelCollector::SanitizeName(std::string text)
{
    static const char kUnsafe[] = " /\\|?:'<>*~`^%&";
    for (char& c : text)
        if (std::string(kUnsafe).find(c) != std::string::npos)
            c = '_';
    return text;
}

void CTrovelCollector::BuildSummary(std::string& out)
{
    CTrovelDefinitions& defs = TrovelDefinitions();
    std::string packages, name;
    for (int index = 0; defs.SelectedPackage(index, m_strConfigFile, name); ++index)
        packages += name + ",";
    std::string target;
    if (!defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Path", target))
        defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Server", target);
    out = ComposeSummary(m_bUploadTried != 0, m_bFtpOk != 0, packages, m_strZipPath, FtpServerName(target));
}

std::string CTrovelCollector::ComposeSummary(bool uploadTried, bool uploadOk, const std::string& packages,
                                             const std::string& zipPath, const std::string& ftpServer)
{
    std::string out = uploadTried && !uploadOk ? "File Collection failed!\r\n"
                                               : "File Collection completed successfully:\r\n";
    out += "\r\n" + PackageLine(packages);
    out += "\r\nLocal Target: " + zipPath;
    out += "\r\n";
    if (!uploadTried)
        out += "FTP not performed.";
    else if (uploadOk)
        out += "FTP Server: " + ftpServer + ".";
    else
        out += "A connection to FTP server " + (ftpServer.empty() ? std::string(kDefaultFtpServer) : ftpServer) +
               " could not be established.";
    return out;
}

std::string CTrovelCollector::PackageLine(const std::string& packages)
{
    std::string list;
    size_t lines = 1;
    size_t start = 0;
    while (start < packages.size()) {
        size_t comma = packages.find(',', start);
        if (comma == std::string::npos)
            comma = packages.size();
        const std::string name = packages.substr(start, comma - start);
        start = comma + 1;
        if (name.empty())
            continue;
        if (list.size() + name.size() > 65 * lines) {
            list += "\n";
            ++lines;
        }
        list += name + ",";
    }
    if (!list.empty())
        list.pop_back();
    return "Collected Packages: " + (list.empty() ? std::string("<no packages>") : list) + ".";
}

std::string CTrovelCollector::FtpServerName(const std::string& target)
{
    return target.substr(0, target.find('\\'));
}
