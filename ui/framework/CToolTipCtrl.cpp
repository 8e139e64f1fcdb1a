#include "ui/framework/CToolTipCtrl.h"

#include <commctrl.h>

#include "ui/framework/CWinApp.h"

namespace
{
TOOLINFOA ToolInfo(CWnd* tool, const char* text)
{
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;  // accepted by every version of the control
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = ::GetParent(tool->m_hWnd);
    ti.uId = reinterpret_cast<UINT_PTR>(tool->m_hWnd);
    ti.hinst = CWinApp::ResourceHandle();
    ti.lpszText = const_cast<char*>(text);
    return ti;
}
}  // namespace

bool CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    if (m_hWnd)
        return false;
    CWinApp::InitCommonControls();
    HWND hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, parent ? parent->m_hWnd : nullptr, nullptr,
                                  CWinApp::ResourceHandle(), nullptr);
    if (!hWnd)
        return false;
    if (!SubclassWindow(hWnd))
    {
        ::DestroyWindow(hWnd);
        return false;
    }
    m_ownsWindow = true;
    return true;
}

bool CToolTipCtrl::AddTool(CWnd* tool, const char* text)
{
    TOOLINFOA ti = ToolInfo(tool, text);
    return SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

void CToolTipCtrl::DelTool(CWnd* tool)
{
    TOOLINFOA ti = ToolInfo(tool, nullptr);
    SendMessage(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* tool)
{
    TOOLINFOA ti = ToolInfo(tool, text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::Activate(bool activate)
{
    SendMessage(TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
}

void CToolTipCtrl::SetDelayTime(DWORD which, int milliseconds)
{
    SendMessage(TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
}

void CToolTipCtrl::RelayEvent(MSG* msg)
{
    SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
