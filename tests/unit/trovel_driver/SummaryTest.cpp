// The closing summary of a run.
#include <gtest/gtest.h>

#include <memory>

#include "Collector.h"
#include "TestSupport.h"

using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

struct SummaryCase {
    const char* name;
    bool tried;
    bool ok;
    const char* expected;
    const char* failure = "";
    int missed = 0;
};

class ComposeSummaryTable : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(ComposeSummaryTable, ComposesTheWholeText)
{
    const SummaryCase& c = GetParam();
    EXPECT_EQ(CTrovelCollector::ComposeSummary(c.tried, c.ok, "Logs,Registry,", "C:\\Collect\\WS_2024_05_14_09_31.zip",
                                               "127.0.0.30", c.failure, c.missed),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ComposeSummaryTable,
    ::testing::Values(
        SummaryCase{"uploaded", true, true,
                    "File Collection completed successfully:\r\n\r\nCollected Packages: Logs,Registry.\r\n"
                    "Local Target: C:\\Collect\\WS_2024_05_14_09_31.zip\r\nFTP Server: 127.0.0.30."},
        SummaryCase{"upload_failed", true, false,
                    "File Collection failed!\r\n\r\nCollected Packages: Logs,Registry.\r\n"
                    "Local Target: C:\\Collect\\WS_2024_05_14_09_31.zip\r\n"
                    "A connection to FTP server 127.0.0.30 could not be established."},
        SummaryCase{"no_upload", false, false,
                    "File Collection completed successfully:\r\n\r\nCollected Packages: Logs,Registry.\r\n"
                    "Local Target: C:\\Collect\\WS_2024_05_14_09_31.zip\r\nFTP not performed."},
        // Items that could not be collected are counted without calling the run failed.
        SummaryCase{"missed_files", true, true,
                    "File Collection completed successfully:\r\n\r\nCollected Packages: Logs,Registry.\r\n"
                    "2 file(s) could not be collected (see TrovelLog.txt).\r\n"
                    "Local Target: C:\\Collect\\WS_2024_05_14_09_31.zip\r\nFTP Server: 127.0.0.30.",
                    "", 2},
        // Without a whole archive nothing is uploaded and the reason comes first.
        SummaryCase{"no_archive", false, false,
                    "File Collection failed!\r\nThe disk is full.\r\n\r\nCollected Packages: Logs,Registry.\r\n"
                    "No archive was made; FTP not performed.",
                    "The disk is full."}),
    [](const ::testing::TestParamInfo<SummaryCase>& info) { return std::string(info.param.name); });

TEST(PackageLine, ListsWrapsAndHandlesNone)
{
    EXPECT_EQ(CTrovelCollector::PackageLine(""), "Collected Packages: <no packages>.");
    EXPECT_EQ(CTrovelCollector::PackageLine("Logs,"), "Collected Packages: Logs.");
    // 30-character names: the third would pass 65 characters on the first line, the
    // fourth still fits the second line (limit 130 for two lines).
    const std::string a(30, 'a'), b(30, 'b'), c(30, 'c'), d(30, 'd');
    EXPECT_EQ(CTrovelCollector::PackageLine(a + "," + b + "," + c + "," + d + ","),
              "Collected Packages: " + a + "," + b + ",\n" + c + "," + d + ".");
}

TEST(FtpServerName, CutsBeforeTheFirstBackslash)
{
    EXPECT_EQ(CTrovelCollector::FtpServerName("ftp.example\\incoming\\reports"), "ftp.example");
    EXPECT_EQ(CTrovelCollector::FtpServerName("ftp.example"), "ftp.example");
    EXPECT_EQ(CTrovelCollector::FtpServerName(""), "");
}

TEST(BuildSummary, ReadsPackagesAndServerFromTheConfiguration)
{
    ScratchDir dir("summary");
    const std::string config = dir / "Current_Trovel.ini";
    WriteFileBytes(config,
                   "[CONFIGURATION]\r\nFTP Path=\r\nFTP Server=ftp.example\\reports\r\nPerform FTP=0\r\n\r\n"
                   "[SELECT PACKAGE]\r\n0)Name=Logs\r\n1)Name=Extra\\Registry\r\n3)Name=AfterAGap\r\n");
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strConfigFile = config;
    collector->m_strZipPath = "C:\\Collect\\ACME_2024_05_14_09_31.zip";
    // An unattended run uploads whatever "Perform FTP" says; the summary tells how it went.
    collector->m_bUploadTried = 1;
    collector->m_bFtpOk = 0;

    std::string summary;
    collector->BuildSummary(summary);

    EXPECT_EQ(summary, "File Collection failed!\r\n\r\nCollected Packages: Logs,Extra\\Registry.\r\n"
                       "Local Target: C:\\Collect\\ACME_2024_05_14_09_31.zip\r\n"
                       "A connection to FTP server ftp.example could not be established.");
}

}  // namespace
