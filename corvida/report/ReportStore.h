#pragma once
// The report file .\Data\Corvidadata.ini: an INI file written key by key, line breaks
// stored as the byte 0xA5.
#include "ReportRecord.h"

#include <string>

extern const char* const kReportFolder;  // ".\Data\"
extern const char* const kReportFile;    // ".\Data\Corvidadata.ini"

// Replaces every CR LF pair by 0xA5 and writes the key with the profile-string call.
// Returns that call's result.
bool WriteReportValue(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file);

// CR LF for every 0xA5, and back.
std::string EncodeLineBreaks(const std::string& value);
std::string DecodeLineBreaks(const std::string& value);

// Fills the record from the file: texts decoded and cut to their capacity, answers
// parsed as C does (empty: -1). A missing file, section or key gives empty texts and
// -1 answers. "INIVersion" is not read back.
void LoadReport(ReportRecord& record, const std::string& file = kReportFile);

// Writes the whole record with the version text first. The file is written beside the
// target and then moved over it, so a save cut short leaves the previous report whole.
// Creates the file's folder first. False when the file could not be replaced.
bool SaveReport(const ReportRecord& record, const std::string& file, const std::string& version);
// The program's save: .\Data\Corvidadata.ini with the tool configuration's version.
bool SaveReport(const ReportRecord& record);

// Test seam: called before every step of a save (0 = start, then one call per value
// written, then the final replace); a false answer stops the save at that point, as if
// the program had died there. nullptr (the default) lets every save run to its end.
using SaveStepHook = bool (*)(int step);
void SetSaveStepHook(SaveStepHook hook);
