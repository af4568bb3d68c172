#include "Registry.h"

#include <gtest/gtest.h>

namespace {

const char kTestKey[] = "SOFTWARE\\CorvidaTests\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr), ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_TRUE(reg.Open(HKEY_LOCAL_MACHINE, kTestKey));
    }
    void TearDown() override
    {
        reg.Close();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
    }
    void SetRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kTestKey, name, type, data, size), ERROR_SUCCESS);
    }
    CRegistry reg;
};

TEST_F(RegistryTest, StringRoundTripIsRegSzWithHighBytes)
{
    ASSERT_TRUE(reg.SetString("C:\\Kestrin\xA5", "Path"));
    HKEY raw;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(raw, "Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(raw);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The text is passed without its zero; Wine (like Windows for REG_SZ) may add one.
    EXPECT_GE(size, 11u);
    std::string value;
    ASSERT_TRUE(reg.GetString(value, "Path"));
    EXPECT_EQ(value, "C:\\Kestrin\xA5");
}

TEST_F(RegistryTest, EmptyStringIsStoredAndReadBack)
{
    ASSERT_TRUE(reg.SetString("", "Empty"));
    std::string value = "stale";
    EXPECT_TRUE(reg.GetString(value, "Empty"));
    EXPECT_EQ(value, "");
}

TEST_F(RegistryTest, StringWrittenWithTerminatingZeroReadsTheSame)
{
    SetRaw("Zero", REG_SZ, "abc\0", 4);
    std::string value;
    ASSERT_TRUE(reg.GetString(value, "Zero"));
    EXPECT_EQ(value, "abc");
}

TEST_F(RegistryTest, NonStringTypesFailAndYieldEmpty)
{
    SetRaw("Expand", REG_EXPAND_SZ, "%TEMP%", 7);
    SetRaw("Multi", REG_MULTI_SZ, "a\0b\0\0", 5);
    const DWORD number = 7;
    SetRaw("Number", REG_DWORD, &number, sizeof number);
    for (const char* name : {"Expand", "Multi", "Number", "Missing"}) {
        std::string value = "stale";
        EXPECT_FALSE(reg.GetString(value, name)) << name;
        EXPECT_EQ(value, "") << name;
    }
}

TEST_F(RegistryTest, GetDwordReadsNumbersOnlyAndLeavesOutputOtherwise)
{
    const DWORD number = 0x12345678;
    SetRaw("Number", REG_DWORD, &number, sizeof number);
    ASSERT_TRUE(reg.SetString("5", "Text"));
    DWORD value = 99;
    EXPECT_FALSE(reg.GetDword(value, "Text"));
    EXPECT_EQ(value, 99u);
    EXPECT_FALSE(reg.GetDword(value, "Missing"));
    EXPECT_EQ(value, 99u);
    EXPECT_TRUE(reg.GetDword(value, "Number"));
    EXPECT_EQ(value, 0x12345678u);
}

TEST_F(RegistryTest, DeleteValueAndCreateSubKey)
{
    ASSERT_TRUE(reg.SetString("1", "Flag"));
    EXPECT_TRUE(reg.DeleteValue("Flag"));
    EXPECT_FALSE(reg.DeleteValue("Flag"));
    EXPECT_TRUE(reg.CreateSubKey("Child"));
    EXPECT_TRUE(reg.CreateSubKey("Child"));  // already there
    CRegistry child;
    EXPECT_TRUE(child.Open(HKEY_LOCAL_MACHINE, std::string(kTestKey) + "\\Child"));
}

TEST(RegistryClosed, EveryOperationFailsWithoutAKey)
{
    CRegistry reg;
    std::string text = "x";
    DWORD number = 3;
    EXPECT_FALSE(reg.Open(nullptr, "SOFTWARE"));
    EXPECT_FALSE(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\CorvidaTests\\NoSuchKey"));
    EXPECT_FALSE(reg.GetString(text, "a"));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(reg.SetString("v", "a"));
    EXPECT_FALSE(reg.GetDword(number, "a"));
    EXPECT_EQ(number, 3u);
    EXPECT_FALSE(reg.DeleteValue("a"));
    EXPECT_FALSE(reg.CreateSubKey("a"));
}

TEST(RegistryClosed, FailedReopenLeavesNoKeyOpen)
{
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    EXPECT_FALSE(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\CorvidaTests\\NoSuchKey"));
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(reg.SetString("v", "a"));
}

}  // namespace
