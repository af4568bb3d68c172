#pragma once
// Lists one folder through an owned find handle; "." and ".." are never reported.
//
//   FindFiles list(folder);                 // folder with or without a trailing "\"
//   for (FoundEntry entry; list.Next(entry);)
//       ...
//   if (list.Error() != 0) ...              // the folder could not be listed
#include "Handles.h"

#include <string>
#include <vector>

struct FoundEntry {
    std::wstring name;
    DWORD attributes = 0;
    unsigned long long size = 0;
    FILETIME lastWrite = {};

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // A symbolic link or junction: walking into it can lead outside the tree or round in a loop.
    bool IsReparsePoint() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    // Seconds since 1970-01-01 UTC (0 for a time before then).
    unsigned long long UnixTime() const;
};

class FindFiles {
public:
    // `folder` is used as given (a long-path prefix is kept); `pattern` is appended.
    explicit FindFiles(const std::wstring& folder, const wchar_t* pattern = L"*");
    // The next entry; false at the end of the listing (or when nothing could be listed).
    bool Next(FoundEntry& entry);
    // 0 while the listing is fine or after it ended normally; else the system error that
    // kept the folder from being listed or ended the listing early.
    DWORD Error() const { return m_error; }

private:
    FindHandle m_search;
    WIN32_FIND_DATAW m_data = {};
    bool m_pending = false;  // m_data holds an entry not yet handed out
    DWORD m_error = 0;
};

// One folder's entries named in the code page, for the callers that work with narrow paths
// (definition files, the report's folders). Listed in the system's order; a folder that
// cannot be listed gives no entries. `folder` may end with "\\" or not.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};
std::vector<FolderEntry> ListFolder(const std::string& folder);
