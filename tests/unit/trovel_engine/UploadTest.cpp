#include "Collector.h"
#include "Definitions.h"
#include "EngineTestSupport.h"
#include "FtpServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine_test;
using namespace testing_support;

namespace {

const char kRemoteName[] = "M1_2020_06_15_12_00.zip";
const char kProgressText[] = "Send files to FTP server.";

struct UploadCase {
    const char* what;
    const char* address;
    FtpServer::Mode mode;
    std::vector<std::string> folders;
    std::string ftpPath, ftpServer;
    int expected;
    std::string result;    // the driver's text on success, else the error text
    std::string storedIn;  // remote folder that must then hold the archive (success only)
    bool archiveMissing = false;
    int archiveBytes = 2 * 1024 * 1024;
    unsigned stallMs = 5000;      // no progress for this long fails the upload
    bool partialRemoved = false;  // a failed store leaves nothing in `storedIn`
};

class UploadTest : public ::testing::TestWithParam<UploadCase> {};

TEST_P(UploadTest, OutcomeAndText)
{
    const UploadCase& c = GetParam();
    ScratchDir local(std::string("upload-") + c.address);
    std::string archive;
    for (int i = 0; i < c.archiveBytes; ++i)
        archive += static_cast<char>((i * 2654435761u) >> 13);
    const std::string zipPath = local / kRemoteName;
    if (!c.archiveMissing)
        WriteFileBytes(zipPath, archive);
    const std::string config = local / "Current_Trovel.ini";
    WriteIni(config, "CONFIGURATION", "FTP Path", c.ftpPath);
    WriteIni(config, "CONFIGURATION", "FTP Server", c.ftpServer);

    FtpServer server(c.address, c.mode, c.folders);
    ASSERT_TRUE(server.Start()) << c.what;

    int boxes = 0;
    SetQuestionHandler([&](const std::string&, UINT, int) { return ++boxes, IDOK; });
    DeleteFileA("TrovelLog.txt");
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strConfigFile = config;
    collector->m_strMachineId = "M1";
    collector->m_strStamp = "2020_06_15_12_00";
    collector->m_strZipPath = zipPath;
    collector->m_nFtpStallMs = c.stallMs;
    std::string result = kProgressText;
    const DWORD started = GetTickCount();
    EXPECT_EQ(collector->UploadArchive(result), c.expected) << c.what;
    EXPECT_LT(GetTickCount() - started, 20000u) << c.what;
    SetQuestionHandler(nullptr);
    if (c.partialRemoved) {
        EXPECT_FALSE(PathExists(server.Root() + "\\" + c.storedIn + "\\" + kRemoteName))
            << c.what << ": the partial file stays on the server";
    }
    server.Stop();

    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(boxes, 0) << c.what << ": errors are logged, never shown";
    if (c.expected == 1) {
        EXPECT_EQ(ReadFileBytes(server.Root() + "\\" + c.storedIn + "\\" + kRemoteName), archive) << c.what;
    } else {
        std::string logged = result;
        logged.back() = ' ';  // the log keeps a line feed as a blank
        EXPECT_NE(ReadFileBytes("TrovelLog.txt").find("|  ***  " + logged + "\n"), std::string::npos) << c.what;
    }
}

using Mode = FtpServer::Mode;
INSTANTIATE_TEST_SUITE_P(
    Outcomes, UploadTest,
    ::testing::Values(
        UploadCase{"path form, folder by folder", "127.0.0.10", Mode::Normal, {"incoming/reports"},
                   "127.0.0.10\\incoming\\reports", "", 1, kProgressText, "incoming\\reports"},
        UploadCase{"a path of only a server changes no folder", "127.0.0.11", Mode::Normal, {},
                   "127.0.0.11", "", 0, " FTP Server path '\\127.0.0.11' cannot be found\n", ""},
        UploadCase{"server form below Output", "127.0.0.12", Mode::Normal, {"Output/reports", "reports"}, "",
                   "127.0.0.12\\reports", 1, kProgressText, "Output\\reports"},
        UploadCase{"server form without an Output folder", "127.0.0.13", Mode::Normal, {"reports"}, "",
                   "127.0.0.13\\reports", 1, kProgressText, "reports"},
        UploadCase{"remote folder missing", "127.0.0.14", Mode::FolderMissing, {"incoming/reports"},
                   "127.0.0.14\\incoming\\reports", "", 0,
                   " FTP Server path '\\127.0.0.14\\incoming\\reports' cannot be found\n", ""},
        UploadCase{"server down", "127.0.0.15", Mode::ServerDown, {}, "127.0.0.15\\incoming", "", 0,
                   "FTP ERROR !!!  The attempt to connect to the server failed.\n", ""},
        UploadCase{"login refused", "127.0.0.16", Mode::LoginRefused, {}, "127.0.0.16\\incoming", "", 0,
                   "FTP ERROR !!!  Internet error 12015. 530 Anonymous access not allowed.\n", ""},
        UploadCase{"connection dropped during the transfer", "127.0.0.17", Mode::DropMidTransfer, {"incoming"},
                   "127.0.0.17\\incoming", "", 0, " FTP Server path '\\127.0.0.17\\incoming' Fails to Upload File \n",
                   "incoming", false, 2 * 1024 * 1024, 5000, true},
        // small enough to be handed over whole before the server breaks the connection
        UploadCase{"connection dropped after the last block was sent", "127.0.0.19", Mode::DropMidTransfer,
                   {"incoming"}, "127.0.0.19\\incoming", "", 0,
                   " FTP Server path '\\127.0.0.19\\incoming' Fails to Upload File \n", "incoming", false, 200 * 1024,
                   5000, true},
        UploadCase{"no progress: the server stops reading", "127.0.0.70", Mode::StallMidTransfer, {"incoming"},
                   "127.0.0.70\\incoming", "", 0, "FTP ERROR !!!  The request has timed out.\n", "", false,
                   8 * 1024 * 1024, 2000},
        // the whole transfer takes longer than the no-progress bound, yet keeps moving
        UploadCase{"slow but live link", "127.0.0.71", Mode::SlowLink, {"incoming"}, "127.0.0.71\\incoming", "", 1,
                   kProgressText, "incoming", false, 400 * 1024, 3000},
        UploadCase{"confirmed, but the server holds fewer bytes", "127.0.0.72", Mode::TruncateStored, {"incoming"},
                   "127.0.0.72\\incoming", "", 0, " FTP Server path '\\127.0.0.72\\incoming' Fails to Upload File \n",
                   "incoming", false, 2 * 1024 * 1024, 5000, true},
        UploadCase{"local archive missing", "127.0.0.18", Mode::Normal, {"incoming"}, "127.0.0.18\\incoming", "", 0,
                   " FTP Server path '\\127.0.0.18\\incoming' Fails to Upload File \n", "", true}));

}  // namespace
