#include "Shortcut.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// The common (all-users) folder of each per-user folder the program's shortcuts use.
int CommonFolderOf(int folder)
{
    switch (folder) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        return CSIDL_COMMON_DESKTOPDIRECTORY;
    case CSIDL_PROGRAMS:
        return CSIDL_COMMON_PROGRAMS;
    case CSIDL_STARTUP:
        return CSIDL_COMMON_STARTUP;
    case CSIDL_STARTMENU:
        return CSIDL_COMMON_STARTMENU;
    default:
        return folder;
    }
}

}  // namespace

bool CShortcut::GetSpecialFolderPath(int folder, std::string& path)
{
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CommonFolderOf(folder), &items)) || items == nullptr)
        return false;
    char buffer[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListA(items, buffer);
    CoTaskMemFree(items);
    if (!ok)
        return false;
    path = buffer;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return true;
}

bool CShortcut::DeleteShortCut(const std::string& name, int folder)
{
    std::string path;
    if (!GetSpecialFolderPath(folder, path))
        return false;
    path += name + ".lnk";
    // A read-only shortcut is deleted without a question, like any other.
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    std::string list = path;
    list.push_back('\0');  // the list ends with two zeros; c_str adds the second
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    return SHFileOperationA(&operation) == 0 && operation.fAnyOperationsAborted == FALSE &&
           GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}
