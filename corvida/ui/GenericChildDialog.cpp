#include "GenericChildDialog.h"

#include <cassert>

CGenericChildDialog::CGenericChildDialog(int templateId, CReportHost& host) : CDialog(templateId), m_host(host) {}

bool CGenericChildDialog::CreateGenericChildDialog(HWND parent, int placeholderId, int value, const RECT* margins)
{
    m_pParent = parent;
    m_nValue = value;
    HWND page = CreateChild(parent);
    assert(page && "page template missing");
    if (!page)
        return false;
    RECT margin = {0, 0, 0, 0};
    if (margins)
        margin = *margins;
    HWND placeholder = GetDlgItem(parent, placeholderId);
    RECT place = {0, 0, 0, 0};
    if (placeholder) {
        GetWindowRect(placeholder, &place);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    }
    RECT client;
    GetClientRect(page, &client);
    SetWindowPos(page, nullptr, place.left + margin.left, place.top + margin.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (placeholder) {
        SetWindowPos(placeholder, nullptr, 0, 0, client.right + margin.left + margin.right,
                     client.bottom + margin.top + margin.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(page, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return true;
}
