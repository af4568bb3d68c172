#include "ProcessList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string OwnExeName()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full = path;
    return full.substr(full.find_last_of('\\') + 1);
}

TEST(ProcessList, ToolhelpListHoldsBareNamesAndFindsThisProcess)
{
    auto list = CreateProcessList(ProcessListMethod::Toolhelp);
    bool self = false;
    while (const CProcessEntry* entry = list->Next()) {
        EXPECT_EQ(entry->Name().find('\\'), std::string::npos) << entry->Name();
        if (entry->Id() == GetCurrentProcessId()) {
            self = true;
            EXPECT_EQ(entry->Name(), OwnExeName());
        }
    }
    EXPECT_TRUE(self);
    EXPECT_EQ(CountProcesses(*CreateProcessList(ProcessListMethod::Toolhelp), OwnExeName()), 1);
    EXPECT_EQ(CountProcesses(*CreateProcessList(), OwnExeName()), 1) << "the default list is tool-help";
}

TEST(ProcessList, NamesCompareWholeAndWithoutCase)
{
    std::string upper = OwnExeName();
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(CountProcesses(*CreateProcessList(ProcessListMethod::Toolhelp), upper), 1);
    EXPECT_EQ(CountProcesses(*CreateProcessList(ProcessListMethod::Toolhelp), OwnExeName().substr(1)), 0);
}

TEST(ProcessList, PsapiListHoldsFullPathsSoBareNamesDoNotMatch)
{
    auto list = CreateProcessList(ProcessListMethod::Psapi);
    bool self = false;
    while (const CProcessEntry* entry = list->Next())
        if (entry->Id() == GetCurrentProcessId()) {
            self = true;
            EXPECT_NE(entry->Name().find('\\'), std::string::npos) << entry->Name();
        }
    EXPECT_TRUE(self);
    EXPECT_EQ(CountProcesses(*CreateProcessList(ProcessListMethod::Psapi), OwnExeName()), 0);
}

TEST(ProcessList, RefreshRestartsTheWalk)
{
    auto list = CreateProcessList(ProcessListMethod::Toolhelp);
    const CProcessEntry* first = list->Next();
    ASSERT_NE(first, nullptr);
    DWORD firstId = first->Id();
    list->Next();
    ASSERT_TRUE(list->Refresh());
    const CProcessEntry* again = list->Next();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Id(), firstId);
}

}  // namespace
