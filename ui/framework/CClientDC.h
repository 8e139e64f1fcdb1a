// The device context of a window's client area for one scope.
#pragma once
#include <windows.h>

class CClientDC
{
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_dc(::GetDC(hWnd)) {}
    ~CClientDC()
    {
        if (m_dc)
            ::ReleaseDC(m_hWnd, m_dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_hWnd;
    HDC m_dc;
};
