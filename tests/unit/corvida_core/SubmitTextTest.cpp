#include "Submission.h"
#include "TestSupport.h"
#include "ZipWriter.h"

#include <gtest/gtest.h>

using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

TEST(SubmissionArchive, LocalTargetFromTheStatusText)
{
    struct Case {
        const char* text;
        const char* target;
    } cases[] = {
        {"File Collection completed successfully:  Collected Packages: Report. Local Target: "
         "C:\\Velmora\\Corvida\\Collection\\AL800_2024_05_14_09_31.zip FTP Server: 127.0.0.40.",
         "C:\\Velmora\\Corvida\\Collection\\AL800_2024_05_14_09_31.zip"},
        {"File Collection failed!  Collected Packages: A,B. Local Target: C:\\X\\Y.ZIP A connection to FTP server",
         "C:\\X\\Y.ZIP"},
        // Cut at 254 characters before the name ends.
        {"File Collection completed successfully:  Collected Packages: Report. Local Target: C:\\Velmora\\Co", ""},
        {"File Collection complete.", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LocalTargetOf(c.text), c.target) << c.text;
}

TEST(SubmissionArchive, HoldsTheReportOnlyAsTheSameFile)
{
    ScratchDir dir("archive_report");
    const std::string report = dir / "Corvidadata.ini";
    const std::string other = dir / "other.ini";
    WriteFileBytes(report, "[GroupCustomer]\r\nCustomerName=Printshop\r\n");
    WriteFileBytes(other, "[GroupCustomer]\r\nCustomerName=Elsewhere\r\n");
    WriteFileBytes(dir / "broken.zip", "PK\x05\x06 not an archive");

    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;  // entry name, source
        bool holds;
    } cases[] = {
        {"collected in a package folder", {{"WS_1\\Description.txt", other}, {"WS_1\\Report\\Corvidadata.ini", report}}, true},
        {"collected under its drive path", {{"WS_1\\Report\\Velmora\\Corvida\\Data\\CORVIDADATA.INI", report}}, true},
        {"not collected", {{"WS_1\\Description.txt", report}}, false},
        {"another file of that name", {{"WS_1\\Report\\Corvidadata.ini", other}}, false},
        {"a name that only ends alike", {{"WS_1\\OldCorvidadata.ini", report}}, false},
        {"empty archive", {}, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string archive = dir / ("case" + std::to_string(index++) + ".zip");
        HZIP zip = CreateZip(archive, "pavis");
        ASSERT_NE(zip, nullptr);
        for (const auto& entry : c.entries)
            ASSERT_EQ(ZipAdd(zip, entry.first, entry.second), ZR_OK);
        ASSERT_EQ(CloseZip(zip), ZR_OK);
        EXPECT_EQ(ArchiveHoldsReport(archive, report), c.holds) << c.name;
    }
    EXPECT_FALSE(ArchiveHoldsReport(dir / "missing.zip", report));
    EXPECT_FALSE(ArchiveHoldsReport(dir / "broken.zip", report));
    EXPECT_FALSE(ArchiveHoldsReport("", report));
    EXPECT_FALSE(ArchiveHoldsReport(dir / "case0.zip", dir / "no-report.ini")) << "no report to compare";
}

TEST(CollectorOptions, DeviceAndSerialNumberTable)
{
    struct Case {
        const char* device;
        const char* serial;
        const char* options;
    } cases[] = {
        {"Aldera 800", "AL800-4711", " -p \"Aldera 800\"  -c \"AL800-4711\""},
        {"Aldera 800", "user^4711", " -p \"Aldera 800\"  -c \"4711\""},
        {"Aldera 800", "", " -p \"Aldera 800\" "},
        {"Aldera 800", "user^", " -p \"Aldera 800\" "},
        {"", "", " -p \"\" "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildCollectorOptions(c.device, c.serial), c.options) << c.serial;
}

TEST(CollectorConfiguration, DirectoryFileText)
{
    EXPECT_EQ(DirectoryIniBytes(), "\r\n\r\n [DIRECTORY]  \r\n\r\n Path Directory= .\\ \r\n");
}

}  // namespace
