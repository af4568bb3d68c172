#include "Collector.h"
#include "EngineTestSupport.h"
#include "FileTree.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine_test;

namespace {

const char kKestrinKey[] = "SOFTWARE\\Dastrel\\Kestrin";

// Resolves "0,0,<directory>,probe.txt" and tells whether probe.txt was gathered.
class PathVariablesTest : public ::testing::Test {
protected:
    PathVariablesTest() : m_source("eng-pv"), m_collect("eng-pv-out"), m_collector(std::make_unique<CTrovelCollector>())
    {
        MakeFile(m_source / "probe.txt", "probe");
        m_collector->m_strCollectDir = m_collect.Path();
        m_collector->m_strPackageName = "Pkg";
        m_collector->m_strStamp = StampAt(0);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKestrinKey);
    }
    ~PathVariablesTest() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKestrinKey); }

    bool Gathers(const std::string& entry)
    {
        DeleteFolder(m_collect / "Pkg", false);
        MakeDirs(m_collect / "Pkg");
        m_collector->ResolvePathVariables(entry);
        return testing_support::PathExists(m_collect / "Pkg\\probe.txt");
    }

    static void SetKestrinValue(const char* name, const std::string& value)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKestrinKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }

    TempTree m_source, m_collect;
    std::unique_ptr<CTrovelCollector> m_collector;
};

TEST_F(PathVariablesTest, PlaceholdersResolveToThisWorkstation)
{
    testing_support::ScratchDir underCurrent("pv-cwd");
    MakeFile(underCurrent / "probe.txt", "probe");
    const std::string driveRelative = DriveRelative(m_source.Path());
    struct Case {
        std::string entry;
        bool gathered;
    } const cases[] = {
        {"0,0,%TEMP%\\eng-pv,probe.txt", true},
        {"0,0,%SYSTEMDRIVE%\\" + driveRelative + ",probe.txt", true},
        {"0,0,%CURRENTDIR%\\scratch\\pv-cwd\\,probe.txt", true},
        {" 0 , 1 , %TEMP%\\eng-pv , probe.txt ", true},
        {"0,0,%temp%\\eng-pv,probe.txt", false},  // placeholders are case-sensitive
        {"0,0,%TEMP%\\elsewhere,probe.txt", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Gathers(c.entry), c.gathered) << c.entry;
    EXPECT_EQ(m_collector->m_strTempDir, EnvironmentValue("TEMP"));
}

TEST_F(PathVariablesTest, ServicePlatformFoldersComeFromTheRegistryOnce)
{
    // Without the key, an entry naming the service platform is dropped.
    EXPECT_FALSE(Gathers("0,0,%SHOST%,probe.txt"));
    EXPECT_FALSE(m_collector->LoadServicePlatformPaths());
    EXPECT_EQ(m_collector->m_strServiceHostDir, "");

    // With it, the value is read for the first entry that needs it and then kept.
    SetKestrinValue("ServiceHostInstallDir", m_source.Path());
    EXPECT_TRUE(Gathers("0,0,%SHOST%,probe.txt"));
    SetKestrinValue("ServiceHostInstallDir", "C:\\moved");
    EXPECT_TRUE(Gathers("0,0,%SHOST%\\,probe.txt"));
    EXPECT_EQ(m_collector->m_strServiceHostDir, m_source.Path());

    // A missing value is an empty folder: the rest of the path still counts.
    EXPECT_TRUE(Gathers("0,0,%KESTRINCLIENT%%SYSTEMDRIVE%\\" + DriveRelative(m_source.Path()) + ",probe.txt"));
    EXPECT_EQ(m_collector->m_strServiceClientDir, "");
}

TEST(PathVariablesEnvironment, SystemDriveIsCutBeforeItsBackslash)
{
    const std::string saved = EnvironmentValue("SYSTEMDRIVE");
    struct Case {
        const char* value;  // nullptr: not set
        const char* drive;
    } const cases[] = {{"C:", "C:"}, {"C:\\", "C:"}, {"D:\\sub\\", "D:"}, {"\\\\server", "\\\\server"}, {nullptr, ""}};
    for (const Case& c : cases) {
        SetEnvironmentVariableA("SYSTEMDRIVE", c.value);
        auto collector = std::make_unique<CTrovelCollector>();
        EXPECT_TRUE(collector->LoadEnvironmentPaths());
        EXPECT_EQ(collector->m_strSystemDrive, c.drive) << (c.value ? c.value : "(unset)");
    }
    SetEnvironmentVariableA("SYSTEMDRIVE", saved.c_str());
}

}  // namespace
