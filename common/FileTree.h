#pragma once
// Path and folder-tree operations on narrow-character paths with backslash separators.
// Names beginning with "." are never copied, deleted or descended into.
#include <windows.h>

#include <ctime>
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
bool CopyFolder(const std::string& source, const std::string& target, bool recursive, bool pump);
bool DeleteFolderContents(const std::string& folder, bool recursive, bool pump);
bool DeleteFolder(const std::string& folder, bool pump);

// Creates every level of `path` (attributes set to normal) and tells whether the path is
// then a plain folder: a folder that also carries other attribute bits does not count.
bool CreateFolderPath(const std::string& path);

bool FileExists(const std::string& path);    // a file, not a folder
bool FolderExists(const std::string& path);
