#include "StateRegistry.h"

#include "Dates.h"
#include "Registry.h"

#include <windows.h>

const char* const kCorvidaKey = "SOFTWARE\\Velmora\\Corvida";

bool ReadStateValue(const std::string& name, std::string& value)
{
    CRegistry key;
    value.clear();
    return key.Open(HKEY_LOCAL_MACHINE, kCorvidaKey) && key.GetString(value, name);
}

bool WriteStateValue(const std::string& name, const std::string& value)
{
    CRegistry key;
    return key.Open(HKEY_LOCAL_MACHINE, kCorvidaKey) && key.SetString(value, name);
}

void CheckFirstLaunch()
{
    CRegistry key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kCorvidaKey))
        return;
    std::string flag;
    if (!key.GetString(flag, "First Launch Flag"))
        return;
    if (flag == "1") {
        key.SetString("0", "First Launch Flag");
        key.SetString(TodayDateText(), "Reminder First Launch Date");
    }
}
