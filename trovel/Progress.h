#pragma once
// Progress records (TrovelProgress, declared for hosts in TrovelLib.h), the registered
// progress message and the status-file texts.
#include <windows.h>

#include <string>

#include "TrovelLib.h"

// Fills every field of `record`; a title or text longer than its array is cut and still
// ends with a zero.
void FillProgress(TrovelProgress& record, int percent, const std::string& title, const std::string& text, int code,
                  int flag, int ftpResult);

// Identifier of the registered progress message (registered once per process).
UINT TrovelProgressMessage();

// Status text of a progress code: "WORKING", "COMPLETE", "FAIL" or empty.
std::string StatusText(int code);

// Status lookup over a given status file: 0 working, 1 completed, 2 failed, 3 no entry.
int LookupStatusIn(const std::string& statusFile, DWORD runId, std::string& text);
