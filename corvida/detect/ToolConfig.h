#pragma once
// The site's configuration .\Corvida.ini, read key by key; the program never writes it.
#include <string>
#include <vector>

extern const char* const kToolConfigFile;  // ".\Corvida.ini"

// One value (up to 3999 characters). True when a non-empty value was read; otherwise
// `value` is empty.
bool ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                  std::string& value);
std::string IniValueOrEmpty(const std::string& file, const std::string& section, const std::string& key);

// "INIVersion" of section "Corvida INFO" in .\Corvida.ini, or "".
std::string GetToolConfigVersion();

// What a choice list of the customer page shows.
struct ChoiceList {
    // Applicable: " Select ..." followed by the values of keys "1", "2", ... in key
    // order up to the first gap (the list control sorts them; the placeholder's leading
    // blank keeps it first). Not applicable: the single entry ".".
    std::vector<std::string> entries;
    bool applicable = false;  // false: show ".", selected and the control disabled
    int selected = 0;         // entry to select
};

// Reads a list section ("REGIONS", "Workflow Type", "Automation Type <product>", ...).
// The returned `applicable` is FillChoiceList's result.
ChoiceList FillChoiceList(const std::string& section, const std::string& file = kToolConfigFile);

// Section names of the lists: title, or title + " " + product for per-model lists.
std::string ChoiceListSection(const std::string& title, bool perProduct, const std::string& product);
