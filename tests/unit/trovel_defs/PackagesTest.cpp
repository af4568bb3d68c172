// Package files, selection lists and the preparation of the current package files.
#include <windows.h>

#include <set>

#include "DefsTestSupport.h"
#include "FileTree.h"

namespace {

const char kUpdateQuestion[] = "Trovel definition files have changed.\n Do you want to use the updates?";

class PackagesTest : public DefsTest {
protected:
    void SetUp() override
    {
        DefsTest::SetUp();
        UseFixture("base");
        CreateDirectoryA(Path("Current").c_str(), nullptr);
        defs.m_strDefDir = ".\\Current\\";
    }
    // The names of the current package files in the definitions folder.
    std::set<std::string> CurrentPackages()
    {
        std::string list;
        defs.CountPackages(list);
        std::set<std::string> names;
        std::string name;
        for (int n = 0; !defs.FieldOf(list, n, name, ',').empty(); ++n)
            names.insert(name);
        return names;
    }
    std::string Version(const std::string& file) { return Ini(file, "Package Version", "version"); }
};

TEST_F(PackagesTest, CurrentPackageFilesAreCountedByName)
{
    for (const char* name : {"CURRENT_PACKAGE_Logs.INI", "Current_Package_Setup.ini", "package_Other.ini",
                             "current_packageX.ini", "Current_Package_Notes.txt", "Current_Trovel.ini"})
        Write(std::string("Current\\") + name, "[Package Version]\r\n");
    CreateDirectoryA(Path("Current\\Current_Package_Folder.ini").c_str(), nullptr);
    std::string list;
    EXPECT_EQ(defs.CountPackages(list), 2);
    EXPECT_TRUE(list == "Logs,Setup," || list == "Setup,Logs,") << list;
}

TEST_F(PackagesTest, EntriesEndAtTheFirstGap)
{
    const std::string file = Path("Packages\\package_Logs.ini");
    std::string entry;
    ASSERT_EQ(defs.ReadFileEntry(0, file, entry), 1);
    EXPECT_EQ(entry, "3,1,C:\\Logs\\,*.log");
    ASSERT_EQ(defs.ReadFileEntry(1, file, entry), 1);
    EXPECT_EQ(entry, "10,0,%TEMP%\\Trace\\,trace*.txt");
    EXPECT_EQ(defs.ReadFileEntry(2, file, entry), 0);
    EXPECT_EQ(entry, "");

    ASSERT_EQ(defs.ReadRegistryEntry(0, file, entry), 1);
    EXPECT_EQ(entry, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dastrel\\Kestrin");
    ASSERT_EQ(defs.ReadRegistryEntry(1, file, entry), 1);
    EXPECT_EQ(defs.ReadRegistryEntry(2, file, entry), 0);
    EXPECT_EQ(defs.ReadFileEntry(0, Path("Packages\\package_None.ini"), entry), 0);
}

TEST_F(PackagesTest, SelectionNamesInIndexOrder)
{
    const std::string file = Path("Devices\\Aldera800.ini");
    std::string list, name;
    int count = 0;
    defs.SelectionList(file, list, count);
    EXPECT_EQ(list, "Packages\\Logs,Packages\\Traces,");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(defs.SelectedPackage(1, file, name), 1);
    EXPECT_EQ(name, "Packages\\Traces");
    EXPECT_EQ(defs.SelectedPackage(2, file, name), 0);
    EXPECT_EQ(defs.IncludedPackage(0, file, name), 1);
    EXPECT_EQ(name, "Packages\\Extra");
    EXPECT_EQ(defs.IncludedPackage(1, file, name), 0);
    defs.SelectionList(Path("Devices\\None.ini"), list, count);
    EXPECT_EQ(list, "");
    EXPECT_EQ(count, 0);
}

TEST_F(PackagesTest, ClearSelectionCutsTheSelectionAndWhatFollows)
{
    Write("Current\\Current_Trovel.ini", "\r\n[CONFIGURATION]\r\nRegion=North\r\n\r\n[SELECT PACKAGE]\r\n0)Name=Logs\r\n"
                                         "\r\n[INCLUDE PACKAGE]\r\n0)Name=Packages\\Extra\r\n");
    defs.ClearSelection();
    EXPECT_EQ(Read("Current\\Current_Trovel.ini"), "[CONFIGURATION]\r\nRegion=North\n\n");
    std::string name;
    EXPECT_EQ(defs.SelectedPackage(0, defs.CurrentConfigFile(), name), 0);

    const std::string without = "[CONFIGURATION]\r\nRegion=North\r\n";
    Write("Current\\Current_Trovel.ini", without);
    defs.ClearSelection();
    EXPECT_EQ(Read("Current\\Current_Trovel.ini"), without);
}

TEST_F(PackagesTest, KeepCurrentPackagesKeepsOnlySelectedNames)
{
    for (const char* name : {"Logs", "Setup", "Traces", "MyLogs"})
        Write(std::string("Current\\Current_Package_") + name + ".ini", "[Package Version]\r\n");
    defs.KeepCurrentPackages("Packages\\Logs,Setup,");
    EXPECT_EQ(CurrentPackages(), (std::set<std::string>{"Logs", "Setup"}));
    // A name is kept for a whole selected name only, not for a longer one ending in it.
    Write("Current\\Current_Package_MyLogs.ini", "[Package Version]\r\n");
    defs.KeepCurrentPackages("Packages\\MyLogs,setup,");
    EXPECT_EQ(CurrentPackages(), (std::set<std::string>{"MyLogs", "Setup"}));
    defs.DeleteCurrentPackages();
    EXPECT_TRUE(CurrentPackages().empty());
}

TEST_F(PackagesTest, RefreshMakesTheCurrentCopiesFromTheInstalledOnes)
{
    CopyFileA(Path("Devices\\Aldera400.ini").c_str(), Path("Current\\Trovel.ini").c_str(), FALSE);
    for (const char* name : {"Logs", "Setup", "Other"})
        Write(std::string("Current\\package_") + name + ".ini", std::string("[Package Version]\r\nversion=7\r\n"));
    defs.RefreshCurrent("");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "0)Name"), "Logs");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "1)Name"), "Setup");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "CONFIGURATION", "Region"), "Fixture400");
    EXPECT_EQ(CurrentPackages(), (std::set<std::string>{"Logs", "Setup"}));
    EXPECT_EQ(Version("Current\\Current_Package_Logs.ini"), "7");
}

