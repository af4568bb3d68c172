#include "Fields.h"

#include "Text.h"

std::string FieldOf(std::string& text, int index, std::string& out, char delimiter)
{
    out.clear();
    if (!text.empty() && text.find(',') == std::string::npos && text.back() != delimiter)
        text += delimiter;
    if (text.empty() || text.find(delimiter) == std::string::npos || index < 0)
        return out;

    std::string::size_type pos = 0;
    for (int skipped = 0; skipped < index; ++skipped) {
        const auto next = text.find(delimiter, pos);
        if (next == std::string::npos)
            return out;  // beyond the last field
        pos = next + 1;
    }
    if (pos > text.size())
        return out;
    const auto end = text.find(delimiter, pos);
    out = Trim(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    return out;
}

std::string FieldOf(const std::string& text, int index, char delimiter)
{
    std::string copy = text, out;
    return FieldOf(copy, index, out, delimiter);
}
