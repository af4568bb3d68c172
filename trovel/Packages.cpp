// Package selection and preparation: shipped packages (base folder "Packages") become
// installed and current package files in the definitions folder.
#include <cstdio>
#include <set>

#include "Definitions.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "Text.h"

namespace {

const char kUpdateQuestion[] = "Trovel definition files have changed.\n Do you want to use the updates?";

std::string NumberedKey(int index, const char* name)
{
    char key[32];
    std::snprintf(key, sizeof key, "%d)%s", index, name);
    return key;
}

std::string LastPart(const std::string& name)
{
    const auto slash = name.rfind('\\');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Items of a "name1,name2," or "a, b" list, trimmed, empties dropped.
std::vector<std::string> ListItems(const std::string& list)
{
    std::vector<std::string> items;
    std::string::size_type start = 0;
    while (start <= list.size()) {
        auto comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        const std::string item = Trim(list.substr(start, comma - start));
        if (!item.empty())
            items.push_back(item);
        start = comma + 1;
    }
    return items;
}

bool ListHas(const std::string& list, const std::string& item)
{
    for (const std::string& present : ListItems(list))
        if (present == item)
            return true;
    return false;
}

// Selection lists hold every name once, each followed by ",".
void AddToSelection(std::string& list, const std::string& item)
{
    if (!ListHas(list, item))
        list += item + ",";
}

// Update and missing lists join their names with `separator`.
void AddJoined(std::string& list, const std::string& item, const char* separator)
{
    if (ListHas(list, item))
        return;
    if (!list.empty())
        list += separator;
    list += item;
}

// A package is in a selection when a selected name, taken by its last path part and
// without "*", is the package's name (file names are compared without regard to case).
bool SelectionHasPackage(const std::string& selection, const std::string& package)
{
    const std::string wanted = ToLower(package);
    for (const std::string& item : ListItems(selection))
        if (ToLower(ReplaceAll(LastPart(item), "*", "")) == wanted)
            return true;
    return false;
}

// Package name of a current package file, or empty when the entry is not one.
std::string CurrentPackageName(const FolderEntry& entry)
{
    const std::string lower = ToLower(entry.name);
    if (entry.isFolder || !EndsWith(lower, ".ini") || !StartsWith(lower, "current_package_"))
        return std::string();
    return entry.name.substr(16, entry.name.size() - 16 - 4);
}

std::string InstalledPackageName(const FolderEntry& entry)
{
    const std::string lower = ToLower(entry.name);
    if (entry.isFolder || !EndsWith(lower, ".ini") || !StartsWith(lower, "package_"))
        return std::string();
    return entry.name.substr(8, entry.name.size() - 8 - 4);
}

void RemoveFile(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

}  // namespace

int CTrovelDefinitions::CountPackages(std::string& list)
{
    list.clear();
    int count = 0;
    for (const FolderEntry& entry : ListFolder(m_strDefDir)) {
        const std::string name = CurrentPackageName(entry);
        if (name.empty())
            continue;
        list += name + ",";
        ++count;
    }
    return count;
}

int CTrovelDefinitions::SelectedPackage(int index, const std::string& file, std::string& name)
{
    return ReadProfile(file, "SELECT PACKAGE", NumberedKey(index, "Name"), name, 120);
}

int CTrovelDefinitions::IncludedPackage(int index, const std::string& file, std::string& name)
{
    return ReadProfile(file, "INCLUDE PACKAGE", NumberedKey(index, "Name"), name, 120);
}

void CTrovelDefinitions::SelectionList(const std::string& file, std::string& list, int& count)
{
    list.clear();
    count = 0;
    std::string name;
    while (SelectedPackage(count, file, name)) {
        list += name + ",";
        ++count;
    }
}

int CTrovelDefinitions::ReadFileEntry(int index, const std::string& packageFile, std::string& entry)
{
    entry.clear();
    std::string filenum, recursive, directory, format;
    if (!ReadProfile(packageFile, "FILES", NumberedKey(index, "Filenum"), filenum, 4))
        return 0;
    ReadProfile(packageFile, "FILES", NumberedKey(index, "Recursive"), recursive, 2);
    ReadProfile(packageFile, "FILES", NumberedKey(index, "Directory"), directory, 2000);
    ReadProfile(packageFile, "FILES", NumberedKey(index, "FileFormat"), format, 60);
    entry = filenum + "," + recursive + "," + directory + "," + format;
    return 1;
}

int CTrovelDefinitions::ReadRegistryEntry(int index, const std::string& packageFile, std::string& key)
{
    return ReadProfile(packageFile, "REGISTRY", NumberedKey(index, "HKEY"), key, 1000);
}

std::string CTrovelDefinitions::CurrentPackageFile(const std::string& name)
{
    return m_strDefDir + "Current_Package_" + name + ".ini";
}

std::string CTrovelDefinitions::InstalledPackageFile(const std::string& name)
{
    return m_strDefDir + "package_" + name + ".ini";
}

void CTrovelDefinitions::DeleteCurrentPackages()
{
    for (const FolderEntry& entry : ListFolder(m_strDefDir))
        if (!CurrentPackageName(entry).empty())
            RemoveFile(m_strDefDir + entry.name);
}

void CTrovelDefinitions::KeepCurrentPackages(const std::string& list)
{
    for (const FolderEntry& entry : ListFolder(m_strDefDir)) {
        const std::string name = CurrentPackageName(entry);
        if (!name.empty() && !SelectionHasPackage(list, name))
            RemoveFile(m_strDefDir + entry.name);
    }
}

void CTrovelDefinitions::ClearSelection()
{
    const std::string file = CurrentConfigFile();
    if (file.empty())
        return;
    std::string text;
    if (!ReadFileText(file, text))
        return;

    const auto header = text.find("[SELECT PACKAGE]");
    if (header == std::string::npos)
        return;
    text = Trim(text.substr(0, header)) + "\n\n";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

void CTrovelDefinitions::RefreshCurrent(const std::string& list)
{
    std::string selection = list;
    const std::string main = MainConfigFile();
    if (selection.empty()) {
        std::string name;
        for (int n = 0; SelectedPackage(n, main, name); ++n)
            AddToSelection(selection, ReplaceAll(LastPart(name), "*", ""));
    }

    if (!CurrentConfigFile().empty()) {
        for (const FolderEntry& entry : ListFolder(m_strDefDir)) {
            const std::string lower = ToLower(entry.name);
            if (EndsWith(lower, ".ini") && StartsWith(lower, "current_")) {
                const std::string path = m_strDefDir + entry.name;
                SetFileAttributesA(path.c_str(), GetFileAttributesA(path.c_str()) & ~FILE_ATTRIBUTE_READONLY);
            }
        }
    } else if (!main.empty()) {
        const std::string current = m_strDefDir + "Current_Trovel.ini";
        CopyDefinitionFile(main, current);
        int n = 0;
        for (const std::string& item : ListItems(selection))
            WritePrivateProfileStringA("SELECT PACKAGE", NumberedKey(n++, "Name").c_str(),
                                       ReplaceAll(LastPart(item), "*", "").c_str(), current.c_str());
    }

    for (const FolderEntry& entry : ListFolder(m_strDefDir)) {
        const std::string name = InstalledPackageName(entry);
        if (!name.empty() && SelectionHasPackage(selection, name))
            CopyDefinitionFile(m_strDefDir + entry.name, m_strDefDir + "Current_" + entry.name);
    }
}

int CTrovelDefinitions::UpdatePackages(const std::string& baseDir, const std::string& selection, std::string& updates,
                                       std::string& missing, int quiet, int refreshAll)
{
    if (m_bUnattended || m_nDeviceChanged == 100)
        return 1;
    if (quiet == 1 && refreshAll == 1) {
        ClearSelection();
        updates = selection;
    }
    bool changed = false;
    if (!updates.empty() && AskUser(kUpdateQuestion, MB_YESNO | MB_ICONEXCLAMATION, quiet != 0, true) == IDYES) {
        DeleteCurrentPackages();
        changed = true;
        if (CurrentConfigFile().find("\\Current\\") != std::string::npos) {
            // Copies go to the definitions folder "Current" under the base folder.
            const std::string shipped = baseDir + "Packages\\";
            const std::string target = baseDir + "Current\\";
            for (const std::string& name : ListItems(selection)) {
                bool copied;
                if (name.find("Include_") != std::string::npos) {
                    copied = CopyDefinitionFile(shipped + name + ".ini", target + name + ".ini") == 1;
                } else {
                    const std::string package = LastPart(name);
                    copied = CopyDefinitionFile(shipped + "package_" + package + ".ini",
                                                target + "Current_Package_" + package + ".ini") == 1;
                    CopyDefinitionFile(shipped + "package_" + package + ".ini", target + "package_" + package + ".ini");
                }
                if (!copied)
                    AddJoined(missing, name, ",");
            }
        }
    }
    if (changed) {
        ClearSelection();
        const std::string current = CurrentConfigFile();
        int n = 0;
        for (const std::string& name : ListItems(selection))
            if (name.find("Include_") == std::string::npos && !current.empty())
                WritePrivateProfileStringA("SELECT PACKAGE", NumberedKey(n++, "Name").c_str(), name.c_str(),
                                           current.c_str());
    }
    return 1;
}

// Adds the selected and included names of one configuration (or include) file to the
// selection and update lists; includes are followed into their own files.
namespace {
void ScanSelection(CTrovelDefinitions& defs, const std::string& file, const std::string& baseDir,
                   std::string& selection, std::string& updates, std::set<std::string>& visited)
{
    if (!visited.insert(ToLower(file)).second)
        return;  // an include cycle
    std::string name;
    for (int n = 0; defs.SelectedPackage(n, file, name); ++n) {
        AddToSelection(selection, name);
        if (name.find('\\') == std::string::npos)
            continue;
        const std::string package = LastPart(name);
        int found = 1;
        if (defs.IsNewer(baseDir + "Packages\\package_" + package + ".ini", defs.CurrentPackageFile(package), "Package Version",
                    found))
            AddJoined(updates, package, ", ");
    }
    std::vector<std::string> nested;
    for (int n = 0; defs.IncludedPackage(n, file, name); ++n) {
        const auto slash = name.rfind('\\');
        if (slash == std::string::npos)
            continue;
        const std::string include = "Include_" + name.substr(slash + 1);
        const std::string shipped = name.substr(0, slash + 1) + include + ".ini";
        const std::string installed = defs.m_strDefDir + include + ".ini";
        int found = 1;
        if (defs.IsNewer(shipped, installed, "Include Version", found))
            AddJoined(updates, include, ", ");
        if (!FileExists(installed))
            AddToSelection(selection, include);
        nested.push_back(shipped);
    }
    for (const std::string& include : nested)
        ScanSelection(defs, include, baseDir, selection, updates, visited);
}
}  // namespace

int CTrovelDefinitions::PrepareDefinitions(const std::string& baseDir, std::string& result, int refreshAll,
                                           int refreshPackages)
{
    std::string selection, updates, missing;
    std::set<std::string> visited;
    const std::string main = MainConfigFile();
    if (!main.empty())
        ScanSelection(*this, main, baseDir, selection, updates, visited);

    if (refreshAll == 1) {
        DeleteCurrentPackages();
        RefreshCurrent(selection);
    } else if (refreshPackages == 1) {
        KeepCurrentPackages(selection);
    }
    UpdatePackages(baseDir, selection, updates, missing, refreshPackages, refreshAll);

    if (!missing.empty()) {
        result = "Package '" + missing + "' is missing. Do you want to continue?";
        if (!m_bUnattended && AskUser(result, MB_YESNO | MB_ICONINFORMATION, false, true) != IDYES) {
            for (const std::string& config : {CurrentConfigFile(), MainConfigFile()})
                if (!config.empty())
                    RemoveFile(config);
            DeleteCurrentPackages();
            return 11;
        }
    }
    return 1;
}
