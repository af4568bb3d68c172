#include "ReportStore.h"

#include "FieldCatalogue.h"
#include "FileTree.h"
#include "ToolConfig.h"

#include <windows.h>

#include <cstdlib>

const char* const kReportFolder = ".\\Data\\";
const char* const kReportFile = ".\\Data\\Corvidadata.ini";

namespace {

const char kLineBreakByte = static_cast<char>(0xA5);
SaveStepHook g_saveStepHook = nullptr;

bool ContinueSave(int step)
{
    return g_saveStepHook == nullptr || g_saveStepHook(step);
}

std::string FolderOf(const std::string& file)
{
    std::string::size_type slash = file.find_last_of('\\');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

// Answers are read as a C conversion reads them: sign and leading digits, none gives 0.
int ParseAnswer(const std::string& text)
{
    if (text.empty())
        return -1;
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

std::string ReadRaw(const std::string& file, const std::string& section, const std::string& key)
{
    char buffer[4000];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof(buffer), file.c_str());
    return buffer;
}

// The profile reader drops leading blanks, so a list left on its placeholder comes back
// as "Select ..."; it must stay the placeholder, or an unchosen list would count as filled.
std::string RestorePlaceholder(const FieldInfo& field, std::string value)
{
    const std::string placeholder = kSelectPlaceholder;
    if (field.kind == FieldKind::Choice && value == placeholder.substr(1))
        return placeholder;
    return value;
}

}  // namespace

void SetSaveStepHook(SaveStepHook hook)
{
    g_saveStepHook = hook;
}

std::string EncodeLineBreaks(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            out += kLineBreakByte;
            ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string DecodeLineBreaks(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == kLineBreakByte)
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

bool WriteReportValue(const std::string& section, const std::string& key, const std::string& value,
                      const std::string& file)
{
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), EncodeLineBreaks(value).c_str(),
                                      file.c_str()) != FALSE;
}

void LoadReport(ReportRecord& record, const std::string& file)
{
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        std::string raw = ReadRaw(file, field.group, field.key);
        if (field.kind == FieldKind::YesNo)
            record.*field.answer = ParseAnswer(raw);
        else
            record.*field.text = FitToCapacity(field, RestorePlaceholder(field, DecodeLineBreaks(raw)));
    }
}

bool SaveReport(const ReportRecord& record, const std::string& file, const std::string& version)
{
    // The whole report goes into a file beside the target, which then replaces the
    // target in one move: a save cut short at any point leaves the previous report.
    std::string folder = FolderOf(file);
    if (!folder.empty())
        CreateFolderPath(folder);
    const std::string temporary = file + ".saving";

    int step = 0;
    if (!ContinueSave(step++))
        return false;
    DeleteFileA(temporary.c_str());
    WriteReportValue("Version", "INIVersion", version, temporary);
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        if (!ContinueSave(step++))
            return false;
        const FieldInfo& field = kReportFields[i];
        std::string value = field.kind == FieldKind::YesNo ? std::to_string(record.*field.answer)
                                                           : record.*field.text;
        WriteReportValue(field.group, field.key, value, temporary);
    }
    // Flush the profile writer's cache for this file before it is moved.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, temporary.c_str());
    if (!ContinueSave(step++))
        return false;
    if (!MoveFileExA(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool SaveReport(const ReportRecord& record)
{
    return SaveReport(record, kReportFile, GetToolConfigVersion());
}
