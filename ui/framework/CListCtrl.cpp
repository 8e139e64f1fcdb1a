#include "ui/framework/CListCtrl.h"

#include <commctrl.h>
#include <vector>

DWORD CListCtrl::GetExtendedStyle() const
{
    return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
}

void CListCtrl::SetExtendedStyle(DWORD styles)
{
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(styles));
}

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width)
{
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(heading.c_str());
    col.iSubItem = column;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int row, const std::string& text)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int row, int column, const std::string& text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    return SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::string CListCtrl::GetItemText(int row, int column) const
{
    // The control copies at most the buffer's size; grow until the text fits.
    for (size_t size = 256;; size *= 4)
    {
        std::vector<char> buffer(size);
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        LRESULT n = SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        if (n < 0)
            n = 0;
        if (static_cast<size_t>(n) + 1 < size || size >= 65536)
            return std::string(buffer.data(), strnlen(buffer.data(), size));
    }
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

bool CListCtrl::GetCheck(int row) const
{
    return ((GetItemState(row, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1;
}

void CListCtrl::SetCheck(int row, bool checked)
{
    SetItemState(row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

UINT CListCtrl::GetItemState(int row, UINT mask) const
{
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(row), static_cast<LPARAM>(mask)));
}

void CListCtrl::SetItemState(int row, UINT state, UINT mask)
{
    LVITEMA item{};
    item.stateMask = mask;
    item.state = state;
    SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool CListCtrl::DeleteAllItems()
{
    return SendMessage(LVM_DELETEALLITEMS) != FALSE;
}
