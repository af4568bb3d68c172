#pragma once
// The customer, product and installation page.
#include "GenericChildDialog.h"
#include "Widgets.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CMainDlg : public CGenericChildDialog {
public:
    explicit CMainDlg(CReportHost& host);
    ~CMainDlg() override;

    void FindFirstMissingField() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;

private:
    // Steps 1 to 8 of loading: identification, lists, values, dates, done boxes, markers.
    void LoadPage();
    void FillLists();
    void SelectListEntries();
    void SetAllMarkers();
    void UpdateFieldMarker(const std::string& value, int marker);
    void UpdateNameMarker();
    void TestFill();

    void OnCustomerNameChanged();
    void OnTypedSerialChanged();
    void OnDateChanged(int id);

    std::vector<std::string> ListEntries(int id) const;
    std::string ListShownText(int id) const;
    void SetItemTextQuietly(int id, const std::string& text);
    // Shows the error for the first character a typed name may not hold; true when it did.
    bool RefusedCharacter(const std::string& typed);

    std::map<int, std::unique_ptr<CColorStatic>> m_markers;
    SYSTEMTIME m_start{};
    SYSTEMTIME m_end{};
    bool m_bLoading = false;  // the page itself is writing into its controls
};
