#pragma once
// Command line of trovel.exe, parsed into plain values (no Windows calls here).
#include <string>
#include <vector>

struct TrovelCommand {
    enum class Kind { Help, Version, Run, Status, Check, Send, Error };
    Kind kind = Kind::Help;
    std::string error;  // Kind::Error: what is wrong
    // run
    std::string product, customer, region;
    std::string subject = "Field Service Collection";
    std::string description = "Collected with trovel.exe.";
    // status
    unsigned long runId = 0;
    // send
    std::string archive;
};

TrovelCommand ParseCommandLine(const std::vector<std::string>& args);

// The option text of a silent run: each given value in double quotes, e.g.
//   -p "Aldera 800" -c "ACME Print"
std::string BuildOptionText(const TrovelCommand& command);

// "WORKING", "COMPLETE", "FAIL" or "NO ENTRY" for a status code of the library.
const char* StatusName(int code);

// The one line that says a run id has no entry in the status file, e.g.
//   [NO ENTRY] run 093015 has no entry in the status file
std::string NoEntryLine(unsigned long runId);

// Exit code of a finished run: 0 completed without "failed" in its text, else 1.
int RunExitCode(int status, const std::string& text);

// Where a run stands, for the one updating line shown on a console: the stage and its
// percentage as the library reports them, read from the run's status and progress text.
struct RunProgress {
    std::string stage;  // "starting", "gathering", "packing", "sending", "done", "failed"
    int percent = 0;
};
// `previous` is kept for a working run whose text names no known step.
RunProgress ProgressOf(int status, const std::string& text, const RunProgress& previous);
// "gathering  20%  Running..." cut or padded to `width` characters.
std::string ProgressLine(const RunProgress& progress, const std::string& text, size_t width);

extern const char kUsage[];
extern const char kVersion[];