// A device configuration installed as both copies, with no package files yet.
class PreparedDevice : public PackagesTest {
protected:
    void Install(const std::string& device)
    {
        for (const char* copy : {"Current\\Trovel.ini", "Current\\Current_Trovel.ini"})
            ASSERT_TRUE(CopyFileA(Path("Devices\\" + device).c_str(), Path(copy).c_str(), FALSE));
    }
};

TEST_F(PreparedDevice, NewInstallationCopiesEverySelectedAndIncludedPackage)
{
    Install("Aldera800.ini");
    std::string result;
    ASSERT_EQ(defs.PrepareDefinitions(".\\", result, 1, 1), 1);
    EXPECT_TRUE(asked.empty());  // asked quietly
    EXPECT_EQ(CurrentPackages(), (std::set<std::string>{"Logs", "Traces", "Dumps"}));
    for (const char* file : {"package_Logs.ini", "package_Traces.ini", "package_Dumps.ini", "Include_Extra.ini",
                             "Include_Deep.ini"})
        EXPECT_TRUE(Exists(std::string("Current\\") + file)) << file;
    EXPECT_EQ(Version("Current\\Current_Package_Logs.ini"), "2");
    // The selection now names the packages of the includes too, and no include.
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "0)Name"), "Packages\\Logs");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "1)Name"), "Packages\\Traces");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "2)Name"), "Packages\\Dumps");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "3)Name"), "");
    EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "CONFIGURATION", "User Defined"), "A800-01");
}

