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

// Each failure code that Run reports, with its text; a null text stands for the text the
// device selection gave. `then` is a code reported right after (0: none).
struct FailureReport {
    int code;
    const char* text;
    int then;
};
const char kDirectoryFileText[] = "Missing or invalid file '.\\Directory.ini'.";
const FailureReport kFailureReports[] = {
    {CTrovelCollector::kNoDeviceFile, nullptr, CTrovelCollector::kNoDirectoryFile},
    {CTrovelCollector::kNoDirectoryFile, kDirectoryFileText, 0},
    {CTrovelCollector::kNoMachineId, "A unique machine ID is required.", 0},
    {CTrovelCollector::kNoPackage, "No packages are available.", 0},
    {CTrovelCollector::kNoDeviceSelected, nullptr, 0},
    {CTrovelCollector::kNoProduct, "Missing or invalid Trovel Product.", 0},
    {CTrovelCollector::kDeviceNotSupported, "Device selected for Trovel is not supported.", 0},
    {CTrovelCollector::kNoSystemInfo, "Missing or invalid 'SystemInfo.xml' file.", 0},
};

}  // namespace

CTrovelCollector::CTrovelCollector(CTrovelDefinitions definitions) : m_defs(std::move(definitions)) {}

int CTrovelCollector::Run(std::string description, std::string subject, std::string& result, bool unattended,
                          std::string stamp, std::string options)
{
    m_strStamp = stamp;
    m_bUnattended = m_defs.m_bUnattended = unattended;
    if (unattended && !options.empty())
        ParseOptions(options, description, subject);

    int code = SelectDefinitions(result);
    if (code == kCompleted) {
        CreateStatusEntry();
        code = ReadMachineId();
    }
    if (code == kCompleted)
        code = FindPackages();
    if (code != kCompleted) {
        ReportFailure(code, result);
        return code;
    }

    PlanPaths();
    PrepareLocalDirectory();
    // Without the description or a whole archive there is nothing worth sending.
    if (WriteDescription(description, subject)) {
        GatherFiles();
        if (PackArchive())
            Upload(result);
    }
    CleanUp();
    Summarise(result);
    return kCompleted;
}

int CTrovelCollector::SelectDefinitions(std::string& result)
{
    const int code = m_defs.SelectDevice(result);
    // Hosts of this process poll the status file where this run keeps it.
    if (!m_defs.m_strStatusFile.empty())
        PublishStatusFile(m_defs.m_strStatusFile);
    return code;
}

int CTrovelCollector::ReadMachineId()
{
    m_strConfigFile = m_defs.CurrentConfigFile();
    std::string machineId;
    if (!m_defs.GetMachineId(m_strConfigFile, machineId))
        return kNoMachineId;
    // A customer given in the options names the folder and the archive instead.
    m_strMachineId = m_strCustomer.empty() ? machineId : m_strCustomer;
    return kCompleted;
}

int CTrovelCollector::FindPackages()
{
    std::string packages;
    return m_defs.CountPackages(packages) == 0 ? kNoPackage : kCompleted;
}

std::string CTrovelCollector::CollectionFolder(const std::string& localDir, const std::string& name,
                                               const std::string& stamp)
{
    return localDir + name + "_" + stamp;
}

void CTrovelCollector::PlanPaths()
{
    m_strLocalDir = m_defs.ResolveLocalDirectory(m_strConfigFile);
    NamePaths();
}

void CTrovelCollector::NamePaths()
{
    m_strCollectDir = CollectionFolder(m_strLocalDir, m_strMachineId, m_strStamp);
    m_strZipName = m_strMachineId + "_" + m_strStamp + ".zip";
    m_strZipPath = m_strCollectDir + ".zip";
}

void CTrovelCollector::GatherFiles()
{
    m_nGatherCount[0] = m_nGatherCount[1] = 0;
    ReportProgress(20, "Running...", "Running...", -1, 1);
    GatherPackages();
}

bool CTrovelCollector::PackArchive()
{
    ReportProgress(80, "Zip Files", "Zip Files", -1, 1);
    std::string error;
    if (CreateArchive(std::string(), m_strCollectDir, error))
        return true;
    m_strFailure = error;
    m_defs.WriteLog(error, false);
    return false;
}

void CTrovelCollector::Upload(std::string& result)
{
    std::string performFtp;
    m_defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "Perform FTP", performFtp);
    m_bUploadTried = m_bUnattended || performFtp == "1";
    if (!m_bUploadTried)
        return;
    result = "Send files to FTP server.";
    ReportProgress(90, result, result, -1, m_bUnattended ? 0 : 1);
    m_bFtpOk = UploadArchive(result) != 0;
    if (!m_bFtpOk)
        ReportProgress(80, "FTP Files", result, -1, 1);
}

void CTrovelCollector::CleanUp()
{
    TrovelPause(1000);
    if (!m_strCollectDir.empty())
        DeleteFolder(m_strCollectDir, false);
}

void CTrovelCollector::Summarise(std::string& result)
{
    std::string summary;
    BuildSummary(summary);
    result = "Completed.";
    ReportProgress(95, "Completed.", summary, kCompleted, 1);
}

void CTrovelCollector::ReportFailure(int code, const std::string& result)
{
    for (const FailureReport& report : kFailureReports) {
        if (report.code != code)
            continue;
        const std::string text = report.text != nullptr ? report.text : result;
        ReportProgress(20, text, text, code, 0);
        if (report.then != 0)
            ReportFailure(report.then, result);
        return;
    }
}

void CTrovelCollector::ParseOptions(const std::string& options, std::string& description, std::string& subject)
{
    // The customer names the collection folder and the archive, so it is made safe for a
    // file name even when given without quotes.
    const std::string customer = SanitizeName(GetOption(options, "-customer", "-c"));
    if (!customer.empty())
        m_strMachineId = m_strCustomer = customer;
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
    CTrovelDefinitions& defs = m_defs;
    std::string packages, name;
    for (int index = 0; defs.SelectedPackage(index, m_strConfigFile, name); ++index)
        packages += name + ",";
    std::string target;
    if (!defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Path", target))
        defs.ReadProfile(m_strConfigFile, "CONFIGURATION", "FTP Server", target);
    out = ComposeSummary(m_bUploadTried, m_bFtpOk, packages, m_strZipPath, FtpServerName(target), m_strFailure,
                         m_nMissedFiles);
}

std::string CTrovelCollector::ComposeSummary(bool uploadTried, bool uploadOk, const std::string& packages,
                                             const std::string& zipPath, const std::string& ftpServer,
                                             const std::string& failure, int missedFiles)
{
    // Hosts judge a run by "failed" in this text: only a run without a whole archive or
    // with a failed upload may say it.
    const bool failed = !failure.empty() || (uploadTried && !uploadOk);
    std::string out = failed ? "File Collection failed!\r\n" : "File Collection completed successfully:\r\n";
    if (!failure.empty())
        out += failure + "\r\n";
    out += "\r\n" + PackageLine(packages);
    if (missedFiles > 0)
        out += "\r\n" + std::to_string(missedFiles) + " file(s) could not be collected (see TrovelLog.txt).";
    if (!failure.empty())
        return out + "\r\nNo archive was made; FTP not performed.";
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
