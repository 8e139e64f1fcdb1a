// Window base: wraps one HWND. A window is either only attached (a plain handle the object
// names, nothing else) or subclassed (its window procedure is ours, so its messages run
// through the message maps). Subclassed windows know their object through a window property;
// when the window ends (WM_NCDESTROY) the object lets go of it and PostNcDestroy runs.
#pragma once
#include <string>
#include <windows.h>

#include "ui/framework/MessageMap.h"

class CWnd
{
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object that has subclassed this window, or nullptr.
    static CWnd* FromHandlePermanent(HWND hWnd);

    void Attach(HWND hWnd);
    HWND Detach();
    // Routes the window's messages through this object's message map.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(int id, CWnd* parent);
    HWND UnsubclassWindow();
    bool DestroyWindow();

    // Thin wrappers of the platform calls the dialogs use.
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::string& text) { ::SetDlgItemTextA(m_hWnd, id, text.c_str()); }
    bool EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable ? TRUE : FALSE) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool ShowWindow(int show) { return ::ShowWindow(m_hWnd, show) != FALSE; }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE); }
    void InvalidateRect(const RECT* rect, bool erase = true) { ::InvalidateRect(m_hWnd, rect, erase ? TRUE : FALSE); }
    void MoveWindow(int x, int y, int width, int height, bool repaint = true)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint ? TRUE : FALSE);
    }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void ScreenToClient(POINT* pt) const { ::ScreenToClient(m_hWnd, pt); }
    // Both corners; left and right swap for right-to-left layout windows.
    void ScreenToClient(RECT* rect) const;
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    bool KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }
    HWND GetOwner() const { return ::GetWindow(m_hWnd, GW_OWNER); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    // A message box owned by this window, through the user-prompt seam.
    int MessageBox(const char* text, const char* caption, UINT type = MB_OK);
    // Centres over the owner when it is visible and not minimised, otherwise in the work area
    // of the active window's monitor (the primary one when no window is active); the result is
    // kept inside that monitor's work area.
    void CenterWindow();

protected:
    // Default processing of the message being handled: the window's previous procedure.
    LRESULT Default();
    // Runs the message through the message maps, then control reflection, then Default.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // A control gets the parent's notifications about itself first (WM_DRAWITEM).
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void PreSubclassWindow() {}
    // Called once the window has ended and the object has let go of it.
    virtual void PostNcDestroy() {}
    // Whether the object created its window (then the object's end destroys it).
    bool m_ownsWindow = false;

    static const MessageMap* ClassMessageMap();
    virtual const MessageMap* GetMessageMap() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static const MessageMapEntry* FindEntry(const MessageMap* map, UINT msg, WPARAM wParam, LPARAM lParam);
    void LetGo();

    WNDPROC m_oldProc = nullptr;

    friend class CDialog;
};
