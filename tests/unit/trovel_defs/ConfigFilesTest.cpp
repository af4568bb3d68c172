// Finding the main and current configuration, reading and writing them in step.
#include <windows.h>

#include "DefsTestSupport.h"

namespace {

class ConfigFilesTest : public DefsTest {
protected:
    void SetUp() override
    {
        DefsTest::SetUp();
        CreateDirectoryA(Path("Current").c_str(), nullptr);
        defs.m_strDefDir = Path("Current\\");
    }
};

TEST_F(ConfigFilesTest, FirstChoiceNamesWin)
{
    struct Case {
        std::vector<std::string> files;
        const char* main;
        const char* current;
    } cases[] = {
        {{}, "", ""},
        {{"Trovels.ini", "Current_Trovels.ini"}, "Trovels.ini", "Current_Trovels.ini"},
        {{"Trovel.ini", "Trovels.ini", "Current_Trovel.ini", "Current_Trovels.ini"}, "Trovel.ini", "Current_Trovel.ini"},
        {{"Trovels.ini", "Current_Trovel.ini"}, "Trovels.ini", "Current_Trovel.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.main);
        for (const char* name : {"Trovel.ini", "Trovels.ini", "Current_Trovel.ini", "Current_Trovels.ini"})
            DeleteFileA(Path(std::string("Current\\") + name).c_str());
        for (const std::string& name : c.files)
            Write("Current\\" + name, "[CONFIGURATION]\r\n");
        EXPECT_EQ(defs.MainConfigFile(), *c.main ? defs.m_strDefDir + c.main : std::string());
        EXPECT_EQ(defs.CurrentConfigFile(), *c.current ? defs.m_strDefDir + c.current : std::string());
    }
}

TEST_F(ConfigFilesTest, ReadProfileReportsEmptyValuesAndCutsToTheBuffer)
{
    Write("Current\\Trovel.ini", "[CONFIGURATION]\r\nPerform FTP=1\r\nRegion=\r\nFTP Path=" + std::string(4100, 'p') +
                                     "\r\n[Device Version]\r\nversion=123456\r\n");
    const std::string file = Path("Current\\Trovel.ini");
    std::string value = "stale";
    EXPECT_EQ(defs.ReadProfile(file, "CONFIGURATION", "perform ftp", value), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(defs.ReadProfile(file, "CONFIGURATION", "Region", value), 0);
    EXPECT_EQ(value, "");
    EXPECT_EQ(defs.ReadProfile(file, "CONFIGURATION", "Missing", value), 0);
    EXPECT_EQ(defs.ReadProfile("", "CONFIGURATION", "Perform FTP", value), 0);
    EXPECT_EQ(defs.ReadProfile(file, "CONFIGURATION", "FTP Path", value), 1);
    EXPECT_EQ(value.size(), 3999u);
    EXPECT_EQ(defs.ReadProfile(file, "Device Version", "version", value, 5), 1);
    EXPECT_EQ(value, "1234");
}

TEST_F(ConfigFilesTest, SystemDriveIsExpandedAndWrittenBack)
{
    Write("Current\\Current_Trovel.ini", "[CONFIGURATION]\r\nLocal Directory=%SYSTEMDRIVE%\\Collections\\\r\n");
    const std::string file = Path("Current\\Current_Trovel.ini");
    char saved[1000] = "";
    GetEnvironmentVariableA("SYSTEMDRIVE", saved, sizeof saved);
    struct Case {
        const char* drive;
        const char* expected;
    } cases[] = {{"C:", "C:\\Collections\\"}, {"D:\\Windows", "D:\\Collections\\"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        SetIni("Current\\Current_Trovel.ini", "CONFIGURATION", "Local Directory", "%SYSTEMDRIVE%\\Collections\\");
        SetEnvironmentVariableA("SYSTEMDRIVE", c.drive);
        EXPECT_EQ(defs.ResolveLocalDirectory(file), c.expected);
        EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "CONFIGURATION", "Local Directory"), c.expected);
    }
    SetEnvironmentVariableA("SYSTEMDRIVE", saved);

    SetIni("Current\\Current_Trovel.ini", "CONFIGURATION", "Local Directory", "E:\\Plain\\");
    EXPECT_EQ(defs.ResolveLocalDirectory(file), "E:\\Plain\\");
}

TEST_F(ConfigFilesTest, VersionComparison)
{
    struct Case {
        const char* a;
        const char* b;  // nullptr: file B does not exist
        int newer;
        int found;
    } cases[] = {
        {"version=12", "version=9", 1, 1},
        {"version=9", "version=12", 0, 1},
        {"version=5", "version=5", 0, 1},
        {"version=1", "", 1, 1},           // no key counts as version 0
        {"version=abc", "version=0", 0, 1},
        {"version=99999", "version=9998", 1, 1},  // four digits are read: 9999 > 9998
        {"version=12", nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + (c.b ? c.b : "missing"));
        Write("a.ini", std::string("[Device Version]\r\n") + c.a + "\r\n");
        DeleteFileA(Path("b.ini").c_str());
        if (c.b)
            Write("b.ini", std::string("[Device Version]\r\n") + c.b + "\r\n");
        int found = 1;
        EXPECT_EQ(defs.IsNewer(Path("a.ini"), Path("b.ini"), "Device Version", found), c.newer);
        EXPECT_EQ(found, c.found);
    }
    int found = 1;
    EXPECT_EQ(defs.IsNewer(Path("none.ini"), Path("a.ini"), "Device Version", found), 0);
    EXPECT_EQ(found, 1);
}

TEST_F(ConfigFilesTest, IdentityAndRegionGoIntoBothCopies)
{
    Write("Current\\Trovel.ini", "[CONFIGURATION]\r\nRegion=Old\r\n");
    Write("Current\\Current_Trovel.ini", "[CONFIGURATION]\r\nRegion=Old\r\n");
    defs.WriteDeviceIdentity("Aldera 800", "2");
    defs.WriteRegion("North");
    for (const char* file : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(Ini(file, "CONFIGURATION", "Device ID"), "2");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "DEVICE Name"), "Aldera 800");
        EXPECT_EQ(Ini(file, "CONFIGURATION", "Region"), "North");
    }
}

TEST_F(ConfigFilesTest, CopyReplacesAReadOnlyTargetAndClearsTheAttribute)
{
    Write("source.ini", "[CONFIGURATION]\r\nRegion=New\r\n");
    Write("target.ini", "old");
    SetFileAttributesA(Path("target.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(Path("source.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(defs.CopyDefinitionFile(Path("source.ini"), Path("target.ini")), 1);
    EXPECT_EQ(Read("target.ini"), "[CONFIGURATION]\r\nRegion=New\r\n");
    EXPECT_EQ(GetFileAttributesA(Path("target.ini").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesA(Path("source.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(defs.CopyDefinitionFile(Path("missing.ini"), Path("other.ini")), 0);
    EXPECT_FALSE(Exists("other.ini"));
}

TEST_F(ConfigFilesTest, MachineFolderNameJoinsLocalDirectoryAndMachineId)
{
    Write("Current\\Current_Trovel.ini", "[CONFIGURATION]\r\nLocal Directory=C:\\Collections\\\r\nComputer Name=0\r\n"
                                         "Registry Field=NULL\r\nUser Defined=SITE-7\r\nSysteminfo=NULL\r\n");
    EXPECT_EQ(defs.MachineFolderName(), "C:\\Collections\\SITE-7");
}

}  // namespace
