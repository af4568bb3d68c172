#pragma once
// The progress record posted to a host's progress window (with the registered message
// "A message from LIB Process to Exe", wParam 2, lParam the record's address). The
// receiving window owns the record once it is posted and deletes it.
#include <windows.h>

#include <string>

struct TrovelProgress {
    std::string title;
    int percent = 0;
    std::string text;
    int code = -1;  // -1 running, 1 completed, 2 to 10 failure codes
    int flag = 0;
    int ftpResult = 0;
};

// Identifier of the registered progress message (registered once per process).
UINT TrovelProgressMessage();

// Status text of a progress code: "WORKING", "COMPLETE", "FAIL" or empty.
std::string StatusText(int code);

// Status lookup over a given status file: 0 working, 1 completed, 2 failed, 3 no entry.
int LookupStatusIn(const std::string& statusFile, DWORD runId, std::string& text);
