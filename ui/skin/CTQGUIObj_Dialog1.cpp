#include "ui/skin/CTQGUIObj_Dialog1.h"

#include <windowsx.h>

#include "ui/framework/CGdiObject.h"
#include "ui/framework/CSelectObject.h"

namespace
{
const COLORREF kBody = RGB(0xEE, 0xEE, 0xEE);
const COLORREF kOutline = RGB(0xDA, 0xDA, 0xDA);
const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
const int kBandHeight = 25;  // the band is (1, 1, W - 1, 25)
const int kCloseHot = 3;

void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    RECT r{left, top, right, bottom};
    COLORREF previous = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, previous);
}

RECT BandRect(const RECT& window)
{
    return RECT{window.left + 1, window.top + 1, window.right - 1, kBandHeight};
}
}  // namespace

ZOZ_BEGIN_MESSAGE_MAP(CTQGUIObj_Dialog1, CDialog)
    ZOZ_ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
    ZOZ_ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
    ZOZ_ON_MESSAGE(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    ZOZ_ON_MESSAGE(WM_CREATE, OnCreate)
    ZOZ_ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
    ZOZ_ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
    ZOZ_ON_MESSAGE(WM_SIZE, OnSize)
ZOZ_END_MESSAGE_MAP()

CTQGUIObj_Dialog1::CTQGUIObj_Dialog1(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

bool CTQGUIObj_Dialog1::OnInitDialog()
{
    CDialog::OnInitDialog();
    return true;
}

RECT CTQGUIObj_Dialog1::WindowRectInClient() const
{
    RECT r;
    GetWindowRect(&r);
    ScreenToClient(&r);
    return r;
}

void CTQGUIObj_Dialog1::RemoveFrame()
{
    DWORD style = GetStyle();
    DWORD exStyle = GetExStyle();
    if ((style & WS_CAPTION) != WS_CAPTION && !(style & DS_MODALFRAME) && !(exStyle & WS_EX_DLGMODALFRAME))
        return;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(style & 0xFF3FFF7Fu));
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(exStyle & ~static_cast<DWORD>(WS_EX_DLGMODALFRAME)));
    RECT r;
    GetWindowRect(&r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width - 8, height - 30, SWP_NOMOVE | SWP_NOZORDER);
    Invalidate(true);
}

LRESULT CTQGUIObj_Dialog1::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    RemoveFrame();
    Paint(reinterpret_cast<HDC>(wParam));
    return TRUE;
}

void CTQGUIObj_Dialog1::Paint(HDC dc)
{
    const RECT window = WindowRectInClient();
    const int W = window.right - window.left;

    FillSolid(dc, window.left, window.top, window.right, window.bottom, kBody);
    FillSolid(dc, window.left, window.top, window.right, window.top + 1, kOutline);
    FillSolid(dc, window.left, window.top, window.left + 1, window.bottom, kOutline);
    FillSolid(dc, window.right - 1, window.top, window.right, window.bottom, kOutline);
    FillSolid(dc, window.left, window.bottom - 1, window.right, window.bottom, kOutline);

    const RECT band = BandRect(window);
    FillSolid(dc, band.left, band.top, band.right, band.bottom, RGB(0, 0, 0));
    for (int i = 0; i < 8; ++i)
    {
        const int level = 134 - static_cast<int>(134.0 * i / 8.0);
        FillSolid(dc, 1, 1 + i, 1 + (W - 2), 2 + i, RGB(level, level, level));
    }

    if (HICON icon = reinterpret_cast<HICON>(SendMessage(WM_GETICON, ICON_SMALL)))
        ::DrawIcon(dc, 0, 0, icon);

    {
        CSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = ::SetTextColor(dc, kWhite);
        const std::string caption = GetWindowText();
        RECT text{6, 1, window.right - 1, kBandHeight};
        ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE | DT_VCENTER);
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }

    m_rcClose.right = band.right - 8;
    m_rcClose.left = m_rcClose.right - 9;
    m_rcClose.top = band.top + 8;
    m_rcClose.bottom = band.bottom - 8;
    if (GetStyle() & WS_SYSMENU)
    {
        CGdiObject<HPEN> pen(::CreatePen(PS_SOLID, 2, kWhite));
        CSelectObject selected(dc, pen.get());
        ::MoveToEx(dc, m_rcClose.left, m_rcClose.top, nullptr);
        ::LineTo(dc, m_rcClose.right, m_rcClose.bottom);
        ::MoveToEx(dc, m_rcClose.right, m_rcClose.top, nullptr);
        ::LineTo(dc, m_rcClose.left, m_rcClose.bottom);
        if (m_nCloseState == kCloseHot)
        {
            // The cross looks the same; only its hit area grows while the pointer is on it.
            m_rcClose.right = band.right - 5;
            m_rcClose.left = m_rcClose.right - 14;
            m_rcClose.top = band.top + 5;
            m_rcClose.bottom = band.bottom - 4;
        }
    }
}

LRESULT CTQGUIObj_Dialog1::OnSize(WPARAM, LPARAM)
{
    LRESULT result = Default();
    const RECT r = WindowRectInClient();
    CGdiObject<HRGN> region(::CreateRoundRectRgn(r.left, r.top, r.right + 2, r.bottom + 20, 15, 15));
    if (region && ::SetWindowRgn(m_hWnd, region.get(), TRUE))
        m_hRgn = region.release();  // the window's own from now on
    Invalidate(true);
    return result;
}

LRESULT CTQGUIObj_Dialog1::OnNcHitTest(WPARAM, LPARAM lParam)
{
    if (m_nCloseState != 0)
    {
        m_nCloseState = 0;
        InvalidateRect(&m_rcClose, true);
    }
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(&pt);
    const RECT band = BandRect(WindowRectInClient());
    // Without a system menu there is no cross, so its place is part of the band.
    if ((GetStyle() & WS_SYSMENU) && ::PtInRect(&m_rcClose, pt))
    {
        if (m_nCloseState != kCloseHot)
        {
            m_nCloseState = kCloseHot;
            InvalidateRect(&m_rcClose, true);
        }
        return Default();
    }
    if (::PtInRect(&band, pt))
        return HTCAPTION;
    return Default();
}

LRESULT CTQGUIObj_Dialog1::OnCtlColorStatic(WPARAM wParam, LPARAM)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetBkColor(dc, kBody);
    ::SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

LRESULT CTQGUIObj_Dialog1::OnCreate(WPARAM, LPARAM)
{
    return Default();
}

LRESULT CTQGUIObj_Dialog1::OnLButtonDown(WPARAM, LPARAM)
{
    return Default();
}

LRESULT CTQGUIObj_Dialog1::OnLButtonUp(WPARAM, LPARAM)
{
    // Default processing first: closing may end the object.
    const bool close = m_nCloseState == kCloseHot;
    HWND hWnd = m_hWnd;
    LRESULT result = Default();
    if (close)
        ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    return result;
}
