#include "ui/framework/CDialog.h"

#include "ui/framework/CWinApp.h"

namespace
{
// The dialog whose window CreateDialogParam is making on this thread.
thread_local CDialog* t_creating = nullptr;

// Modeless dialogs get their keyboard interface (Tab, Enter, Esc, mnemonics) from
// IsDialogMessage, which the host's message loop does not call; a message hook of this thread
// does it for them while any of them is open.
thread_local HHOOK t_keyboardHook = nullptr;
thread_local int t_openDialogs = 0;

LRESULT CALLBACK KeyboardFilter(int code, WPARAM wParam, LPARAM lParam)
{
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
    {
        HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
        if (dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(root)) && ::IsDialogMessageA(root, msg))
        {
            msg->message = WM_NULL;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return ::CallNextHookEx(t_keyboardHook, code, wParam, lParam);
}
}  // namespace

CDialog::~CDialog()
{
    LeaveKeyboardFilter();
}

void CDialog::JoinKeyboardFilter()
{
    if (m_bKeyboardFilter)
        return;
    if (!t_keyboardHook)
        t_keyboardHook = ::SetWindowsHookExA(WH_GETMESSAGE, &KeyboardFilter, nullptr, ::GetCurrentThreadId());
    ++t_openDialogs;
    m_bKeyboardFilter = true;
}

void CDialog::LeaveKeyboardFilter()
{
    if (!m_bKeyboardFilter)
        return;
    m_bKeyboardFilter = false;
    if (--t_openDialogs == 0 && t_keyboardHook)
    {
        ::UnhookWindowsHookEx(t_keyboardHook);
        t_keyboardHook = nullptr;
    }
}

ZOZ_BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ZOZ_ON_COMMAND(IDOK, OnOK)
    ZOZ_ON_COMMAND(IDCANCEL, OnCancel)
ZOZ_END_MESSAGE_MAP()

bool CDialog::Create(UINT templateId, CWnd* parent)
{
    if (m_hWnd)
        return false;
    m_nIDTemplate = templateId;
    m_pParentWnd = parent;
    HWND owner = parent ? parent->m_hWnd : nullptr;
    if (!owner)
    {
        CWinApp* app = CWinApp::Current();
        owner = app && ::IsWindow(app->m_hMainWnd) ? app->m_hMainWnd : ::GetActiveWindow();
    }
    CWinApp::InitCommonControls();

    m_nResult = 0;
    m_startError = nullptr;
    m_bCreating = true;
    CDialog* outer = t_creating;
    t_creating = this;
    HWND hWnd = ::CreateDialogParamA(CWinApp::ResourceHandle(), MAKEINTRESOURCEA(templateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    t_creating = outer;
    if (m_startError)
    {
        if (hWnd)
            ::DestroyWindow(hWnd);
        m_bCreating = false;
        std::exception_ptr error = m_startError;
        m_startError = nullptr;
        std::rethrow_exception(error);
    }
    m_bCreating = false;
    if (!hWnd)
        return false;
    m_ownsWindow = true;
    JoinKeyboardFilter();
    return true;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM, LPARAM)
{
    // The first message the dialog manager hands over (WM_SETFONT or WM_INITDIALOG) is the
    // moment to take the window over; from then on its messages come through SubclassProc.
    if (t_creating && !FromHandlePermanent(hWnd))
    {
        CDialog* self = t_creating;
        t_creating = nullptr;
        if (!self->SubclassWindow(hWnd))
            return FALSE;
        if (msg == WM_INITDIALOG)
        {
            // Only when the platform called us directly with it; normally it is sent and
            // reaches WindowProc.
            return self->WindowProc(msg, 0, 0);
        }
    }
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG)
    {
        if (!m_bCreating)
            return OnInitDialog() ? TRUE : FALSE;
        try
        {
            return OnInitDialog() ? TRUE : FALSE;
        }
        catch (...)
        {
            m_startError = std::current_exception();
            return FALSE;
        }
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

bool CDialog::UpdateData(bool save)
{
    if (!m_hWnd)
        return false;
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return true;
}

void CDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    // The object may be gone after this line when it deletes itself.
    DestroyWindow();
}

void CDialog::PostNcDestroy()
{
    LeaveKeyboardFilter();
    if (m_bAutoDelete && !m_bCreating)
        delete this;
}
