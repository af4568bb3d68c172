#include "QuestionPages.h"

#include "FieldCatalogue.h"
#include "PageLogic.h"
#include "ReportStore.h"
#include "resource.h"

namespace {
const char* const kGeneralQuestions[] = {
    "1. Did you receive an Installation Kit? (List of deliverables, account plan/workflow diagram, contract, "
    "installation service order)?",
    "2. Were there any problems related to the site preparations?",
    "3. Were there any problems with the way the equipment was packed and shipped? If so, what were they "
    "(missing items, delays damages, etc.)?",
    "4. Are there any issues delaying the acceptance of the system?",
    "5. Is there any follow-up required? (Do you need to return to the site to finish anything?)",
    "6. Did you train the operator using the training material (Student Guide/Learning Guide/VRG) delivered "
    "with the machine?",
    "7. Recommendations - what can we do better next time? (please provide constructive information)",
};
const char* const kHardwareQuestions[] = {
    "1. Were there any problems related to factory configuration and integration of the CTP device (incorrect "
    "firmware or configuration, alignment problems, assembly problems, missing ECOs)?",
    "2. Did you replace any faulty parts (boards, sub-assemblies, disks, etc)?",
    "3. Were there any problems with the exposure head?",
    "4. Were there any problems with the workflow workstation?",
    "5. Were there any additional parts required during the installation (wrong plugs, air fittings, cables, "
    "etc.)?",
    "6. Did you run the diagnostics program and did it pass all tests?",
    "7. Did you return any piece of equipment during installation?",
};
const char* const kSoftwareQuestions[] = {
    "1. Was all the software installed and configured correctly?",
    "2. Were there any issues related to licensing and dongles which delayed implementation?",
    "3. Did you encounter any problems with the network connection?",
    "4. Have you configured the remote access services?",
    "5. Have you asked the Response Center to test the remote access?",
    "6. Have you connected the CTP device to the RSS?",
    "7. Have you encountered problems related to software behavior (GUI problems, crashes, software freeze, "
    "etc)?",
};
const char* const kPerformanceQuestions[] = {
    "1. Have you encountered any problems related to exposure quality (ITP)?",
    "2. Have you encountered any problems related to the automation?",
    "3. Have you encountered any problems related to the workflow?",
    "4. Have you encountered any problems related to plates?",
    "5. Have you encountered any problems related to plate processing?",
    "6. Have you encountered any problems related to external plate conveyor?",
};
}  // namespace

const QuestionPageInfo kGeneralPage = {IDD_GENERAL_PAGE, "General", 7, 7, IDC_GENERAL_LABEL_BASE, IDC_GENERAL_TEXT_BASE, IDC_GENERAL_YES_BASE, IDC_GENERAL_NO_BASE, IDC_GENERAL_MARK_BASE, true, false,
                                       kGeneralQuestions};
const QuestionPageInfo kHardwarePage = {IDD_HARDWARE_PAGE, "Hardware", 8, 7, IDC_HARDWARE_LABEL_BASE, IDC_HARDWARE_TEXT_BASE, IDC_HARDWARE_YES_BASE, IDC_HARDWARE_NO_BASE, IDC_HARDWARE_MARK_BASE, false, true,
                                        kHardwareQuestions};
const QuestionPageInfo kSoftwarePage = {IDD_SOFTWARE_PAGE, "Software", 8, 7, IDC_SOFTWARE_LABEL_BASE, IDC_SOFTWARE_TEXT_BASE, IDC_SOFTWARE_YES_BASE, IDC_SOFTWARE_NO_BASE, IDC_SOFTWARE_MARK_BASE, false, true,
                                        kSoftwareQuestions};
const QuestionPageInfo kPerformancePage = {IDD_PERFORMANCE_PAGE, "Performance", 8, 6, IDC_PERFORMANCE_LABEL_BASE, IDC_PERFORMANCE_TEXT_BASE, IDC_PERFORMANCE_YES_BASE, IDC_PERFORMANCE_NO_BASE, IDC_PERFORMANCE_MARK_BASE, false, true,
                                           kPerformanceQuestions};

struct CQuestionPage::Row {
    int number = 0;
    int edit = 0, yes = 0, no = 0, marker = 0;
    const FieldInfo* text = nullptr;    // nullptr: the row maps to no field
    const FieldInfo* answer = nullptr;  // nullptr: no Yes/No (or no field)
    CColorStatic markerLabel;
};

CQuestionPage::CQuestionPage(const QuestionPageInfo& info, CReportHost& host)
    : CGenericChildDialog(info.templateId, host), m_info(info)
{
    for (int n = 1; n <= info.rows; ++n) {
        auto row = std::make_unique<Row>();
        row->number = n;
        row->edit = info.editBase + n;
        row->yes = info.yesBase + n;
        row->no = info.noBase + n;
        row->marker = info.markerBase + n;
        if (n <= info.visibleRows) {
            std::string key = std::string(info.prefix) + "Q" + std::to_string(n);
            row->text = FindField(key + "Text");
            row->answer = FindField(key + "YN");
        }
        m_rows.push_back(std::move(row));
    }
}

CQuestionPage::~CQuestionPage() = default;

BOOL CQuestionPage::OnInitDialog()
{
    m_bLoading = true;
    ReportRecord& record = m_host.Record();
    for (auto& row : m_rows) {
        AttachColorStatic(row->marker, row->markerLabel);
        SendMessageA(Item(row->edit), EM_LIMITTEXT, 1024, 0);
        if (row->number <= m_info.visibleRows)
            SetItemText(m_info.labelBase + row->number, m_info.questions[row->number - 1]);
    }
    for (auto& row : m_rows) {
        if (row->answer) {
            int value = record.*(row->answer->answer);
            if (value != -1) {
                SetCheck(row->yes, value == 1);
                SetCheck(row->no, value != 1);
            }
        }
        if (row->text) {
            SetItemText(row->edit, DecodeLineBreaks(record.*(row->text->text)));
            UpdateMarker(*row);
        }
    }
    m_bLoading = false;
    if (m_info.endsInitialisation) {
        m_host.SetModified(false);
        m_host.SetPagesInitialising(false);
    }
    return FALSE;
}

void CQuestionPage::UpdateMarker(const Row& row)
{
    m_host.UpdateQuestionMarker(const_cast<CColorStatic&>(row.markerLabel), IsChecked(row.yes), IsChecked(row.no));
}

bool CQuestionPage::OnCommand(int id, int code, HWND)
{
    for (auto& row : m_rows) {
        if (id == row->edit && code == EN_CHANGE) {
            if (m_bLoading || !row->text)
                return true;
            std::string text = EncodeLineBreaks(GetItemText(row->edit));
            m_host.Record().*(row->text->text) = FitToCapacity(*row->text, text);
            UpdateMarker(*row);
            return true;
        }
        if ((id == row->yes || id == row->no) && code == BN_CLICKED) {
            if (m_bLoading || !row->answer)
                return true;
            bool yes = id == row->yes;
            m_host.Record().*(row->answer->answer) = yes ? 1 : 2;
            if (m_info.clearsOtherButton) {
                SetCheck(yes ? row->yes : row->no, true);
                SetCheck(yes ? row->no : row->yes, false);
            }
            UpdateMarker(*row);
            return true;
        }
    }
    return false;
}

void CQuestionPage::FindFirstMissingField()
{
    const ReportRecord& record = m_host.Record();
    for (auto& row : m_rows) {
        if (row->answer && record.*(row->answer->answer) < 0) {
            FocusItem(row->edit);
            return;
        }
    }
}
