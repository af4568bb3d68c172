#include "ToolConfig.h"

#include <windows.h>

const char* const kToolConfigFile = ".\\Corvida.ini";

bool ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                  std::string& value)
{
    char buffer[4000];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, sizeof(buffer), file.c_str());
    value = buffer;
    return !value.empty();
}

std::string IniValueOrEmpty(const std::string& file, const std::string& section, const std::string& key)
{
    std::string value;
    ReadIniValue(file, section, key, value);
    return value;
}

std::string GetToolConfigVersion()
{
    return IniValueOrEmpty(kToolConfigFile, "Corvida INFO", "INIVersion");
}

ChoiceList FillChoiceList(const std::string& section, const std::string& file)
{
    ChoiceList list;
    std::string value;
    if (!ReadIniValue(file, section, "1", value)) {
        // No entries: the list does not apply to this site or model.
        list.entries.push_back(".");
        list.applicable = false;
        return list;
    }
    list.entries.push_back(" Select ...");
    for (int n = 1; ReadIniValue(file, section, std::to_string(n), value); ++n)
        list.entries.push_back(value);
    list.applicable = true;
    return list;
}

std::string ChoiceListSection(const std::string& title, bool perProduct, const std::string& product)
{
    return perProduct ? title + " " + product : title;
}
