// trovel.exe: runs a collection of TrovelLib.dll from the command line and follows it
// through the library's status, as a script or a service engineer would.
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "Check.h"
#include "CommandLine.h"
#include "CrashDump.h"
#include "Send.h"
#include "TrovelLib.h"

namespace {

struct SilentRun {
    std::string description, subject, options;
    DWORD runId = 0;
};

DWORD WINAPI RunSilently(LPVOID parameter)
{
    auto* run = static_cast<SilentRun*>(parameter);
    run->runId = runFileCollectionSilent(run->description.c_str(), run->subject.c_str(), run->options.c_str());
    return 0;
}

struct Seen {
    int status = -1;
    std::string text;
    bool operator!=(const Seen& other) const { return status != other.status || text != other.text; }
};

Seen Query(DWORD runId)
{
    char text[256] = "";
    Seen seen;
    seen.status = getFileCollectionStatus(runId, text);
    seen.text = text;
    while (!seen.text.empty() && (seen.text.back() == '\n' || seen.text.back() == '\r'))
        seen.text.pop_back();
    return seen;
}

void Print(const Seen& seen)
{
    std::printf("[%s] %s\n", StatusName(seen.status), seen.text.empty() ? "(entry booked)" : seen.text.c_str());
    std::fflush(stdout);
}

// One line of the console that the run's progress rewrites in place; plain lines when the
// output goes to a file or a pipe, as scripts read it.
class ProgressDisplay {
public:
    ProgressDisplay()
    {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD mode = 0;
        CONSOLE_SCREEN_BUFFER_INFO info;
        m_console = out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode) && GetConsoleScreenBufferInfo(out, &info);
        if (m_console && info.dwSize.X > 1)
            m_width = static_cast<size_t>(info.dwSize.X - 1);  // the last column would wrap
    }
    // Called at every poll with what the status file says now.
    void Show(const Seen& seen, bool changed)
    {
        if (!m_console) {
            if (changed && seen.status != 3)
                Print(seen);
            return;
        }
        m_progress = ProgressOf(seen.status, seen.text, m_progress);
        const std::string line = ProgressLine(m_progress, seen.text, m_width);
        if (line == m_shown)
            return;
        m_shown = line;
        std::printf("\r%s", line.c_str());
        std::fflush(stdout);
    }
    // Leaves the updating line before the closing lines.
    void End()
    {
        if (m_console && !m_shown.empty())
            std::printf("\n");
        m_shown.clear();
    }

private:
    bool m_console = false;
    size_t m_width = 79;
    RunProgress m_progress;
    std::string m_shown;
};

int Refuse(const std::string& text)
{
    std::fprintf(stderr, "trovel: %s\nsee trovel --help\n", text.c_str());
    return 2;
}

std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// The run id the library gives a run started `offset` seconds from now: HHMMSS.
DWORD RunIdAt(time_t when)
{
    struct tm local {};
    localtime_s(&local, &when);
    return static_cast<DWORD>(local.tm_hour * 10000 + local.tm_min * 100 + local.tm_sec);
}

long long FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void PrintLogSince(long long offset)
{
    std::ifstream log(".\\TrovelLog.txt", std::ios::binary);
    if (!log)
        return;
    log.seekg(offset);
    std::string line;
    while (std::getline(log, line))
        std::printf("  log: %s\n", line.c_str());
}

int Run(const TrovelCommand& command)
{
    // The library would create a default directory file, a "Current" folder and its log
    // here and then fail: a folder without definitions stays as it is.
    const std::string folder = CurrentFolder();
    if (!HasDefinitions(folder))
        return Refuse("no collector definitions in " + folder +
                      " (no Directory.ini and no Current or Trovel Package folder): nothing was started");

    SilentRun run;
    run.description = command.description;
    run.subject = command.subject;
    run.options = BuildOptionText(command);

    // The silent call returns its run id only at the end; until then the run is followed
    // under the ids it can have (the start second or the next), ignoring entries that
    // were already there before.
    const time_t now = std::time(nullptr);
    std::map<DWORD, Seen> last;
    for (time_t t = now; t <= now + 2; ++t)
        last[RunIdAt(t)] = Query(RunIdAt(t));
    const long long logStart = FileSize(".\\TrovelLog.txt");

    HANDLE thread = CreateThread(nullptr, 0, RunSilently, &run, 0, nullptr);
    if (thread == nullptr)
        return Refuse("cannot start the run (error " + std::to_string(GetLastError()) + ")");
    ProgressDisplay display;
    std::map<DWORD, bool> moved;  // ids whose entry changed since the start: this run's
    for (bool running = true; running;) {
        running = WaitForSingleObject(thread, 250) == WAIT_TIMEOUT;
        for (auto& entry : last) {
            const Seen now = Query(entry.first);
            const bool changed = now != entry.second;
            entry.second = now;
            moved[entry.first] = moved[entry.first] || changed;
            if (moved[entry.first])
                display.Show(now, changed);
        }
    }
    CloseHandle(thread);
    display.End();

    if (run.runId == 0) {
        std::fprintf(stderr, "trovel: no run started: a collection of this minute is still in progress\n");
        return 2;
    }
    const Seen final = Query(run.runId);
    std::printf("run id: %06lu\n", static_cast<unsigned long>(run.runId));
    if (final.status == 3) {
        std::printf("%s; the log says:\n", NoEntryLine(run.runId).c_str());
        PrintLogSince(logStart);
        return 1;
    }
    std::printf("summary: [%s] %s\n", StatusName(final.status), final.text.c_str());
    return RunExitCode(final.status, final.text);
}

int Status(const TrovelCommand& command)
{
    const Seen seen = Query(static_cast<DWORD>(command.runId));
    if (seen.status == 3) {
        std::printf("%s\n", NoEntryLine(command.runId).c_str());
        return 3;
    }
    Print(seen);
    switch (seen.status) {
    case 1:
        return RunExitCode(seen.status, seen.text);
    case 2:
        return 1;
    case 0:
        return 2;
    default:
        return 3;
    }
}

int Check()
{
    const std::vector<CheckResult> results = CheckStation();
    size_t failed = 0;
    for (const CheckResult& result : results) {
        std::printf("%s\n", CheckLine(result).c_str());
        if (result.outcome != CheckResult::Outcome::Passed)
            ++failed;
    }
    if (failed == 0)
        std::printf("ready: every check passed\n");
    else
        std::printf("not ready: %zu of %zu checks did not pass\n", failed, results.size());
    return CheckExitCode(results);
}

int Send(const TrovelCommand& command)
{
    const SendOutcome outcome = SendArchive(command.archive);
    if (outcome.exitCode == 2) {
        std::fprintf(stderr, "trovel: %s\n", outcome.text.c_str());
        return 2;
    }
    std::printf("%s\n", outcome.text.c_str());
    return outcome.exitCode;
}

}  // namespace

int main(int argc, char** argv)
{
    InstallCrashDumps("trovel");
    const TrovelCommand command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.kind) {
    case TrovelCommand::Kind::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case TrovelCommand::Kind::Version:
        std::fputs(kVersion, stdout);
        return 0;
    case TrovelCommand::Kind::Error:
        return Refuse(command.error);
    case TrovelCommand::Kind::Check:
        return Check();
    case TrovelCommand::Kind::Run:
        return Run(command);
    case TrovelCommand::Kind::Status:
        return Status(command);
    case TrovelCommand::Kind::Send:
        return Send(command);
    }
    return 2;
}
