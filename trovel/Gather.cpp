// File gathering: every selected package's FILES entries become copies in the package's
// folder of the collection folder.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "Fields.h"
#include "Text.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace {

// The parts of a FileFormat: NamePart before the first ".", ExtPart between the first
// and the second "."; Prefix and Suffix around the first "*" of NamePart.
struct FormatParts {
    std::string ext, prefix, suffix;
};

FormatParts SplitFormat(const std::string& format)
{
    FormatParts parts;
    const auto dot = format.find('.');
    const std::string name = format.substr(0, dot);
    if (dot != std::string::npos) {
        const auto second = format.find('.', dot + 1);
        parts.ext = format.substr(dot + 1, second == std::string::npos ? std::string::npos : second - dot - 1);
    }
    const auto star = name.find('*');
    parts.prefix = star == std::string::npos ? name : name.substr(0, star);
    parts.suffix = star == std::string::npos ? name : name.substr(star + 1);
    return parts;
}

// All arguments in lower case. The extension must follow a dot, so "*.log" does not take
// "catalog"; an empty extension (a pattern without a dot) tests the name part only.
bool NameMatches(const std::string& name, const std::string& prefix, const std::string& suffix,
                 const std::string& ext)
{
    if (name.empty() || name[0] == '.')
        return false;
    if (ext == "*")
        return true;
    if (!ext.empty() && !EndsWith(name, "." + ext))
        return false;
    const std::string base = name.size() > ext.size() ? name.substr(0, name.size() - ext.size() - 1) : std::string();
    return StartsWith(name, prefix) && EndsWith(base, suffix);
}

// The text after the first ":\" (already ending with a backslash). A folder without a
// drive (a network path) keeps its server and share as folder levels.
std::string DriveRelativePath(const std::string& directory)
{
    const auto drive = directory.find(":\\");
    if (drive != std::string::npos)
        return directory.substr(drive + 2);
    const auto first = directory.find_first_not_of('\\');
    return first == std::string::npos ? std::string() : directory.substr(first);
}

// A modification time is eligible when its minute, in local time, is not later than the
// run's stamp "YYYY_MM_DD_HH_MM".
bool NotLaterThanStamp(unsigned long long seconds, const std::string& stamp)
{
    const time_t when = static_cast<time_t>(seconds);
    const struct tm* local = localtime(&when);
    if (local == nullptr)
        return true;
    const int mine[5] = {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min};
    for (int i = 0; i < 5; ++i) {
        const int theirs = std::atoi(FieldOf(stamp, i, '_').c_str());
        if (mine[i] != theirs)
            return mine[i] < theirs;
    }
    return true;
}

std::string JoinTarget(const std::string& collectDir, const std::string& package, const std::string& rest)
{
    return collectDir + "\\" + package + "\\" + rest;
}

