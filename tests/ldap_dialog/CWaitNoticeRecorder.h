// Records, through window hooks of the calling thread, every dialog window (class "#32770")
// that starts with a given owner: when it was initialised, shown, painted and destroyed (as
// ticks of a shared clock), what it says, its placement and its opacity. Used to see the wait
// notice of the directory query, which lives only while the query's handler runs.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

class CWaitNoticeRecorder
{
public:
    struct Notice
    {
        HWND hWnd = nullptr;
        HWND owner = nullptr;
        int initialisedAt = 0;
        int shownAt = 0;             // WM_SHOWWINDOW (show)
        int paintedAt = 0;           // first WM_PAINT
        bool visibleWhenPainted = false;
        int destroyedAt = 0;
        bool visibleWhenDestroyed = false;
        std::string text;            // the static texts, joined with '|'
        DWORD exStyle = 0;           // after the start-up
        bool hasAlpha = false;       // layered with LWA_ALPHA
        BYTE alpha = 0;
        RECT window{};               // when destroyed (screen coordinates)
        RECT client{};
    };

    explicit CWaitNoticeRecorder(std::atomic<int>* clock);
    ~CWaitNoticeRecorder();
    CWaitNoticeRecorder(const CWaitNoticeRecorder&) = delete;
    CWaitNoticeRecorder& operator=(const CWaitNoticeRecorder&) = delete;

    bool Installed() const { return m_cbt && m_callWndProc && m_callWndProcRet; }
    // Only dialogs owned by this window are recorded.
    void Watch(HWND owner) { m_owner = owner; }
    void Clear() { m_notices.clear(); }
    const std::vector<Notice>& Notices() const { return m_notices; }
    // Whether a recorded notice still has its window.
    bool AnyAlive() const;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CallWndProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CallWndProcRet(int code, WPARAM wParam, LPARAM lParam);
    Notice* Find(HWND hWnd);

    static CWaitNoticeRecorder* s_current;
    std::atomic<int>* m_clock;
    HWND m_owner = nullptr;
    HHOOK m_cbt = nullptr;
    HHOOK m_callWndProc = nullptr;
    HHOOK m_callWndProcRet = nullptr;
    std::vector<Notice> m_notices;
};
