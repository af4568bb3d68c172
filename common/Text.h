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

// A name from outside (a registry key, a package) as one file or folder name: every
// character that a file name cannot hold, or that would lead into another folder ("\",
// "/", ":"), becomes "_", and so does every dot of a name made of dots only ("." or ".."),
// so the name always stays inside the folder it is placed in.
std::string FileSafeName(std::string name);

// A value tagged as the system information file tags detected values: the text between the
// first `tag` after `anchor` and the closing tag that follows ("<Detected>" closes with
// "</Detected>"). False, `value` untouched, when the anchor, the tag or its closing is missing.
bool FindTaggedText(const std::string& text, const std::string& anchor, const std::string& tag, std::string& value);
