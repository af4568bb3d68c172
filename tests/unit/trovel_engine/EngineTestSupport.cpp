#include "EngineTestSupport.h"

#include "FileTree.h"
#include "FindFiles.h"
#include "TestSupport.h"

#include <ctime>
#include <stdexcept>

namespace engine_test {

TempTree::TempTree(const std::string& name)
{
    m_path = EnvironmentValue("TEMP") + "\\" + name;
    DeleteFolder(m_path, false);
    MakeDirs(m_path);
}

TempTree::~TempTree()
{
    DeleteFolder(m_path, false);
}

static time_t BasePlus(int minutes)
{
    struct tm base = {};
    base.tm_year = 2020 - 1900;
    base.tm_mon = 5;
    base.tm_mday = 15;
    base.tm_hour = 12;
    base.tm_min = minutes;  // mktime normalises
    base.tm_isdst = -1;
    return mktime(&base);
}

long long TimeAt(int minutes)
{
    return static_cast<long long>(BasePlus(minutes));
}

std::string StampAt(int minutes)
{
    const time_t when = BasePlus(minutes);
    char text[32];
    strftime(text, sizeof text, "%Y_%m_%d_%H_%M", localtime(&when));
    return text;
}

void SetWriteTime(const std::string& path, int minutesFromBase)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(BasePlus(minutesFromBase)) + 11644473600ull) * 10000000ull;
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(ticks);
    written.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
}

void MakeFile(const std::string& path, const std::string& bytes, int minutesFromBase)
{
    MakeDirs(path.substr(0, path.rfind('\\')));
    testing_support::WriteFileBytes(path, bytes);
    if (minutesFromBase != 0)
        SetWriteTime(path, minutesFromBase);
}

static void ListInto(const std::string& folder, const std::string& prefix, std::set<std::string>& out)
{
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isFolder) {
            out.insert(prefix + entry.name + "\\");
            ListInto(folder + "\\" + entry.name, prefix + entry.name + "\\", out);
        } else {
            out.insert(prefix + entry.name);
        }
    }
}

std::set<std::string> ListTree(const std::string& folder)
{
    std::set<std::string> out;
    ListInto(folder, "", out);
    return out;
}

void WriteIni(const std::string& file, const std::string& section, const std::string& key, const std::string& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
        throw std::runtime_error("cannot write " + file);
}

std::string DriveRelative(const std::string& path)
{
    const auto drive = path.find(":\\");
    return drive == std::string::npos ? path : path.substr(drive + 2);
}

std::string EnvironmentValue(const char* name)
{
    char buffer[1024] = {};
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length < sizeof buffer ? std::string(buffer, length) : std::string();
}

}  // namespace engine_test
