#include "Backup.h"
#include "Dates.h"
#include "FileTree.h"
#include "FindFiles.h"
#include "Identification.h"
#include "TestSupport.h"
#include "Text.h"
#include "ToolConfig.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::PathExists;
using testing_support::ReadFileBytes;
using testing_support::RunHost;
using testing_support::ScratchDir;
using testing_support::SourcePath;
using testing_support::UnixPath;
using testing_support::WriteFileBytes;

namespace {

SYSTEMTIME Day(int year, int month, int day, int hour = 0)
{
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    return t;
}

// ---- tool configuration -------------------------------------------------------------

TEST(ToolConfig, ChoiceListsFollowTheNumberedKeys)
{
    ScratchDir dir("choice");
    const std::string ini = dir / "Corvida.ini";
    WriteFileBytes(ini,
                   "[regions]\r\n1=Europe\r\n2=  Asia  \r\n4=Africa\r\n"
                   "[Workflow Type]\r\n1=\r\n2=Second\r\n"
                   "[Automation Type Aldera 800]\r\n1=\"Manual\"\r\n2=Manual\r\n");
    struct Case {
        const char* section;
        bool applicable;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"REGIONS", true, {" Select ...", "Europe", "Asia"}},  // gap at 3 ends the list
        {"Workflow Type", false, {"."}},                       // empty key 1: not applicable
        {"Automation Type Aldera 800", true, {" Select ...", "Manual", "Manual"}},
        {"Exposure Head Type Aldera 800", false, {"."}},
    };
    for (const Case& c : cases) {
        ChoiceList list = FillChoiceList(c.section, ini);
        EXPECT_EQ(list.applicable, c.applicable) << c.section;
        EXPECT_EQ(list.entries, c.entries) << c.section;
        EXPECT_EQ(list.selected, 0) << c.section;
    }
    EXPECT_EQ(ChoiceListSection("Automation Type", true, "Aldera 800"), "Automation Type Aldera 800");
    EXPECT_EQ(ChoiceListSection("REGIONS", false, "Aldera 800"), "REGIONS");
}

