#include "ui/framework/CDataExchange.h"

#include <stdexcept>

#include "ui/framework/CWnd.h"

namespace
{
HWND ControlOf(CDataExchange* dx, int id)
{
    HWND control = ::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id);
    if (!control)
        throw std::runtime_error("dialog control missing: " + std::to_string(id));
    return control;
}
}  // namespace

void DDX_Text(CDataExchange* dx, int id, std::string& value)
{
    HWND control = ControlOf(dx, id);
    if (dx->m_bSaveAndValidate)
        value = CWnd(control).GetWindowText();
    else
        ::SetWindowTextA(control, value.c_str());
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd)
        return;
    if (!control.SubclassWindow(ControlOf(dx, id)))
        throw std::runtime_error("dialog control cannot be attached: " + std::to_string(id));
}
