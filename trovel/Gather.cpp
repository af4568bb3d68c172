// File gathering: every selected package's FILES entries become copies in the package's
// folder of the collection folder.
#include "Collector.h"
#include "Definitions.h"

#include "FileTree.h"
#include "Fields.h"
#include "FindFiles.h"
#include "Text.h"
#include "WidePath.h"

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
std::wstring DriveRelativePath(const std::wstring& directory)
{
    const auto drive = directory.find(L":\\");
    if (drive != std::wstring::npos)
        return directory.substr(drive + 2);
    const auto first = directory.find_first_not_of(L'\\');
    return first == std::wstring::npos ? std::wstring() : directory.substr(first);
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

// A file (or folder) that could not be collected: a marked line in the log, and one more
// for the run's summary.
void NoteMissedFile(CTrovelCollector& self, const std::wstring& path, const std::string& reason)
{
    ++self.m_nMissedFiles;
    self.Definitions().WriteLog("Could not collect '" + WideForLog(ShortForm(path)) + "': " + reason, 0);
}

// A link to a folder is left out on purpose: following it could leave the tree or walk a
// loop for ever, and what it points to is collected where the package names it.
void NoteLinkNotFollowed(CTrovelCollector& self, const std::wstring& path)
{
    self.Definitions().WriteLog("Not following '" + WideForLog(ShortForm(path)) + "': symbolic link or junction", 1);
}

// Lists `folder` (ending with a backslash) and calls `visit(entry)` for every entry whose
// name does not begin with "."; a folder that cannot be listed is reported as a miss.
template <typename Visit>
void VisitFolder(CTrovelCollector& self, const std::wstring& folder, Visit visit)
{
    FindFiles list(folder);
    for (FoundEntry entry; list.Next(entry);)
        if (entry.name[0] != L'.')
            visit(entry);
    if (list.Error() != 0)
        NoteMissedFile(self, folder, "folder cannot be listed: " + CopyErrorText(list.Error()));
}

// The folder part of a FILES entry in long-path form, ending with a backslash.
std::wstring LongFolder(const std::string& directory)
{
    std::wstring folder = LongPath(AnsiToWide(directory));
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// One folder search of a pattern entry: the `filenum` newest eligible matches are copied.
// `relative` is the folder's drive-relative path as the package wrote it (plus the names
// walked below it), which places the copies of a recursive search.
void MatchAndCopyIn(CTrovelCollector& self, const std::wstring& folder, const std::wstring& relative, int filenum,
                    std::string prefix, std::string suffix, std::string ext, int recursive)
{
    using TrovelMatch = CTrovelCollector::TrovelMatch;
    TrovelMatch* const matches = self.m_aMatches;
    int& count = self.m_nMatchCount;
    for (int i = 0; i < count; ++i)
        matches[i] = TrovelMatch();
    count = 0;
    prefix = ToLower(prefix);
    suffix = ToLower(suffix);
    ext = ToLower(ext);

    VisitFolder(self, folder, [&](const FoundEntry& found) {
        // Patterns come from the package in the code page; a name the code page cannot
        // hold is compared in UTF-8, where its other characters still match.
        bool exact = false;
        const std::string ansi = WideToAnsi(found.name, &exact);
        if (!NameMatches(ToLower(exact ? ansi : WideToUtf8(found.name)), prefix, suffix, ext))
            return;
        TrovelMatch match;
        match.name = WideToUtf8(found.name);  // UTF-8 keeps every name whole until the copy
        // The listing already holds the time: no second look at the file.
        match.time = found.IsFolder() ? 0 : found.UnixTime() & 0xFFFFFFFFull;
        match.eligible = NotLaterThanStamp(match.time, self.m_strStamp);
        if (count < CTrovelCollector::kMatchCapacity) {
            matches[count++] = match;
            return;
        }
        // The table is full: the newest eligible files must still win, so the new match
        // replaces the weakest record (an ineligible one first, else the oldest).
        int weakest = 0;
        for (int i = 1; i < count; ++i) {
            const TrovelMatch& a = matches[i];
            const TrovelMatch& w = matches[weakest];
            if (a.eligible != w.eligible ? !a.eligible : a.time < w.time)
                weakest = i;
        }
        const TrovelMatch& w = matches[weakest];
        if (match.eligible && (!w.eligible || match.time > w.time))
            matches[weakest] = match;
    });

    std::stable_sort(matches, matches + count,
                     [](const TrovelMatch& a, const TrovelMatch& b) { return a.time < b.time; });

    // The copy window: the `filenum` newest eligible records, never a newer one.
    int last = -1;
    for (int i = 0; i < count; ++i)
        if (matches[i].eligible)
            last = i;
    if (last < 0 || filenum <= 0)
        return;
    const int first = std::max(0, last - (filenum - 1));

    const std::wstring package = AnsiToWide(self.m_strCollectDir + "\\" + self.m_strPackageName + "\\");
    std::wstring targetFolder = LongPath(recursive != 0 ? package + relative : package);
    if (targetFolder.back() != L'\\')
        targetFolder += L'\\';
    if (recursive != 0) {
        // Once per searched folder, and only when something is to be copied into it.
        if (!MakeDirsW(targetFolder)) {
            const DWORD error = GetLastError();
            for (int i = first; i <= last; ++i)
                if (!matches[i].name.empty() && matches[i].eligible)
                    NoteMissedFile(self, folder + Utf8ToWide(matches[i].name),
                                   "folder cannot be created in the collection: " + CopyErrorText(error));
            return;
        }
    }
    for (int i = first; i <= last; ++i) {
        const TrovelMatch& match = matches[i];
        if (match.name.empty() || !match.eligible)
            continue;
        PumpMessagesThrottled();
        const std::wstring name = Utf8ToWide(match.name);
        const DWORD error = CopyOneFileW(folder + name, targetFolder + name);
        if (error != 0)
            NoteMissedFile(self, folder + name, CopyErrorText(error));
    }
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
        // The name may come from a hand-edited selection: it names one folder of the collection.
        m_strPackageName = FileSafeName(ReplaceAll(name, " ", "-"));
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
    const std::string& format = parsed.format;
    if (format.empty())
        return;
    // The package names its folders in the code page; below them every name is taken as
    // the file system has it, and long paths are allowed.
    const std::wstring directory = LongFolder(parsed.directory);
    const std::wstring relative = DriveRelativePath(AnsiToWide(parsed.directory));
    const std::wstring package = AnsiToWide(m_strCollectDir + "\\" + m_strPackageName + "\\");

    if (format.find('*') == std::string::npos) {
        const std::wstring source = directory + AnsiToWide(format);
        const DWORD error = CopyOneFileW(source, LongPath(package + AnsiToWide(format)));
        // A named file that is not there is simply not collected; any other failure is a miss.
        if (error != 0 && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            NoteMissedFile(*this, source, CopyErrorText(error));
        return;
    }
    if (format == "*.*") {
        CopyFolderW(directory, LongPath(package + relative), recursive != 0, true,
                    [this](const std::wstring& path, const std::string& reason, bool missed) {
                        if (missed)
                            NoteMissedFile(*this, path, reason);
                        else
                            NoteLinkNotFollowed(*this, path);
                    });
        return;
    }

    const FormatParts parts = SplitFormat(format);
    MatchAndCopyIn(*this, directory, relative, filenum, parts.prefix, parts.suffix, parts.ext, recursive);
    if (recursive == 0)
        return;
    // Depth first: a folder's subfolders are searched before the folder itself.
    struct Walker {
        CTrovelCollector& self;
        int filenum, recursive;
        const FormatParts& parts;
        void Walk(const std::wstring& folder, const std::wstring& relative)
        {
            VisitFolder(self, folder, [&](const FoundEntry& found) {
                if (!found.IsFolder())
                    return;
                const std::wstring sub = folder + found.name + L"\\";
                const std::wstring subRelative = relative + found.name + L"\\";
                if (found.IsReparsePoint()) {
                    NoteLinkNotFollowed(self, sub);
                    return;
                }
                Walk(sub, subRelative);
                MatchAndCopyIn(self, sub, subRelative, filenum, parts.prefix, parts.suffix, parts.ext, recursive);
            });
        }
    } walker{*this, filenum, recursive, parts};
    walker.Walk(directory, relative);
}

void CTrovelCollector::MatchAndCopy(const std::string& folder, int filenum, std::string prefix, std::string suffix,
                                    std::string ext, int recursive)
{
    std::string named = folder;
    if (named.empty() || named.back() != '\\')
        named += '\\';
    MatchAndCopyIn(*this, LongFolder(named), DriveRelativePath(AnsiToWide(named)), filenum, prefix, suffix, ext,
                   recursive);
}

