#include "Text.h"

#include <algorithm>
#include <cctype>
#include <cstring>

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

std::string FileSafeName(std::string name)
{
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr)
            c = '_';
    }
    if (!name.empty() && name.find_first_not_of('.') == std::string::npos)
        name.assign(name.size(), '_');
    return name;
}

bool FindTaggedText(const std::string& text, const std::string& anchor, const std::string& tag, std::string& value)
{
    const auto at = text.find(anchor);
    if (at == std::string::npos || tag.empty())
        return false;
    const auto open = text.find(tag, at + anchor.size());
    if (open == std::string::npos)
        return false;
    const std::string closing = "</" + tag.substr(1);
    const auto begin = open + tag.size();
    const auto close = text.find(closing, begin);
    if (close == std::string::npos)
        return false;
    value = text.substr(begin, close - begin);
    return true;
}
