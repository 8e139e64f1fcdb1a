#include "CNoticeWatcher.h"

namespace
{
struct Search
{
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND hWnd, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    if (::GetWindow(hWnd, GW_OWNER) != search->owner || !::IsWindowVisible(hWnd))
        return TRUE;
    char name[32] = {};
    ::GetClassNameA(hWnd, name, sizeof(name));
    if (lstrcmpA(name, "#32770") != 0)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}
}  // namespace

CNoticeWatcher::CNoticeWatcher(HWND owner, std::atomic<int>* clock) : m_owner(owner), m_clock(clock)
{
    m_thread = std::thread([this] { Watch(); });
}

CNoticeWatcher::~CNoticeWatcher()
{
    Stop();
}

CNoticeWatcher::Sight CNoticeWatcher::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    return m_sight;
}

void CNoticeWatcher::Watch()
{
    ULONGLONG firstSeen = 0;
    while (!m_stop)
    {
        Search search{m_owner, nullptr};
        ::EnumWindows(&FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found)
        {
            const int now = ++*m_clock;
            if (!m_sight.hWnd)
            {
                m_sight.hWnd = search.found;
                m_sight.firstSeenAt = now;
                ::GetWindowRect(search.found, &m_sight.window);
                ::GetClientRect(search.found, &m_sight.client);
                firstSeen = ::GetTickCount64();
            }
            if (search.found == m_sight.hWnd)
                m_sight.lastSeenAt = now;
            // The X server needs a moment before the window's pixels can be read.
            if (!m_sight.pictured && ::GetTickCount64() - firstSeen >= 400)
            {
                m_sight.picture = uitest::CaptureClient(search.found);
                m_sight.pictured = true;
            }
        }
        ::Sleep(5);
    }
}
