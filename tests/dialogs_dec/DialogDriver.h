// Drives dialogs as a user would: opens them through the context-menu handler, finds their
// windows, clicks their buttons, reads their controls.
#pragma once
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace dlgtest
{
// The top-level windows of this thread with the given (GBK) caption.
std::set<HWND> WindowsCaptioned(const std::string& caption);

// A visible top-level window standing in for the shell's window; destroyed with the object.
class CShellWindow
{
public:
    CShellWindow();
    ~CShellWindow();
    CShellWindow(const CShellWindow&) = delete;
    CShellWindow& operator=(const CShellWindow&) = delete;
    HWND Get() const { return m_hWnd; }
    // Makes it the active window, as it is when the user picks a command from its menu.
    void Activate() const;

private:
    HWND m_hWnd;
};

// Runs one context menu on `path` as the shell does (Initialize with a drop list naming it,
// QueryContextMenu, InvokeCommand with `offset` from the active shell window) and returns the
// window captioned `caption` that the command opened, nullptr when none appeared.
HWND InvokeFromMenu(const CShellWindow& shell, const std::string& path, UINT offset, const std::string& caption);

// BM_CLICK on control `id`, then the thread's messages for a moment.
void Click(HWND dialog, int id);
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);

// The items of a combo box in list order, and the selected index (CB_ERR: none).
std::vector<std::string> ComboItems(HWND dialog, int id);
int ComboSelection(HWND dialog, int id);
}  // namespace dlgtest
