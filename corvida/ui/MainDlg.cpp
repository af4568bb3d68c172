#include "MainDlg.h"

#include "Dates.h"
#include "FieldCatalogue.h"
#include "FileTree.h"
#include "Identification.h"
#include "PageLogic.h"
#include "ReportStore.h"
#include "Text.h"
#include "ToolConfig.h"
#include "resource.h"

#include <commctrl.h>

#include <cstdio>

namespace {
// The rows of the field table that this page shows, in table order.
template <typename F>
void ForEachPageField(F visit)
{
    for (std::size_t i = 0; i < kReportFieldCount; ++i)
        if (kReportFields[i].page == PageCustomer)
            visit(kReportFields[i]);
}

// The row of this page that `control` shows and `fits` accepts; nullptr when none does.
template <typename Fits>
const FieldInfo* PageFieldOf(int control, Fits fits)
{
    const FieldInfo* found = nullptr;
    ForEachPageField([&](const FieldInfo& field) {
        if (field.control == control && fits(field))
            found = &field;
    });
    return found;
}

// Fields whose controls the page handles by hand (name check, two serial boxes, line
// breaks); the others follow the table's kind.
bool IsHandledByHand(const FieldInfo& field)
{
    const int control = field.control;
    return control == IDC_CUSTOMER_NAME || control == IDC_SERIAL_DETECTED || control == IDC_SUMMARY;
}

// A plain text field whose edits go straight into the record and its marker.
bool IsPlainText(const FieldInfo& field)
{
    return field.kind == FieldKind::Text && field.markerFollows && !IsHandledByHand(field);
}

std::string& FieldText(ReportRecord& record, const FieldInfo& field)
{
    return record.*(field.text);
}

void SetFieldText(ReportRecord& record, const FieldInfo& field, const std::string& value)
{
    record.*(field.text) = FitToCapacity(field, value);
}

void SetFieldText(ReportRecord& record, const char* key, const std::string& value)
{
    const FieldInfo* field = FindField(key);
    if (field != nullptr && field->text != nullptr)
        SetFieldText(record, *field, value);
}
}  // namespace

CMainDlg::CMainDlg(CReportHost& host) : CGenericChildDialog(IDD_MAIN_PAGE, host)
{
    ForEachPageField([this](const FieldInfo& field) {
        if (field.marker != 0)
            m_markers[field.marker] = std::make_unique<CColorStatic>();
    });
}

CMainDlg::~CMainDlg() = default;

BOOL CMainDlg::OnInitDialog()
{
    for (auto& marker : m_markers)
        AttachColorStatic(marker.first, *marker.second);
    ForEachPageField([this](const FieldInfo& field) {
        if (!field.oneLine)
            return;
        SendMessageA(Item(field.control), EM_LIMITTEXT, 255, 0);
        if (field.secondControl != 0)
            SendMessageA(Item(field.secondControl), EM_LIMITTEXT, 255, 0);
    });
    SendMessageA(Item(IDC_SUMMARY), EM_LIMITTEXT, 1024, 0);
    LoadPage();
    m_host.SetPagesInitialising(false);
    m_host.SetModified(false);
    return FALSE;
}

void CMainDlg::FillLists()
{
    const std::string& product = m_host.Record().ProductType;
    ForEachPageField([&](const FieldInfo& field) {
        if (field.kind != FieldKind::Choice)
            return;
        ChoiceList list = FillChoiceList(ChoiceListSection(field.listSection, field.listPerProduct, product));
        HWND combo = Item(field.control);
        SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& entry : list.entries)
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        if (!list.applicable)
            SendMessageA(combo, CB_SETCURSEL, 0, 0);
        EnableWindow(combo, list.applicable ? TRUE : FALSE);
    });
}

std::vector<std::string> CMainDlg::ListEntries(int id) const
{
    std::vector<std::string> entries;
    HWND combo = Item(id);
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int length = static_cast<int>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0));
        std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(length > 0 ? length : 0));
        entries.push_back(text);
    }
    return entries;
}

std::string CMainDlg::ListShownText(int id) const
{
    HWND combo = Item(id);
    int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0)
        return std::string();
    std::vector<std::string> entries = ListEntries(id);
    return index < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(index)] : std::string();
}

