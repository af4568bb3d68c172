// Option text of unattended runs: GetOption, SanitizeName and ParseOptions.
#include <gtest/gtest.h>

#include <memory>

#include "Collector.h"

namespace {

struct OptionCase {
    const char* options;
    const char* longName;
    const char* shortName;
    const char* expected;
};

class GetOptionTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(GetOptionTable, ReadsTheValue)
{
    const OptionCase& c = GetParam();
    EXPECT_EQ(CTrovelCollector::GetOption(c.options, c.longName, c.shortName), c.expected) << c.options;
}

INSTANTIATE_TEST_SUITE_P(
    Options, GetOptionTable,
    ::testing::Values(
        // quoted values are made safe for a file name
        OptionCase{" -p \"Aldera 800\"  -c \"ACME Print/Shop\"", "-customer", "-c", "ACME_Print_Shop"},
        OptionCase{"-subject \"Weekly check\"", "-subject", "-s", "Weekly_check"},
        OptionCase{"-c \"a/b\\c|d?e:f'g<h>i*j~k`l^m%n&o p\"", "-customer", "-c", "a_b_c_d_e_f_g_h_i_j_k_l_m_n_o_p"},
        OptionCase{"-c \"no closing quote", "-customer", "-c", "no_closing_quote"},
        // unquoted values end at a blank or an apostrophe and stay as written
        OptionCase{"-customer ACME -p X", "-customer", "-c", "ACME"},
        OptionCase{"-r EU/West -c ACME", "-region", "-r", "EU/West"},
        OptionCase{"-c 'ACME'", "-customer", "-c", ""},
        // the long form wins over the short one; absent or valueless keys give nothing
        OptionCase{"-p Short -product Long", "-product", "-p", "Long"},
        OptionCase{"-c ACME", "-product", "-p", ""},
        OptionCase{"-c ACME -p", "-product", "-p", ""},
        // a key is an option only on its own, never part of a longer word or of a value
        OptionCase{"-c \"Print-press -p\" -r EU", "-product", "-p", ""},
        OptionCase{"-c Lab-dept", "-description", "-d", ""},
        OptionCase{"-d \"use -c here\" -c \"ACME\"", "-customer", "-c", "ACME"}));

TEST(ParseOptions, StoresValuesAndReplacesSubjectAndDescription)
{
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strMachineId = "WS-0042";
    std::string description = "see xml report.", subject = "Installation Report";

    collector->ParseOptions(" -p \"Aldera 800\"  -c \"ACME Print/Shop\" -r EMEA -s \"Weekly check\"", description,
                            subject);

    EXPECT_EQ(collector->m_strMachineId, "ACME_Print_Shop");
    EXPECT_EQ(collector->m_strProduct, "Aldera_800");
    EXPECT_EQ(collector->m_strRegion, "EMEA");
    EXPECT_EQ(subject, "Weekly_check");
    EXPECT_EQ(description, "see xml report.");  // no -d: the host's text stays
}

TEST(ParseOptions, EmptyValuesNeverClearWhatIsStored)
{
    auto collector = std::make_unique<CTrovelCollector>();
    collector->m_strMachineId = "WS-0042";
    collector->m_strProduct = "Aldera 800";
    std::string description = "host text", subject = "host subject";

    collector->ParseOptions("-c 'ACME' -p \"\"", description, subject);

    EXPECT_EQ(collector->m_strMachineId, "WS-0042");
    EXPECT_EQ(collector->m_strProduct, "Aldera 800");
    EXPECT_EQ(subject, "host subject");
}

TEST(ParseOptions, UnquotedCustomerCannotLeaveTheLocalDirectory)
{
    // The customer names a folder that the run deletes at its end.
    auto collector = std::make_unique<CTrovelCollector>();
    std::string description, subject;
    collector->ParseOptions("-c ..\\..\\Windows", description, subject);
    EXPECT_EQ(collector->m_strMachineId, ".._.._Windows");
}

}  // namespace
