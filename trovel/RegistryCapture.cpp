// Registry keys of a package, exported by the system's registry editor into the package
// folder; and the two parsers of registry paths.
#include "Collector.h"
#include "Definitions.h"
#include "Handles.h"

#include "Text.h"
#include "WidePath.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>

namespace {

struct RootName {
    const char* longName;
    const char* shortName;
    HKEY handle;
};

const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", "HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
};

std::string ToUpper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

const size_t kMaxShortKeyName = 245;

}  // namespace

bool CTrovelCollector::ShortKeyName(const std::string& key, std::string& out)
{
    out = key;
    const std::string upper = ToUpper(key);
    bool known = false;
    for (const RootName& root : kRoots) {
        if (StartsWith(upper, root.longName)) {
            // Case-sensitive: a root written in lower case keeps its long form.
            out = ReplaceAll(out, root.longName, root.shortName);
            known = true;
            break;
        }
    }
    if (!known && !key.empty())
        return false;
    if (out.size() > kMaxShortKeyName)
        out.resize(kMaxShortKeyName);
    if (!out.empty() && out.back() == '\\')
        out.pop_back();
    return true;
}

bool CTrovelCollector::ParseRegistryRoot(std::string& path, HKEY& root, std::string& subkey)
{
    path = ToUpper(path);
    const RootName* found = nullptr;
    for (const RootName& candidate : kRoots) {
        if (StartsWith(path, candidate.longName)) {
            found = &candidate;
            break;
        }
    }
    if (found == nullptr && !path.empty())
        return false;
    if (found != nullptr) {
        path = found->longName;
        root = found->handle;
    }
    const auto slash = subkey.find('\\');
    subkey = path + (slash == std::string::npos ? std::string() : subkey.substr(slash));
    return true;
}

void CTrovelCollector::CaptureRegistryEntry(const std::string& key)
{
    std::string shortName;
    ShortKeyName(key, shortName);
    const std::string exportFile = m_strPackageName + "\\" + FileSafeName(shortName) + ".reg";
    m_defs.WriteLog("Registry '" + key + "' added to package '" + m_strPackageName + "'", 1);
    // The editor reports nothing for a key it cannot export (it runs silently): the file
    // it leaves, or not, is the answer.
    const bool ran = ExportRegistryKey(exportFile, key);
    const std::wstring written = LongPath(AnsiToWide(m_strCollectDir + "\\" + exportFile));
    if (!ran || GetFileAttributesW(written.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ++m_nMissedFiles;
        m_defs.WriteLog("Could not collect registry key '" + key + "': " +
                                         (ran ? "no export written (no such key?)" : "the export did not run"),
                                     0);
    }
    ReportGatherStep();
}

bool CTrovelCollector::ExportRegistryKey(const std::string& exportFile, const std::string& key)
{
    // Both texts go to the editor in double quotes: a quote inside either one would end the
    // argument early and let the rest be read as further arguments, so such a key is
    // refused. Trailing backslashes are dropped for the same reason (a backslash before the
    // closing quote escapes it); the key named is the same.
    std::string target = key;
    while (!target.empty() && target.back() == '\\')
        target.pop_back();
    const std::string file = m_strCollectDir + "\\" + exportFile;
    if (target.find('"') != std::string::npos || file.find('"') != std::string::npos) {
        m_defs.AskUser("Registry key '" + key + "' cannot be exported: its name holds a double quote.",
                                    MB_ICONERROR, m_bUnattended ? 0 : 1, 0);
        return false;
    }
    const std::string parameters = "/e /s  \"" + file + "\"   \"" + target + "\"";
    return RunProgram("regedit", parameters, m_nExportTimeoutMs);
}

// A program named without a folder is the system's own, from the Windows folder: a search
// by bare name would look in the current folder first and run whatever lies there.
static std::wstring ProgramPath(const std::string& file)
{
    if (file.find_first_of("\\/:") != std::string::npos)
        return AnsiToWide(file);
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return AnsiToWide(file);  // no Windows folder to name: the start fails below
    std::wstring path(windows, length);
    if (path.back() != L'\\')
        path += L'\\';
    path += AnsiToWide(file);
    if (file.find('.') == std::string::npos)
        path += L".exe";
    return path;
}

bool CTrovelCollector::RunProgram(const std::string& file, const std::string& parameters, unsigned waitMs)
{
    const std::wstring program = ProgramPath(file);
    const std::wstring arguments = AnsiToWide(parameters);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        const char* text = error == ERROR_FILE_NOT_FOUND   ? "ERROR FILE NOT FOUND"
                           : error == ERROR_PATH_NOT_FOUND ? "ERROR PATH NOT FOUND"
                           : error == ERROR_ACCESS_DENIED  ? "ERROR ACCESS DENIED"
                                                           : nullptr;
        if (text != nullptr)
            m_defs.AskUser(text, MB_ICONERROR, m_bUnattended ? 0 : 1, 0);
        return false;
    }
    const KernelHandle process(info.hProcess);
    if (!process) {
        // Started without a process to wait for: give it the customary time.
        if (waitMs != 0)
            TrovelPause(2000);
        return true;
    }
    bool ended = true;
    if (waitMs != 0 && WaitForSingleObject(process.get(), waitMs) != WAIT_OBJECT_0) {
        // Stopped, so that it does not go on writing while the collection is packed.
        ended = false;
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
        m_defs.AskUser("'" + file + "' did not finish within " + std::to_string(waitMs / 1000) +
                                        " seconds and was stopped.",
                                    MB_ICONERROR, m_bUnattended ? 0 : 1, 0);
    }
    return ended;
}
