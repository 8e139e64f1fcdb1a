// A combo box of a dialog: its list of items and the selection.
#pragma once
#include <string>

#include "ui/framework/CWnd.h"

class CComboBox : public CWnd
{
public:
    void ResetContent();
    int AddString(const std::string& text);
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
};
