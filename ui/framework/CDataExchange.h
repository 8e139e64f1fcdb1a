// Dialog data exchange: one pass over a dialog's bindings, either refreshing the controls from
// the stored members (save = false) or reading the controls into the members (save = true).
#pragma once
#include <string>

class CWnd;

class CDataExchange
{
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Binds the text of control id to a text member.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// Attaches the member object to control id, once; the control's messages then run through the
// member's message map. Raises std::runtime_error when the dialog has no such control.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
