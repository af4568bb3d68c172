#pragma once
// Path and folder-tree operations with backslash separators. The narrow functions take
// paths in the ANSI code page; inside, the tree is walked with wide-character calls and
// long-path names, so entries whose names the code page lacks, or whose paths pass 260
// characters, are handled like any other.
// Names beginning with "." are never copied, deleted or descended into; symbolic links
// and junctions to folders are never descended into.
#include <windows.h>

#include <ctime>
#include <functional>
#include <string>

// Dispatches every message waiting for the calling thread (dialog messages first).
void PumpMessages();
// PumpMessages at most every few milliseconds: loops over thousands of files call it per
// item, and each look at the queue is a round trip to the window system.
void PumpMessagesThrottled();

void AddTrailingBackslash(std::string& path);
void RemoveTrailingBackslash(std::string& path);

// Seconds since 1970-01-01 UTC; 0 when the path cannot be examined or is a folder.
time_t GetFileModTime(const std::string& path);
// True when the path exists; `when` is all zeros otherwise.
bool GetFileLastWriteTime(const std::string& path, SYSTEMTIME& when, bool local);

bool MakeDirs(std::string path);
// Overwrites `target` (even a read-only one); the copy keeps the source's last-write time
// and gets normal attributes.
bool CopyOneFile(const std::string& source, const std::string& target);

// What a tree copy could not take: `missed` is true for an item that could not be copied
// (or a folder that could not be listed or created), false for a folder link that was
// deliberately not followed. `path` is the source item; `reason` a short text.
using CopyNoteHandler = std::function<void(const std::wstring& path, const std::string& reason, bool missed)>;

// Copies what can be copied: an item that fails does not stop the rest. True when nothing
// was missed; `note` (optional) hears of every item left out.
bool CopyFolder(const std::string& source, const std::string& target, bool recursive, bool pump,
                const CopyNoteHandler& note = nullptr);

// ----- wide-character forms; paths are used as given (pass them through LongPath) -----
// 0 when the copy succeeded, else the system error code. A caller that has just listed the
// source passes its last-write time and spares asking the file for it.
DWORD CopyOneFileW(const std::wstring& source, const std::wstring& target, const FILETIME* sourceWritten = nullptr);
bool CopyFolderW(const std::wstring& source, const std::wstring& target, bool recursive, bool pump,
                 const CopyNoteHandler& note);
// Creates the folder and any missing parents; one call when the parent exists already.
bool MakeDirsW(const std::wstring& path);
// A short text for a system error of a copy ("in use by another program", ...).
std::string CopyErrorText(DWORD error);
bool DeleteFolderContents(const std::string& folder, bool recursive, bool pump);
bool DeleteFolder(const std::string& folder, bool pump);

// Creates every level of `path` (attributes set to normal) and tells whether the path is
// then a plain folder: a folder that also carries other attribute bits does not count.
bool CreateFolderPath(const std::string& path);

// The whole file's bytes; false (`text` empty) when it cannot be opened.
bool ReadFileText(const std::string& path, std::string& text);

bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);
