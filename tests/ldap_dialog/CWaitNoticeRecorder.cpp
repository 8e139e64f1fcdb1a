#include "CWaitNoticeRecorder.h"

CWaitNoticeRecorder* CWaitNoticeRecorder::s_current = nullptr;

CWaitNoticeRecorder::CWaitNoticeRecorder(std::atomic<int>* clock) : m_clock(clock)
{
    s_current = this;
    const DWORD thread = ::GetCurrentThreadId();
    m_cbt = ::SetWindowsHookExA(WH_CBT, &CbtProc, nullptr, thread);
    m_callWndProc = ::SetWindowsHookExA(WH_CALLWNDPROC, &CallWndProc, nullptr, thread);
    m_callWndProcRet = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &CallWndProcRet, nullptr, thread);
}

CWaitNoticeRecorder::~CWaitNoticeRecorder()
{
    for (HHOOK hook : {m_cbt, m_callWndProc, m_callWndProcRet})
        if (hook)
            ::UnhookWindowsHookEx(hook);
    s_current = nullptr;
}

bool CWaitNoticeRecorder::AnyAlive() const
{
    for (const Notice& n : m_notices)
        if (!n.destroyedAt && ::IsWindow(n.hWnd))
            return true;
    return false;
}

CWaitNoticeRecorder::Notice* CWaitNoticeRecorder::Find(HWND hWnd)
{
    for (Notice& n : m_notices)
        if (n.hWnd == hWnd && !n.destroyedAt)
            return &n;
    return nullptr;
}

namespace
{
BOOL CALLBACK CollectText(HWND child, LPARAM lParam)
{
    char name[32] = {};
    ::GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "Static") == 0)
    {
        char text[256] = {};
        ::GetWindowTextA(child, text, sizeof(text));
        std::string& all = *reinterpret_cast<std::string*>(lParam);
        all += (all.empty() ? "" : "|") + std::string(text);
    }
    return TRUE;
}
}  // namespace

LRESULT CALLBACK CWaitNoticeRecorder::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    CWaitNoticeRecorder* self = s_current;
    if (self && code == HCBT_DESTROYWND)
    {
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        if (Notice* n = self->Find(hWnd))
        {
            n->destroyedAt = ++*self->m_clock;
            n->visibleWhenDestroyed = ::IsWindowVisible(hWnd) != FALSE;
            ::GetWindowRect(hWnd, &n->window);
            ::GetClientRect(hWnd, &n->client);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CWaitNoticeRecorder::CallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    CWaitNoticeRecorder* self = s_current;
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (self && code == HC_ACTION)
    {
        if (Notice* n = self->Find(message->hwnd))
        {
            if (message->message == WM_SHOWWINDOW && message->wParam && !n->shownAt)
                n->shownAt = ++*self->m_clock;
            if (message->message == WM_PAINT && !n->paintedAt)
            {
                n->paintedAt = ++*self->m_clock;
                n->visibleWhenPainted = ::IsWindowVisible(message->hwnd) != FALSE;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CWaitNoticeRecorder::CallWndProcRet(int code, WPARAM wParam, LPARAM lParam)
{
    CWaitNoticeRecorder* self = s_current;
    const CWPRETSTRUCT* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (self && code == HC_ACTION && message->message == WM_INITDIALOG && self->m_owner &&
        ::GetWindow(message->hwnd, GW_OWNER) == self->m_owner)
    {
        char name[32] = {};
        ::GetClassNameA(message->hwnd, name, sizeof(name));
        if (lstrcmpA(name, "#32770") == 0)
        {
            Notice n;
            n.hWnd = message->hwnd;
            n.owner = self->m_owner;
            n.initialisedAt = ++*self->m_clock;
            n.exStyle = static_cast<DWORD>(::GetWindowLongA(message->hwnd, GWL_EXSTYLE));
            COLORREF key = 0;
            DWORD flags = 0;
            if (::GetLayeredWindowAttributes(message->hwnd, &key, &n.alpha, &flags))
                n.hasAlpha = (flags & LWA_ALPHA) != 0;
            ::EnumChildWindows(message->hwnd, &CollectText, reinterpret_cast<LPARAM>(&n.text));
            self->m_notices.push_back(n);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