void CMainDlg::SelectListEntries()
{
    ReportRecord& record = m_host.Record();
    ForEachPageField([&](const FieldInfo& field) {
        if (field.kind != FieldKind::Choice)
            return;
        std::vector<std::string> entries = ListEntries(field.control);
        if (entries.size() > 1) {
            int index = FindChoiceEntry(entries, FieldText(record, field));
            if (index < 0) {
                for (size_t i = 0; i < entries.size(); ++i)
                    if (entries[i] == kSelectPlaceholder)
                        index = static_cast<int>(i);
            }
            SendMessageA(Item(field.control), CB_SETCURSEL, static_cast<WPARAM>(index < 0 ? 0 : index), 0);
        } else {
            SetFieldText(record, field, ".");
        }
    });
}

void CMainDlg::LoadPage()
{
    m_bLoading = true;
    ReportRecord& record = m_host.Record();
    bool typed = IdentifyProduct(record);
    ShowItem(IDC_SERIAL_TYPED, typed);
    ShowItem(IDC_SERIAL_DETECTED, !typed);
    FillLists();

    ForEachPageField([&](const FieldInfo& field) {
        if (field.kind == FieldKind::Text && (field.control == IDC_CUSTOMER_NAME || !IsHandledByHand(field)))
            SetItemText(field.control, FieldText(record, field));
    });
    SetItemText(IDC_SUMMARY, DecodeLineBreaks(record.InstallationSummary));
    SelectListEntries();

    std::string serial = StripTypedSerialPrefix(record.ProductSerialNumber);
    SetItemText(IDC_SERIAL_DETECTED, serial);
    SetItemText(IDC_SERIAL_TYPED, serial);

    ParseStoredDate(record.InstallationStart, m_start);
    ParseStoredDate(record.InstallationEnd, m_end);
    SendMessageA(Item(IDC_START_DATE), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&m_start));
    SendMessageA(Item(IDC_END_DATE), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&m_end));
    std::string text;
    FormatAndCheckDates(m_start, m_end, true, text);
    record.InstallationStart = text;
    FormatAndCheckDates(m_start, m_end, false, text);
    record.InstallationEnd = text;

    ForEachPageField([&](const FieldInfo& field) {
        if (field.kind == FieldKind::DoneFlag)
            SetCheck(field.control, FieldText(record, field) == "true");
    });
    m_bLoading = false;
    SetAllMarkers();
}

void CMainDlg::SetAllMarkers()
{
    ForEachPageField([this](const FieldInfo& field) {
        if (!field.markerFollows)
            return;
        if (field.control == IDC_CUSTOMER_NAME) {
            UpdateNameMarker();
        } else if (field.kind == FieldKind::Choice) {
            UpdateFieldMarker(ListShownText(field.control), field.marker);
        } else {
            UpdateFieldMarker(GetItemText(field.control), field.marker);
            // The serial number's typed box comes second, so it decides.
            if (field.secondControl != 0)
                UpdateFieldMarker(GetItemText(field.secondControl), field.marker);
        }
    });
}

void CMainDlg::UpdateFieldMarker(const std::string& value, int marker)
{
    auto found = m_markers.find(marker);
    if (found != m_markers.end())
        ShowMissingMarker(*found->second, MarkerShowsAsterisk(value));
    if (!m_host.IsPagesInitialising())
        m_host.SetModified(true);
}

void CMainDlg::UpdateNameMarker()
{
    std::string name = GetItemText(IDC_CUSTOMER_NAME);
    UpdateFieldMarker(IsMakerName(name) ? std::string() : name, IDC_MARK_NAME);
}

void CMainDlg::SetItemTextQuietly(int id, const std::string& text)
{
    bool loading = m_bLoading;
    m_bLoading = true;
    SetItemText(id, text);
    SendMessageA(Item(id), EM_SETSEL, text.size(), text.size());
    m_bLoading = loading;
}

bool CMainDlg::RefusedCharacter(const std::string& typed)
{
    const InvalidCharacter invalid = FindInvalidCharacter(typed, false);
    if (!invalid.character)
        return false;
    MessageBoxA(m_hWnd, InvalidCharacterMessage(invalid.character).c_str(), "Error", MB_OK | MB_ICONSTOP);
    return true;
}

