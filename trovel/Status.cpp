// Status file, log, progress records, questions and the date stamp.
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "Collector.h"
#include "Definitions.h"
#include "FileTree.h"
#include "Handles.h"
#include "Progress.h"
#include "Text.h"

namespace {

const char kStatusSection[] = "StatusTrovel";
// A run without a run id (funcTrovelLib) books its state here, so that it can neither
// take nor hide a numbered slot of a run that hosts follow by its id.
const char kUnnumberedSection[] = "StatusTrovelLib";
const char kLogFile[] = ".\\TrovelLog.txt";
// What a host reads for a run whose process ended while the run was still working.
const char kAbandonedText[] = "File Collection failed! The collection process ended before the run finished.";
// Longest wait for another process's update of the status file (each takes milliseconds).
const DWORD kStatusLockMs = 10000;

std::mutex g_seamMutex;
std::function<int(const std::string&, UINT, int)> g_questionHandler;
std::function<time_t()> g_clock;
double g_pauseScale = 1.0;
std::mutex g_logMutex;
std::mutex g_publishedMutex;
std::string g_publishedStatusFile;

// Holds the session-wide mutex of one status file, so that the read-modify-write of a
// slot by one process never interleaves with another's. A wait that times out goes on
// unlocked rather than losing the run's state.
class StatusFileLock {
public:
    explicit StatusFileLock(const std::string& file)
    {
        if (file.empty())
            return;
        m_mutex.reset(CreateMutexA(nullptr, FALSE, KernelObjectName("Status", file).c_str()));
        if (m_mutex) {
            const DWORD waited = WaitForSingleObject(m_mutex.get(), kStatusLockMs);
            m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        }
    }
    ~StatusFileLock()
    {
        if (m_owned)
            ReleaseMutex(m_mutex.get());
    }
    StatusFileLock(const StatusFileLock&) = delete;
    StatusFileLock& operator=(const StatusFileLock&) = delete;

private:
    KernelHandle m_mutex;
    bool m_owned = false;
};

// "<process id>:<process creation time>:<computer>" of this process: a slot's owner. The
// time tells a reused process id from the one that booked the slot; the computer keeps a
// host that reads a shared definitions folder from judging another machine's processes.
unsigned long long CreationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string OwnerText()
{
    return std::to_string(GetCurrentProcessId()) + ":" + std::to_string(CreationTime(GetCurrentProcess())) + ":" +
           ComputerName();
}

// True when the process named by an owner text has ended (or its id now names another).
bool OwnerEnded(const std::string& owner)
{
    const auto colon = owner.find(':');
    if (colon == std::string::npos)
        return false;  // not written by this library: nothing to judge by
    const auto second = owner.find(':', colon + 1);
    if (second != std::string::npos && ToLower(owner.substr(second + 1)) != ToLower(ComputerName()))
        return false;  // a run of another computer: its processes cannot be seen from here
    const DWORD pid = std::strtoul(owner.c_str(), nullptr, 10);
    const unsigned long long created = std::strtoull(owner.c_str() + colon + 1, nullptr, 10);
    const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process)
        return GetLastError() != ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    bool ended = GetExitCodeProcess(process.get(), &exitCode) && exitCode != STILL_ACTIVE;
    const unsigned long long actual = CreationTime(process.get());
    if (created != 0 && actual != 0 && created != actual)
        ended = true;
    return ended;
}

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

time_t Now()
{
    std::function<time_t()> clock;
    {
        std::lock_guard<std::mutex> lock(g_seamMutex);
        clock = g_clock;
    }
    return clock ? clock() : std::time(nullptr);
}

// The current date as MM/DD/YY and time as HH:MM:SS, both from one reading of the clock.
time_t NowTexts(std::string& date, std::string& time, time_t now = Now())
{
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

void SetClock(std::function<time_t()> clock)
{
    std::lock_guard<std::mutex> lock(g_seamMutex);
    g_clock = std::move(clock);
}

void PublishStatusFile(const std::string& path)
{
    std::lock_guard<std::mutex> lock(g_publishedMutex);
    g_publishedStatusFile = path;
}

std::string PublishedStatusFile()
{
    std::lock_guard<std::mutex> lock(g_publishedMutex);
    return g_publishedStatusFile;
}

std::string KernelObjectName(const char* kind, const std::string& path)
{
    // Every process of the session must derive the same name for the same file: the full
    // path, in lower case, hashed (FNV-1a) to stay within the length of a name.
    char full[MAX_PATH * 2] = "";
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    const std::string key = ToLower(length > 0 && length < sizeof full ? std::string(full, length) : path);
    unsigned long long hash = 14695981039346656037ULL;
    for (unsigned char c : key) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\Trovel%s.%016llx", kind, hash);
    return name;
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
    StatusFileLock lock(statusFile);
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
        if (OwnerEnded(ReadKey(statusFile, kStatusSection, SlotKey(n, "OWNER"), 64))) {
            text = kAbandonedText;
            return 2;
        }
        return 0;
    }
}