// Calls `visit(name, isFolder)` for every entry of `folder` (ending with a backslash)
// whose name does not begin with ".".
template <typename Visit>
void ListFolder(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.cFileName[0] != '.')
            visit(std::string(found.cFileName), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

void CTrovelCollector::ReportGatherStep()
{
    ++m_nGatherProgress;
    if (m_nGatherProgress < 80)
        ReportProgress(m_nGatherProgress, "Running...", "Running...", -1, 1);
}

void CTrovelCollector::GatherPackages()
{
    CTrovelDefinitions& definitions = m_defs;
    std::string list;
    int count = 0;
    if (m_bUnattended)
        count = definitions.CountPackages(list);
    else
        definitions.SelectionList(m_strConfigFile, list, count);
    list = Trim(list);
    if (list.empty())
        return;

    m_nGatherProgress = 20;
    for (int index = 0; index < count; ++index) {
        const std::string name = FieldOf(list, index, ',');
        if (name.empty())
            continue;
        const std::string packageFile = definitions.CurrentPackageFile(name);
        m_strPackageName = ReplaceAll(name, " ", "-");
        CreateFolderPath(m_strCollectDir + "\\" + m_strPackageName);
        definitions.WriteLog("package - " + m_strPackageName + " ", 1);

        std::string entry;
        for (int k = 0; definitions.ReadFileEntry(k, packageFile, entry); ++k) {
            const std::string recursive = FieldOf(entry, 1, ',');
            definitions.WriteLog("File '" + FieldOf(entry, 2, ',') + FieldOf(entry, 3, ',') + " (" +
                                     FieldOf(entry, 0, ',') + " File(s)  " + (recursive != "0" ? ",Recursive" : "") +
                                     ")' added to package '" + m_strPackageName + "'",
                                 1);
            ResolvePathVariables(entry);
            ReportGatherStep();
        }

        std::string key;
        for (int k = 0; definitions.ReadRegistryEntry(k, packageFile, key); ++k)
            CaptureRegistryEntry(key);
    }
}

CTrovelCollector::FilesEntry CTrovelCollector::ParseFilesEntry(std::string entry)
{
    FilesEntry parsed;
    std::string field;
    parsed.filenum = std::atoi(FieldOf(entry, 0, field, ',').c_str());
    parsed.recursive = std::atoi(FieldOf(entry, 1, field, ',').c_str());
    parsed.directory = FieldOf(entry, 2, field, ',');
    parsed.format = FieldOf(entry, 3, field, ',');
    // Entries without a placeholder arrive as written; names are appended to the folder.
    if (parsed.directory.empty() || parsed.directory.back() != '\\')
        parsed.directory += '\\';
    return parsed;
}

void CTrovelCollector::GatherFilesEntry(std::string entry)
{
    const FilesEntry parsed = ParseFilesEntry(entry);
    const int filenum = parsed.filenum;
    const int recursive = parsed.recursive;
    const std::string& directory = parsed.directory;
    const std::string& format = parsed.format;
    if (format.empty())
        return;

    if (format.find('*') == std::string::npos) {
        CopyOneFile(directory + format, JoinTarget(m_strCollectDir, m_strPackageName, format));
        return;
    }
    if (format == "*.*") {
        std::string target = JoinTarget(m_strCollectDir, m_strPackageName, DriveRelativePath(directory));
        RemoveTrailingBackslash(target);
        CopyFolder(directory, target, recursive != 0, true);
        return;
    }

    const FormatParts parts = SplitFormat(format);
    MatchAndCopy(directory, filenum, parts.prefix, parts.suffix, parts.ext, recursive);
    if (recursive == 0)
        return;
    // Depth first: a folder's subfolders are searched before the folder itself.
    struct Walker {
        CTrovelCollector& self;
        int filenum, recursive;
        const FormatParts& parts;
        void Walk(const std::string& folder)
        {
            ListFolder(folder, [&](const std::string& name, bool isFolder) {
                if (!isFolder)
                    return;
                const std::string sub = folder + name + "\\";
                Walk(sub);
                self.MatchAndCopy(sub, filenum, parts.prefix, parts.suffix, parts.ext, recursive);
            });
        }
    } walker{*this, filenum, recursive, parts};
    walker.Walk(directory);
}

void CTrovelCollector::MatchAndCopy(const std::string& folder, int filenum, std::string prefix, std::string suffix,
                                    std::string ext, int recursive)
{
    for (int i = 0; i < m_nMatchCount; ++i)
        m_aMatches[i] = TrovelMatch();
    m_nMatchCount = 0;
    prefix = ToLower(prefix);
    suffix = ToLower(suffix);
    ext = ToLower(ext);

    ListFolder(folder, [&](const std::string& name, bool isFolder) {
        if (!NameMatches(ToLower(name), prefix, suffix, ext))
            return;
        TrovelMatch match;
        match.name = name;
        match.time = isFolder ? 0 : static_cast<unsigned long long>(GetFileModTime(folder + name)) & 0xFFFFFFFFull;
        match.eligible = NotLaterThanStamp(match.time, m_strStamp);
        if (m_nMatchCount < kMatchCapacity) {
            m_aMatches[m_nMatchCount++] = match;
            return;
        }
        // The table is full: the newest eligible files must still win, so the new match
        // replaces the weakest record (an ineligible one first, else the oldest).
        int weakest = 0;
        for (int i = 1; i < m_nMatchCount; ++i) {
            const TrovelMatch& a = m_aMatches[i];
            const TrovelMatch& w = m_aMatches[weakest];
            if (a.eligible != w.eligible ? !a.eligible : a.time < w.time)
                weakest = i;
        }
        const TrovelMatch& w = m_aMatches[weakest];
        if (match.eligible && (!w.eligible || match.time > w.time))
            m_aMatches[weakest] = match;
    });

    std::stable_sort(m_aMatches, m_aMatches + m_nMatchCount,
                     [](const TrovelMatch& a, const TrovelMatch& b) { return a.time < b.time; });

    // The copy window: the `filenum` newest eligible records, never a newer one.
    int last = -1;
    for (int i = 0; i < m_nMatchCount; ++i)
        if (m_aMatches[i].eligible)
            last = i;
    if (last < 0 || filenum <= 0)
        return;
    const int first = std::max(0, last - (filenum - 1));

    std::string targetFolder = m_strCollectDir + "\\" + m_strPackageName + "\\";
    if (recursive != 0) {
        targetFolder = JoinTarget(m_strCollectDir, m_strPackageName, DriveRelativePath(folder));
        MakeDirs(targetFolder);
    }
    for (int i = first; i <= last; ++i) {
        const TrovelMatch& match = m_aMatches[i];
        if (match.name.empty() || !match.eligible)
            continue;
        PumpMessagesThrottled();
        CopyOneFile(folder + match.name, targetFolder + match.name);
    }
}
