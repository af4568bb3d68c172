// Status file, log, progress records, questions and the date stamp.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "Collector.h"
#include "Definitions.h"
#include "FileTree.h"
#include "Progress.h"
#include "Text.h"

namespace {

const char kStatusSection[] = "StatusTrovel";
// A run without a run id (funcTrovelLib) books its state here, so that it can neither
// take nor hide a numbered slot of a run that hosts follow by its id.
const char kUnnumberedSection[] = "StatusTrovelLib";
const char kLogFile[] = ".\\TrovelLog.txt";

std::mutex g_seamMutex;
std::function<int(const std::string&, UINT, int)> g_questionHandler;
double g_pauseScale = 1.0;
std::mutex g_logMutex;

std::string SlotKey(int n, const char* name)
{
    char key[32];
    std::snprintf(key, sizeof key, "%d)%s", n, name);
    return key;
}

// One INI read into a buffer of `size` characters; nothing is read from an empty path.
std::string ReadKey(const std::string& file, const char* section, const std::string& key, DWORD size)
{
    if (file.empty())
        return std::string();
    std::vector<char> buffer(size + 1, '\0');
    GetPrivateProfileStringA(section, key.c_str(), "", buffer.data(), size, file.c_str());
    return buffer.data();
}

void WriteKey(const std::string& file, const char* section, const std::string& key, const std::string& value)
{
    if (!file.empty())
        WritePrivateProfileStringA(section, key.c_str(), value.c_str(), file.c_str());
}

// The current date as MM/DD/YY and time as HH:MM:SS, both from one reading of the clock.
time_t NowTexts(std::string& date, std::string& time)
{
    const time_t now = std::time(nullptr);
    struct tm local {};
    localtime_s(&local, &now);
    char d[16], t[16];
    std::strftime(d, sizeof d, "%m/%d/%y", &local);
    std::strftime(t, sizeof t, "%H:%M:%S", &local);
    date = d;
    time = t;
    return now;
}

}  // namespace

// ----- seams -----

void SetQuestionHandler(std::function<int(const std::string& text, UINT type, int confirm)> handler)
{
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_questionHandler = std::move(handler);
}

void SetPauseScale(double scale)
{
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_pauseScale = scale < 0 ? 0 : scale;
}

void TrovelPause(DWORD milliseconds)
{
    double scale;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        scale = g_pauseScale;
    }
    const DWORD scaled = static_cast<DWORD>(milliseconds * scale);
    if (scaled > 0)
        Sleep(scaled);
}

void FillProgress(TrovelProgress& record, int percent, const std::string& title, const std::string& text, int code,
                  int flag, int ftpResult)
{
    std::snprintf(record.title, sizeof record.title, "%s", title.c_str());
    record.percent = percent;
    std::snprintf(record.text, sizeof record.text, "%s", text.c_str());
    record.code = code;
    record.flag = flag;
    record.ftpResult = ftpResult;
}

UINT TrovelProgressMessage()
{
    static const UINT id = RegisterWindowMessageA(TROVEL_PROGRESS_MESSAGE_NAME);
    return id;
}

std::string StatusText(int code)
{
    if (static_cast<unsigned>(code) > 100)
        return "WORKING";
    if (code == 1)
        return "COMPLETE";
    if (code >= 2 && code <= 10)
        return "FAIL";
    return std::string();
}

int LookupStatusIn(const std::string& statusFile, DWORD runId, std::string& text)
{
    text.clear();
    for (int n = 0;; ++n) {
        const std::string id = ReadKey(statusFile, kStatusSection, SlotKey(n, "ID"), 8);
        if (id.empty())
            return 3;
        if (std::strtoul(id.c_str(), nullptr, 10) != runId)
            continue;
        const std::string status = ReadKey(statusFile, kStatusSection, SlotKey(n, "STATUS"), 25);
        text = ReadKey(statusFile, kStatusSection, SlotKey(n, "DESCRIPTION"), 255);
        if (status == "FAIL")
            return 2;
        if (status == "COMPLETE")
            return 1;
        return 0;
    }
}

// ----- CTrovelCollector -----

int CTrovelCollector::LookupStatus(DWORD runId, std::string& text)
{
    return LookupStatusIn(TrovelDefinitions().m_strStatusFile, runId, text);
}

void CTrovelCollector::ReportProgress(int percent, std::string title, std::string text, int code, int flag)
{
    CTrovelDefinitions& defs = TrovelDefinitions();
    if (text != "Running...")
        defs.WriteLog(text, 1);

    const std::string windowTitle = defs.WindowTitle();
    HWND window = FindWindowA(nullptr, windowTitle.c_str());
    if (window) {
        // From the process heap, so that a host of any runtime can release it (HeapFree).
        auto* record =
            static_cast<TrovelProgress*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TrovelProgress)));
        if (!record)
            return;
        FillProgress(*record, percent, title, text, code, flag, m_bFtpOk);
        if (!PostMessageA(window, TrovelProgressMessage(), TROVEL_PROGRESS_WPARAM, reinterpret_cast<LPARAM>(record)))
            HeapFree(GetProcessHeap(), 0, record);  // never delivered: nobody else will release it
        return;
    }
    TrovelProgress record;
    FillProgress(record, percent, title, ReplaceAll(text, "\r\n", " ") + "\n", code, flag, m_bFtpOk);
    WriteStatus(record);
}

