// trovel.exe: runs a collection of TrovelLib.dll from the command line and follows it
// through the library's status, as a script or a service engineer would.
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CrashDump.h"
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
    if (thread == nullptr) {
        std::fprintf(stderr, "trovel: cannot start the run (error %lu)\n", GetLastError());
        return 2;
    }
    for (bool running = true; running;) {
        running = WaitForSingleObject(thread, 250) == WAIT_TIMEOUT;
        for (auto& entry : last) {
            const Seen now = Query(entry.first);
            if (now != entry.second) {
                entry.second = now;
                if (now.status != 3)
                    Print(now);
            }
        }
    }
    CloseHandle(thread);

    if (run.runId == 0) {
        std::fprintf(stderr, "trovel: no run started: a collection of this minute is still in progress\n");
        return 2;
    }
    const Seen final = Query(run.runId);
    std::printf("run id: %06lu\n", static_cast<unsigned long>(run.runId));
    if (final.status == 3) {
        std::printf("no status entry for this run; the log says:\n");
        PrintLogSince(logStart);
        return 1;
    }
    std::printf("summary: [%s] %s\n", StatusName(final.status), final.text.c_str());
    return RunExitCode(final.status, final.text);
}

int Status(const TrovelCommand& command)
{
    const Seen seen = Query(static_cast<DWORD>(command.runId));
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

}  // namespace

int main(int argc, char** argv)
{
    InstallCrashDumps("trovel");
    const TrovelCommand command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.kind) {
    case TrovelCommand::Kind::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case TrovelCommand::Kind::Error:
        std::fprintf(stderr, "trovel: %s\n\n", command.error.c_str());
        std::fputs(kUsage, stderr);
        return 2;
    case TrovelCommand::Kind::Run:
        return Run(command);
    case TrovelCommand::Kind::Status:
        return Status(command);
    }
    return 2;
}
