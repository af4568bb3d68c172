#include "WidePath.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], length);
    return out;
}

std::string FromWide(UINT codePage, const std::wstring& text, BOOL* defaulted)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], length, nullptr, defaulted);
    return out;
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix)
{
    return s.compare(0, wcslen(prefix), prefix) == 0;
}

}  // namespace

std::wstring AnsiToWide(const std::string& text)
{
    return ToWide(CP_ACP, text);
}

std::string WideToAnsi(const std::wstring& text, bool* lossless)
{
    BOOL defaulted = FALSE;
    std::string out = FromWide(CP_ACP, text, &defaulted);
    // A best-fit mapping (e.g. an accented letter to its plain form) is not reported as a
    // default character: only the round trip proves the name is the same.
    if (lossless != nullptr)
        *lossless = !defaulted && AnsiToWide(out) == text;
    return out;
}

std::string WideToUtf8(const std::wstring& text)
{
    return FromWide(CP_UTF8, text, nullptr);
}

std::wstring Utf8ToWide(const std::string& text)
{
    return ToWide(CP_UTF8, text);
}

std::string WideForLog(const std::wstring& text)
{
    bool exact = false;
    std::string ansi = WideToAnsi(text, &exact);
    return exact ? ansi : WideToUtf8(text);
}

std::wstring LongPath(const std::wstring& path)
{
    if (StartsWith(path, L"\\\\?\\"))
        return path;
    // GetFullPathNameW makes the path absolute and collapses ".", ".." and doubled
    // separators, none of which the prefixed form may contain.
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::vector<wchar_t> full(size + 1);
    size = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (size == 0 || size >= full.size())
        return path;
    std::wstring absolute(full.data(), size);
    if (StartsWith(absolute, L"\\\\.\\"))
        return absolute;  // a device name
    if (StartsWith(absolute, L"\\\\"))
        return L"\\\\?\\UNC\\" + absolute.substr(2);
    return L"\\\\?\\" + absolute;
}

std::wstring ShortForm(const std::wstring& path)
{
    if (StartsWith(path, L"\\\\?\\UNC\\"))
        return L"\\\\" + path.substr(8);
    if (StartsWith(path, L"\\\\?\\"))
        return path.substr(4);
    return path;
}
