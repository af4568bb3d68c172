#include "FileTree.h"

#include "Text.h"

#include <sys/stat.h>

#include <vector>

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd != nullptr && IsDialogMessageA(msg.hwnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpMessagesThrottled()
{
    // 20 ms keeps painting and input smooth; the tick count is read without a system call.
    static DWORD last = 0;
    static bool pumped = false;
    const DWORD now = GetTickCount();
    if (pumped && now - last < 20)
        return;
    pumped = true;
    last = now;
    PumpMessages();
}

void AddTrailingBackslash(std::string& path)
{
    path = TrimRight(path);
    if (path.empty() || path.back() != '\\')
        path += '\\';
}

void RemoveTrailingBackslash(std::string& path)
{
    path = TrimRight(path);
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
}

time_t GetFileModTime(const std::string& path)
{
    struct _stat64 st;
    if (_stat64(path.c_str(), &st) != 0 || (st.st_mode & _S_IFDIR))
        return 0;
    return static_cast<time_t>(st.st_mtime);
}

bool GetFileLastWriteTime(const std::string& path, SYSTEMTIME& when, bool local)
{
    ZeroMemory(&when, sizeof when);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    FILETIME written = found.ftLastWriteTime;
    if (local) {
        FILETIME converted;
        if (!FileTimeToLocalFileTime(&written, &converted))
            return false;
        written = converted;
    }
    return FileTimeToSystemTime(&written, &when) != FALSE;
}

static bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path)
{
    return IsFolder(path);
}

bool MakeDirs(std::string path)
{
    RemoveTrailingBackslash(path);
    std::string built, rest;
    std::string::size_type at;
    if ((at = path.find(":\\")) != std::string::npos) {
        built = path.substr(0, at + 2);
        rest = path.substr(at + 2);
    } else if ((at = path.find("\\\\")) != std::string::npos) {
        built = path.substr(0, at + 2);
        rest = path.substr(at + 2);
    } else {
        rest = path;
    }

    while (!rest.empty()) {
        const auto next = rest.find('\\', 1);
        if (next == std::string::npos) {
            built += rest;
            rest.clear();
        } else {
            built += rest.substr(0, next);
            rest = rest.substr(next);
        }
        if (GetFileAttributesA(built.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateDirectoryA(built.c_str(), nullptr))
            return false;
    }
    return true;
}

bool CopyOneFile(const std::string& source, const std::string& target)
{
    // One open, read, write and close per file: the system's copy call costs about twice as
    // much per file under Wine, and setting the attributes afterwards another round trip.
    // The sharing modes are those of the system's copy, so a log held open by its writer
    // can still be copied.
    HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return false;
    FILETIME written;
    bool ok = GetFileTime(in, nullptr, nullptr, &written) != FALSE;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE out = ok ? CreateFileA(target.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr)
                    : INVALID_HANDLE_VALUE;
    // Replacing keeps the old file's attributes (or, for a read-only file, may be refused):
    // only then do they need setting.
    bool replaced = out != INVALID_HANDLE_VALUE && GetLastError() == ERROR_ALREADY_EXISTS;
    if (ok && out == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED &&
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        out = CreateFileA(target.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        replaced = false;
    }
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }

    static thread_local std::vector<char> buffer;
    if (buffer.empty())
        buffer.resize(256 * 1024);
    for (DWORD got = 0; ok;) {
        ok = ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) != FALSE;
        if (!ok || got == 0)
            break;
        DWORD put = 0;
        ok = WriteFile(out, buffer.data(), got, &put, nullptr) && put == got;
        if (got < buffer.size())
            break;  // a short read of a disk file is its end: spares one more call
    }
    if (ok)
        ok = SetFileTime(out, nullptr, nullptr, &written) != FALSE;
    CloseHandle(out);
    CloseHandle(in);
    if (replaced)
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ok;
}

// Calls `visit(name, isFolder)` for every entry of `folder` not beginning with "."; stops
// when `visit` returns false. Returns false when the folder cannot be listed.
template <typename Visit>
static bool ForEachEntry(const std::string& folder, bool pump, Visit visit)
{
    std::string pattern = folder;
    AddTrailingBackslash(pattern);
    pattern += "*.*";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (pump)
            PumpMessagesThrottled();
        if (found.cFileName[0] == '.')
            continue;
        if (!visit(std::string(found.cFileName), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
            break;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

bool CopyFolder(const std::string& source, const std::string& target, bool recursive, bool pump)
{
    if (!MakeDirs(target))
        return false;
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    bool ok = true;
    ForEachEntry(source, pump, [&](const std::string& name, bool isFolder) {
        const std::string from = source + "\\" + name;
        const std::string to = target + "\\" + name;
        if (isFolder) {
            if (recursive)
                ok = CopyFolder(from, to, true, pump);
        } else {
            ok = CopyOneFile(from, to);
        }
        return ok;
    });
    return ok;
}

bool DeleteFolderContents(const std::string& folder, bool recursive, bool pump)
{
    if (!IsFolder(folder))
        return false;
    bool ok = true;
    ForEachEntry(folder, pump, [&](const std::string& name, bool isFolder) {
        const std::string item = folder + "\\" + name;
        if (isFolder) {
            if (recursive && DeleteFolderContents(item, true, pump))
                ok = RemoveDirectoryA(item.c_str()) != FALSE;
        } else {
            SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            ok = DeleteFileA(item.c_str()) != FALSE;
        }
        return ok;
    });
    return ok;
}

bool DeleteFolder(const std::string& folder, bool pump)
{
    if (!IsFolder(folder))
        return true;
    if (!DeleteFolderContents(folder, true, pump))
        return false;
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return RemoveDirectoryA(folder.c_str()) != FALSE;
}

static bool IsPlainFolder(std::string path)
{
    RemoveTrailingBackslash(path);  // a search for "C:\x\" finds nothing
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return found.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
}

bool CreateFolderPath(const std::string& path)
{
    if (IsPlainFolder(path))
        return true;
    std::vector<std::string> prefixes;
    for (std::string::size_type at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        prefixes.push_back(path.substr(0, at));
    prefixes.push_back(path);
    for (std::size_t i = 1; i < prefixes.size(); ++i) {
        if (CreateDirectoryA(prefixes[i].c_str(), nullptr))
            SetFileAttributesA(prefixes[i].c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    return IsPlainFolder(path);
}
