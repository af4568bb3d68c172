#pragma once
// The few string helpers every module needs.
#include <string>

// Characters removed by Trim: blank, tab, carriage return, line feed, vertical tab, form feed.
std::string Trim(const std::string& s);
std::string TrimRight(const std::string& s);
std::string ToLower(std::string s);
std::string ReplaceAll(std::string s, const std::string& from, const std::string& to);
bool StartsWith(const std::string& s, const std::string& prefix);
bool EndsWith(const std::string& s, const std::string& suffix);
