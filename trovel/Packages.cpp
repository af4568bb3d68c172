#include "Definitions.h"

int CTrovelDefinitions::CountPackages(std::string& list) { list.clear(); return 0; }
int CTrovelDefinitions::SelectedPackage(int, const std::string&, std::string& name) { name.clear(); return 0; }
int CTrovelDefinitions::IncludedPackage(int, const std::string&, std::string& name) { name.clear(); return 0; }
void CTrovelDefinitions::SelectionList(const std::string&, std::string& list, int& count) { list.clear(); count = 0; }
int CTrovelDefinitions::ReadFileEntry(int, const std::string&, std::string& entry) { entry.clear(); return 0; }
int CTrovelDefinitions::ReadRegistryEntry(int, const std::string&, std::string& key) { key.clear(); return 0; }
std::string CTrovelDefinitions::CurrentPackageFile(const std::string& name) { return m_strDefDir + "Current_Package_" + name + ".ini"; }
std::string CTrovelDefinitions::InstalledPackageFile(const std::string& name) { return m_strDefDir + "package_" + name + ".ini"; }
void CTrovelDefinitions::DeleteCurrentPackages() {}
void CTrovelDefinitions::KeepCurrentPackages(const std::string&) {}
void CTrovelDefinitions::ClearSelection() {}
void CTrovelDefinitions::RefreshCurrent(const std::string&) {}
int CTrovelDefinitions::UpdatePackages(const std::string&, const std::string&, std::string&, std::string&, int, int) { return 1; }
int CTrovelDefinitions::PrepareDefinitions(const std::string&, std::string&, int, int) { return 1; }
