#include "FileTree.h"

#include "FindFiles.h"
#include "Handles.h"
#include "Text.h"
#include "WidePath.h"

#include <sys/stat.h>

#include <cstdio>
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
    // Per thread: each thread pumps its own queue.
    static thread_local DWORD last = 0;
    static thread_local bool pumped = false;
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
    if (!FindHandle(FindFirstFileA(path.c_str(), &found)))
        return false;
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

std::string CopyErrorText(DWORD error)
{
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "in use by another program";
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "not found";
    case ERROR_FILENAME_EXCED_RANGE:
        return "path too long";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "disk full";
    case ERROR_INVALID_NAME:
        return "invalid name";
    default:
        return "system error " + std::to_string(error);
    }
}

DWORD CopyOneFileW(const std::wstring& source, const std::wstring& target, const FILETIME* sourceWritten)
{
    // One open, read, write and close per file: the system's copy call costs about twice as
    // much per file under Wine, and setting the attributes afterwards another round trip.
    // The sharing modes are those of the system's copy, so a log held open by its writer
    // can still be copied.
    FileHandle in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in)
        return GetLastError();
    FILETIME written;
    if (sourceWritten != nullptr)
        written = *sourceWritten;
    else if (!GetFileTime(in.get(), nullptr, nullptr, &written))
        return GetLastError();
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    FileHandle out(
        CreateFileW(target.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Replacing keeps the old file's attributes (or, for a read-only file, may be refused):
    // only then do they need setting.
    DWORD error = GetLastError();
    bool replaced = out && error == ERROR_ALREADY_EXISTS;
    if (!out && error == ERROR_ACCESS_DENIED && SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        out.reset(
            CreateFileW(target.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        error = GetLastError();
        replaced = false;
    }
    if (!out)
        return error;

    static thread_local std::vector<char> buffer;
    if (buffer.empty())
        buffer.resize(256 * 1024);
    error = 0;
    for (DWORD got = 0;;) {
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            error = GetLastError();
            break;
        }
        if (got == 0)
            break;
        DWORD put = 0;
        if (!WriteFile(out.get(), buffer.data(), got, &put, nullptr) || put != got) {
            error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
            break;
        }
        if (got < buffer.size())
            break;  // a short read of a disk file is its end: spares one more call
    }
    if (error == 0 && !SetFileTime(out.get(), nullptr, nullptr, &written))
        error = GetLastError();
    out.reset();
    in.reset();
    if (replaced)
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return error;
}

bool CopyOneFile(const std::string& source, const std::string& target)
{
    return CopyOneFileW(LongPath(AnsiToWide(source)), LongPath(AnsiToWide(target))) == 0;
}

bool MakeDirsW(const std::wstring& path)
{
    std::wstring folder = path;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty())
        return false;
    // Try the folder itself first: in a copy its parent nearly always exists already.
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND)
        return false;
    const auto parent = folder.rfind(L'\\');
    if (parent == std::wstring::npos || parent == 0 || folder[parent - 1] == L':' || folder[parent - 1] == L'\\' ||
        folder[parent - 1] == L'?')
        return false;  // the drive, share or prefix itself is missing
    return MakeDirsW(folder.substr(0, parent)) && CreateDirectoryW(folder.c_str(), nullptr) != FALSE;
}

namespace {

struct TreeCopy {
    bool recursive;
    bool pump;
    const CopyNoteHandler& note;
    bool ok = true;

    void Miss(const std::wstring& path, const std::string& reason)
    {
        ok = false;
        if (note)
            note(path, reason, true);
    }

