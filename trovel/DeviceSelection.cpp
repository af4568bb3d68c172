#include "Definitions.h"

int CTrovelDefinitions::SelectDevice(std::string&) { return 3; }
int CTrovelDefinitions::FindDefinitionsDir(const std::string&, std::string& dir, int&) { dir.clear(); return 0; }
int CTrovelDefinitions::FindSystemInfo(std::string& path) { path.clear(); return 0; }
int CTrovelDefinitions::ReadXmlTag(const std::string&, const std::string&, const std::string&, std::string& value) { value.clear(); return 0; }
void CTrovelDefinitions::PublishDeviceList() {}
int CTrovelDefinitions::ChooseDevice(int, std::string&, std::string&, const std::string&, std::string&, std::string&) { return 9; }
int CTrovelDefinitions::InstallDevice(int, const std::string&, const std::string&, std::string&) { return 2; }
int CTrovelDefinitions::CheckDevice(const std::string&, const std::string&, std::string&) { return 1; }
int CTrovelDefinitions::GetMachineId(const std::string&, std::string& id) { id.clear(); return 0; }
