#include "Submission.h"
#include "Dates.h"
#include "Identification.h"
#include "StateRegistry.h"
#include "TestSupport.h"
#include "Workstation.h"

#include <gtest/gtest.h>

using testing_support::ReadFileBytes;
using testing_support::PathExists;
using testing_support::SourcePath;
using testing_support::WriteFileBytes;
using namespace workstation;

namespace {

TEST(FirstLaunch, FlagTable)
{
    Staged staged;
    struct Case {
        const char* flag;  // nullptr: value absent
        const char* flagAfter;
        bool dateWritten;
    } cases[] = {
        {"1", "0", true},
        {"0", "0", false},
        {"yes", "yes", false},
        {"1 ", "1 ", false},
        {nullptr, "<absent>", false},
    };
    for (const Case& c : cases) {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "First Launch Flag");
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "Reminder First Launch Date");
        if (c.flag)
            SetValue(kKey, "First Launch Flag", c.flag);
        CheckFirstLaunch();
        EXPECT_EQ(GetValue(kKey, "First Launch Flag"), c.flagAfter) << (c.flag ? c.flag : "absent");
        EXPECT_EQ(GetValue(kKey, "Reminder First Launch Date"), c.dateWritten ? TodayDateText() : "<absent>")
            << (c.flag ? c.flag : "absent");
    }

    // A second opening changes nothing; a date from an earlier day stays.
    SetValue(kKey, "First Launch Flag", "1");
    CheckFirstLaunch();
    SetValue(kKey, "Reminder First Launch Date", "2001-01-01");
    CheckFirstLaunch();
    EXPECT_EQ(GetValue(kKey, "First Launch Flag"), "0");
    EXPECT_EQ(GetValue(kKey, "Reminder First Launch Date"), "2001-01-01");

    // Without the key nothing is created.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey);
    CheckFirstLaunch();
    EXPECT_FALSE(WriteStateValue("Data Submission Performed", "1"));
    EXPECT_FALSE(KeyExists(kKey));
}

TEST(Identification, ProductAndRegistrySourcesOfTheSerialNumber)
{
    Staged staged;
    EXPECT_EQ(GetProductType(), "Aldera 800");
    SetValue(kSiteKey, "Serial", "AL800-REG");
    SetValue(kSiteKey, "Customer", "Printshop Example");
    for (const char* prefix : {"Registry:HKLM\\", "HKEY_LOCAL_MACHINE\\", "HKLM\\", ""}) {
        std::string reference = std::string(prefix) + kSiteKey + "\\Serial";
        EXPECT_EQ(ReadRegistryReference(reference), "AL800-REG") << reference;
        EXPECT_EQ(DetectSerialNumber(reference), "AL800-REG") << reference;
    }
    EXPECT_EQ(ReadRegistryReference(std::string("HKLM\\") + kSiteKey + "\\Missing"), "");
    EXPECT_EQ(DetectSerialNumber(std::string("software\\velmora\\corvidasite\\serial")), "")
        << "only an upper-case SOFTWARE marks a registry reference";

    // Writing: an existing key only, and not through the "Registry:HKLM\" form.
    EXPECT_TRUE(WriteRegistryReference(std::string("HKLM\\") + kSiteKey + "\\Customer", "New Name"));
    EXPECT_EQ(GetValue(kSiteKey, "Customer"), "New Name");
    EXPECT_FALSE(WriteRegistryReference(std::string("Registry:HKLM\\") + kSiteKey + "\\Customer", "Other"));
    EXPECT_EQ(GetValue(kSiteKey, "Customer"), "New Name");
    EXPECT_FALSE(WriteRegistryReference("HKLM\\SOFTWARE\\Velmora\\NoSuchKey\\Customer", "x"));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Velmora\\NoSuchKey"));
}

TEST(Identification, IdentifyFillsEmptyFieldsFromTheModelsSources)
{
    Staged staged;
    SetValue(kSiteKey, "Serial", "AL800-REG");
    SetValue(kSiteKey, "Customer", "Printshop Example");
    WriteFileBytes(".\\Corvida.ini",
                   "[Aldera 800]\r\nSerialNumber=HKLM\\SOFTWARE\\Velmora\\CorvidaSite\\Serial\r\n"
                   "CustomerName=SOFTWARE\\Velmora\\CorvidaSite\\Customer\r\n"
                   "[Aldera 600]\r\nSerialNumber=Kestrin SYSTEMINFO log\r\nCustomerName=Printshop\r\n");

    ReportRecord fresh;
    EXPECT_FALSE(IdentifyProduct(fresh));
    EXPECT_EQ(fresh.ProductType, "Aldera 800");
    EXPECT_EQ(fresh.ProductSerialNumber, "AL800-REG");
    EXPECT_EQ(fresh.CustomerName, "Printshop Example");

    // A loaded report keeps its model and serial number, typed or not.
    ReportRecord typed;
    typed.ProductType = "Aldera 600";
    typed.ProductSerialNumber = "user^1234";
    EXPECT_TRUE(IdentifyProduct(typed));
    EXPECT_EQ(typed.ProductSerialNumber, "user^1234");
    EXPECT_EQ(typed.CustomerName, "") << "a value that is no registry reference is ignored";
    ReportRecord kept;
    kept.ProductSerialNumber = "OLD-1";
    EXPECT_FALSE(IdentifyProduct(kept));
    EXPECT_EQ(kept.ProductSerialNumber, "OLD-1");

    // SystemInfo.xml through the Path variable.
    char saved[8192] = {};
    GetEnvironmentVariableA("Path", saved, sizeof(saved));
    MakeDirs(Staged::Path("Platform\\Kestrin\\Logs"));
    CopyFileA(SourcePath("tests\\fixtures\\corvida\\SystemInfo.xml").c_str(),
              Staged::Path("Platform\\Kestrin\\Logs\\SystemInfo.xml").c_str(), FALSE);
    SetEnvironmentVariableA("Path", (std::string("c:\\windows;") + Staged::Path("Platform\\Kestrin\\bin")).c_str());
    ReportRecord fromXml;
    fromXml.ProductType = "Aldera 600";
    EXPECT_FALSE(IdentifyProduct(fromXml));
    EXPECT_EQ(fromXml.ProductSerialNumber, "AL800-4711");
    SetEnvironmentVariableA("Path", "c:\\windows");
    ReportRecord noXml;
    noXml.ProductType = "Aldera 600";
    EXPECT_TRUE(IdentifyProduct(noXml)) << "nothing found: the user types it";
    EXPECT_EQ(noXml.ProductSerialNumber, "");
    SetEnvironmentVariableA("Path", saved);

    // A model without a section gets nothing.
    ReportRecord unknown;
    unknown.ProductType = "Unknown 1";
    EXPECT_TRUE(IdentifyProduct(unknown));
    EXPECT_EQ(unknown.CustomerName, "");
}

