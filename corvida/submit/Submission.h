#pragma once
// One submission: the collector's configuration for this device, the library run and its
// status polling, and the clean-up after a report has been sent.
#include <string>

extern const char* const kCollectionFolder;   // "C:\Velmora\Corvida\Collection\"
extern const char* const kReminderTaskName;   // "Installation Report Reminder"

// Submission result codes.
enum SubmissionCode {
    SubmissionSent = 1,
    SubmissionFailed = 2,
    SubmissionRunNotFound = 3,
    SubmissionBackupAdvised = 6,
};

// Options text for the library: ` -p "device"  -c "serial"`, or ` -p "device" ` without
// a serial number. Every "user^" is removed from the serial number first.
std::string BuildCollectorOptions(const std::string& device, const std::string& serial);

// The bytes of Trovel.ini for the given values.
std::string BuildTrovelIni(const std::string& ftpPath, const std::string& registryField,
                           const std::string& region, const std::string& device,
                           const std::string& packageName);

// The archive named in a run's closing summary ("Local Target: ...zip"); empty when the
// summary does not name one in full.
std::string LocalTargetOf(const std::string& statusText);
// Whether `archive` holds a copy of `reportFile`: an entry of the same file name (in any
// folder), size and checksum.
bool ArchiveHoldsReport(const std::string& archive, const std::string& reportFile);

// The bytes of .\Directory.ini as written on disk (CR LF line ends).
std::string DirectoryIniBytes();

class CCollector {
public:
    CCollector() = default;

    // Writes .\Current\Trovel.ini, Current_Trovel.ini, the current package copy and
    // .\Directory.ini for the registry's product. Returns 1.
    int PrepareCollectorConfiguration();

    // One submission run; returns the result code, `result` gets the library's text.
    int SubmitReport(std::string& result, int runMode);
    // Starts the library run and polls it to its end; completion steps on success.
    int RunCollection(std::string& result);

    // After a successful run: registry flags, then RemoveInstallation. Returns 1.
    int CompleteSubmission();
    // True when the program's registry key could be opened.
    bool MarkSubmissionCompleted();
    int RemoveInstallation();
    int DeleteReminderTask();
    int RemoveShortcuts();

private:
    int m_nRunMode = 0;
};