    // `source` and `target` exist as folders.
    void Copy(const std::wstring& source, const std::wstring& target)
    {
        FindFiles list(source);
        for (FoundEntry entry; list.Next(entry);) {
            if (pump)
                PumpMessagesThrottled();
            if (entry.name[0] == L'.')
                continue;
            const std::wstring from = source + L"\\" + entry.name;
            const std::wstring to = target + L"\\" + entry.name;
            if (entry.IsFolder()) {
                if (!recursive)
                    continue;
                if (entry.IsReparsePoint()) {
                    // Following it could leave the tree or walk round a loop for ever.
                    if (note)
                        note(from, "symbolic link or junction, not followed", false);
                    continue;
                }
                if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                    Miss(from, "folder cannot be created in the collection: " + CopyErrorText(GetLastError()));
                    continue;
                }
                Copy(from, to);
            } else {
                const DWORD error = CopyOneFileW(from, to, &entry.lastWrite);
                if (error != 0)
                    Miss(from, CopyErrorText(error));
            }
        }
        if (list.Error() != 0)
            Miss(source, "folder cannot be listed: " + CopyErrorText(list.Error()));
    }
};

}  // namespace

bool CopyFolderW(const std::wstring& source, const std::wstring& target, bool recursive, bool pump,
                 const CopyNoteHandler& note)
{
    if (!MakeDirsW(target))
        return false;
    std::wstring from = source;
    while (from.size() > 1 && from.back() == L'\\')
        from.pop_back();
    const DWORD attributes = GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    std::wstring to = target;
    while (to.size() > 1 && to.back() == L'\\')
        to.pop_back();
    TreeCopy copy{recursive, pump, note};
    copy.Copy(from, to);
    return copy.ok;
}

bool CopyFolder(const std::string& source, const std::string& target, bool recursive, bool pump,
                const CopyNoteHandler& note)
{
    return CopyFolderW(LongPath(AnsiToWide(source)), LongPath(AnsiToWide(target)), recursive, pump, note);
}

// Stops at the first step that fails, as the tree deletion always has.
static bool DeleteContentsW(const std::wstring& folder, bool recursive, bool pump)
{
    bool ok = true;
    FindFiles list(folder);
    for (FoundEntry entry; ok && list.Next(entry);) {
        if (pump)
            PumpMessagesThrottled();
        if (entry.name[0] == L'.')
            continue;
        const std::wstring item = folder + L"\\" + entry.name;
        if (entry.IsFolder()) {
            if (entry.IsReparsePoint()) {
                // Only the link goes; what it points to is not ours to empty.
                if (recursive)
                    ok = RemoveDirectoryW(item.c_str()) || DeleteFileW(item.c_str());
            } else if (recursive && DeleteContentsW(item, true, pump)) {
                ok = RemoveDirectoryW(item.c_str()) != FALSE;
            }
        } else {
            SetFileAttributesW(item.c_str(), FILE_ATTRIBUTE_ARCHIVE);
            ok = DeleteFileW(item.c_str()) != FALSE;
        }
    }
    return ok;
}

static std::wstring LongFolder(const std::string& folder)
{
    std::wstring path = LongPath(AnsiToWide(folder));
    while (path.size() > 1 && path.back() == L'\\')
        path.pop_back();
    return path;
}

bool DeleteFolderContents(const std::string& folder, bool recursive, bool pump)
{
    if (!IsFolder(folder))
        return false;
    return DeleteContentsW(LongFolder(folder), recursive, pump);
}

bool DeleteFolder(const std::string& folder, bool pump)
{
    if (!IsFolder(folder))
        return true;
    const std::wstring path = LongFolder(folder);
    if (!DeleteContentsW(path, true, pump))
        return false;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return RemoveDirectoryW(path.c_str()) != FALSE;
}

static bool IsPlainFolder(std::string path)
{
    RemoveTrailingBackslash(path);  // a search for "C:\x\" finds nothing
    WIN32_FIND_DATAA found;
    if (!FindHandle(FindFirstFileA(path.c_str(), &found)))
        return false;
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

bool ReadFileText(const std::string& path, std::string& text)
{
    text.clear();
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return false;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, got);
    std::fclose(in);
    return true;
}