// Written out by hand, byte for byte: two lone line feeds first, the blank before the
// line end of "Local Directory", the empty line after "PerForm Ftp".
const char kExpectedTrovelIni[] =
    "\n\n[Device Version]\r\n"
    "version   =  1\r\n"
    "\r\n\r\n[configuration]\r\n"
    "FTP Path         =  /reports/aldera\r\n"
    "Local Directory      =  C:\\Velmora\\Corvida\\Collection\\ \r\n"
    "PerForm Ftp  =  1\r\n\r\n"
    "Password enable  =  1\r\n"
    "Password Value   =  pavis\r\n"
    "Computer Name    =  NULL\r\n"
    "Registry Field     =  HKLM\\SOFTWARE\\Velmora\\CorvidaSite\\Serial\r\n"
    "User Defined       =  NULL\r\n"
    "SystemInfo   =  NULL\r\n"
    "Region           =  Europe North\r\n"
    "Device Name      =  Aldera 800\r\n"
    "\r\n\r\n[SELECT PACKAGE]\r\n"
    "0)Name   = Aldera\r\n";

TEST(CollectorConfiguration, WritesTheDefinitionFilesByteForByte)
{
    Staged staged;
    WriteFileBytes(".\\Corvida.ini",
                   "[Aldera 800]\r\nFTP Path=/reports/aldera\r\n"
                   "SerialNumber=HKLM\\SOFTWARE\\Velmora\\CorvidaSite\\Serial\r\nPackageName=Aldera\r\n");
    MakeDirs(".\\Data");
    WriteFileBytes(".\\Data\\Corvidadata.ini", "[GroupCustomer]\r\nCustomerRegion=Europe North\r\n");
    WriteFileBytes(".\\Current\\Package_Aldera.ini", "[PACKAGE]\r\nfiles=1\r\n");
    WriteFileBytes(".\\Current\\current_old.INI", "stale");
    WriteFileBytes(".\\Current\\CURRENT_Package_Gone.ini", "stale");
    WriteFileBytes(".\\Current\\current_keep.txt", "not an ini");
    WriteFileBytes(".\\Current\\Trovel.ini", "previous contents that are longer than anything written now" +
                                                 std::string(2000, '#'));
    WriteFileBytes(".\\Directory.ini", "[DIRECTORY]\r\nPath Directory=D:\\elsewhere\\\r\n");

    EXPECT_EQ(CCollector().PrepareCollectorConfiguration(), 1);

    EXPECT_EQ(ReadFileBytes(".\\Current\\Trovel.ini"), kExpectedTrovelIni);
    EXPECT_EQ(ReadFileBytes(".\\Current\\Current_Trovel.ini"), kExpectedTrovelIni);
    EXPECT_EQ(ReadFileBytes(".\\Current\\Current_Package_Aldera.ini"), "[PACKAGE]\r\nfiles=1\r\n");
    EXPECT_TRUE(PathExists(".\\Current\\Package_Aldera.ini"));
    EXPECT_FALSE(PathExists(".\\Current\\current_old.INI"));
    EXPECT_FALSE(PathExists(".\\Current\\CURRENT_Package_Gone.ini"));
    EXPECT_TRUE(PathExists(".\\Current\\current_keep.txt"));
    EXPECT_EQ(ReadFileBytes(".\\Directory.ini"), "\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n");

    // The collector reads it as an INI file: values trimmed.
    char value[256];
    GetPrivateProfileStringA("configuration", "Local Directory", "", value, sizeof(value), ".\\Current\\Trovel.ini");
    EXPECT_STREQ(value, "C:\\Velmora\\Corvida\\Collection\\");
}

TEST(CollectorConfiguration, MissingSettingsGiveEmptyValues)
{
    Staged staged;
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey, "Product");
    EXPECT_EQ(CCollector().PrepareCollectorConfiguration(), 1);
    const std::string bytes = ReadFileBytes(".\\Current\\Trovel.ini");
    EXPECT_NE(bytes.find("FTP Path         =  \r\n"), std::string::npos);
    EXPECT_NE(bytes.find("Device Name      =  \r\n"), std::string::npos);
    EXPECT_NE(bytes.find("0)Name   = \r\n"), std::string::npos);
    EXPECT_FALSE(PathExists(".\\Current\\Current_Package_.ini"));
}

}  // namespace
