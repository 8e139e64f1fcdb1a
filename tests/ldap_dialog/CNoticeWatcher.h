// A second thread that looks at the screen while the dialog's thread is blocked in a query:
// it notes each moment it finds a visible dialog window (class "#32770") owned by the given
// window, with that window's placement, and takes one picture of it. It sends the blocked
// thread no message (only calls that read window state the system keeps).
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "ui/UiTestSupport.h"

class CNoticeWatcher
{
public:
    struct Sight
    {
        HWND hWnd = nullptr;
        int firstSeenAt = 0;  // ticks of the shared clock
        int lastSeenAt = 0;
        RECT window{};
        RECT client{};
        bool pictured = false;
        uitest::Image picture;  // its client area, taken a moment after it was first seen
    };

    CNoticeWatcher(HWND owner, std::atomic<int>* clock);
    ~CNoticeWatcher();
    CNoticeWatcher(const CNoticeWatcher&) = delete;
    CNoticeWatcher& operator=(const CNoticeWatcher&) = delete;

    // Stops watching and returns what was seen.
    Sight Stop();

private:
    void Watch();

    HWND m_owner;
    std::atomic<int>* m_clock;
    std::atomic<bool> m_stop{false};
    Sight m_sight;
    std::thread m_thread;
};
