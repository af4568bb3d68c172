// The workstation installer, run silently in this prefix: what it creates, what it keeps
// on a reinstall, what it refuses, and what its uninstaller removes. Every test starts
// from a workstation without the set-up and leaves it that way.
#include "InstallerSupport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

using namespace testing_support;
using namespace installer_support;

namespace {

const std::string kSampleConfig = "tools\\installer\\Corvida.ini";
const std::string kSetUpLog = "C:\\ProgramData\\Velmora\\Corvida-Setup.log";

// What the set-up log gained since `before` bytes.
std::string LogSince(size_t before)
{
    const std::string log = ReadFileBytes(kSetUpLog);
    return log.size() > before ? log.substr(before) : "";
}
const std::string kSamplePackage = "tools\\installer\\Package_Workstation.ini";

std::string Installed(const std::string& relative)
{
    return std::string(kInstallDir) + "\\" + relative;
}

// A report as the program stores it (0xA5 stands for a line break).
const std::string kReport =
    "[GroupCustomer]\r\nCustomerName=Druckerei Smith\r\nComment=first line\xA5second line\r\n";

using InstallerTest = WorkstationSetUpTest;

TEST_F(InstallerTest, SilentInstallCreatesEveryItemAndSilentUninstallRemovesThem)
{
    const bool vendorKeyBefore = KeyExists("SOFTWARE\\Velmora");
    ASSERT_EQ(0, RunInstaller(""));

    struct Value { const char* name; const char* expected; };
    const Value values[] = {
        {"First Launch Flag", "1"},
        {"Reminder at Startup", "1"},
        {"Reminder by Scheduler", "1"},
        {"Product", "Aldera 800"},
    };
    for (const Value& v : values)
        EXPECT_EQ(v.expected, RegString(kStateKey, v.name).value_or("(missing)")) << v.name;

    EXPECT_EQ(ReadFileBytes(SourcePath(kSampleConfig)), ReadFileBytes(Installed("Corvida.ini")));
    EXPECT_EQ(ReadFileBytes(SourcePath(kSamplePackage)),
              ReadFileBytes(Installed("Current\\Package_Workstation.ini")));
    EXPECT_FALSE(PathExists(Installed("Data"))) << "the program creates the report folder itself";

    // Every program that was built is installed, byte for byte.
    for (const BuiltProgram& program : BuiltPrograms()) {
        if (program.buildPath.empty())
            continue;
        const std::string built = ReadFileBytes(program.buildPath);
        EXPECT_FALSE(built.empty()) << program.buildPath;
        EXPECT_TRUE(built == ReadFileBytes(Installed(program.name))) << program.name << " differs from the build";
    }

    for (const ShortcutPlace& place : kShortcuts) {
        Shortcut link = ReadShortcut(ShortcutPath(place));
        ASSERT_TRUE(link.loaded) << ShortcutPath(place);
        EXPECT_EQ(Installed("Corvida.exe"), link.target) << ShortcutPath(place);
        EXPECT_EQ(kInstallDir, link.folder) << ShortcutPath(place);
        // The start-up reminders retry a failed submission; the others are plain starts.
        const char* arguments = place.commonFolder == CSIDL_COMMON_STARTUP ? "/resubmit" : "";
        EXPECT_EQ(arguments, link.arguments) << ShortcutPath(place);
    }

    // The task holds our definition (its description), not just the name.
    EXPECT_NE(std::string::npos,
              ReadFileBytes(TaskFile()).find("Opens the installation report every day"));
    // The definition given to the scheduler starts the retry and repeats every hour (the
    // scheduler here keeps neither triggers nor actions, so the packed file is read).
    const std::string definition = ReadFileBytes(REMINDER_TASK_XML);
    const size_t exec = definition.find("<Exec>");
    EXPECT_NE(std::string::npos, definition.find("<Arguments>/resubmit</Arguments>", exec)) << definition;
    const size_t trigger = definition.find("<CalendarTrigger>");
    const size_t repetition = definition.find("<Repetition>", trigger);
    ASSERT_NE(std::string::npos, repetition) << definition;
    EXPECT_LT(repetition, definition.find("<StartBoundary>", trigger)) << "the schema's order";
    EXPECT_LT(repetition, definition.find("</CalendarTrigger>"));
    EXPECT_NE(std::string::npos, definition.find("<Interval>PT1H</Interval>", repetition)) << definition;
    EXPECT_EQ(std::string::npos, definition.find("<Duration>")) << "repeats for as long as the task exists";

    const Value uninstallEntry[] = {
        {"DisplayName", "Corvida"},
        {"Publisher", "Velmora"},
        {"InstallLocation", "C:\\Velmora\\Corvida"},
        {"UninstallString", "\"C:\\Velmora\\Corvida\\Uninstall.exe\""},
        {"QuietUninstallString", "\"C:\\Velmora\\Corvida\\Uninstall.exe\" /S"},
    };
    for (const Value& v : uninstallEntry)
        EXPECT_EQ(v.expected, RegString(kUninstallKey, v.name).value_or("(missing)")) << v.name;
    EXPECT_TRUE(PathExists(Installed("Uninstall.exe")));

    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ("", LeftOverItems());
    EXPECT_FALSE(PathExists("C:\\Velmora"));
    if (!vendorKeyBefore) {
        EXPECT_FALSE(KeyExists("SOFTWARE\\Velmora")) << "the vendor key goes when nothing else uses it";
    }
}

TEST_F(InstallerTest, CarriesTheVersionOfTheProgram)
{
    // The program's version, or the project's while the program has no version resource.
    std::string expected = FileVersion(BuiltPrograms()[0].buildPath);
    if (expected.empty())
        expected = std::string(INSTALLER_VERSION) + ".0";

    EXPECT_EQ(expected, FileVersion(INSTALLER_EXE));
    ASSERT_EQ(0, RunInstaller(""));
    EXPECT_EQ(expected, RegString(kUninstallKey, "DisplayVersion").value_or("(missing)"));
    EXPECT_EQ(expected, FileVersion(Installed("Uninstall.exe")));
}

TEST_F(InstallerTest, TakesTheSiteValuesFromTheCommandLine)
{
    ScratchDir site("site files");  // a blank in the path: the options must be quoted
    const std::string config =
        "[Corvida INFO]\r\nINIVersion=site 7\r\n\r\n[Tessaro 400]\r\nSerialNumber=SystemInfo\r\n"
        "FTP Path=127.0.0.60\\incoming\r\nPackageName=Plate Logs\r\nReliquaRequired=NO\r\n";
    const std::string package =
        "[Package Version]\r\nversion=3\r\n\r\n[FILES]\r\n0)Filenum=2\r\n0)Recursive=0\r\n"
        "0)Directory=%TEMP%\r\n0)FileFormat=*.log\r\n1)Filenum=1\r\n1)Recursive=0\r\n"
        "1)Directory=.\\Data\\\r\n1)FileFormat=*.ini\r\n";
    WriteFileBytes(site / "site.ini", config);
    WriteFileBytes(site / "plates.ini", package);

    // Both usual ways of quoting a value with blanks.
    ASSERT_EQ(0, RunInstaller("\"/PRODUCT=Tessaro 400\" /CONFIG=\"" + site / "site.ini" +
                              "\" \"/PACKAGE=" + site / "plates.ini" + "\""));

    EXPECT_EQ("Tessaro 400", RegString(kStateKey, "Product").value_or("(missing)"));
    EXPECT_EQ(config, ReadFileBytes(Installed("Corvida.ini")));
    EXPECT_EQ(package, ReadFileBytes(Installed("Current\\Package_Plate Logs.ini")));
    EXPECT_FALSE(PathExists(Installed("Current\\Package_Workstation.ini")));
}

TEST_F(InstallerTest, RefusesSiteValuesThatDoNotFitAndInstallsNothing)
{
    ScratchDir site("refused");
    WriteFileBytes(site / "other.ini", "[Tessaro 400]\r\nPackageName=Plates\r\n");
    WriteFileBytes(site / "plates.ini", "[Package Version]\r\nversion=1\r\n");

    struct Case { const char* why; std::string options; int exitCode; };
    const Case cases[] = {
        {"configuration file missing", "/CONFIG=" + site / "absent.ini", 3},
        {"package file missing", "/PACKAGE=" + site / "absent.ini", 3},
        {"model without a section in the sample configuration", "/PRODUCT=Unknown", 4},
        {"model without a section in the given configuration",
         "/PRODUCT=Aldera /CONFIG=" + site / "other.ini" + " /PACKAGE=" + site / "plates.ini", 4},
        {"configured package but no package file",
         "\"/PRODUCT=Tessaro 400\" /CONFIG=" + site / "other.ini", 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.exitCode, RunInstaller(c.options)) << c.why;
        EXPECT_EQ("", LeftOverItems()) << c.why;
    }
}

TEST_F(InstallerTest, ReinstallKeepsTheReportTheSiteConfigurationAndTheFirstLaunch)
{
    ASSERT_EQ(0, RunInstaller(""));
    // The program has been opened once and a report started; the site edited its configuration.
    ASSERT_TRUE(MakeFolder(Installed("Data")));
    WriteFileBytes(Installed("Data\\Corvidadata.ini"), kReport);
    ASSERT_TRUE(SetRegString(kStateKey, "First Launch Flag", "0"));
    const std::string editedConfig = ReadFileBytes(Installed("Corvida.ini")) + "\r\n; edited on site\r\n";
    WriteFileBytes(Installed("Corvida.ini"), editedConfig);
    // A lost reminder is put back by the reinstall.
    ASSERT_TRUE(DeleteFileA(ShortcutPath(kShortcuts[0]).c_str()));

    ASSERT_EQ(0, RunInstaller(""));

    EXPECT_EQ(kReport, ReadFileBytes(Installed("Data\\Corvidadata.ini")));
    EXPECT_EQ("0", RegString(kStateKey, "First Launch Flag").value_or("(missing)"));
    EXPECT_EQ("Aldera 800", RegString(kStateKey, "Product").value_or("(missing)"));
    EXPECT_EQ(editedConfig, ReadFileBytes(Installed("Corvida.ini")));
    EXPECT_TRUE(ReadShortcut(ShortcutPath(kShortcuts[0])).loaded);

    // An upgrade with a new site configuration replaces it, and still not the report.
    ScratchDir site("upgrade");
    WriteFileBytes(site / "site.ini", "[Aldera 800]\r\nPackageName=Workstation\r\n");
    ASSERT_EQ(0, RunInstaller("/CONFIG=" + site / "site.ini"));
    EXPECT_EQ("[Aldera 800]\r\nPackageName=Workstation\r\n", ReadFileBytes(Installed("Corvida.ini")));
    EXPECT_EQ(kReport, ReadFileBytes(Installed("Data\\Corvidadata.ini")));
}

TEST_F(InstallerTest, UninstallKeepsTheReportUnlessAskedToRemoveIt)
{
    struct Case { const char* options; bool reportKept; };
    const Case cases[] = {{"", true}, {"/REMOVEDATA", false}};
    for (const Case& c : cases) {
        ASSERT_EQ(0, RunInstaller(""));
        ASSERT_TRUE(MakeFolder(Installed("Data")));
        WriteFileBytes(Installed("Data\\Corvidadata.ini"), kReport);

        ASSERT_EQ(0, RunUninstaller(c.options)) << c.options;

        if (c.reportKept) {
            EXPECT_EQ(kReport, ReadFileBytes(Installed("Data\\Corvidadata.ini")));
        } else {
            EXPECT_FALSE(PathExists("C:\\Velmora")) << c.options;
        }
        EXPECT_FALSE(KeyExists(kStateKey)) << c.options;
        EXPECT_FALSE(PathExists(Installed("Uninstall.exe"))) << c.options;
        EXPECT_FALSE(PathExists(Installed("Corvida.ini"))) << c.options;
        EXPECT_FALSE(PathExists(Installed("Current"))) << c.options;
        RemoveWorkstationSetUp();
    }
}

TEST_F(InstallerTest, UninstallRemovesWhatTheProgramAndTheCollectorWroteBesideIt)
{
    ASSERT_EQ(0, RunInstaller(""));
    const char* const working[] = {
        "Directory.ini", "TrovelLog.txt", "Log Corvida.txt", "Current\\Trovel.ini",
        "Current\\Current_Trovel.ini", "Current\\Current_Package_Workstation.ini",
        "Current\\TrovelStatus.ini", "Collection\\VM_2026_01_02_10_30.zip",
    };
    ASSERT_TRUE(MakeFolder(Installed("Collection")));
    for (const char* file : working)
        WriteFileBytes(Installed(file), "x");

    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ("", LeftOverItems());
    EXPECT_FALSE(PathExists("C:\\Velmora"));
}

TEST_F(InstallerTest, RefusesUnknownOptionsAndPackagesWithoutTheReportAndSaysWhyInTheLog)
{
    ScratchDir site("packages");
    const std::string entry = "[FILES]\r\n0)Filenum=1\r\n0)Recursive=0\r\n0)Directory=%s\r\n0)FileFormat=%s\r\n";
    auto package = [&](const std::string& name, const std::string& directory, const std::string& format) {
        std::string text = entry;
        text.replace(text.find("%s"), 2, directory);
        text.replace(text.find("%s"), 2, format);
        WriteFileBytes(site / name, text);
        return "/PACKAGE=" + site / name;
    };
    WriteFileBytes(site / "registry-only.ini", "[REGISTRY]\r\n0)HKEY=HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\r\n");

    struct Case { const char* why; std::string options; int exitCode; const char* logged; };
    const Case cases[] = {
        {"misspelt option", "/PRODCUT=Aldera", 8, "Unknown option /PRODCUT=Aldera"},
        {"unknown option with a quoted value", "\"/FOO=a b\"", 8, "Unknown option /FOO=a b"},
        {"lower-case silent switch (would install with pages)", "/s", 8, "Unknown option /s"},
        {"package without FILES", "/PACKAGE=" + site / "registry-only.ini", 9, "has no FILES entries"},
        {"package without the report", package("logs.ini", "%TEMP%", "*.log"), 9, "does not collect the report"},
        {"report folder but another file", package("other.ini", "%CURRENTDIR%\\Data", "Other.ini"), 9,
         "does not collect the report"},
    };
    for (const Case& c : cases) {
        const size_t before = ReadFileBytes(kSetUpLog).size();
        EXPECT_EQ(c.exitCode, RunInstaller(c.options)) << c.why;
        EXPECT_EQ("", LeftOverItems()) << c.why;
        const std::string log = LogSince(before);
        EXPECT_NE(std::string::npos, log.find("Refused (exit code " + std::to_string(c.exitCode) + ")")) << c.why << log;
        EXPECT_NE(std::string::npos, log.find(c.logged)) << c.why << log;
    }

    // Forms of the report entry that do collect it are accepted.
    const std::string accepted[] = {
        package("a.ini", "%CURRENTDIR%\\Data", "Corvidadata.ini"),
        package("b.ini", ".\\Data\\", "*.ini"),
        package("c.ini", "C:\\Velmora\\Corvida\\data", "*.*"),
    };
    for (const std::string& options : accepted) {
        EXPECT_EQ(0, RunInstaller(options)) << options;
        RemoveWorkstationSetUp();
    }
}

TEST_F(InstallerTest, LogsInstallCheckAndUninstallAndTheUninstallerReturnsItsRealCode)
{
    const size_t before = ReadFileBytes(kSetUpLog).size();
    ASSERT_EQ(0, RunInstaller(""));

    // The Add/Remove Programs entry as deployment tools read it.
    char today[16];
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::snprintf(today, sizeof today, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(today, RegString(kUninstallKey, "InstallDate").value_or("(missing)"));
    EXPECT_EQ(0u, RegString(kUninstallKey, "HelpLink").value_or("").rfind("https://", 0));

    // A misspelt option of the uninstaller changes nothing and says so.
    EXPECT_EQ(8, RunUninstaller("/REMOVEDAT"));
    EXPECT_TRUE(PathExists(Installed("Corvida.ini")));
    EXPECT_TRUE(KeyExists(kStateKey));

    // The launcher waits for the removal: everything is gone when it returns.
    ASSERT_EQ(0, RunUninstaller(""));
    EXPECT_EQ("", LeftOverItems());

    const std::string log = LogSince(before);
    const char* const expected[] = {
        "Install of Corvida",
        "Site configuration",
        "Reminder task 'Installation Report Reminder' created",
        // The sample site's server is not reachable here: the check says so in the log.
        "Readiness check (trovel check, exit code 1)",
        "FAIL  FTP server",
        "Install finished (exit code 0)",
        "Refused (exit code 8): Unknown option /REMOVEDAT",
        "Uninstall finished (exit code 0)",
    };
    size_t at = 0;
    for (const char* line : expected) {
        const size_t found = log.find(line, at);
        EXPECT_NE(std::string::npos, found) << "not in the log after the previous line: " << line << "\n" << log;
        if (found != std::string::npos)
            at = found;
    }
}

}  // namespace
