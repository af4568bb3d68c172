#pragma once
// The installation report in memory: every text is a std::string held to its field's
// capacity (see FieldCatalogue.h), every yes/no answer a 32-bit integer
// (-1 not answered, 1 Yes, 2 No; any other value shows as No).
//
// Capacities count the terminating zero of the stored form, so a field of capacity C
// holds at most C-1 characters. Values longer than that (a hand-edited report file)
// are cut to C-1 characters when loaded. The one-line fields of the customer page are
// one byte wider than the page's 255-character limit needs, so a 255-character entry is
// kept whole.
#include <string>

struct ReportRecord {
    ReportRecord();
    // Empties every text and sets every answer to -1, as a fresh window holds it.
    void Clear();

    std::string CustomerName;
    std::string CustomerID;
    std::string CustomerSONumber;
    std::string CustomerRegion;
    std::string ProductType;
    std::string ProductSerialNumber;
    std::string ProductExposureHeadType;
    std::string ProductAutomationType;
    std::string ProductWorkflowType;
    std::string ProductWorkflowSoftwareVersion;
    std::string InstallationStart;
    std::string InstallationEnd;
    std::string InstallationDuration;
    std::string InstallationTeamMember1;
    std::string InstallationTeamMember2;
    std::string InstallationTeamMember3;
    std::string InstallationTeamMember1DoneFlag;
    std::string InstallationTeamMember2DoneFlag;
    std::string InstallationTeamMember3DoneFlag;
    std::string InstallationSummary;

    std::string GeneralQ1Text;
    std::string GeneralQ2Text;
    std::string GeneralQ3Text;
    std::string GeneralQ4Text;
    std::string GeneralQ5Text;
    std::string GeneralQ6Text;
    std::string GeneralQ7Text;
    std::string GeneralQ8Text;
    int GeneralQ1YN;
    int GeneralQ2YN;
    int GeneralQ3YN;
    int GeneralQ4YN;
    int GeneralQ5YN;
    int GeneralQ6YN;
    int GeneralQ7YN;

    std::string HardwareQ1Text;
    std::string HardwareQ2Text;
    std::string HardwareQ3Text;
    std::string HardwareQ4Text;
    std::string HardwareQ5Text;
    std::string HardwareQ6Text;
    std::string HardwareQ7Text;
    int HardwareQ1YN;
    int HardwareQ2YN;
    int HardwareQ3YN;
    int HardwareQ4YN;
    int HardwareQ5YN;
    int HardwareQ6YN;
    int HardwareQ7YN;

    std::string SoftwareQ1Text;
    std::string SoftwareQ2Text;
    std::string SoftwareQ3Text;
    std::string SoftwareQ4Text;
    std::string SoftwareQ5Text;
    std::string SoftwareQ6Text;
    std::string SoftwareQ7Text;
    int SoftwareQ1YN;
    int SoftwareQ2YN;
    int SoftwareQ3YN;
    int SoftwareQ4YN;
    int SoftwareQ5YN;
    int SoftwareQ6YN;
    int SoftwareQ7YN;

    std::string PerformanceQ1Text;
    std::string PerformanceQ2Text;
    std::string PerformanceQ3Text;
    std::string PerformanceQ4Text;
    std::string PerformanceQ5Text;
    std::string PerformanceQ6Text;
    std::string PerformanceQ7Text;
    int PerformanceQ1YN;
    int PerformanceQ2YN;
    int PerformanceQ3YN;
    int PerformanceQ4YN;
    int PerformanceQ5YN;
    int PerformanceQ6YN;
    int PerformanceQ7YN;
};
