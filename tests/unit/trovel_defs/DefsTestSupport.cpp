#include "DefsTestSupport.h"

#include <windows.h>

#include "FileTree.h"

void DefsTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_scratch = std::make_unique<testing_support::ScratchDir>(std::string(info->test_suite_name()) + "_" + info->name());
    char folder[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, folder);
    m_previousFolder = folder;
    ASSERT_TRUE(SetCurrentDirectoryA(m_scratch->Path().c_str()));
    SetPauseScale(0);
    SetQuestionHandler([this](const std::string& text, UINT type, int confirm) {
        asked.push_back({text, type, confirm});
        if (answers.empty())
            return answer;
        const int next = answers.front();
        answers.erase(answers.begin());
        return next;
    });
}

void DefsTest::TearDown()
{
    SetQuestionHandler(nullptr);
    SetClock(nullptr);
    PublishStatusFile(std::string());
    SetCurrentDirectoryA(m_previousFolder.c_str());
    m_scratch.reset();
}

void DefsTest::UseFixture(const std::string& name)
{
    ASSERT_TRUE(CopyFolder(testing_support::SourcePath("tests\\fixtures\\trovel_defs\\" + name), m_scratch->Path(),
                           true, false));
}

std::string DefsTest::Ini(const std::string& relative, const std::string& section, const std::string& key) const
{
    char value[4000] = "";
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value, Path(relative).c_str());
    return value;
}

void DefsTest::SetIni(const std::string& relative, const std::string& section, const std::string& key,
                      const std::string& value) const
{
    ASSERT_TRUE(WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), Path(relative).c_str()));
}

namespace {
const char kTrovelKey[] = "Software\\Velmora\\Trovel";
}

void SetTrovelValue(const std::string& name, const std::string& value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTrovelKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

std::string GetTrovelValue(const std::string& name)
{
    char value[512] = "";
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kTrovelKey, name.c_str(), RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::string();
    return value;
}

bool TrovelValueExists(const std::string& name)
{
    return RegGetValueA(HKEY_LOCAL_MACHINE, kTrovelKey, name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

void DeleteTrovelKey()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTrovelKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTrovelKey);
}

std::string ComputerNameForTest()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}
