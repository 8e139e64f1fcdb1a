#include "DialogDriver.h"

#include <ole2.h>
#include <shlobj.h>

#include "shell/CSimpleExt.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/ui/UiTestSupport.h"

namespace dlgtest
{
namespace
{
struct Search
{
    const std::string* caption;
    std::set<HWND>* found;
};

BOOL CALLBACK Collect(HWND hWnd, LPARAM lParam)
{
    Search* s = reinterpret_cast<Search*>(lParam);
    char text[128] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    if (*s->caption == text)
        s->found->insert(hWnd);
    return TRUE;
}
}  // namespace

std::set<HWND> WindowsCaptioned(const std::string& caption)
{
    std::set<HWND> found;
    Search s{&caption, &found};
    ::EnumThreadWindows(::GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&s));
    return found;
}

CShellWindow::CShellWindow()
    : m_hWnd(::CreateWindowExA(0, "STATIC", "shell", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                               nullptr, nullptr, nullptr))
{
    uitest::Pump(20);
}

CShellWindow::~CShellWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CShellWindow::Activate() const
{
    ::SetForegroundWindow(m_hWnd);
    ::SetActiveWindow(m_hWnd);
    uitest::Pump(20);
}

HWND InvokeFromMenu(const CShellWindow& shell, const std::string& path, UINT offset, const std::string& caption)
{
    const std::set<HWND> before = WindowsCaptioned(caption);
    shell.Activate();
    CSimpleExt* ext = new CSimpleExt();
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    ext->Inner()->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
    ext->Inner()->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    HWND opened = nullptr;
    if (init && menu)
    {
        CDropListDataObject data(AnsiDropList({path}));
        HMENU hmenu = ::CreatePopupMenu();
        if (SUCCEEDED(init->Initialize(nullptr, &data, nullptr)) &&
            SUCCEEDED(menu->QueryContextMenu(hmenu, 0, 100, 200, CMF_NORMAL)))
        {
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof info;
            info.hwnd = shell.Get();
            info.lpVerb = MAKEINTRESOURCEA(offset);
            info.nShow = SW_SHOWNORMAL;
            menu->InvokeCommand(&info);
        }
        ::DestroyMenu(hmenu);
    }
    if (init)
        init->Release();
    if (menu)
        menu->Release();
    uitest::Pump(50);
    for (HWND hWnd : WindowsCaptioned(caption))
        if (!before.count(hWnd))
            opened = hWnd;
    return opened;
}

void Click(HWND dialog, int id)
{
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    uitest::Pump(30);
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void SetItemText(HWND dialog, int id, const std::string& text)
{
    ::SetDlgItemTextA(dialog, id, text.c_str());
}

std::vector<std::string> ComboItems(HWND dialog, int id)
{
    std::vector<std::string> items;
    HWND combo = ::GetDlgItem(dialog, id);
    const int count = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
    {
        char text[512] = {};
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND dialog, int id)
{
    return static_cast<int>(::SendMessageA(::GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}
}  // namespace dlgtest
