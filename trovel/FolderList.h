#pragma once
// One folder listing through FindFirstFileA/FindNextFileA: names and whether each is a folder.
#include <windows.h>

#include <string>
#include <vector>

struct FolderEntry {
    std::string name;
    bool isFolder = false;
};

inline std::vector<FolderEntry> ListFolder(const std::string& pattern)
{
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return entries;
    do {
        entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}