TEST(ToolConfig, ValuesAreCutAt3999AndAbsentValuesReadEmpty)
{
    ScratchDir dir("iniread");
    const std::string ini = dir / "Corvida.ini";
    WriteFileBytes(ini, "[Aldera 800]\r\nFTP Path=" + std::string(5000, 'f') + "\r\nPackageName=\r\n");
    std::string value = "stale";
    EXPECT_TRUE(ReadIniValue(ini, "aldera 800", "ftp path", value));
    EXPECT_EQ(value, std::string(3999, 'f'));
    EXPECT_FALSE(ReadIniValue(ini, "Aldera 800", "PackageName", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(IniValueOrEmpty(dir / "missing.ini", "Aldera 800", "FTP Path"), "");
}

// ---- dates ------------------------------------------------------------------------

TEST(Dates, StoredDateTextIsZeroPadded)
{
    EXPECT_EQ(FormatStoredDate(2008, 3, 5), "2008-03-05");
    EXPECT_EQ(FormatStoredDate(2008, 12, 31), "2008-12-31");
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(TodayDateText(), FormatStoredDate(now.wYear, now.wMonth, now.wDay));
}

TEST(Dates, ParseStoredDateTable)
{
    struct Case {
        const char* text;
        int year, month, day;
    } cases[] = {
        {"2008-3-5", 2008, 3, 5},
        {"2008-03-05", 2008, 3, 5},
        {"20080305", 2007, 7, 7},
        {"2008-03", 2007, 7, 7},
        {"x-y-z", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME date;
        ParseStoredDate(c.text, date);
        EXPECT_EQ(date.wYear, c.year) << c.text;
        EXPECT_EQ(date.wMonth, c.month) << c.text;
        EXPECT_EQ(date.wDay, c.day) << c.text;
    }
    SYSTEMTIME now, parsed;
    GetLocalTime(&now);
    ParseStoredDate("", parsed);
    EXPECT_EQ(FormatStoredDate(parsed.wYear, parsed.wMonth, parsed.wDay),
              FormatStoredDate(now.wYear, now.wMonth, now.wDay));
}

TEST(Dates, StartOnOrBeforeEndByCalendarDay)
{
    struct Case {
        SYSTEMTIME start, end;
        bool ok;
        const char* startText;
        const char* endText;
    } cases[] = {
        {Day(2008, 3, 5, 10), Day(2008, 3, 5, 9), true, "2008-03-05", "2008-03-05"},
        {Day(2008, 4, 1), Day(2008, 3, 31), false, "2008-04-01", "2008-03-31"},
        {Day(2007, 12, 31), Day(2008, 1, 1), true, "2007-12-31", "2008-01-01"},
        {Day(2008, 1, 2), Day(2008, 1, 1), false, "2008-01-02", "2008-01-01"},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(FormatAndCheckDates(c.start, c.end, true, text), c.ok) << c.startText;
        EXPECT_EQ(text, c.startText);
        EXPECT_EQ(FormatAndCheckDates(c.start, c.end, false, text), c.ok) << c.startText;
        EXPECT_EQ(text, c.endText);
    }
}

// ---- backup check -----------------------------------------------------------------

TEST(Backup, RequirementTable)
{
    struct Case {
        const char* value;
        bool none;
        int days;
    } cases[] = {
        {"NO", true, 0}, {"dNOd", true, 0}, {"no", false, 0}, {"7d", false, 7},
        {"7 days", false, 7}, {"30", false, 30}, {"", false, 0},
    };
    for (const Case& c : cases) {
        BackupRequirement r = ParseBackupRequirement(c.value);
        EXPECT_EQ(r.noBackupNeeded, c.none) << c.value;
        EXPECT_EQ(r.days, c.days) << c.value;
    }
}

TEST(Backup, BackupNameDayArithmeticTable)
{
    struct Case {
        const char* name;
        int days;
        SYSTEMTIME today;
        bool recent;
    } cases[] = {
        {"20080301_full", 30, Day(2008, 3, 31), true},
        {"20080301_full", 30, Day(2008, 4, 1), false},
        {"20080315", 0, Day(2008, 3, 15, 23), true},
        {"20080315", 0, Day(2008, 3, 16), false},
        {"20080228", 1, Day(2008, 2, 29), true},  // leap year
        {"20080228", 1, Day(2008, 3, 1), false},
        {"20071220", 14, Day(2008, 1, 3), true},  // across the year end
        {"20071220", 14, Day(2008, 1, 4), false},
        {"20080315", 10, Day(2008, 3, 1), true},  // dated in the future
        {"backup01", 3650, Day(2008, 3, 1), false},
        {"20081301", 3650, Day(2008, 3, 1), false},  // month 13
        {"2008", 30, Day(2008, 3, 1), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRecentBackupName(c.name, c.days, c.today), c.recent) << c.name << " + " << c.days;
}

TEST(Backup, LastQualifyingBackupIsPackedAndItsCopyRemoved)
{
    ScratchDir dir("backup");
    const std::string source = dir / "Reliqua";
    for (const char* name : {"20080301_a", "20080310_b", "20070101_old"}) {
        MakeDirs(source + "\\" + name + "\\sub");
        WriteFileBytes(source + "\\" + name + "\\sub\\image.bin", std::string("backup ") + name);
    }
    WriteFileBytes(source + "\\20080311.txt", "a file, not a backup");
    MakeDirs(dir / "Data");
    const std::string prefix = dir / "Data\\Reliqua";

    // The last qualifying folder in listing order is the one packed.
    std::string last;
    for (const FolderEntry& entry : ListFolder(source))
        if (entry.isFolder && entry.name.rfind("2008", 0) == 0)
            last = entry.name;
    ASSERT_FALSE(last.empty());

    ASSERT_TRUE(CheckRecentBackup("30d", source, prefix, Day(2008, 3, 20)));
    const std::string zip = prefix + last + ".zip";
    EXPECT_TRUE(PathExists(zip)) << zip;
    EXPECT_FALSE(PathExists(prefix + last)) << "the unpacked copy is removed";
    std::string listing;
    ASSERT_EQ(RunHost("unzip -l '" + UnixPath(zip) + "'", &listing), 0) << listing;
    EXPECT_NE(listing.find("sub/image.bin"), std::string::npos) << listing;
    EXPECT_EQ(ReadFileBytes(source + "\\" + last + "\\sub\\image.bin"), "backup " + last) << "source untouched";
}

TEST(Backup, NoQualifyingBackupOrNoFolder)
{
    ScratchDir dir("backup_none");
    MakeDirs(dir / "Reliqua\\20070101_old");
    EXPECT_FALSE(CheckRecentBackup("30d", dir / "Reliqua", dir / "Reliqua_", Day(2008, 3, 20)));
    EXPECT_FALSE(CheckRecentBackup("", dir / "Missing", dir / "x", Day(2008, 3, 20)));
    EXPECT_TRUE(CheckRecentBackup("NO", dir / "Missing", dir / "x", Day(2008, 3, 20)));
}

// ---- identification (no registry) --------------------------------------------------

TEST(Identification, SystemInfoPathFromPathVariableTable)
{
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"c:\\windows;c:\\program files\\kestrin\\bin", "c:\\program files\\Kestrin\\Logs\\SystemInfo.xml"},
        {"C:\\Tools\\Kestrin", "c:\\tools\\Kestrin\\Logs\\SystemInfo.xml"},
        {"c:\\a;D:\\X\\KESTRIN\\bin;c:\\kestrin2", "d:\\x\\Kestrin\\Logs\\SystemInfo.xml"},
        {"kestrin\\bin;c:\\windows", ""},
        {"c:\\windows;c:\\system", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SystemInfoPathFromPathVariable(c.path), c.expected) << c.path;
}

TEST(Identification, SerialNumberFromSystemInfoFiles)
{
    struct Case {
        const char* fixture;
        std::string expected;
    } cases[] = {
        {"SystemInfo.xml", "AL800-4711"},
        {"SystemInfo_NoAnchor.xml", "90521QVT"},
        {"SystemInfo_NoDetected.xml", "90521QVT"},
        {"SystemInfo_Multiline.xml", "\r\n  AL800-0815 \r\n"},
    };
    for (const Case& c : cases) {
        std::string value;
        EXPECT_TRUE(ExtractTaggedValue(SourcePath(std::string("tests\\fixtures\\corvida\\") + c.fixture),
                                       kSerialAnchor, kSerialTag, value))
            << c.fixture;
        EXPECT_EQ(value, c.expected) << c.fixture;
    }
    std::string untouched = "keep";
    EXPECT_FALSE(ExtractTaggedValue(".\\no-such-file.xml", kSerialAnchor, kSerialTag, untouched));
    EXPECT_EQ(untouched, "keep");
}

TEST(Identification, FindSystemInfoFileFollowsThePathVariable)
{
    ScratchDir dir("platform_path");
    MakeDirs(dir / "Kestrin\\Logs");
    WriteFileBytes(dir / "Kestrin\\Logs\\SystemInfo.xml", "<x/>");
    char saved[8192] = {};
    GetEnvironmentVariableA("Path", saved, sizeof(saved));

    std::string path;
    SetEnvironmentVariableA("Path", ("c:\\windows;" + dir.Path() + "\\Kestrin\\bin").c_str());
    EXPECT_TRUE(FindSystemInfoFile(path));
    EXPECT_EQ(ToLower(path), ToLower(dir / "Kestrin\\Logs\\SystemInfo.xml"));

    SetEnvironmentVariableA("Path", ("c:\\windows;" + dir.Path() + "\\Other\\kestrin").c_str());
    EXPECT_FALSE(FindSystemInfoFile(path)) << "no file at the path produced";
    SetEnvironmentVariableA("Path", ("c:\\x;" + std::string(2100, 'p') + ";" + dir.Path() + "\\Kestrin").c_str());
    EXPECT_FALSE(FindSystemInfoFile(path)) << "an over-long Path has no service platform entry";
    SetEnvironmentVariableA("Path", saved);
}

TEST(Identification, TypedSerialNumbers)
{
    EXPECT_TRUE(IsTypedSerial("user^4711"));
    EXPECT_TRUE(IsTypedSerial("12user^"));
    EXPECT_FALSE(IsTypedSerial("USER^4711"));
    EXPECT_EQ(StripTypedSerialPrefix("user^4711"), "4711");
    EXPECT_EQ(StripTypedSerialPrefix("user^user^"), "");
}

TEST(Identification, RegistryReferenceForms)
{
    struct Case {
        const char* reference;
        bool forWriting;
        const char* key;
        const char* value;
    } cases[] = {
        {"Registry:HKLM\\SOFTWARE\\Site\\Serial", false, "SOFTWARE\\Site", "Serial"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Site\\Serial", false, "SOFTWARE\\Site", "Serial"},
        {"HKLM\\SOFTWARE\\Site\\Serial", false, "SOFTWARE\\Site", "Serial"},
        {"SOFTWARE\\Site\\Serial", false, "SOFTWARE\\Site", "Serial"},
        {"HKLM\\SOFTWARE\\Site\\Serial", true, "SOFTWARE\\Site", "Serial"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Site\\Serial", true, "SOFTWARE\\Site", "Serial"},
        {"Registry:HKLM\\SOFTWARE\\Site\\Serial", true, "Registry:HKLM\\SOFTWARE\\Site", "Serial"},
    };
    for (const Case& c : cases) {
        std::string key, value;
        ASSERT_TRUE(ParseRegistryReference(c.reference, c.forWriting, key, value)) << c.reference;
        EXPECT_EQ(key, c.key) << c.reference;
        EXPECT_EQ(value, c.value) << c.reference;
    }
    std::string key, value;
    EXPECT_FALSE(ParseRegistryReference("NoBackslash", false, key, value));
}

}  // namespace
