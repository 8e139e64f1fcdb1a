// A list-view control of a dialog in report view: columns, rows, check boxes, selection.
#pragma once
#include <string>

#include "ui/framework/CWnd.h"

class CListCtrl : public CWnd
{
public:
    DWORD GetExtendedStyle() const;
    void SetExtendedStyle(DWORD styles);
    int InsertColumn(int column, const std::string& heading, int format, int width);
    int InsertItem(int row, const std::string& text);
    bool SetItemText(int row, int column, const std::string& text);
    std::string GetItemText(int row, int column) const;
    int GetItemCount() const;
    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);
    UINT GetItemState(int row, UINT mask) const;
    void SetItemState(int row, UINT state, UINT mask);
    bool DeleteAllItems();
};
