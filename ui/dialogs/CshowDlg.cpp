#include "ui/dialogs/CshowDlg.h"

#include "res/resource.h"

namespace
{
// Looked up at run time: older systems have no per-window opacity.
using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

class CLibrary
{
public:
    explicit CLibrary(const char* name) : m_h(::LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (m_h)
            ::FreeLibrary(m_h);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    HMODULE Get() const { return m_h; }

private:
    HMODULE m_h;
};
}  // namespace

ZOZ_BEGIN_MESSAGE_MAP(CshowDlg, CDialog)
ZOZ_END_MESSAGE_MAP()

CshowDlg::CshowDlg(CWnd* parent) : CDialog(IDD_SHOWDLG, parent)
{
}

CshowDlg::~CshowDlg() = default;

bool CshowDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(GetExStyle() ^ WS_EX_LAYERED));

    CLibrary user32("User32.DLL");
    if (!user32.Get())
        return true;
    auto setLayered = reinterpret_cast<SetLayeredWindowAttributesFn>(
        reinterpret_cast<void*>(::GetProcAddress(user32.Get(), "SetLayeredWindowAttributes")));
    if (setLayered)
        setLayered(m_hWnd, 0, kAlpha, LWA_ALPHA);
    return true;
}
