// The local directory (pruned to the newest archives before a run) and the archive of
// the collection folder.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "Text.h"
#include "ZipWriter.h"

#include <algorithm>
#include <cstdio>

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

    if (!file.empty() || folder.empty())
        return true;
    if (!password.empty()) {
        FILE* marker = fopen((folder + "\\" + kPasswordMarker + password).c_str(), "a");
        if (marker != nullptr)
            fclose(marker);
    }
    HZIP zip = CreateZip(folder + ".zip", password);
    ZipFolder(zip, folder, folder.size());
    CloseZip(zip);
    m_strZipPath = folder + ".zip";
    return true;
}

void CTrovelCollector::ZipFolder(ZipArchive* zip, const std::string& folder, size_t baseLength)
{
    ListEntries(folder + "\\*.*", [&](const WIN32_FIND_DATAA& found) {
        PumpMessagesThrottled();
        const std::string full = folder + "\\" + found.cFileName;
        const std::string relative = full.substr(baseLength + 1);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ZipAddFolder(zip, relative);
            ZipFolder(zip, full, baseLength);
        } else {
            ZipAdd(zip, relative, full);
        }
    });
}