// ----- CTrovelCollector -----

int CTrovelCollector::LookupStatus(DWORD runId, std::string& text)
{
    std::string file = PublishedStatusFile();
    if (file.empty()) {
        // No run yet in this process: the status file where a run would find it.
        CTrovelDefinitions located;
        located.LocateDefinitions();
        file = located.m_strStatusFile;
    }
    return LookupStatusIn(file, runId, text);
}

void CTrovelCollector::ReportProgress(int percent, std::string title, std::string text, int code, int flag)
{
    CTrovelDefinitions& defs = m_defs;
    if (text != "Running...")
        defs.WriteLog(text, true);

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
    const std::string& file = m_defs.m_strStatusFile;
    const std::string status = StatusText(record.code);
    StatusFileLock lock(file);
    if (m_strRunId.empty()) {
        m_nStatusSlot = -1;
        WriteKey(file, kUnnumberedSection, "STATUS", status);
        WriteKey(file, kUnnumberedSection, "DESCRIPTION", record.text);
        return;
    }
    // The stored id is read to the length of this run's id.
    const DWORD idSize = static_cast<DWORD>(m_strRunId.size() + 1);
    int n = 0;
    // A run of another process started in the same second has the same id: a run keeps to
    // the slot it booked while that slot is still its own.
    if (m_bSlotBooked && ReadKey(file, kStatusSection, SlotKey(m_nStatusSlot, "ID"), idSize) == m_strRunId &&
        ReadKey(file, kStatusSection, SlotKey(m_nStatusSlot, "OWNER"), 64) == OwnerText()) {
        n = m_nStatusSlot;
    } else {
        for (;; ++n) {
            const std::string id = ReadKey(file, kStatusSection, SlotKey(n, "ID"), idSize);
            if (id.empty() || id == m_strRunId)
                break;
        }
    }
    m_nStatusSlot = n;
    WriteKey(file, kStatusSection, SlotKey(n, "ID"), m_strRunId);
    WriteKey(file, kStatusSection, SlotKey(n, "STATUS"), status);
    WriteKey(file, kStatusSection, SlotKey(n, "DESCRIPTION"), record.text);
    WriteKey(file, kStatusSection, SlotKey(n, "OWNER"), OwnerText());
}

int CTrovelCollector::CreateStatusEntry()
{
    if (!BookStatusEntry())
        return 0;
    // Gives polling hosts time to see the entry before the first progress text.
    TrovelPause(2000);
    return 1;
}

bool CTrovelCollector::BookStatusEntry()
{
    const std::string file = m_defs.m_strStatusFile;
    StatusFileLock lock(file);
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
            return false;
        if (!FileHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)))
            return false;
    }

    if (m_strRunId.empty()) {
        m_nStatusSlot = -1;
        WriteKey(file, kUnnumberedSection, "STATUS", "WORKING");
        WriteKey(file, kUnnumberedSection, "DESCRIPTION", "");
    } else {
        m_nStatusSlot = slot;
        m_bSlotBooked = true;
        WriteKey(file, kStatusSection, SlotKey(slot, "ID"), m_strRunId);
        WriteKey(file, kStatusSection, SlotKey(slot, "STATUS"), "WORKING");
        WriteKey(file, kStatusSection, SlotKey(slot, "DESCRIPTION"), "");
        WriteKey(file, kStatusSection, SlotKey(slot, "OWNER"), OwnerText());
    }
    return true;
}

// ----- CTrovelDefinitions -----

void CTrovelDefinitions::WriteLog(const std::string& text, bool plain)
{
    std::string date, time;
    NowTexts(date, time, std::time(nullptr));  // the log keeps real time even under a test clock
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

int CTrovelDefinitions::AskUser(const std::string& text, UINT type, bool quiet, bool confirm)
{
    WriteLog(text, confirm);
    if (m_bUnattended || quiet)
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
