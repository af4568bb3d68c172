#include "FieldCatalogue.h"

#include "Text.h"
#include "resource.h"

#include <cstring>

// Control ids are those of the page templates: the customer page's by name; question n
// of a question page has its text edit, "Yes" and "No" buttons at fixed offsets from the
// page's base ids.
const FieldInfo kReportFields[] = {
    {"CustomerName", "GroupCustomer", FieldKind::Text, 256, true, PageCustomer, IDC_CUSTOMER_NAME, 0, IDC_CUSTOMER_NAME, 0, "Customer Name", nullptr, false, &ReportRecord::CustomerName, nullptr, IDC_MARK_NAME, true, true, true},
    {"CustomerID", "GroupCustomer", FieldKind::Text, 256, false, PageCustomer, IDC_CUSTOMER_ID, 0, IDC_CUSTOMER_ID, 0, "Customer ID", nullptr, false, &ReportRecord::CustomerID, nullptr, IDC_MARK_ID, true, true, false},
    {"CustomerSONumber", "GroupCustomer", FieldKind::Text, 256, false, PageCustomer, IDC_SO_NUMBER, 0, IDC_SO_NUMBER, 0, "SO Number", nullptr, false, &ReportRecord::CustomerSONumber, nullptr, IDC_MARK_SO, true, true, false},
    {"CustomerRegion", "GroupCustomer", FieldKind::Choice, 256, true, PageCustomer, IDC_REGION, 0, IDC_REGION, 0, "Region", "REGIONS", false, &ReportRecord::CustomerRegion, nullptr, IDC_MARK_REGION, true, false, true},
    {"ProductType", "GroupProduct", FieldKind::Text, 256, true, PageCustomer, IDC_PRODUCT, 0, IDC_PRODUCT, 0, "Product", nullptr, false, &ReportRecord::ProductType, nullptr, IDC_MARK_PRODUCT, false, true, true},
    {"ProductSerialNumber", "GroupProduct", FieldKind::Text, 256, true, PageCustomer, IDC_SERIAL_DETECTED, IDC_SERIAL_TYPED, IDC_SERIAL_TYPED, 0, "Serial Number", nullptr, false, &ReportRecord::ProductSerialNumber, nullptr, IDC_MARK_SERIAL, true, true, true},
    {"ProductExposureHeadType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, IDC_EXPOSURE_HEAD, 0, IDC_EXPOSURE_HEAD, 0, "Exposure Head Type", "Exposure Head Type", true, &ReportRecord::ProductExposureHeadType, nullptr, IDC_MARK_EXPOSURE, true, false, true},
    {"ProductAutomationType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, IDC_AUTOMATION_TYPE, 0, IDC_AUTOMATION_TYPE, 0, "Automation Type", "Automation Type", true, &ReportRecord::ProductAutomationType, nullptr, IDC_MARK_AUTOMATION, true, false, true},
    {"ProductWorkflowType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, IDC_WORKFLOW_TYPE, 0, IDC_WORKFLOW_TYPE, 0, "Workflow Type", "Workflow Type", false, &ReportRecord::ProductWorkflowType, nullptr, IDC_MARK_WORKFLOW, true, false, true},
    {"ProductWorkflowSoftwareVersion", "GroupProduct", FieldKind::Text, 256, false, PageCustomer, IDC_WORKFLOW_VERSION, 0, IDC_WORKFLOW_VERSION, 0, "Workflow Software Version", nullptr, false, &ReportRecord::ProductWorkflowSoftwareVersion, nullptr, IDC_MARK_VERSION, true, true, false},
    {"InstallationStart", "GroupInstallation", FieldKind::Date, 256, false, PageCustomer, IDC_START_DATE, 0, IDC_START_DATE, 0, "Installation Start", nullptr, false, &ReportRecord::InstallationStart, nullptr, IDC_MARK_START, false, false, true},
    {"InstallationEnd", "GroupInstallation", FieldKind::Date, 256, false, PageCustomer, IDC_END_DATE, 0, IDC_END_DATE, 0, "Installation End", nullptr, false, &ReportRecord::InstallationEnd, nullptr, IDC_MARK_END, false, false, true},
    {"InstallationDuration", "GroupInstallation", FieldKind::Text, 256, true, PageCustomer, IDC_DURATION, 0, IDC_DURATION, 0, "Duration of Output Device Installation (days):", nullptr, false, &ReportRecord::InstallationDuration, nullptr, IDC_MARK_DURATION, true, false, true},
    {"InstallationTeamMember1", "GroupInstallation", FieldKind::Text, 256, true, PageCustomer, IDC_MEMBER1, 0, IDC_MEMBER1, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember1, nullptr, IDC_MARK_MEMBER1, true, true, true},
    {"InstallationTeamMember2", "GroupInstallation", FieldKind::Text, 256, false, PageCustomer, IDC_MEMBER2, 0, IDC_MEMBER2, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember2, nullptr, IDC_MARK_MEMBER2, true, true, false},
    {"InstallationTeamMember3", "GroupInstallation", FieldKind::Text, 256, false, PageCustomer, IDC_MEMBER3, 0, IDC_MEMBER3, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember3, nullptr, IDC_MARK_MEMBER3, true, true, false},
    {"InstallationTeamMember1DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, IDC_DONE1, 0, IDC_DONE1, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember1DoneFlag, nullptr, 0, false, false, false},
    {"InstallationTeamMember2DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, IDC_DONE2, 0, IDC_DONE2, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember2DoneFlag, nullptr, 0, false, false, false},
    {"InstallationTeamMember3DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, IDC_DONE3, 0, IDC_DONE3, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember3DoneFlag, nullptr, 0, false, false, false},
    {"InstallationSummary", "GroupInstallation", FieldKind::Text, 1026, false, PageCustomer, IDC_SUMMARY, 0, IDC_SUMMARY, 0, "Installation Summary", nullptr, false, &ReportRecord::InstallationSummary, nullptr, IDC_MARK_SUMMARY, true, false, false},
    {"GeneralQ1Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 1, 0, IDC_GENERAL_TEXT_BASE + 1, 1, "", nullptr, false, &ReportRecord::GeneralQ1Text, nullptr, 0, false, false, false},
    {"GeneralQ2Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 2, 0, IDC_GENERAL_TEXT_BASE + 2, 2, "", nullptr, false, &ReportRecord::GeneralQ2Text, nullptr, 0, false, false, false},
    {"GeneralQ3Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 3, 0, IDC_GENERAL_TEXT_BASE + 3, 3, "", nullptr, false, &ReportRecord::GeneralQ3Text, nullptr, 0, false, false, false},
    {"GeneralQ4Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 4, 0, IDC_GENERAL_TEXT_BASE + 4, 4, "", nullptr, false, &ReportRecord::GeneralQ4Text, nullptr, 0, false, false, false},
    {"GeneralQ5Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 5, 0, IDC_GENERAL_TEXT_BASE + 5, 5, "", nullptr, false, &ReportRecord::GeneralQ5Text, nullptr, 0, false, false, false},
    {"GeneralQ6Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 6, 0, IDC_GENERAL_TEXT_BASE + 6, 6, "", nullptr, false, &ReportRecord::GeneralQ6Text, nullptr, 0, false, false, false},
    {"GeneralQ7Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, IDC_GENERAL_TEXT_BASE + 7, 0, IDC_GENERAL_TEXT_BASE + 7, 7, "", nullptr, false, &ReportRecord::GeneralQ7Text, nullptr, 0, false, false, false},
    {"GeneralQ1YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 1, IDC_GENERAL_NO_BASE + 1, IDC_GENERAL_TEXT_BASE + 1, 1, "", nullptr, false, nullptr, &ReportRecord::GeneralQ1YN, 0, false, false, false},
    {"GeneralQ2YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 2, IDC_GENERAL_NO_BASE + 2, IDC_GENERAL_TEXT_BASE + 2, 2, "", nullptr, false, nullptr, &ReportRecord::GeneralQ2YN, 0, false, false, false},
    {"GeneralQ3YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 3, IDC_GENERAL_NO_BASE + 3, IDC_GENERAL_TEXT_BASE + 3, 3, "", nullptr, false, nullptr, &ReportRecord::GeneralQ3YN, 0, false, false, false},
    {"GeneralQ4YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 4, IDC_GENERAL_NO_BASE + 4, IDC_GENERAL_TEXT_BASE + 4, 4, "", nullptr, false, nullptr, &ReportRecord::GeneralQ4YN, 0, false, false, false},
    {"GeneralQ5YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 5, IDC_GENERAL_NO_BASE + 5, IDC_GENERAL_TEXT_BASE + 5, 5, "", nullptr, false, nullptr, &ReportRecord::GeneralQ5YN, 0, false, false, false},
    {"GeneralQ6YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, IDC_GENERAL_YES_BASE + 6, IDC_GENERAL_NO_BASE + 6, IDC_GENERAL_TEXT_BASE + 6, 6, "", nullptr, false, nullptr, &ReportRecord::GeneralQ6YN, 0, false, false, false},
    {"HardwareQ1Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 1, 0, IDC_HARDWARE_TEXT_BASE + 1, 1, "", nullptr, false, &ReportRecord::HardwareQ1Text, nullptr, 0, false, false, false},
    {"HardwareQ2Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 2, 0, IDC_HARDWARE_TEXT_BASE + 2, 2, "", nullptr, false, &ReportRecord::HardwareQ2Text, nullptr, 0, false, false, false},
    {"HardwareQ3Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 3, 0, IDC_HARDWARE_TEXT_BASE + 3, 3, "", nullptr, false, &ReportRecord::HardwareQ3Text, nullptr, 0, false, false, false},
    {"HardwareQ4Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 4, 0, IDC_HARDWARE_TEXT_BASE + 4, 4, "", nullptr, false, &ReportRecord::HardwareQ4Text, nullptr, 0, false, false, false},
    {"HardwareQ5Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 5, 0, IDC_HARDWARE_TEXT_BASE + 5, 5, "", nullptr, false, &ReportRecord::HardwareQ5Text, nullptr, 0, false, false, false},
    {"HardwareQ6Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 6, 0, IDC_HARDWARE_TEXT_BASE + 6, 6, "", nullptr, false, &ReportRecord::HardwareQ6Text, nullptr, 0, false, false, false},
    {"HardwareQ7Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, IDC_HARDWARE_TEXT_BASE + 7, 0, IDC_HARDWARE_TEXT_BASE + 7, 7, "", nullptr, false, &ReportRecord::HardwareQ7Text, nullptr, 0, false, false, false},
    {"HardwareQ1YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 1, IDC_HARDWARE_NO_BASE + 1, IDC_HARDWARE_TEXT_BASE + 1, 1, "", nullptr, false, nullptr, &ReportRecord::HardwareQ1YN, 0, false, false, false},
    {"HardwareQ2YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 2, IDC_HARDWARE_NO_BASE + 2, IDC_HARDWARE_TEXT_BASE + 2, 2, "", nullptr, false, nullptr, &ReportRecord::HardwareQ2YN, 0, false, false, false},
    {"HardwareQ3YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 3, IDC_HARDWARE_NO_BASE + 3, IDC_HARDWARE_TEXT_BASE + 3, 3, "", nullptr, false, nullptr, &ReportRecord::HardwareQ3YN, 0, false, false, false},
    {"HardwareQ4YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 4, IDC_HARDWARE_NO_BASE + 4, IDC_HARDWARE_TEXT_BASE + 4, 4, "", nullptr, false, nullptr, &ReportRecord::HardwareQ4YN, 0, false, false, false},
    {"HardwareQ5YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 5, IDC_HARDWARE_NO_BASE + 5, IDC_HARDWARE_TEXT_BASE + 5, 5, "", nullptr, false, nullptr, &ReportRecord::HardwareQ5YN, 0, false, false, false},
    {"HardwareQ6YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 6, IDC_HARDWARE_NO_BASE + 6, IDC_HARDWARE_TEXT_BASE + 6, 6, "", nullptr, false, nullptr, &ReportRecord::HardwareQ6YN, 0, false, false, false},
    {"HardwareQ7YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, IDC_HARDWARE_YES_BASE + 7, IDC_HARDWARE_NO_BASE + 7, IDC_HARDWARE_TEXT_BASE + 7, 7, "", nullptr, false, nullptr, &ReportRecord::HardwareQ7YN, 0, false, false, false},
    {"SoftwareQ1Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 1, 0, IDC_SOFTWARE_TEXT_BASE + 1, 1, "", nullptr, false, &ReportRecord::SoftwareQ1Text, nullptr, 0, false, false, false},
    {"SoftwareQ2Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 2, 0, IDC_SOFTWARE_TEXT_BASE + 2, 2, "", nullptr, false, &ReportRecord::SoftwareQ2Text, nullptr, 0, false, false, false},
    {"SoftwareQ3Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 3, 0, IDC_SOFTWARE_TEXT_BASE + 3, 3, "", nullptr, false, &ReportRecord::SoftwareQ3Text, nullptr, 0, false, false, false},
    {"SoftwareQ4Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 4, 0, IDC_SOFTWARE_TEXT_BASE + 4, 4, "", nullptr, false, &ReportRecord::SoftwareQ4Text, nullptr, 0, false, false, false},
    {"SoftwareQ5Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 5, 0, IDC_SOFTWARE_TEXT_BASE + 5, 5, "", nullptr, false, &ReportRecord::SoftwareQ5Text, nullptr, 0, false, false, false},
    {"SoftwareQ6Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 6, 0, IDC_SOFTWARE_TEXT_BASE + 6, 6, "", nullptr, false, &ReportRecord::SoftwareQ6Text, nullptr, 0, false, false, false},
    {"SoftwareQ7Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, IDC_SOFTWARE_TEXT_BASE + 7, 0, IDC_SOFTWARE_TEXT_BASE + 7, 7, "", nullptr, false, &ReportRecord::SoftwareQ7Text, nullptr, 0, false, false, false},
    {"SoftwareQ1YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 1, IDC_SOFTWARE_NO_BASE + 1, IDC_SOFTWARE_TEXT_BASE + 1, 1, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ1YN, 0, false, false, false},
    {"SoftwareQ2YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 2, IDC_SOFTWARE_NO_BASE + 2, IDC_SOFTWARE_TEXT_BASE + 2, 2, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ2YN, 0, false, false, false},
    {"SoftwareQ3YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 3, IDC_SOFTWARE_NO_BASE + 3, IDC_SOFTWARE_TEXT_BASE + 3, 3, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ3YN, 0, false, false, false},
    {"SoftwareQ4YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 4, IDC_SOFTWARE_NO_BASE + 4, IDC_SOFTWARE_TEXT_BASE + 4, 4, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ4YN, 0, false, false, false},
    {"SoftwareQ5YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 5, IDC_SOFTWARE_NO_BASE + 5, IDC_SOFTWARE_TEXT_BASE + 5, 5, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ5YN, 0, false, false, false},
    {"SoftwareQ6YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 6, IDC_SOFTWARE_NO_BASE + 6, IDC_SOFTWARE_TEXT_BASE + 6, 6, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ6YN, 0, false, false, false},
    {"SoftwareQ7YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, IDC_SOFTWARE_YES_BASE + 7, IDC_SOFTWARE_NO_BASE + 7, IDC_SOFTWARE_TEXT_BASE + 7, 7, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ7YN, 0, false, false, false},
    {"PerformanceQ1Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 1, 0, IDC_PERFORMANCE_TEXT_BASE + 1, 1, "", nullptr, false, &ReportRecord::PerformanceQ1Text, nullptr, 0, false, false, false},
    {"PerformanceQ2Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 2, 0, IDC_PERFORMANCE_TEXT_BASE + 2, 2, "", nullptr, false, &ReportRecord::PerformanceQ2Text, nullptr, 0, false, false, false},
    {"PerformanceQ3Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 3, 0, IDC_PERFORMANCE_TEXT_BASE + 3, 3, "", nullptr, false, &ReportRecord::PerformanceQ3Text, nullptr, 0, false, false, false},
    {"PerformanceQ4Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 4, 0, IDC_PERFORMANCE_TEXT_BASE + 4, 4, "", nullptr, false, &ReportRecord::PerformanceQ4Text, nullptr, 0, false, false, false},
    {"PerformanceQ5Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 5, 0, IDC_PERFORMANCE_TEXT_BASE + 5, 5, "", nullptr, false, &ReportRecord::PerformanceQ5Text, nullptr, 0, false, false, false},
    {"PerformanceQ6Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, IDC_PERFORMANCE_TEXT_BASE + 6, 0, IDC_PERFORMANCE_TEXT_BASE + 6, 6, "", nullptr, false, &ReportRecord::PerformanceQ6Text, nullptr, 0, false, false, false},
    {"PerformanceQ1YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 1, IDC_PERFORMANCE_NO_BASE + 1, IDC_PERFORMANCE_TEXT_BASE + 1, 1, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ1YN, 0, false, false, false},
    {"PerformanceQ2YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 2, IDC_PERFORMANCE_NO_BASE + 2, IDC_PERFORMANCE_TEXT_BASE + 2, 2, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ2YN, 0, false, false, false},
    {"PerformanceQ3YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 3, IDC_PERFORMANCE_NO_BASE + 3, IDC_PERFORMANCE_TEXT_BASE + 3, 3, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ3YN, 0, false, false, false},
    {"PerformanceQ4YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 4, IDC_PERFORMANCE_NO_BASE + 4, IDC_PERFORMANCE_TEXT_BASE + 4, 4, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ4YN, 0, false, false, false},
    {"PerformanceQ5YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 5, IDC_PERFORMANCE_NO_BASE + 5, IDC_PERFORMANCE_TEXT_BASE + 5, 5, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ5YN, 0, false, false, false},
    {"PerformanceQ6YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, IDC_PERFORMANCE_YES_BASE + 6, IDC_PERFORMANCE_NO_BASE + 6, IDC_PERFORMANCE_TEXT_BASE + 6, 6, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ6YN, 0, false, false, false},
};

const std::size_t kReportFieldCount = sizeof(kReportFields) / sizeof(kReportFields[0]);

const char* const kSelectPlaceholder = " Select ...";

const FieldInfo* FindField(const std::string& key)
{
    for (const FieldInfo& field : kReportFields)
        if (key == field.key)
            return &field;
    return nullptr;
}

bool IsFieldFilled(const FieldInfo& field, const ReportRecord& record)
{
    if (field.kind == FieldKind::YesNo)
        return record.*field.answer >= 0;
    const std::string& value = record.*field.text;
    if (value.empty())
        return false;
    if (field.kind == FieldKind::Choice && value.find(kSelectPlaceholder) != std::string::npos)
        return false;
    return true;
}

std::string FitToCapacity(const FieldInfo& field, const std::string& value)
{
    if (field.capacity <= 0 || value.size() < static_cast<std::size_t>(field.capacity))
        return value;
    return value.substr(0, static_cast<std::size_t>(field.capacity) - 1);
}

MissingField FindMissingMandatoryField(const ReportRecord& record)
{
    MissingField result;
    for (const FieldInfo& field : kReportFields) {
        if (!field.mandatory || IsFieldFilled(field, record))
            continue;
        result.missing = true;
        result.page = field.page;
        result.control = field.focusControl;
        result.key = field.key;
        break;
    }
    return result;
}

bool IsMakerName(const std::string& name)
{
    return ToLower(name) == "velmora";
}

bool PassesSubmitChecks(const ReportRecord& record)
{
    return !IsMakerName(record.CustomerName) && !FindMissingMandatoryField(record).missing;
}
