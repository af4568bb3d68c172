#include "PendingSubmission.h"
#include "TestSupport.h"
#include "Workstation.h"

#include <gtest/gtest.h>

using namespace workstation;

namespace {

TEST(ResubmitCommand, OptionIsOneWordInAnyCase)
{
    const struct {
        const char* arguments;
        bool retry;
    } cases[] = {
        {"/resubmit", true},   {"/RESUBMIT", true},   {"  /ReSubmit  ", true}, {"\"/resubmit\"", true},
        {"/x /resubmit", true}, {"", false},          {"resubmit", false},     {"/resubmitnow", false},
        {"/resubmi", false},    {"-resubmit", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsResubmitCommand(c.arguments), c.retry) << "[" << c.arguments << "]";
}

TEST(PendingSubmission, OnlyAnAcceptedUnsentReportThatStillPassesTheChecks)
{
    const struct {
        const char* name;
        const char* performed;  // nullptr: no value
        const char* completed;
        bool writeReport;
        const char* customer;
        bool clearMandatory;
        bool pending;
    } cases[] = {
        {"accepted, upload failed", "1", nullptr, true, "Printshop", false, true},
        {"completed reads 0", "1", "0", true, "Printshop", false, true},
        {"never submitted", nullptr, nullptr, true, "Printshop", false, false},
        {"performed reads 0", "0", nullptr, true, "Printshop", false, false},
        {"already sent", "1", "1", true, "Printshop", false, false},
        {"report gone", "1", nullptr, false, "Printshop", false, false},
        {"customer became the maker", "1", nullptr, true, "VELMORA", false, false},
        {"mandatory field cleared since", "1", nullptr, true, "Printshop", true, false},
    };
    for (const auto& c : cases) {
        Staged staged;
        if (c.performed)
            SetValue(kKey, "Data Submission Performed", c.performed);
        if (c.completed)
            SetValue(kKey, "Data Submission Completed", c.completed);
        if (c.writeReport) {
            ReportRecord record = CompleteReport();
            record.CustomerName = c.customer;
            if (c.clearMandatory)
                record.ProductExposureHeadType.clear();
            ASSERT_TRUE(SaveReport(record, kReportFile, "test"));
        }
        EXPECT_EQ(IsSubmissionPending(), c.pending) << c.name;
        // Not pending: the retry starts no run at all (no collector configuration is written).
        if (!c.pending) {
            EXPECT_FALSE(RetryPendingSubmission()) << c.name;
            EXPECT_FALSE(testing_support::PathExists(".\\Directory.ini")) << c.name;
        }
    }
}

}  // namespace
