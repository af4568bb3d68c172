#pragma once
// `trovel send ARCHIVE`: sends an archive that a run left in the local directory (its
// upload failed) to the configured FTP server, through the library's own upload code
// (the collector's static core is linked into trovel.exe), under its own file name.
#include <string>

struct SendOutcome {
    int exitCode = 2;  // 0 sent, 1 the upload failed, 2 nothing was tried
    std::string text;  // what to print: where it went, or why not
};

// The remote file name for `archive` split as the upload names a run's archive
// ("<machine id>_<stamp>.zip"): false when the name is not "<x>_<y>.zip".
bool SplitArchiveName(const std::string& archive, std::string& machineId, std::string& stamp);

// Sends `archive` (a path, or a bare name in the configured local directory) with the
// definitions of the current folder.
SendOutcome SendArchive(const std::string& archive);
