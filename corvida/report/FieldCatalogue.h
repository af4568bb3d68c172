#pragma once
// The one table of the report's fields. The store, the mandatory-field search and the
// pages all walk it; nothing else lists the keys.
#include "ReportRecord.h"

#include <cstddef>
#include <string>

enum class FieldKind {
    Text,      // free text (one line, or multi-line where the page says so)
    Choice,    // text of a drop-down list entry; " Select ..." counts as not filled
    Date,      // yyyy-mm-dd
    DoneFlag,  // "true" / "false"
    YesNo,     // 32-bit answer: -1 not answered, 1 Yes, 2 No
};

// Tabs of the main report window, by index.
enum ReportPage {
    PageCustomer = 0,
    PageGeneral = 1,
    PageHardware = 2,
    PageSoftware = 3,
    PagePerformance = 4,
};

struct FieldInfo {
    const char* key;       // record member name, report-file key
    const char* group;     // report-file section
    FieldKind kind;
    int capacity;          // bytes including the terminating zero (0 for YesNo)
    bool mandatory;        // Submit refuses the report while it is not filled
    int page;              // ReportPage
    int control;           // the control that shows it (edit, list, date picker,
                           // check box; for YesNo the "Yes" button)
    int secondControl;     // YesNo: the "No" button; serial number: the hidden editable
                           // edit; 0 otherwise
    int focusControl;      // where Submit puts the focus when the field is missing
    int question;          // 1..7 for question texts and answers, 0 otherwise
    const char* label;     // caption beside the control (customer page), "" otherwise
    const char* listSection;  // Choice: section of .\Corvida.ini holding its entries
    bool listPerProduct;   // Choice: the section name is listSection + " " + product
    std::string ReportRecord::*text;  // member for every kind but YesNo
    int ReportRecord::*answer;        // member for YesNo
    // Customer page only (0 / false elsewhere):
    int marker;            // the "*" marker beside the field, 0 for none
    bool markerFollows;    // the marker is set from the shown value (the model's and the
                           // dates' markers keep what the template shows)
    bool oneLine;          // a one-line edit limited to 255 characters (both serial boxes)
    bool focusWhenEmpty;   // showing the page focuses the first empty one of these
};

// Every field in use, in the order in which the report file holds them.
extern const FieldInfo kReportFields[];
extern const std::size_t kReportFieldCount;

// The entry of `key` (exact, case-sensitive), or nullptr.
const FieldInfo* FindField(const std::string& key);

// The placeholder entry of every choice list.
extern const char* const kSelectPlaceholder;  // " Select ..."

// Whether the field holds a value that Submit accepts: a non-empty text (choices: one
// that does not contain " Select ..."), or an answer of 0 or more.
bool IsFieldFilled(const FieldInfo& field, const ReportRecord& record);

// A text field's value cut to what its capacity holds (capacity - 1 characters).
std::string FitToCapacity(const FieldInfo& field, const std::string& value);

struct MissingField {
    bool missing = false;
    int page = PageCustomer;  // tab index to show
    int control = 0;          // control to focus
    const char* key = nullptr;
};

// The first mandatory field (in file order, which is the order Submit checks them in)
// that is not filled, with the page and control to show.
MissingField FindMissingMandatoryField(const ReportRecord& record);

// The device maker's own name, which never counts as a customer name.
bool IsMakerName(const std::string& name);

// Whether a report passes the checks Submit makes before it sends: the customer is not
// the maker and every mandatory field is filled.
bool PassesSubmitChecks(const ReportRecord& record);