void CTrovelCollector::WriteStatus(const TrovelProgress& record)
{
    const std::string& file = TrovelDefinitions().m_strStatusFile;
    const std::string status = StatusText(record.code);
    if (m_strRunId.empty()) {
        m_nStatusSlot = -1;
        WriteKey(file, kUnnumberedSection, "STATUS", status);
        WriteKey(file, kUnnumberedSection, "DESCRIPTION", record.text);
        return;
    }
    int n = 0;
    for (;; ++n) {
        // The stored id is read to the length of this run's id.
        const std::string id = ReadKey(file, kStatusSection, SlotKey(n, "ID"), static_cast<DWORD>(m_strRunId.size() + 1));
        if (id.empty() || id == m_strRunId)
            break;
    }
    m_nStatusSlot = n;
    WriteKey(file, kStatusSection, SlotKey(n, "ID"), m_strRunId);
    WriteKey(file, kStatusSection, SlotKey(n, "STATUS"), status);
    WriteKey(file, kStatusSection, SlotKey(n, "DESCRIPTION"), record.text);
}

int CTrovelCollector::CreateStatusEntry()
{
    const std::string file = TrovelDefinitions().m_strStatusFile;
    int slot = 0;
    if (FileExists(file)) {
        slot = -1;
        for (int n = 0; n <= 10 && slot < 0; ++n)
            if (ReadKey(file, kStatusSection, SlotKey(n, "ID"), 8).empty())
                slot = n;
        if (slot < 0) {
            // All eleven taken: reuse the oldest, the later one on equal ids.
            unsigned long minimum = 0;
            for (int n = 0;; ++n) {
                const std::string id = ReadKey(file, kStatusSection, SlotKey(n, "ID"), 8);
                if (id.empty())
                    break;
                const unsigned long value = std::strtoul(id.c_str(), nullptr, 10);
                if (value <= minimum || minimum == 0) {
                    minimum = value;
                    slot = n;
                }
            }
        }
    } else {
        if (file.empty())
            return 0;
        HANDLE created = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE)
            return 0;
        CloseHandle(created);
    }

    if (m_strRunId.empty()) {
        m_nStatusSlot = -1;
        WriteKey(file, kUnnumberedSection, "STATUS", "WORKING");
        WriteKey(file, kUnnumberedSection, "DESCRIPTION", "");
    } else {
        m_nStatusSlot = slot;
        WriteKey(file, kStatusSection, SlotKey(slot, "ID"), m_strRunId);
        WriteKey(file, kStatusSection, SlotKey(slot, "STATUS"), "WORKING");
        WriteKey(file, kStatusSection, SlotKey(slot, "DESCRIPTION"), "");
    }
    // Gives polling hosts time to see the entry before the first progress text.
    TrovelPause(2000);
    return 1;
}

// ----- CTrovelDefinitions -----

void CTrovelDefinitions::WriteLog(const std::string& text, int plain)
{
    std::string date, time;
    NowTexts(date, time);
    std::string line = date + "  " + time + "  |  ";
    if (!plain)
        line += "***  ";
    line += ReplaceAll(text, "\n", " ");
    line += "\n";

    std::lock_guard<std::mutex> lock(g_logMutex);
    FILE* log = std::fopen(kLogFile, "ab");
    if (!log)
        return;  // the line is dropped
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
}

int CTrovelDefinitions::AskUser(const std::string& text, UINT type, int quiet, int confirm)
{
    WriteLog(text, confirm);
    if (m_bUnattended == 1 || quiet)
        return IDYES;
    std::function<int(const std::string&, UINT, int)> handler;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        handler = g_questionHandler;
    }
    if (handler)
        return handler(text, type, confirm);
    return MessageBoxA(nullptr, text.c_str(), confirm ? "Confirmation" : "Error", type);
}

std::string CTrovelDefinitions::WindowTitle()
{
    std::string device;
    if (ReadProfile(CurrentConfigFile(), "CONFIGURATION", "DEVICE Name", device))
        return "Trovel - " + device;
    return "Trovel";
}

std::string CTrovelDefinitions::MakeStamp(std::string& timeText)
{
    std::string date, time, month, day, year, hours, minutes, seconds;
    m_time = NowTexts(date, time);
    FieldOf(date, 0, month, '/');
    FieldOf(date, 1, day, '/');
    FieldOf(date, 2, year, '/');
    FieldOf(time, 0, hours, ':');
    FieldOf(time, 1, minutes, ':');
    FieldOf(time, 2, seconds, ':');
    timeText = hours + "_" + minutes + "_" + seconds;
    return "20" + year + "_" + month + "_" + day + "_" + hours + "_" + minutes;
}
