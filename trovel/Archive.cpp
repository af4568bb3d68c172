// The local directory (pruned to the newest archives before a run) and the archive of
// the collection folder.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "FindFiles.h"
#include "Text.h"
#include "WidePath.h"
#include "ZipWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kKeepPlaces = 9;
const char kPasswordMarker[] = " -PASSWORD=";

unsigned long long WriteTime(const FoundEntry& found)
{
    return (static_cast<unsigned long long>(found.lastWrite.dwHighDateTime) << 32) | found.lastWrite.dwLowDateTime;
}

// Calls `visit(found)` for every entry of `folder` whose name does not begin with ".".
template <typename Visit>
void ListEntries(const std::string& folder, Visit visit)
{
    FindFiles list(AnsiToWide(folder));
    for (FoundEntry found; list.Next(found);)
        if (found.name[0] != L'.')
            visit(found);
}

std::string ArchiveFailure(int status, DWORD error, const std::string& archive)
{
    if (status == ZR_DISKFULL || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return "disk full: cannot write " + archive;
    return "cannot write " + archive;
}

}  // namespace

void CTrovelCollector::PrepareLocalDirectory()
{
    m_strLocalDir = m_defs.ResolveLocalDirectory(m_strConfigFile);
    if (m_strLocalDir.empty())
        return;

    // The keep set: the nine newest archives, held in the first places of the match table.
    // Times are compared in full so archives made minutes apart keep their order.
    TrovelMatch* places = m_aMatches;
    for (int i = 0; i < kKeepPlaces; ++i)
        places[i] = TrovelMatch();
    int count = 0;
    ListEntries(m_strLocalDir, [&](const FoundEntry& found) {
        const std::string name = WideToAnsi(found.name);
        if (!EndsWith(ToLower(name), "zip"))
            return;
        TrovelMatch entry;
        entry.name = name;
        entry.time = WriteTime(found);
        ++count;
        if (count <= kKeepPlaces) {
            places[count - 1] = entry;
            if (count == kKeepPlaces)
                std::stable_sort(places, places + kKeepPlaces,
                                 [](const TrovelMatch& a, const TrovelMatch& b) { return a.time < b.time; });
            return;
        }
        for (int k = kKeepPlaces - 1; k >= 1; --k) {
            if (places[k].time < entry.time) {
                for (int m = 0; m < k; ++m)
                    places[m] = places[m + 1];
                places[k] = entry;
                return;
            }
        }
    });

    if (count >= 8) {
        ListEntries(m_strLocalDir, [&](const FoundEntry& found) {
            if (found.IsFolder())
                return;  // old collection folders are left alone
            const std::string lower = ToLower(WideToAnsi(found.name));
            for (int i = 0; i < kKeepPlaces; ++i)
                if (!places[i].name.empty() && ToLower(places[i].name) == lower)
                    return;
            DeleteFileW((AnsiToWide(m_strLocalDir) + found.name).c_str());
        });
    }
    for (int i = 0; i < kKeepPlaces - 1; ++i)
        places[i] = TrovelMatch();
}

bool CTrovelCollector::CreateArchive(const std::string& file, const std::string& folder, std::string& error)
{
    error.clear();
    std::string password, enable;
    CTrovelDefinitions& definitions = m_defs;
    definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "Password Enable", enable);
    if (enable == "1")
        definitions.ReadProfile(m_strConfigFile, "CONFIGURATION", "Password Value", password);

    if (!file.empty())
        return true;
    if (folder.empty()) {
        error = "no collection folder to pack";
        return false;
    }
    const std::string archive = folder + ".zip";
    m_strZipPath = archive;
    if (!password.empty()) {
        const std::string marker = folder + "\\" + kPasswordMarker + password;
        FILE* created = fopen(marker.c_str(), "a");
        if (created == nullptr || fclose(created) != 0) {
            error = "cannot write " + marker;
            definitions.WriteLog("Archive: " + error, 0);
            return false;
        }
    }

    HZIP zip = CreateZip(archive, password);
    if (zip == nullptr) {
        error = ArchiveFailure(ZR_WRITE, GetLastError(), archive);
        definitions.WriteLog("Archive: " + error, 0);
        DeleteFileA(archive.c_str());
        return false;
    }
    ZipFolder(zip, folder, folder.size());
    std::vector<ZipMiss> missed;
    int status = ZipFlush(zip, &missed, [](void*) { PumpMessagesThrottled(); }, nullptr);
    const int closed = CloseZip(zip);
    if (status == ZR_OK)
        status = closed;

    // A file that cannot be read is left out and the archive stays whole; only a large file
    // whose reading failed halfway (the last one listed) spoils the archive.
    const size_t skipped = status == ZR_READ && !missed.empty() ? missed.size() - 1 : missed.size();
    for (size_t i = 0; i < skipped; ++i) {
        definitions.WriteLog("File '" + WideForLog(missed[i].sourcePath) + "' could not be added to the archive (" +
                                 (missed[i].status == ZR_NOFILE ? "cannot open" : "cannot read") + ", error " +
                                 std::to_string(missed[i].error) + ")",
                             0);
        ++m_nMissedFiles;
    }
    if (status != ZR_OK) {
        // Never leave a broken archive looking like a good one.
        DeleteFileA(archive.c_str());
        error = status == ZR_READ && !missed.empty() ? "cannot read " + WideForLog(missed.back().sourcePath)
                                                     : ArchiveFailure(status, 0, archive);
        definitions.WriteLog("Archive: " + error, 0);
        return false;
    }
    return true;
}

void CTrovelCollector::ZipFolder(ZipArchive* zip, const std::string& folder, size_t baseLength)
{
    ZipQueueTree(zip, AnsiToWide(folder), AnsiToWide(folder.substr(0, baseLength)).size());
}
