#include "FieldCatalogue.h"
#include "ReportStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testing_support::ReadFileBytes;
using testing_support::ScratchDir;
using testing_support::WriteFileBytes;

namespace {

// A record with a distinct value in every field: texts carry their key (the summary
// two lines), answers a spread of values including ones the pages never produce.
ReportRecord DistinctRecord(const std::string& tag)
{
    ReportRecord record;
    int n = 0;
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            record.*field.answer = (n++ % 4 == 0) ? 7 : (n % 4) - 1;
        else if (field.kind == FieldKind::DoneFlag)
            record.*field.text = (n++ % 2) ? "true" : "false";
        else
            record.*field.text = tag + field.key;
    }
    record.InstallationSummary = tag + "first line\r\nsecond line";
    record.GeneralQ2Text = "a\r\nb\r\n";
    record.GeneralQ1YN = 7;
    record.GeneralQ2YN = -1;
    return record;
}

void ExpectSameRecord(const ReportRecord& expected, const ReportRecord& actual)
{
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            EXPECT_EQ(expected.*field.answer, actual.*field.answer) << field.key;
        else
            EXPECT_EQ(expected.*field.text, actual.*field.text) << field.key;
    }
}

TEST(ReportStore, RoundTripKeepsEveryFieldIncludingLineBreaksAndOddAnswers)
{
    ScratchDir dir("store_roundtrip");
    const std::string file = dir / "Data\\Corvidadata.ini";  // folder created by the save
    ReportRecord saved = DistinctRecord("v-");
    ASSERT_TRUE(SaveReport(saved, file, "3.2"));

    ReportRecord loaded;
    LoadReport(loaded, file);
    ExpectSameRecord(saved, loaded);

    const std::string bytes = ReadFileBytes(file);
    EXPECT_EQ(bytes.find("[Version]"), 0u) << "the version section comes first";
    EXPECT_NE(bytes.find("INIVersion=3.2"), std::string::npos);
    EXPECT_NE(bytes.find("InstallationSummary=v-first line\xA5second line"), std::string::npos);
    EXPECT_NE(bytes.find("GeneralQ1YN=7"), std::string::npos);
    EXPECT_NE(bytes.find("GeneralQ2YN=-1"), std::string::npos);
    EXPECT_EQ(bytes.find("GeneralQ7YN"), std::string::npos) << "unused slots are not stored";
    EXPECT_EQ(bytes.find("PerformanceQ7Text"), std::string::npos);
}

TEST(ReportStore, AListLeftOnItsPlaceholderStaysUnfilledAfterSaveAndLoad)
{
    // The profile reader drops the placeholder's leading blank; loading must put it back,
    // or a region never chosen would pass the mandatory check once the report is reopened.
    ScratchDir dir("store_placeholder");
    const std::string file = dir / "Corvidadata.ini";
    ReportRecord saved = DistinctRecord("v-");
    saved.CustomerRegion = kSelectPlaceholder;
    saved.CustomerID = "Select ...";  // a typed text is not a list and stays as typed
    ASSERT_TRUE(SaveReport(saved, file, "3.2"));

    ReportRecord loaded;
    LoadReport(loaded, file);
    EXPECT_EQ(loaded.CustomerRegion, " Select ...");
    EXPECT_EQ(loaded.CustomerID, "Select ...");
    const MissingField missing = FindMissingMandatoryField(loaded);
    ASSERT_TRUE(missing.missing);
    EXPECT_STREQ(missing.key, "CustomerRegion");
}

TEST(ReportStore, FreshRecordSavesEveryAnswerAsMinusOne)
{
    ScratchDir dir("store_fresh");
    ASSERT_TRUE(SaveReport(ReportRecord(), dir / "r.ini", ""));
    const std::string bytes = ReadFileBytes(dir / "r.ini");
    EXPECT_NE(bytes.find("CustomerName=\r\n"), std::string::npos);
    for (const char* key : {"GeneralQ6YN=-1", "HardwareQ7YN=-1", "SoftwareQ1YN=-1", "PerformanceQ6YN=-1"})
        EXPECT_NE(bytes.find(key), std::string::npos) << key;
}

struct LoadCase {
    const char* name;
    const char* fileLine;  // written below [GroupGeneral]
    const char* key;
    std::string expectedText;
    int expectedAnswer;
};

