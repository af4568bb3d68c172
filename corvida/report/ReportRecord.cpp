#include "ReportRecord.h"

#include "FieldCatalogue.h"

ReportRecord::ReportRecord()
{
    Clear();
}

void ReportRecord::Clear()
{
    // Slots that no field uses (General Q8 text, General Q7 answer, Performance Q7) are
    // reset by hand; the rest through the table.
    GeneralQ8Text.clear();
    GeneralQ7YN = -1;
    PerformanceQ7Text.clear();
    PerformanceQ7YN = -1;
    for (std::size_t i = 0; i < kReportFieldCount; ++i) {
        const FieldInfo& field = kReportFields[i];
        if (field.kind == FieldKind::YesNo)
            this->*field.answer = -1;
        else
            (this->*field.text).clear();
    }
}
