#include "Text.h"

#include <algorithm>
#include <cctype>

static const char kBlanks[] = " \t\r\n\v\f";

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

std::string TrimRight(const std::string& s)
{
    const auto last = s.find_last_not_of(kBlanks);
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string ToLower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to)
{
    if (from.empty())
        return s;
    for (std::string::size_type pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
        s.replace(pos, from.size(), to);
    return s;
}

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
