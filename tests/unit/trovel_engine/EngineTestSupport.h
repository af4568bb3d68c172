#pragma once
// Helpers of the engine tests: a source tree under %TEMP% (so drive-relative target paths
// stay short), file times set from local calendar values, folder listings, INI values.
#include <windows.h>

#include <set>
#include <string>

namespace engine_test {

// A fresh folder "%TEMP%\<name>" removed again by the destructor.
class TempTree {
public:
    explicit TempTree(const std::string& name);
    ~TempTree();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// Creates the file (and its folders) with `bytes`; when `minutesFromBase` is not 0, sets
// its last-write time to 2020-06-15 12:00 local time plus that many minutes.
void MakeFile(const std::string& path, const std::string& bytes = "x", int minutesFromBase = 0);
// 2020-06-15 12:00 local time plus `minutes`, in seconds since 1970.
long long TimeAt(int minutes);
// The run stamp of 2020-06-15 12:00 plus `minutes` ("2020_06_15_12_00" form).
std::string StampAt(int minutes);
void SetWriteTime(const std::string& path, int minutesFromBase);

// Relative paths of every entry below `folder` ("a\\b.txt"), folders with a trailing "\\".
std::set<std::string> ListTree(const std::string& folder);

void WriteIni(const std::string& file, const std::string& section, const std::string& key, const std::string& value);

// The text after the first ":\" of a path (its drive-relative form).
std::string DriveRelative(const std::string& path);

std::string EnvironmentValue(const char* name);

}  // namespace engine_test
