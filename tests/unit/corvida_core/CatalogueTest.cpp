#include "FieldCatalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Every mandatory field filled with a value Submit accepts.
ReportRecord CompleteRecord()
{
    ReportRecord record;
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            record.*field.answer = 1;
        else
            record.*field.text = "x";
    }
    return record;
}

TEST(FieldCatalogue, KeysAreUniqueAndThirtyFiveAreMandatory)
{
    std::set<std::string> keys;
    int mandatory = 0;
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        EXPECT_TRUE(keys.insert(kReportFields[i].key).second) << kReportFields[i].key;
        mandatory += kReportFields[i].mandatory ? 1 : 0;
    }
    EXPECT_EQ(kReportFieldCount, 73u);
    EXPECT_EQ(mandatory, 35);
}

TEST(FieldCatalogue, CompleteReportHasNoMissingFieldWhateverTheAnswers)
{
    ReportRecord record = CompleteRecord();
    EXPECT_FALSE(FindMissingMandatoryField(record).missing);
    record.HardwareQ3YN = 7;  // shown as No, and filled
    record.SoftwareQ2YN = 0;
    record.GeneralQ7YN = -1;  // unused slots are never required
    record.PerformanceQ7YN = -1;
    record.CustomerID.clear();
    record.InstallationSummary.clear();
    record.GeneralQ1Text.clear();
    EXPECT_FALSE(FindMissingMandatoryField(record).missing);
}

struct MissingCase {
    const char* key;
    std::string value;  // for text fields
    int answer;         // for answers
    int page;
    int control;
};

TEST(FieldCatalogue, FirstMissingFieldGivesItsPageAndFocusControl)
{
    const MissingCase cases[] = {
        {"CustomerName", "", 0, PageCustomer, 1008},
        {"CustomerRegion", " Select ...", 0, PageCustomer, 1005},
        {"ProductType", "", 0, PageCustomer, 1013},
        {"ProductSerialNumber", "", 0, PageCustomer, 1173},
        {"ProductExposureHeadType", "", 0, PageCustomer, 1038},
        {"ProductAutomationType", "Inline Select ... 2", 0, PageCustomer, 1011},
        {"ProductWorkflowType", " Select ...", 0, PageCustomer, 1039},
        {"InstallationDuration", "", 0, PageCustomer, 1020},
        {"InstallationTeamMember1", "", 0, PageCustomer, 1021},
        {"GeneralQ1YN", "", -1, PageGeneral, 1112},
        {"GeneralQ4YN", "", -1, PageGeneral, 1115},
        {"GeneralQ6YN", "", -5, PageGeneral, 1117},
        {"HardwareQ7YN", "", -1, PageHardware, 1171},
        {"SoftwareQ1YN", "", -1, PageSoftware, 1218},
        {"PerformanceQ6YN", "", -1, PagePerformance, 1277},
    };
    for (const MissingCase& c : cases) {
        ReportRecord record = CompleteRecord();
        const FieldInfo* field = FindField(c.key);
        ASSERT_NE(field, nullptr) << c.key;
        if (field->kind == FieldKind::YesNo)
            record.*field->answer = c.answer;
        else
            record.*field->text = c.value;
        MissingField missing = FindMissingMandatoryField(record);
        EXPECT_TRUE(missing.missing) << c.key;
        EXPECT_EQ(missing.page, c.page) << c.key;
        EXPECT_EQ(missing.control, c.control) << c.key;
    }
}

TEST(FieldCatalogue, EarlierMissingFieldWinsOverLaterOnes)
{
    ReportRecord record;  // everything empty or unanswered
    record.CustomerName = "Printshop";
    record.CustomerRegion = " Select ...";
    MissingField missing = FindMissingMandatoryField(record);
    ASSERT_TRUE(missing.missing);
    EXPECT_STREQ(missing.key, "CustomerRegion");

    ReportRecord answers = CompleteRecord();
    answers.PerformanceQ1YN = -1;
    answers.GeneralQ5YN = -1;
    EXPECT_STREQ(FindMissingMandatoryField(answers).key, "GeneralQ5YN");
}

TEST(FieldCatalogue, FreshRecordIsEmptyAndUnanswered)
{
    ReportRecord record = CompleteRecord();
    record.Clear();
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            EXPECT_EQ(record.*field.answer, -1) << field.key;
        else
            EXPECT_TRUE((record.*field.text).empty()) << field.key;
    }
}

}  // namespace