TEST(ReportStore, LoadReadsValuesAsStoredOrDefaults)
{
    const LoadCase cases[] = {
        {"empty answer is not answered", "GeneralQ3YN=", "GeneralQ3YN", "", -1},
        {"no digits read as 0", "GeneralQ3YN=yes", "GeneralQ3YN", "", 0},
        {"leading number taken", "GeneralQ3YN=-5x", "GeneralQ3YN", "", -5},
        {"seven kept", "GeneralQ3YN=7", "GeneralQ3YN", "", 7},
        {"missing key", "", "GeneralQ3YN", "", -1},
        {"typed 0xA5 becomes a line break", "GeneralQ1Text=100\xA5yen", "GeneralQ1Text", "100\r\nyen", 0},
    };
    ScratchDir dir("store_load");
    for (const LoadCase& c : cases) {
        const std::string file = dir / "case.ini";
        WriteFileBytes(file, std::string("[GroupGeneral]\r\n") + c.fileLine + "\r\n");
        ReportRecord record;
        LoadReport(record, file);
        const FieldInfo* field = FindField(c.key);
        ASSERT_NE(field, nullptr);
        if (field->kind == FieldKind::YesNo)
            EXPECT_EQ(record.*field->answer, c.expectedAnswer) << c.name;
        else
            EXPECT_EQ(record.*field->text, c.expectedText) << c.name;
    }
}

TEST(ReportStore, OverlongValuesAreCutToTheFieldCapacity)
{
    ScratchDir dir("store_long");
    const std::string file = dir / "long.ini";
    WriteFileBytes(file, "[GroupCustomer]\r\nCustomerName=" + std::string(300, 'n') +
                             "\r\n[GroupInstallation]\r\nInstallationTeamMember1DoneFlag=truetrue\r\n"
                             "[GroupHardware]\r\nHardwareQ1Text=" + std::string(2000, 'h') + "\r\n");
    ReportRecord record;
    LoadReport(record, file);
    EXPECT_EQ(record.CustomerName, std::string(255, 'n'));
    EXPECT_EQ(record.InstallationTeamMember1DoneFlag, "truet");
    EXPECT_EQ(record.HardwareQ1Text, std::string(1024, 'h'));
}

TEST(ReportStore, MissingFileGivesAnEmptyReport)
{
    ReportRecord record = DistinctRecord("x");
    LoadReport(record, ".\\no-such-folder\\none.ini");
    ExpectSameRecord(ReportRecord(), record);
}

// The save is stopped before each of its steps in turn, as if the program died there:
// the file on disk must always be one whole report.
int g_stopAt = -1;
int g_stepsSeen = 0;
bool StopAtStep(int step)
{
    ++g_stepsSeen;
    return step != g_stopAt;
}

TEST(ReportStore, SaveInterruptedAtAnyStepLeavesTheWholePreviousReport)
{
    ScratchDir dir("store_atomic");
    const std::string file = dir / "Corvidadata.ini";
    const ReportRecord oldReport = DistinctRecord("old-");
    const ReportRecord newReport = DistinctRecord("new-");
    ASSERT_TRUE(SaveReport(oldReport, file, "1"));

    g_stopAt = -1;
    g_stepsSeen = 0;
    SetSaveStepHook(StopAtStep);
    ASSERT_TRUE(SaveReport(oldReport, file, "1"));
    const int steps = g_stepsSeen;
    ASSERT_GE(steps, static_cast<int>(kReportFieldCount) + 2) << "every value write is a step";

    for (int stop = 0; stop < steps; ++stop) {
        g_stopAt = stop;
        EXPECT_FALSE(SaveReport(newReport, file, "2")) << "step " << stop;
        ReportRecord onDisk;
        LoadReport(onDisk, file);
        SCOPED_TRACE("stopped before step " + std::to_string(stop));
        ExpectSameRecord(oldReport, onDisk);
    }
    SetSaveStepHook(nullptr);

    // The next full save, after all the debris above, writes exactly the new report.
    ASSERT_TRUE(SaveReport(newReport, file, "2"));
    ReportRecord onDisk;
    LoadReport(onDisk, file);
    ExpectSameRecord(newReport, onDisk);
    EXPECT_EQ(ReadFileBytes(file).find("old-"), std::string::npos) << "no stale value survives";
}

TEST(ReportStore, WriteReportValueStoresLineBreaksAsOneByte)
{
    ScratchDir dir("store_write");
    const std::string file = dir / "w.ini";
    ASSERT_TRUE(WriteReportValue("GroupCustomer", "CustomerName", "A\r\nB\r\n\r\nC", file));
    EXPECT_NE(ReadFileBytes(file).find("CustomerName=A\xA5" "B\xA5\xA5" "C\r\n"), std::string::npos);
}

}  // namespace