TEST_F(PreparedDevice, UnattendedRunsNeverAskNorCopy)
{
    Install("Aldera800.ini");
    defs.m_bUnattended = 1;
    std::string result;
    ASSERT_EQ(defs.PrepareDefinitions(".\\", result, 0, 0), 1);
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(CurrentPackages().empty());
    EXPECT_EQ(result, "");
}

class InstalledDevice : public PackagesTest {
protected:
    void SetUp() override
    {
        PackagesTest::SetUp();
        UseFixture("installed");
    }
    // A fresh copy of the installed definitions folder.
    void Reinstall()
    {
        ASSERT_TRUE(DeleteFolder(Path("Current"), false));
        UseFixture("installed");
    }
};

TEST_F(InstalledDevice, NewerShippedPackagesOrIncludesAreOffered)
{
    struct Case {
        const char* what;
        const char* installedDeep;  // version of Current\Include_Deep.ini
        const char* shippedLogs;    // version of Packages\package_Logs.ini
        int answer;
        bool asked;
        const char* logsVersion;    // of the current Logs package afterwards
    } cases[] = {
        {"newer package taken", "1", "2", IDYES, true, "2"},
        {"newer package declined", "1", "2", IDNO, true, "1"},
        {"newer nested include taken", "0", "1", IDYES, true, "1"},
        {"nothing newer", "1", "1", IDYES, false, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reinstall();
        SetIni("Current\\Include_Deep.ini", "Include Version", "version", c.installedDeep);
        SetIni("Packages\\package_Logs.ini", "Package Version", "version", c.shippedLogs);
        SetIni("Packages\\package_Logs.ini", "FILES", "0)Directory", "C:\\Shipped\\");
        asked.clear();
        answer = c.answer;
        std::string result;
        ASSERT_EQ(defs.PrepareDefinitions(".\\", result, 0, 0), 1);
        ASSERT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(asked[0].text, kUpdateQuestion);
            EXPECT_EQ(asked[0].type, 0x34u);
            EXPECT_EQ(asked[0].confirm, 1);
        }
        EXPECT_EQ(Version("Current\\Current_Package_Logs.ini"), c.logsVersion);
        const bool copied = c.asked && c.answer == IDYES;
        EXPECT_EQ(Exists("Current\\Current_Package_Dumps.ini"), copied);
        EXPECT_EQ(Ini("Current\\Current_Package_Logs.ini", "FILES", "0)Directory"),
                  copied ? "C:\\Shipped\\" : "C:\\Old\\");
    }
}

TEST_F(InstalledDevice, DeclinedDeviceUpdateStopsPackageUpdates)
{
    defs.m_nDeviceChanged = 100;
    std::string result;
    ASSERT_EQ(defs.PrepareDefinitions(".\\", result, 0, 0), 1);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Version("Current\\Current_Package_Logs.ini"), "1");
}

TEST_F(InstalledDevice, MissingPackageQuestion)
{
    struct Case {
        int answer;
        int code;
    } cases[] = {{IDYES, 1}, {IDNO, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        Reinstall();
        SetIni("Current\\Trovel.ini", "SELECT PACKAGE", "2)Name", "Packages\\Ghost");
        asked.clear();
        answers = {IDYES, c.answer};  // the updates, then the missing package
        std::string result;
        EXPECT_EQ(defs.PrepareDefinitions(".\\", result, 0, 0), c.code);
        EXPECT_EQ(result, "Package 'Packages\\Ghost' is missing. Do you want to continue?");
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[1].text, result);
        EXPECT_EQ(asked[1].type, 0x44u);
        EXPECT_EQ(asked[1].confirm, 1);
        const bool kept = c.code == 1;
        EXPECT_EQ(Exists("Current\\Trovel.ini"), kept);
        EXPECT_EQ(Exists("Current\\Current_Trovel.ini"), kept);
        EXPECT_EQ(CurrentPackages().empty(), !kept);
        if (kept) {
            EXPECT_EQ(Ini("Current\\Current_Trovel.ini", "SELECT PACKAGE", "2)Name"), "Packages\\Ghost");
        }
    }
}

}  // namespace
