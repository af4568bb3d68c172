#include "Collector.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <regex>

using namespace engine_test;
using testing_support::ReadFileBytes;

namespace {

TEST(LocalAddressList, DottedAddressesSixBlanksApart)
{
    const std::string list = CTrovelCollector::LocalAddressList();
    EXPECT_TRUE(std::regex_match(list, std::regex(R"(\d+\.\d+\.\d+\.\d+(      \d+\.\d+\.\d+\.\d+)*)"))) << list;
    EXPECT_NE(list.find("127.0.0.1"), std::string::npos) << list;
}

TEST(WriteDescription, FileIsByteExactInBothVariants)
{
    testing_support::ScratchDir local("desc");
    const std::string config = local / "Current_Trovel.ini";
    WriteIni(config, "CONFIGURATION", "Region", "EMEA");
    const std::string noRegion = local / "NoRegion.ini";
    WriteIni(noRegion, "CONFIGURATION", "Perform FTP", "1");

    struct Case {
        const char* what;
        int unattended;
        std::string product, regionOption, configFile, subject, description;
        std::string productLine, region, subjectLine, descriptionLine;
    } const cases[] = {
        {"attended: no product line even with a product", 0, "Platesetter X", "", config, "Installation Report",
         "see xml report.", "", "EMEA", "Installation Report", "see xml report."},
        {"unattended: a product line even when empty", 1, "", "", config, "  Weekly check \t", "\r\n two words \n",
         "Product:         \r\n", "EMEA", "Weekly check", "two words"},
        {"the region option wins", 1, "Platesetter X", "APAC", config, "", "d", "Product:         Platesetter X\r\n",
         "APAC", "", "d"},
        {"no region anywhere", 0, "", "", noRegion, "s", "", "", "Unknown", "s", ""},
    };
    for (const Case& c : cases) {
        auto collector = std::make_unique<CTrovelCollector>();
        collector->m_strLocalDir = local.Path() + "\\deeper\\";
        collector->m_strMachineId = "M1";
        collector->m_strStamp = "2020_06_15_12_00";
        collector->m_strConfigFile = c.configFile;
        collector->m_strProduct = c.product;
        collector->m_strRegion = c.regionOption;
        collector->m_bUnattended = c.unattended;
        collector->WriteDescription(c.description, c.subject);

        EXPECT_EQ(collector->m_strCollectDir, local.Path() + "\\deeper\\M1_2020_06_15_12_00");
        EXPECT_EQ(collector->m_strZipName, "M1_2020_06_15_12_00.zip");
        const std::string text = ReadFileBytes(collector->m_strCollectDir + "\\M1_2020_06_15_12_00.txt");

        std::smatch parts;
        ASSERT_TRUE(std::regex_search(text, parts,
                                      std::regex("Collection Date: (\\d\\d/\\d\\d/\\d\\d  \\d\\d:\\d\\d:\\d\\d)\r\n"
                                                 "IP Address:      ([0-9. ]*)\r\n")))
            << c.what << "\n" << text;
        const std::string date = parts[1], addresses = parts[2];
        char today[16];
        const time_t now = time(nullptr);
        strftime(today, sizeof today, "%m/%d/%y", localtime(&now));
        EXPECT_EQ(date.substr(0, 8), today) << c.what;
        EXPECT_EQ(addresses, CTrovelCollector::LocalAddressList()) << c.what;

        const std::string expected = "Trovel Version 3.00.07\r\n\r\nCollection Date: " + date + "\r\nIP Address:      " +
                                     addresses + "\r\n" + c.productLine + "Computer Name:   M1\r\nRegion:          " +
                                     c.region + "\r\n\r\nSubject:\r\n--------\r\n" + c.subjectLine +
                                     "\r\n\r\nProblem Description:\r\n--------------------\r\n" + c.descriptionLine +
                                     "\r\n ";
        EXPECT_EQ(text, expected) << c.what;
    }
}

}  // namespace
