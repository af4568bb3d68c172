#pragma once
// The program's state values under HKLM\SOFTWARE\Velmora\Corvida. The key is opened,
// never created: without it every read fails and every write is skipped.
#include <string>

extern const char* const kCorvidaKey;  // "SOFTWARE\Velmora\Corvida"

bool ReadStateValue(const std::string& name, std::string& value);
bool WriteStateValue(const std::string& name, const std::string& value);

// "First Launch Flag" "1" becomes "0" and "Reminder First Launch Date" today's date;
// any other value, or none, changes nothing. Runs at start-up and on Close.
void CheckFirstLaunch();
