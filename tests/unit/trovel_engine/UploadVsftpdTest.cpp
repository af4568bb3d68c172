// The upload against vsftpd: an open anonymous upload folder and a write-only drop box, as
// support centres set them up.
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

const char kRemoteName[] = "M2_2021_03_04_05_06.zip";
const char kProgressText[] = "Send files to FTP server.";

struct VsftpdCase {
    const char* what;
    const char* address;
    VsftpdServer::Setup setup;
    std::vector<std::string> folders;
    std::string ftpPath;
    int expected;
    std::string result;       // the driver's text on success, else the error text
    std::string storedIn;     // folder below the anonymous root that then holds the archive
    std::string sizeAnswer;   // how the server answered SIZE after the transfer ("" not asked)
};

class UploadVsftpdTest : public ::testing::TestWithParam<VsftpdCase> {};

TEST_P(UploadVsftpdTest, StoredAndReported)
{
    const VsftpdCase& c = GetParam();
    ScratchDir local(std::string("vsftpd-upload-") + c.address);
    std::string archive;
    for (int i = 0; i < 3 * 1024 * 1024 + 17; ++i)
        archive += static_cast<char>((i * 2246822519u) >> 11);
    const std::string zipPath = local / kRemoteName;
    WriteFileBytes(zipPath, archive);
    const std::string config = local / "Current_Trovel.ini";
    WriteIni(config, "CONFIGURATION", "FTP Path", c.ftpPath);

    VsftpdServer server(c.address, c.setup, c.folders);
    ASSERT_TRUE(server.Start()) << c.what << ": " << server.StartOutput();

    int boxes = 0;
    SetQuestionHandler([&](const std::string&, UINT, int) { return ++boxes, IDOK; });
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strConfigFile = config;
    collector->m_strMachineId = "M2";
    collector->m_strStamp = "2021_03_04_05_06";
    collector->m_strZipPath = zipPath;
    collector->m_nFtpStallMs = 5000;
    std::string result = kProgressText;
    EXPECT_EQ(collector->UploadArchive(result), c.expected) << c.what;
    SetQuestionHandler(nullptr);
    server.Stop();

    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(boxes, 0) << c.what;
    const std::string log = server.Log();
    if (c.expected == 1)
        EXPECT_EQ(ReadFileBytes(server.Root() + "\\" + c.storedIn + "\\" + kRemoteName), archive) << c.what;
    else
        EXPECT_FALSE(PathExists(server.Root() + "\\" + c.storedIn + "\\" + kRemoteName)) << c.what;
    if (!c.sizeAnswer.empty()) {
        // The size was asked for, and the answer was the one this set-up gives.
        const size_t asked = log.find("\"SIZE " + std::string(kRemoteName) + "\"");
        ASSERT_NE(asked, std::string::npos) << log;
        EXPECT_NE(log.find("\"" + c.sizeAnswer, asked), std::string::npos) << log;
    }
}

using Setup = VsftpdServer::Setup;
INSTANTIATE_TEST_SUITE_P(
    Setups, UploadVsftpdTest,
    ::testing::Values(
        VsftpdCase{"open anonymous upload folder", "127.0.0.80", Setup::OpenUpload, {"incoming/reports"},
                   "127.0.0.80\\incoming\\reports", 1, kProgressText, "incoming\\reports",
                   "213 " + std::to_string(3 * 1024 * 1024 + 17)},
        VsftpdCase{"write-only drop box", "127.0.0.81", Setup::DropBox, {"dropbox"}, "127.0.0.81\\dropbox", 1,
                   kProgressText, "dropbox", "550 Permission denied."},
        VsftpdCase{"a store the server refuses (read-only folder)", "127.0.0.82", Setup::OpenUpload, {"incoming"},
                   "127.0.0.82\\.", 0, " FTP Server path '\\127.0.0.82\\.' Fails to Upload File \n", ".", ""}));

}  // namespace
