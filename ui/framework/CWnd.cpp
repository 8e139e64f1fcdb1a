#include "ui/framework/CWnd.h"

#include <new>
#include <vector>

#include "ui/framework/CFileException.h"
#include "ui/framework/CUserPrompts.h"

namespace
{
const char kObjectProperty[] = "ZoZedivAza.CWnd";

// The message each subclassed window is handling on this thread, for Default().
struct CurrentMessage
{
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
thread_local const CurrentMessage* t_current = nullptr;

// No exception leaves a window procedure: the user hears of it, the message counts as handled.
void ReportHandlerFailure(HWND hWnd)
{
    HWND owner = ::IsWindow(hWnd) ? hWnd : nullptr;
    try
    {
        throw;
    }
    catch (const CFileException& e)
    {
        e.ReportError(owner);
    }
    catch (const std::bad_alloc&)
    {
        CUserPrompts::Current().MessageBox(owner, "内存不足,操作没有完成!", "出错提示", MB_OK | MB_ICONERROR);
    }
    catch (...)
    {
        CUserPrompts::Current().MessageBox(owner, "操作产生异常,没有完成!", "出错提示", MB_OK | MB_ICONERROR);
    }
}
}  // namespace

CWnd::~CWnd()
{
    if (!m_hWnd)
        return;
    bool owns = m_ownsWindow;
    HWND hWnd = m_oldProc ? UnsubclassWindow() : Detach();
    if (owns && ::IsWindow(hWnd))
        ::DestroyWindow(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kObjectProperty)) : nullptr;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    m_hWnd = nullptr;
    m_ownsWindow = false;
    return hWnd;
}

bool CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return false;
    if (!::SetPropA(hWnd, kObjectProperty, this))
        return false;
    m_hWnd = hWnd;
    PreSubclassWindow();
    m_oldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    if (!m_oldProc)
    {
        ::RemovePropA(hWnd, kObjectProperty);
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent)
{
    return parent && SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hWnd = m_hWnd;
    if (hWnd && m_oldProc)
    {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
        ::RemovePropA(hWnd, kObjectProperty);
    }
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    m_ownsWindow = false;
    return hWnd;
}

void CWnd::LetGo()
{
    if (m_hWnd)
        ::RemovePropA(m_hWnd, kObjectProperty);
    m_oldProc = nullptr;
    m_hWnd = nullptr;
    m_ownsWindow = false;
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd) != FALSE;
}

std::string CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthA(m_hWnd);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int got = ::GetWindowTextA(m_hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string CWnd::GetDlgItemText(int id) const
{
    return CWnd(GetDlgItem(id)).GetWindowText();
}

void CWnd::ScreenToClient(RECT* rect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type)
{
    return CUserPrompts::Current().MessageBox(m_hWnd, text, caption, type);
}

void CWnd::CenterWindow()
{
    RECT self;
    GetWindowRect(&self);
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;

    HWND owner = GetOwner();
    HMONITOR monitor;
    RECT centreOver;
    bool overOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);
    if (overOwner)
    {
        ::GetWindowRect(owner, &centreOver);
        monitor = ::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
    }
    else
    {
        HWND active = ::GetActiveWindow();
        monitor = active ? ::MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST)
                         : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoA(monitor, &info))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    const RECT& work = info.rcWork;
    if (!overOwner)
        centreOver = work;

    int x = (centreOver.left + centreOver.right) / 2 - width / 2;
    int y = (centreOver.top + centreOver.bottom) / 2 - height / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::Default()
{
    const CurrentMessage* m = t_current;
    if (!m || m->hWnd != m_hWnd || !m_oldProc)
        return 0;
    return ::CallWindowProcA(m_oldProc, m->hWnd, m->msg, m->wParam, m->lParam);
}

const MessageMap* CWnd::ClassMessageMap()
{
    static const MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
    static const MessageMap map{nullptr, entries};
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const
{
    return ClassMessageMap();
}

const MessageMapEntry* CWnd::FindEntry(const MessageMap* map, UINT msg, WPARAM wParam, LPARAM lParam)
{
    UINT code = 0, id = 0;
    if (msg == WM_COMMAND)
    {
        code = HIWORD(wParam);
        id = LOWORD(wParam);
    }
    else if (msg == WM_NOTIFY)
    {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (!hdr)
            return nullptr;
        code = hdr->code;
        id = static_cast<UINT>(hdr->idFrom);
    }
    for (; map; map = map->base ? map->base() : nullptr)
    {
        for (const MessageMapEntry* e = map->entries; e->handler; ++e)
        {
            if (e->message == msg && e->code == code && e->id == id)
                return e;
        }
    }
    return nullptr;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (const MessageMapEntry* e = FindEntry(GetMessageMap(), msg, wParam, lParam))
        return e->handler(this, wParam, lParam);
    if (msg == WM_DRAWITEM && lParam)
    {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlType != ODT_MENU)
        {
            LRESULT result = 0;
            if (CWnd* child = FromHandlePermanent(dis->hwndItem))
                if (child->OnChildNotify(msg, wParam, lParam, &result))
                    return result;
        }
    }
    return Default();
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandlePermanent(hWnd);
    if (!self)
        return ::DefWindowProcA(hWnd, msg, wParam, lParam);

    CurrentMessage current{hWnd, msg, wParam, lParam};
    const CurrentMessage* outer = t_current;
    t_current = &current;
    LRESULT result = 0;
    try
    {
        if (msg == WM_NCDESTROY)
        {
            // The window ends: the object lets go of it first, then may end itself.
            WNDPROC oldProc = self->m_oldProc;
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc));
            self->LetGo();
            result = ::CallWindowProcA(oldProc, hWnd, msg, wParam, lParam);
            self->PostNcDestroy();
        }
        else
        {
            // The object may be gone once the handler returns (a dialog that ended itself).
            result = self->WindowProc(msg, wParam, lParam);
        }
    }
    catch (...)
    {
        ReportHandlerFailure(hWnd);
    }
    t_current = outer;
    return result;
}
