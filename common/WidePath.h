#pragma once
// Text in the three forms the programs meet: the ANSI code page (INI files, the log, the
// narrow API), UTF-16 (the file system) and UTF-8 (names that the code page cannot hold).
#include <string>

std::wstring AnsiToWide(const std::string& text);
// Characters the code page lacks become "?" (the system's default); `lossless` tells
// whether every character survived.
std::string WideToAnsi(const std::wstring& text, bool* lossless = nullptr);
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
// For messages in the ANSI log: the ANSI form when it is exact, else UTF-8.
std::string WideForLog(const std::wstring& text);

// The path in the form that lifts the 260-character limit ("\\?\C:\..." or
// "\\?\UNC\server\share\..."): made absolute, "." and ".." resolved, separators single.
// A path already in that form is returned as it is.
std::wstring LongPath(const std::wstring& path);
// The path without the long-path prefix, as a person would write it.
std::wstring ShortForm(const std::wstring& path);
