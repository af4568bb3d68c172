#include "FieldCatalogue.h"

#include <cstring>

// Control ids are those of the page templates: question n of a page has its text edit,
// "Yes" and "No" buttons at fixed offsets from the page's base ids.
const FieldInfo kReportFields[] = {
    {"CustomerName", "GroupCustomer", FieldKind::Text, 256, true, PageCustomer, 1008, 0, 1008, 0, "Customer Name", nullptr, false, &ReportRecord::CustomerName, nullptr},
    {"CustomerID", "GroupCustomer", FieldKind::Text, 256, false, PageCustomer, 1009, 0, 1009, 0, "Customer ID", nullptr, false, &ReportRecord::CustomerID, nullptr},
    {"CustomerSONumber", "GroupCustomer", FieldKind::Text, 256, false, PageCustomer, 1010, 0, 1010, 0, "SO Number", nullptr, false, &ReportRecord::CustomerSONumber, nullptr},
    {"CustomerRegion", "GroupCustomer", FieldKind::Choice, 256, true, PageCustomer, 1005, 0, 1005, 0, "Region", "REGIONS", false, &ReportRecord::CustomerRegion, nullptr},
    {"ProductType", "GroupProduct", FieldKind::Text, 256, true, PageCustomer, 1013, 0, 1013, 0, "Product", nullptr, false, &ReportRecord::ProductType, nullptr},
    {"ProductSerialNumber", "GroupProduct", FieldKind::Text, 256, true, PageCustomer, 1012, 1173, 1173, 0, "Serial Number", nullptr, false, &ReportRecord::ProductSerialNumber, nullptr},
    {"ProductExposureHeadType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, 1038, 0, 1038, 0, "Exposure Head Type", "Exposure Head Type", true, &ReportRecord::ProductExposureHeadType, nullptr},
    {"ProductAutomationType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, 1011, 0, 1011, 0, "Automation Type", "Automation Type", true, &ReportRecord::ProductAutomationType, nullptr},
    {"ProductWorkflowType", "GroupProduct", FieldKind::Choice, 256, true, PageCustomer, 1039, 0, 1039, 0, "Workflow Type", "Workflow Type", false, &ReportRecord::ProductWorkflowType, nullptr},
    {"ProductWorkflowSoftwareVersion", "GroupProduct", FieldKind::Text, 256, false, PageCustomer, 1014, 0, 1014, 0, "Workflow Software Version", nullptr, false, &ReportRecord::ProductWorkflowSoftwareVersion, nullptr},
    {"InstallationStart", "GroupInstallation", FieldKind::Date, 256, false, PageCustomer, 1018, 0, 1018, 0, "Installation Start", nullptr, false, &ReportRecord::InstallationStart, nullptr},
    {"InstallationEnd", "GroupInstallation", FieldKind::Date, 256, false, PageCustomer, 1019, 0, 1019, 0, "Installation End", nullptr, false, &ReportRecord::InstallationEnd, nullptr},
    {"InstallationDuration", "GroupInstallation", FieldKind::Text, 256, true, PageCustomer, 1020, 0, 1020, 0, "Duration of Output Device Installation (days):", nullptr, false, &ReportRecord::InstallationDuration, nullptr},
    {"InstallationTeamMember1", "GroupInstallation", FieldKind::Text, 256, true, PageCustomer, 1021, 0, 1021, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember1, nullptr},
    {"InstallationTeamMember2", "GroupInstallation", FieldKind::Text, 256, false, PageCustomer, 1022, 0, 1022, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember2, nullptr},
    {"InstallationTeamMember3", "GroupInstallation", FieldKind::Text, 256, false, PageCustomer, 1023, 0, 1023, 0, "Name", nullptr, false, &ReportRecord::InstallationTeamMember3, nullptr},
    {"InstallationTeamMember1DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, 1024, 0, 1024, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember1DoneFlag, nullptr},
    {"InstallationTeamMember2DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, 1025, 0, 1025, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember2DoneFlag, nullptr},
    {"InstallationTeamMember3DoneFlag", "GroupInstallation", FieldKind::DoneFlag, 6, false, PageCustomer, 1026, 0, 1026, 0, "Done", nullptr, false, &ReportRecord::InstallationTeamMember3DoneFlag, nullptr},
    {"InstallationSummary", "GroupInstallation", FieldKind::Text, 1026, false, PageCustomer, 1027, 0, 1027, 0, "Installation Summary", nullptr, false, &ReportRecord::InstallationSummary, nullptr},
    {"GeneralQ1Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1112, 0, 1112, 1, "", nullptr, false, &ReportRecord::GeneralQ1Text, nullptr},
    {"GeneralQ2Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1113, 0, 1113, 2, "", nullptr, false, &ReportRecord::GeneralQ2Text, nullptr},
    {"GeneralQ3Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1114, 0, 1114, 3, "", nullptr, false, &ReportRecord::GeneralQ3Text, nullptr},
    {"GeneralQ4Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1115, 0, 1115, 4, "", nullptr, false, &ReportRecord::GeneralQ4Text, nullptr},
    {"GeneralQ5Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1116, 0, 1116, 5, "", nullptr, false, &ReportRecord::GeneralQ5Text, nullptr},
    {"GeneralQ6Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1117, 0, 1117, 6, "", nullptr, false, &ReportRecord::GeneralQ6Text, nullptr},
    {"GeneralQ7Text", "GroupGeneral", FieldKind::Text, 1025, false, PageGeneral, 1118, 0, 1118, 7, "", nullptr, false, &ReportRecord::GeneralQ7Text, nullptr},
    {"GeneralQ1YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1132, 1122, 1112, 1, "", nullptr, false, nullptr, &ReportRecord::GeneralQ1YN},
    {"GeneralQ2YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1133, 1123, 1113, 2, "", nullptr, false, nullptr, &ReportRecord::GeneralQ2YN},
    {"GeneralQ3YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1134, 1124, 1114, 3, "", nullptr, false, nullptr, &ReportRecord::GeneralQ3YN},
    {"GeneralQ4YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1135, 1125, 1115, 4, "", nullptr, false, nullptr, &ReportRecord::GeneralQ4YN},
    {"GeneralQ5YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1136, 1126, 1116, 5, "", nullptr, false, nullptr, &ReportRecord::GeneralQ5YN},
    {"GeneralQ6YN", "GroupGeneral", FieldKind::YesNo, 0, true, PageGeneral, 1137, 1127, 1117, 6, "", nullptr, false, nullptr, &ReportRecord::GeneralQ6YN},
    {"HardwareQ1Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1165, 0, 1165, 1, "", nullptr, false, &ReportRecord::HardwareQ1Text, nullptr},
    {"HardwareQ2Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1166, 0, 1166, 2, "", nullptr, false, &ReportRecord::HardwareQ2Text, nullptr},
    {"HardwareQ3Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1167, 0, 1167, 3, "", nullptr, false, &ReportRecord::HardwareQ3Text, nullptr},
    {"HardwareQ4Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1168, 0, 1168, 4, "", nullptr, false, &ReportRecord::HardwareQ4Text, nullptr},
    {"HardwareQ5Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1169, 0, 1169, 5, "", nullptr, false, &ReportRecord::HardwareQ5Text, nullptr},
    {"HardwareQ6Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1170, 0, 1170, 6, "", nullptr, false, &ReportRecord::HardwareQ6Text, nullptr},
    {"HardwareQ7Text", "GroupHardware", FieldKind::Text, 1025, false, PageHardware, 1171, 0, 1171, 7, "", nullptr, false, &ReportRecord::HardwareQ7Text, nullptr},
    {"HardwareQ1YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1185, 1175, 1165, 1, "", nullptr, false, nullptr, &ReportRecord::HardwareQ1YN},
    {"HardwareQ2YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1186, 1176, 1166, 2, "", nullptr, false, nullptr, &ReportRecord::HardwareQ2YN},
    {"HardwareQ3YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1187, 1177, 1167, 3, "", nullptr, false, nullptr, &ReportRecord::HardwareQ3YN},
    {"HardwareQ4YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1188, 1178, 1168, 4, "", nullptr, false, nullptr, &ReportRecord::HardwareQ4YN},
    {"HardwareQ5YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1189, 1179, 1169, 5, "", nullptr, false, nullptr, &ReportRecord::HardwareQ5YN},
    {"HardwareQ6YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1190, 1180, 1170, 6, "", nullptr, false, nullptr, &ReportRecord::HardwareQ6YN},
    {"HardwareQ7YN", "GroupHardware", FieldKind::YesNo, 0, true, PageHardware, 1191, 1181, 1171, 7, "", nullptr, false, nullptr, &ReportRecord::HardwareQ7YN},
    {"SoftwareQ1Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1218, 0, 1218, 1, "", nullptr, false, &ReportRecord::SoftwareQ1Text, nullptr},
    {"SoftwareQ2Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1219, 0, 1219, 2, "", nullptr, false, &ReportRecord::SoftwareQ2Text, nullptr},
    {"SoftwareQ3Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1220, 0, 1220, 3, "", nullptr, false, &ReportRecord::SoftwareQ3Text, nullptr},
    {"SoftwareQ4Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1221, 0, 1221, 4, "", nullptr, false, &ReportRecord::SoftwareQ4Text, nullptr},
    {"SoftwareQ5Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1222, 0, 1222, 5, "", nullptr, false, &ReportRecord::SoftwareQ5Text, nullptr},
    {"SoftwareQ6Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1223, 0, 1223, 6, "", nullptr, false, &ReportRecord::SoftwareQ6Text, nullptr},
    {"SoftwareQ7Text", "GroupSoftware", FieldKind::Text, 1025, false, PageSoftware, 1224, 0, 1224, 7, "", nullptr, false, &ReportRecord::SoftwareQ7Text, nullptr},
    {"SoftwareQ1YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1238, 1228, 1218, 1, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ1YN},
    {"SoftwareQ2YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1239, 1229, 1219, 2, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ2YN},
    {"SoftwareQ3YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1240, 1230, 1220, 3, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ3YN},
    {"SoftwareQ4YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1241, 1231, 1221, 4, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ4YN},
    {"SoftwareQ5YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1242, 1232, 1222, 5, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ5YN},
    {"SoftwareQ6YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1243, 1233, 1223, 6, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ6YN},
    {"SoftwareQ7YN", "GroupSoftware", FieldKind::YesNo, 0, true, PageSoftware, 1244, 1234, 1224, 7, "", nullptr, false, nullptr, &ReportRecord::SoftwareQ7YN},
    {"PerformanceQ1Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1272, 0, 1272, 1, "", nullptr, false, &ReportRecord::PerformanceQ1Text, nullptr},
    {"PerformanceQ2Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1273, 0, 1273, 2, "", nullptr, false, &ReportRecord::PerformanceQ2Text, nullptr},
    {"PerformanceQ3Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1274, 0, 1274, 3, "", nullptr, false, &ReportRecord::PerformanceQ3Text, nullptr},
    {"PerformanceQ4Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1275, 0, 1275, 4, "", nullptr, false, &ReportRecord::PerformanceQ4Text, nullptr},
    {"PerformanceQ5Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1276, 0, 1276, 5, "", nullptr, false, &ReportRecord::PerformanceQ5Text, nullptr},
    {"PerformanceQ6Text", "GroupPerformance", FieldKind::Text, 1025, false, PagePerformance, 1277, 0, 1277, 6, "", nullptr, false, &ReportRecord::PerformanceQ6Text, nullptr},
    {"PerformanceQ1YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1292, 1282, 1272, 1, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ1YN},
    {"PerformanceQ2YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1293, 1283, 1273, 2, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ2YN},
    {"PerformanceQ3YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1294, 1284, 1274, 3, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ3YN},
    {"PerformanceQ4YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1295, 1285, 1275, 4, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ4YN},
    {"PerformanceQ5YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1296, 1286, 1276, 5, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ5YN},
    {"PerformanceQ6YN", "GroupPerformance", FieldKind::YesNo, 0, true, PagePerformance, 1297, 1287, 1277, 6, "", nullptr, false, nullptr, &ReportRecord::PerformanceQ6YN},
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
