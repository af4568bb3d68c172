#pragma once
// CTrovelCollector: one collection run, from device selection to upload.
#include <windows.h>

#include <string>

class CTrovelCollector {
public:
    CTrovelCollector();

    // ----- run driver (Collector.cpp) -----
    int Run(std::string description, std::string subject, std::string& result, int unattended,
            std::string stamp, std::string options);
    // Reads -customer/-c, -product/-p, -region/-r, -subject/-s, -description/-d; a
    // non-empty value is stored, and replaces `description` / `subject` where given.
    void ParseOptions(const std::string& options, std::string& description, std::string& subject);
    // Value of one option ("" when absent); a double-quoted value passes through SanitizeName.
    static std::string GetOption(const std::string& options, const std::string& longName,
                                 const std::string& shortName);
    // Each of  /\|?:'<>*~`^%&  becomes "_", so the text can name a file.
    static std::string SanitizeName(std::string text);
    // The closing summary of the run, from the configuration and the run's outcome.
    void BuildSummary(std::string& out);
    // The summary from plain facts: `packages` holds the names, each followed by ",".
    static std::string ComposeSummary(bool uploadTried, bool uploadOk, const std::string& packages,
                                      const std::string& zipPath, const std::string& ftpServer);
    // "Collected Packages: ..." with lines wrapped after about 65 characters.
    static std::string PackageLine(const std::string& packages);
    // Server part of an "FTP Path" / "FTP Server" value: the text before its first backslash.
    static std::string FtpServerName(const std::string& target);

    int m_bUploadTried = 0;  // this run attempted the upload (the summary reports on it)
    std::string m_strRunId;
    int m_bUnattended = 0;
    int m_bFtpOk = 0;
    unsigned m_nFtpStallMs = 60000;  // an upload that makes no progress for this long times out
    int m_nGatherCount[2] = {0, 0};
    std::string m_strMachineId;
    std::string m_strProduct;
    std::string m_strRegion;
    std::string m_strSubject;
    std::string m_strDescription;
    std::string m_strConfigFile;
    std::string m_strStamp;
    std::string m_strCollectDir;
    std::string m_strZipPath;

    // ----- status file, log and progress (Status.cpp) -----
    // Logs the text, then posts a TrovelProgress (Progress.h) to the progress window when
    // one exists, else writes the run's status slot.
    void ReportProgress(int percent, std::string title, std::string text, int code, int flag);
    // Books the run's slot as "WORKING"; 0 when the status file cannot be created.
    int CreateStatusEntry();
    void WriteStatus(const struct TrovelProgress& record);
    // Needs no running collector: reads the status file of TrovelDefinitions().
    // 0 working, 1 completed, 2 failed, 3 no entry; `text` gets the description.
    static int LookupStatus(DWORD runId, std::string& text);
    int m_nStatusSlot = 0;  // -1 for a run without a run id (its status has its own section)

    // ----- collection engine (PathVariables.cpp, Gather.cpp, RegistryCapture.cpp,
    //       Description.cpp, Archive.cpp, Upload.cpp) -----
    // Path placeholders of FILES entries; the four cached values stay for the whole run.
    void ResolvePathVariables(std::string entry);
    // The four fields of a FILES entry ("3,1,C:\Logs\,*.log"); the folder ends with "\".
    struct FilesEntry {
        int filenum = 0;
        int recursive = 0;
        std::string directory;
        std::string format;
    };
    static FilesEntry ParseFilesEntry(std::string entry);
    bool LoadServicePlatformPaths();
    bool LoadEnvironmentPaths();
    std::string m_strServiceHostDir;
    std::string m_strServiceClientDir;
    std::string m_strSystemDrive;
    std::string m_strTempDir;

    // File gathering. One match table serves every folder search of the run (and the
    // keep set of the pruning); its size is fixed.
    struct TrovelMatch {
        std::string name;
        unsigned long long time = 0;  // seconds since 1970 (gathering) or FILETIME (pruning)
        bool eligible = false;
    };
    enum { kMatchCapacity = 2500 };
    void GatherPackages();
    void GatherFilesEntry(std::string entry);
    void MatchAndCopy(const std::string& folder, int filenum, std::string prefix, std::string suffix,
                      std::string ext, int recursive);
    void ReportGatherStep();
    TrovelMatch m_aMatches[kMatchCapacity];
    int m_nMatchCount = 0;
    int m_nGatherProgress = 20;
    std::string m_strPackageName;

    // Registry capture through the registry editor.
    void CaptureRegistryEntry(const std::string& key);
    static bool ShortKeyName(const std::string& key, std::string& out);
    bool ExportRegistryKey(const std::string& exportFile, const std::string& key);
    // Starts `file` through the shell, hidden; waits at most `waitMs` for it to end (0: no
    // wait). True when it started (and, with a wait, ended in time).
    bool RunProgram(const std::string& file, const std::string& parameters, unsigned waitMs = 0);
    static bool ParseRegistryRoot(std::string& path, HKEY& root, std::string& subkey);
    unsigned m_nExportTimeoutMs = 120000;

    // Collection folder, archive name and the description file.
    void WriteDescription(std::string description, std::string subject);
    static std::string LocalAddressList();
    std::string m_strLocalDir;
    std::string m_strZipName;

    // Local directory pruning and the archive.
    void PrepareLocalDirectory();
    void CreateArchive(std::string file, std::string folder);
    void ZipFolder(struct ZipArchive* zip, const std::string& folder, size_t baseLength);

    // FTP upload of the archive: 1 stored, 0 failed (`result` then holds the error text).
    int UploadArchive(std::string& result);
};
