#pragma once
// CTrovelCollector: one collection run, from device selection to upload. The worker thread
// that runs it owns it from start to end, with the run's own definitions (CTrovelDefinitions),
// so two runs of one process share no mutable state.
#include <windows.h>

#include <string>

#include "Definitions.h"

class CTrovelCollector {
public:
    // What Run returns and reports (the codes hosts and the status file have always seen).
    enum Outcome {
        kCompleted = 1,
        kNoDeviceFile = 2,        // a device configuration file is missing
        kNoDirectoryFile = 3,     // .\Directory.ini missing or invalid
        kNoMachineId = 4,
        kNoPackage = 5,
        kNoDeviceSelected = 7,
        kNoProduct = 8,
        kDeviceNotSupported = 9,
        kNoSystemInfo = 10,
        kStoppedByUser = 11,      // the user declined to go on; nothing more is reported
    };

    // A run starts from fresh definitions; tests pass prepared ones.
    explicit CTrovelCollector(CTrovelDefinitions definitions = CTrovelDefinitions());

    // ----- run driver (Collector.cpp) -----
    // The whole run; returns an Outcome (kCompleted also when packing or the upload failed:
    // the summary says so).
    int Run(std::string description, std::string subject, std::string& result, bool unattended,
            std::string stamp, std::string options);
    // Reads -customer/-c, -product/-p, -region/-r, -subject/-s, -description/-d; a
    // non-empty value is stored (a customer also as the machine id), and replaces
    // `description` / `subject` where given.
    void ParseOptions(const std::string& options, std::string& description, std::string& subject);
    // Value of one option ("" when absent); a double-quoted value passes through SanitizeName.
    static std::string GetOption(const std::string& options, const std::string& longName,
                                 const std::string& shortName);
    // Each of  /\|?:'<>*~`^%&  becomes "_", so the text can name a file.
    static std::string SanitizeName(std::string text);
    // The collection folder of a run named `name` (machine id or customer) in `localDir`;
    // the archive is this folder's path followed by ".zip". Start functions and Run both
    // name the folder through it.
    static std::string CollectionFolder(const std::string& localDir, const std::string& name,
                                        const std::string& stamp);
    // The closing summary of the run, from the configuration and the run's outcome.
    void BuildSummary(std::string& out);
    // The summary from plain facts: `packages` holds the names, each followed by ",".
    // `failure` (why no whole archive exists) makes it a failed collection without upload;
    // `missedFiles` adds a line for items that could not be collected.
    static std::string ComposeSummary(bool uploadTried, bool uploadOk, const std::string& packages,
                                      const std::string& zipPath, const std::string& ftpServer,
                                      const std::string& failure = std::string(), int missedFiles = 0);
    // "Collected Packages: ..." with lines wrapped after about 65 characters.
    static std::string PackageLine(const std::string& packages);
    // Server part of an "FTP Path" / "FTP Server" value: the text before its first backslash.
    static std::string FtpServerName(const std::string& target);

    CTrovelDefinitions& Definitions() { return m_defs; }

    bool m_bUploadTried = false;  // this run attempted the upload (the summary reports on it)
    std::string m_strRunId;
    bool m_bUnattended = false;
    bool m_bFtpOk = false;
    int m_nMissedFiles = 0;       // files/keys that could not be collected, each logged by name
    unsigned m_nFtpStallMs = 60000;  // an upload that makes no progress for this long times out
    std::string m_strMachineId;
    std::string m_strProduct;
    std::string m_strRegion;
    std::string m_strConfigFile;
    std::string m_strStamp;
    std::string m_strCollectDir;
    std::string m_strZipPath;

    // ----- status file, log and progress (Status.cpp) -----
    // Logs the text, then posts a TrovelProgress (Progress.h) to the progress window when
    // one exists, else writes the run's status slot.
    void ReportProgress(int percent, std::string title, std::string text, int code, int flag);
    // Books the run's slot as "WORKING" (owned by this process), then pauses so polling
    // hosts see it; 0 when the status file cannot be created.
    int CreateStatusEntry();
    void WriteStatus(const struct TrovelProgress& record);
    // Needs no running collector: reads the status file the latest run of this process
    // published, else the one below the current folder. 0 working, 1 completed, 2 failed
    // (also a WORKING run whose process has ended), 3 no entry; `text` gets the description.
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

    // The description file in the collection folder (planned by PlanPaths; planned here when
    // it is not yet). False, with m_strFailure saying why, when the folder or the file
    // cannot be made.
    bool WriteDescription(std::string description, std::string subject);
    static std::string LocalAddressList();
    std::string m_strLocalDir;
    std::string m_strZipName;

    // Local directory pruning and the archive.
    void PrepareLocalDirectory();
    // Packs `folder` into its archive. False means no whole archive exists (a partial one
    // is deleted) and `error` says why.
    bool CreateArchive(const std::string& file, const std::string& folder, std::string& error);
    void ZipFolder(struct ZipArchive* zip, const std::string& folder, size_t baseLength);

    // FTP upload of the archive: 1 stored, 0 failed (`result` then holds the error text).
    int UploadArchive(std::string& result);

private:
    // The stages of Run, in order (Collector.cpp).
    int SelectDefinitions(std::string& result);
    int ReadMachineId();
    int FindPackages();
    void PlanPaths();
    void NamePaths();  // collection folder and archive from m_strLocalDir, machine id and stamp
    void GatherFiles();
    bool PackArchive();
    void Upload(std::string& result);
    void CleanUp();
    void Summarise(std::string& result);
    // Reports a failed run's code with its text (`result`: the selection's own text).
    void ReportFailure(int code, const std::string& result);
    // The locked part of CreateStatusEntry: the slot written with this process as owner.
    bool BookStatusEntry();

    CTrovelDefinitions m_defs;
    int m_nGatherCount[2] = {0, 0};  // engine counters, set to 0 before gathering
    std::string m_strSubject;        // from -subject
    std::string m_strDescription;    // from -description
    std::string m_strFailure;        // why the run has no whole archive (empty: it has one)
    bool m_bSlotBooked = false;  // CreateStatusEntry wrote m_nStatusSlot for this run
    std::string m_strCustomer;  // -customer of the options: names folder and archive
};