void CMainDlg::OnCustomerNameChanged()
{
    ReportRecord& record = m_host.Record();
    std::string previous = record.CustomerName;
    std::string name = GetItemText(IDC_CUSTOMER_NAME);
    if (RefusedCharacter(name)) {
        SetItemTextQuietly(IDC_CUSTOMER_NAME, previous);
        return;
    }
    SetFieldText(record, "CustomerName", name);
    UpdateNameMarker();
    WriteBackCustomerName(record.ProductType, name);
}

void CMainDlg::OnTypedSerialChanged()
{
    ReportRecord& record = m_host.Record();
    std::string previous = record.ProductSerialNumber;
    std::string typed = GetItemText(IDC_SERIAL_TYPED);
    if (RefusedCharacter(typed)) {
        std::string shown = StripTypedSerialPrefix(previous);
        SetItemTextQuietly(IDC_SERIAL_DETECTED, shown);
        SetItemTextQuietly(IDC_SERIAL_TYPED, shown);
        return;
    }
    SetFieldText(record, "ProductSerialNumber", std::string(kTypedSerialPrefix) + typed);
    UpdateFieldMarker(Trim(typed), IDC_MARK_SERIAL);
}

void CMainDlg::OnDateChanged(int id)
{
    bool start = id == IDC_START_DATE;
    SYSTEMTIME previous = start ? m_start : m_end;
    SYSTEMTIME newStart = m_start, newEnd = m_end;
    SendMessageA(Item(IDC_START_DATE), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&newStart));
    SendMessageA(Item(IDC_END_DATE), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&newEnd));
    std::string text;
    if (FormatAndCheckDates(newStart, newEnd, start, text)) {
        SetFieldText(m_host.Record(), start ? "InstallationStart" : "InstallationEnd", text);
        (start ? m_start : m_end) = start ? newStart : newEnd;
    } else {
        MessageBoxA(m_hWnd, kDateRefused, "Confirmation", MB_OK | MB_ICONSTOP);
        bool loading = m_bLoading;
        m_bLoading = true;
        SendMessageA(Item(id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&previous));
        m_bLoading = loading;
    }
    m_host.SetModified(true);
}

bool CMainDlg::OnCommand(int id, int code, HWND)
{
    ReportRecord& record = m_host.Record();
    if (code == EN_CHANGE) {
        if (m_bLoading)
            return true;
        switch (id) {
        case IDC_CUSTOMER_NAME:
            OnCustomerNameChanged();
            return true;
        case IDC_SERIAL_TYPED:
            OnTypedSerialChanged();
            return true;
        case IDC_SERIAL_DETECTED:
            SetFieldText(record, "ProductSerialNumber", GetItemText(IDC_SERIAL_DETECTED));
            UpdateFieldMarker(GetItemText(IDC_SERIAL_DETECTED), IDC_MARK_SERIAL);
            return true;
        case IDC_SUMMARY:
            SetFieldText(record, "InstallationSummary", EncodeLineBreaks(GetItemText(IDC_SUMMARY)));
            UpdateFieldMarker(GetItemText(IDC_SUMMARY), IDC_MARK_SUMMARY);
            return true;
        default:
            break;
        }
        const FieldInfo* changed = PageFieldOf(id, IsPlainText);
        if (changed == nullptr)
            return false;
        std::string text = GetItemText(id);
        SetFieldText(record, *changed, text);
        UpdateFieldMarker(text, changed->marker);
        if (id == IDC_CUSTOMER_ID && text == "90521")
            TestFill();
        return true;
    }
    if (code == CBN_SELCHANGE) {
        const FieldInfo* changed =
            PageFieldOf(id, [](const FieldInfo& field) { return field.kind == FieldKind::Choice; });
        if (changed == nullptr)
            return false;
        std::string text = ListShownText(id);
        SetFieldText(record, *changed, text);
        UpdateFieldMarker(text, changed->marker);
        return true;
    }
    if (code == BN_CLICKED) {
        const FieldInfo* clicked =
            PageFieldOf(id, [](const FieldInfo& field) { return field.kind == FieldKind::DoneFlag; });
        if (clicked == nullptr)
            return false;
        SetFieldText(record, *clicked, IsChecked(id) ? "true" : "false");
        m_host.SetModified(true);
        return true;
    }
    return false;
}

