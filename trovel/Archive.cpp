// The local directory (pruned to the newest archives before a run) and the archive of
// the collection folder.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "Text.h"
#include "ZipWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kKeepPlaces = 9;
const char kPasswordMarker[] = " -PASSWORD=";

unsigned long long WriteTime(const WIN32_FIND_DATAA& found)
{
    return (static_cast<unsigned long long>(found.ftLastWriteTime.dwHighDateTime) << 32) |
           found.ftLastWriteTime.dwLowDateTime;
}

// Calls `visit(found)` for every entry of `pattern` whose name does not begin with ".".
template <typename Visit>
void ListEntries(const std::string& pattern, Visit visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.cFileName[0] != '.')
            visit(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::wstring WideOf(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// A name for the log: in the code page when it can hold it, else UTF-8.
std::string LogName(const std::wstring& name)
{
    if (name.empty())
        return std::string();
    for (UINT page : {static_cast<UINT>(CP_ACP), static_cast<UINT>(CP_UTF8)}) {
        BOOL lossy = FALSE;
        BOOL* check = page == CP_UTF8 ? nullptr : &lossy;
        const DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        const int length =
            WideCharToMultiByte(page, flags, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr, check);
        std::string out(length, '\0');
        WideCharToMultiByte(page, flags, name.data(), static_cast<int>(name.size()), &out[0], length, nullptr, check);
        if (!lossy)
            return out;
    }
    return std::string();
}

// Paths beyond the classic limit need the platform's long-path prefix.
std::wstring Reachable(const std::wstring& path)
{
    if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + path.substr(1);
    return L"\\\\?\\" + path;
}

std::string ArchiveFailure(int status, DWORD error, const std::string& archive)
{
    if (status == ZR_DISKFULL || error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return "disk full: cannot write " + archive;
    return "cannot write " + archive;
}

// Queues every entry of `folder` below the top folder (whose path has `baseLength`
// characters), folders before their contents; stops once the archive has failed.
bool QueueFolder(HZIP zip, const std::wstring& folder, size_t baseLength)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Reachable(folder + L"\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool going = true;
    do {
        if (found.cFileName[0] == L'.')
            continue;
        PumpMessagesThrottled();
        const std::wstring full = folder + L"\\" + found.cFileName;
        const std::wstring relative = full.substr(baseLength + 1);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            going = ZipQueueFolder(zip, relative) == ZR_OK && QueueFolder(zip, full, baseLength);
        else
            going = ZipQueue(zip, relative, Reachable(full)) == ZR_OK;
    } while (going && FindNextFileW(search, &found));
    FindClose(search);
    return going;
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
    ListEntries(m_strLocalDir + "*.*", [&](const WIN32_FIND_DATAA& found) {
        if (!EndsWith(ToLower(found.cFileName), "zip"))
            return;
        TrovelMatch entry;
        entry.name = found.cFileName;
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
        ListEntries(m_strLocalDir + "*.*", [&](const WIN32_FIND_DATAA& found) {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                return;  // old collection folders are left alone
            const std::string lower = ToLower(found.cFileName);
            for (int i = 0; i < kKeepPlaces; ++i)
                if (!places[i].name.empty() && ToLower(places[i].name) == lower)
                    return;
            remove((m_strLocalDir + found.cFileName).c_str());
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
        definitions.WriteLog("File '" + LogName(missed[i].sourcePath) + "' could not be added to the archive (" +
                                 (missed[i].status == ZR_NOFILE ? "cannot open" : "cannot read") + ", error " +
                                 std::to_string(missed[i].error) + ")",
                             0);
        ++m_nMissedFiles;
    }
    if (status != ZR_OK) {
        // Never leave a broken archive looking like a good one.
        DeleteFileA(archive.c_str());
        error = status == ZR_READ && !missed.empty() ? "cannot read " + LogName(missed.back().sourcePath)
                                                     : ArchiveFailure(status, 0, archive);
        definitions.WriteLog("Archive: " + error, 0);
        return false;
    }
    return true;
}

void CTrovelCollector::ZipFolder(ZipArchive* zip, const std::string& folder, size_t baseLength)
{
    const std::wstring wide = WideOf(folder);
    QueueFolder(zip, wide, WideOf(folder.substr(0, baseLength)).size());
}
