#pragma once
// CTrovelDefinitions: the definitions of one collection run. Each run owns one (so two
// runs of a process share nothing mutable): it knows the definitions folder and the status
// file, chooses the device, reads and keeps in step the configuration files, prepares the
// package files, keeps the log and asks the questions.
#include <windows.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

class CTrovelDefinitions {
public:
    // ----- log, questions, progress window title, date stamp (Status.cpp) -----
    // Appends one line to ".\TrovelLog.txt": a plain line, or a marked ("***") one.
    void WriteLog(const std::string& text, bool plain);
    // Logs the text, then asks it (answers IDYES without asking in unattended or quiet
    // runs). `confirm` non-zero: caption "Confirmation", else "Error".
    // `type`: MB_ flags of the message box.
    int AskUser(const std::string& text, UINT type, bool quiet, bool confirm);
    // "Trovel", or "Trovel - <DEVICE Name>" of the current configuration.
    std::string WindowTitle();
    // Returns "20YY_MM_DD_HH_MM" and sets `timeText` to "HH_MM_SS", both from one reading
    // of the clock (see SetClock).
    std::string MakeStamp(std::string& timeText);
    std::string FieldOf(std::string& text, int index, std::string& out, char delimiter);

    // ----- configuration files (ConfigFiles.cpp) -----
    std::string CurrentConfigFile();  // "Current_Trovel.ini" or "Current_Trovels.ini", or empty
    std::string MainConfigFile();     // "Trovel.ini" or "Trovels.ini", or empty
    // 1 and the value when the value read (into a buffer of `size` characters) is not
    // empty; else 0 and an empty value.
    int ReadProfile(const std::string& file, const std::string& section, const std::string& key,
                    std::string& value, DWORD size = 4000);
    // "Local Directory" of section "CONFIGURATION" with %SYSTEMDRIVE% expanded (and the
    // expanded value written back into the file).
    std::string ResolveLocalDirectory(const std::string& configFile);
    int IsNewer(const std::string& fileA, const std::string& fileB, const std::string& section, int& found);
    int CopyDefinitionFile(const std::string& source, const std::string& target);
    void WriteDeviceIdentity(const std::string& name, const std::string& id);
    void WriteRegion(const std::string& region);
    // Local directory of the current configuration followed by the machine id.
    std::string MachineFolderName();

    // ----- packages (Packages.cpp) -----
    int CountPackages(std::string& list);
    int SelectedPackage(int index, const std::string& file, std::string& name);
    int IncludedPackage(int index, const std::string& file, std::string& name);
    void SelectionList(const std::string& file, std::string& list, int& count);
    // "Filenum,Recursive,Directory,FileFormat" of FILES entry `index`.
    int ReadFileEntry(int index, const std::string& packageFile, std::string& entry);
    int ReadRegistryEntry(int index, const std::string& packageFile, std::string& key);
    std::string CurrentPackageFile(const std::string& name);
    std::string InstalledPackageFile(const std::string& name);
    void DeleteCurrentPackages();
    void KeepCurrentPackages(const std::string& list);
    void ClearSelection();
    void RefreshCurrent(const std::string& list);
    int UpdatePackages(const std::string& baseDir, const std::string& selection, std::string& updates,
                       std::string& missing, int quiet, int refreshAll);
    // 1 the run may go on, 11 the user declined to go on without a missing package.
    int PrepareDefinitions(const std::string& baseDir, std::string& result, int refreshAll, int refreshPackages);

    // ----- directory and device selection (DeviceSelection.cpp) -----
    // 1 the run may go on, else a failure code (2, 3, 7, 9, 10, 11, 0); `result` gets the text.
    int SelectDevice(std::string& result);
    // Points this object at the definitions folder that .\Directory.ini names, as a run
    // would find it, without creating or installing anything; false when there is none.
    bool LocateDefinitions();
    int FindDefinitionsDir(const std::string& base, std::string& dir, int& hasConfig);
    int FindSystemInfo(std::string& path);
    int ReadXmlTag(const std::string& path, const std::string& marker, const std::string& tag, std::string& value);
    void PublishDeviceList();
    int ChooseDevice(int detected, std::string& id, std::string& name, const std::string& baseDir,
                     std::string& deviceFile, std::string& result);
    int InstallDevice(int detected, const std::string& baseDir, const std::string& dir, std::string& result);
    int CheckDevice(const std::string& baseDir, const std::string& dir, std::string& result);
    int GetMachineId(const std::string& configFile, std::string& id);

    // Sets the definitions folder (ending with a backslash) and the status file in it.
    void SetDefinitionsDir(const std::string& dir);

    std::string m_strDefDir;      // definitions folder, ends with a backslash
    std::string m_strStatusFile;  // m_strDefDir + "TrovelStatus.ini"
    std::string m_strDeviceType;  // device type read from SystemInfo.xml
    bool m_bSystemInfo = false;
    bool m_bUnattended = false;
    int m_nDeviceChanged = 0;       // 100 once the user declined updated definition files
    time_t m_time = 0;              // time of the last MakeStamp
};

// The one truly process-wide value: the status file of the latest run that found its
// definitions, for hosts polling on their own threads. Guarded; empty before any run.
void PublishStatusFile(const std::string& path);
std::string PublishedStatusFile();

// The longest "Path Directory" that leaves room for the definitions files below it
// (".\Directory.ini" names a base folder; anything longer is refused as invalid).
bool BaseFolderFits(const std::string& base);

// Name of a session-wide kernel object for `path` (a file or folder), the same in every
// process: "Local\\Trovel<kind>.<hash of the full lower-case path>".
std::string KernelObjectName(const char* kind, const std::string& path);

// Name of the definitions folder among the entries of a base folder: "Trovels Package" or
// "Trovel Package" (any case), else "Current"; empty when there is none.
std::string ChooseDefinitionsFolder(const std::vector<std::string>& entries);

// Seams for tests: a question answerer replacing the message box (empty = MessageBoxA),
// and a scale for the fixed pauses.
void SetQuestionHandler(std::function<int(const std::string& text, UINT type, int confirm)> handler);
void TrovelPause(DWORD milliseconds);  // every fixed pause of the library goes through this
void SetPauseScale(double scale);      // 0 = no pause
// The clock of MakeStamp and of the same-minute check (empty = the system clock).
void SetClock(std::function<time_t()> clock);
