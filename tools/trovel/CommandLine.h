#pragma once
// Command line of trovel.exe, parsed into plain values (no Windows calls here).
#include <string>
#include <vector>

struct TrovelCommand {
    enum class Kind { Help, Run, Status, Error };
    Kind kind = Kind::Help;
    std::string error;  // Kind::Error: what is wrong
    // run
    std::string product, customer, region;
    std::string subject = "Field Service Collection";
    std::string description = "Collected with trovel.exe.";
    // status
    unsigned long runId = 0;
};

TrovelCommand ParseCommandLine(const std::vector<std::string>& args);

// The option text of a silent run: each given value in double quotes, e.g.
//   -p "Aldera 800" -c "ACME Print"
std::string BuildOptionText(const TrovelCommand& command);

// "WORKING", "COMPLETE", "FAIL" or "NO ENTRY" for a status code of the library.
const char* StatusName(int code);

// Exit code of a finished run: 0 completed without "failed" in its text, else 1.
int RunExitCode(int status, const std::string& text);

extern const char kUsage[];