bool CMainDlg::OnNotify(int id, NMHDR* header, LRESULT& result)
{
    if (header->code == DTN_DATETIMECHANGE && (id == IDC_START_DATE || id == IDC_END_DATE)) {
        if (!m_bLoading)
            OnDateChanged(id);
        result = 0;
        return true;
    }
    return false;
}

void CMainDlg::FindFirstMissingField()
{
    ReportRecord& record = m_host.Record();
    bool focused = false;
    ForEachPageField([&](const FieldInfo& field) {
        if (!focused && field.focusWhenEmpty && FieldText(record, field).empty()) {
            FocusItem(field.focusControl);
            focused = true;
        }
    });
}

void CMainDlg::TestFill()
{
    ForEachPageField([this](const FieldInfo& field) {
        if (field.kind != FieldKind::Choice)
            return;
        std::vector<std::string> entries = ListEntries(field.control);
        for (size_t i = 0; i < entries.size() && entries.size() > 1; ++i) {
            if (entries[i] != kSelectPlaceholder) {
                SendMessageA(Item(field.control), CB_SETCURSEL, i, 0);
                break;
            }
        }
    });
    CreateFolderPath(kReportFolder);
    if (FILE* file = std::fopen(kReportFile, "w"))
        std::fclose(file);

    const std::string file = kReportFile;
    const std::string test = "90521-test";
    WriteReportValue("Version", "INIVersion", GetToolConfigVersion(), file);
    WriteReportValue("GroupCustomer", "CustomerName", "Aldera 800", file);
    WriteReportValue("GroupCustomer", "CustomerID", "90521", file);
    WriteReportValue("GroupCustomer", "CustomerSONumber", test, file);
    WriteReportValue("GroupCustomer", "CustomerRegion", ListShownText(IDC_REGION), file);
    WriteReportValue("GroupProduct", "ProductType", "Aldera 800", file);
    WriteReportValue("GroupProduct", "ProductSerialNumber", test, file);
    WriteReportValue("GroupProduct", "ProductExposureHeadType", ListShownText(IDC_EXPOSURE_HEAD), file);
    WriteReportValue("GroupProduct", "ProductAutomationType", ListShownText(IDC_AUTOMATION_TYPE), file);
    WriteReportValue("GroupProduct", "ProductWorkflowType", ListShownText(IDC_WORKFLOW_TYPE), file);
    WriteReportValue("GroupProduct", "ProductWorkflowSoftwareVersion", test, file);
    WriteReportValue("GroupInstallation", "InstallationDuration", "34", file);
    for (int n = 1; n <= 3; ++n)
        WriteReportValue("GroupInstallation", "InstallationTeamMember" + std::to_string(n), test, file);
    for (int n = 1; n <= 3; ++n)
        WriteReportValue("GroupInstallation", "InstallationTeamMember" + std::to_string(n) + "DoneFlag", "true",
                         file);
    WriteReportValue("GroupInstallation", "InstallationSummary", test, file);
    struct GroupFill {
        const char* prefix;
        int texts;
        int answers;
        const char* answer;
    };
    const GroupFill groups[] = {
        {"General", 7, 6, "1"}, {"Hardware", 7, 7, "0"}, {"Software", 7, 7, "1"}, {"Performance", 6, 6, "0"}};
    for (const GroupFill& group : groups) {
        std::string section = std::string("Group") + group.prefix;
        for (int n = 1; n <= group.texts; ++n)
            WriteReportValue(section, std::string(group.prefix) + "Q" + std::to_string(n) + "Text", "", file);
        for (int n = 1; n <= group.answers; ++n)
            WriteReportValue(section, std::string(group.prefix) + "Q" + std::to_string(n) + "YN", group.answer,
                             file);
    }
    // The record is replaced by the file; the reload shows it (without running the fill
    // again: the page's own writes are not edits).
    LoadReport(m_host.Record());
    LoadPage();
}
