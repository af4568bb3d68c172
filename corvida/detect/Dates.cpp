#include "Dates.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

std::string FormatStoredDate(int year, int month, int day)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%d-%s%d-%s%d", year, month < 10 ? "0" : "", month,
                  day < 10 ? "0" : "", day);
    return buffer;
}

std::string TodayDateText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormatStoredDate(now.wYear, now.wMonth, now.wDay);
}

void ParseStoredDate(const std::string& text, SYSTEMTIME& date)
{
    if (text.empty()) {
        GetLocalTime(&date);
        return;
    }
    date = SYSTEMTIME{};
    date.wYear = 2007;
    date.wMonth = 7;
    date.wDay = 7;
    std::string::size_type first = text.find('-');
    if (first == std::string::npos)
        return;
    std::string::size_type second = text.find('-', first + 1);
    if (second == std::string::npos)
        return;
    date.wYear = static_cast<WORD>(std::atoi(text.c_str()));
    date.wMonth = static_cast<WORD>(std::atoi(text.c_str() + first + 1));
    date.wDay = static_cast<WORD>(std::atoi(text.c_str() + second + 1));
}

bool FormatAndCheckDates(const SYSTEMTIME& start, const SYSTEMTIME& end, bool which, std::string& out)
{
    const SYSTEMTIME& chosen = which ? start : end;
    out = FormatStoredDate(chosen.wYear, chosen.wMonth, chosen.wDay);
    if (start.wYear != end.wYear)
        return start.wYear < end.wYear;
    if (start.wMonth != end.wMonth)
        return start.wMonth < end.wMonth;
    return start.wDay <= end.wDay;
}

SYSTEMTIME AddDays(const SYSTEMTIME& date, int days)
{
    // Through the file-time scale so that month and year ends roll over correctly. A date
    // the platform cannot represent (month 13, day 32) stays as it was.
    FILETIME fileTime;
    if (!SystemTimeToFileTime(&date, &fileTime))
        return date;
    ULARGE_INTEGER value;
    value.LowPart = fileTime.dwLowDateTime;
    value.HighPart = fileTime.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * 864000000000LL);
    fileTime.dwLowDateTime = value.LowPart;
    fileTime.dwHighDateTime = value.HighPart;
    SYSTEMTIME result;
    if (!FileTimeToSystemTime(&fileTime, &result))
        return date;
    return result;
}

void ShellOpen(const std::string& file, const std::string& parameters)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    ShellExecuteExA(&info);
}
