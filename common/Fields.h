#pragma once
#include <string>

// Field number `index` (from 0) of a delimited text such as "3,1,C:\Logs\,*.log",
// trimmed; also copied into `out`. A text holding no comma whose last character is not
// the delimiter gets the delimiter appended (the caller's text changes), so that the
// last field is terminated like the others.
std::string FieldOf(std::string& text, int index, std::string& out, char delimiter);

// Convenience form for callers that keep their text unchanged.
std::string FieldOf(const std::string& text, int index, char delimiter);
