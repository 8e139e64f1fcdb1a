#include "ui/skin/CSkinBtn.h"

#include <commctrl.h>
#include <windowsx.h>

#include "res/resource.h"
#include "ui/framework/CClientDC.h"
#include "ui/framework/CSelectObject.h"
#include "ui/framework/CWinApp.h"

namespace
{
const UINT_PTR kHoverTimer = 1;
const UINT kHoverPeriod = 10;  // milliseconds
const COLORREF kMagenta = RGB(0xFF, 0x00, 0xFF);
const COLORREF kHoverCaption = RGB(0xFF, 0x00, 0x00);

// A font of the given size in tenths of a point for the screen.
HFONT CreatePointFont(int tenthsOfPoint, const char* face)
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    LOGFONTA lf{};
    lf.lfHeight = -::MulDiv(tenthsOfPoint, dpi, 720);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectA(&lf);
}

void WriteLine(HDC dc, int width, int x, int y, const std::string& text)
{
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::TextOutA(dc, (width - extent.cx) / 2 + x, y, text.c_str(), static_cast<int>(text.size()));
}
}  // namespace

ZOZ_BEGIN_MESSAGE_MAP(CSkinBtn, CButton)
    ZOZ_ON_MESSAGE(WM_MOUSEMOVE, OnMouseMove)
    ZOZ_ON_MESSAGE(WM_TIMER, OnTimer)
    ZOZ_ON_MESSAGE(WM_ERASEBKGND, OnEraseBkgnd)
    ZOZ_ON_MESSAGE(WM_SETCURSOR, OnSetCursor)
    ZOZ_ON_MESSAGE(WM_ENABLE, OnEnable)
    ZOZ_ON_MESSAGE(WM_CLOSE, OnClose)
ZOZ_END_MESSAGE_MAP()

CSkinBtn::CSkinBtn() : m_font(CreatePointFont(90, "Arial")) {}

void CSkinBtn::SetBitmaps(int normalId, int hoverId, int pressedId, int disabledId)
{
    const int ids[4] = {normalId, hoverId, pressedId, disabledId};
    for (int i = 0; i < 4; ++i)
    {
        m_faces[i].reset();
        m_faces[i].reset(static_cast<HBITMAP>(::LoadImageA(CWinApp::ResourceHandle(), MAKEINTRESOURCEA(ids[i]),
                                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    }
}

void CSkinBtn::SetToolTipText(const std::string& text)
{
    if (!m_toolTip.m_hWnd)
    {
        if (!m_toolTip.Create(this, TTS_ALWAYSTIP))
            return;
        if (!m_toolTip.AddTool(this, text.c_str()))
            return;
        m_toolTip.Activate(true);
        m_toolTip.SetDelayTime(TTDT_AUTOMATIC, 200);
        return;
    }
    m_toolTip.Activate(true);
    m_toolTip.AddTool(this, text.c_str());
    m_toolTip.SetDelayTime(TTDT_AUTOMATIC, 200);
    m_toolTip.UpdateTipText(text.c_str(), this);
}

void CSkinBtn::SetTextPos(int x, int y, bool twoLines)
{
    m_nTextX = x;
    m_nTextY = y;
    m_bTwoLines = twoLines ? 1 : 0;
    Draw();
}

void CSkinBtn::SetTextColors(COLORREF caption, COLORREF second)
{
    m_captionColour = caption;
    m_secondColour = second;
    Draw();
}

std::vector<std::string> CSkinBtn::CaptionLines(const std::string& caption, bool twoLines)
{
    if (!twoLines || caption.size() <= 10)
        return {caption};
    size_t cut = caption.size() - 4;
    // Walk the characters so that the cut lands on a character boundary.
    size_t boundary = 0;
    for (size_t i = 0; i < caption.size();)
    {
        size_t next = i + (::IsDBCSLeadByte(static_cast<BYTE>(caption[i])) && i + 1 < caption.size() ? 2 : 1);
        if (next > cut)
            break;
        boundary = i = next;
    }
    cut = boundary;
    return {caption.substr(0, cut), caption.substr(cut)};
}

void CSkinBtn::Draw()
{
    if (!m_hWnd)
        return;
    CClientDC client(m_hWnd);
    if (!client.get())
        return;
    RECT rc;
    GetClientRect(&rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    CBitmapDC buffer;
    if (!buffer.Create(client.get(), w, h))
        return;
    HDC dc = buffer.get();
    if (m_snapshot)
        ::BitBlt(dc, 0, 0, w, h, m_snapshot.get(), 0, 0, SRCCOPY);

    const std::string caption = GetWindowText();
    ::SetBkMode(dc, TRANSPARENT);
    CSelectObject font(dc, m_font.get());

    if (m_nState >= Normal && m_nState <= Disabled && m_faces[m_nState])
    {
        HBITMAP face = m_faces[m_nState].get();
        BITMAP bm{};
        ::GetObjectA(face, sizeof(bm), &bm);
        HDC faceDC = ::CreateCompatibleDC(dc);
        if (faceDC)
        {
            {
                CSelectObject selected(faceDC, face);
                ::TransparentBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, faceDC, 0, 0, bm.bmWidth, bm.bmHeight, kMagenta);
            }
            ::DeleteDC(faceDC);
        }
        if (m_nState == Normal || m_nState == Hover)
        {
            ::SetTextColor(dc, m_nState == Normal ? m_captionColour : kHoverCaption);
            const std::vector<std::string> lines = CaptionLines(caption, m_bTwoLines != 0);
            for (size_t i = 0; i < lines.size(); ++i)
                WriteLine(dc, w, m_nTextX, m_nTextY + 16 * static_cast<int>(i), lines[i]);
        }
    }
    ::BitBlt(client.get(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
}

void CSkinBtn::DrawItem(DRAWITEMSTRUCT* dis)
{
    m_nState = Normal;
    if (dis->itemState & ODS_FOCUS)
    {
        if (dis->itemState & ODS_SELECTED)
            m_nState = Pressed;
        else if (m_bHover)
            m_nState = Hover;
    }
    if (dis->itemState & ODS_DISABLED)
    {
        m_nState = Disabled;
        m_bEnabled = 0;
    }
    Draw();
}

void CSkinBtn::PreSubclassWindow()
{
    CButton::PreSubclassWindow();
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(GetStyle() | BS_OWNERDRAW));
    Invalidate(true);
}

bool CSkinBtn::PointerInside() const
{
    POINT pt;
    ::GetCursorPos(&pt);
    RECT rc;
    GetWindowRect(&rc);
    return ::PtInRect(&rc, pt) != FALSE;
}

LRESULT CSkinBtn::OnMouseMove(WPARAM wParam, LPARAM lParam)
{
    if (m_toolTip.m_hWnd)
    {
        MSG msg{};
        msg.hwnd = m_hWnd;
        msg.message = WM_MOUSEMOVE;
        msg.wParam = wParam;
        msg.lParam = lParam;
        msg.pt.x = GET_X_LPARAM(lParam);
        msg.pt.y = GET_Y_LPARAM(lParam);
        m_toolTip.RelayEvent(&msg);
    }
    if (!m_bHover && m_bEnabled)
    {
        m_bHover = 1;
        m_nState = Hover;
        if (!PointerInside())
        {
            SetTimer(kHoverTimer, kHoverPeriod);
            return 0;
        }
        Draw();
        SetTimer(kHoverTimer, kHoverPeriod);
    }
    return Default();
}

LRESULT CSkinBtn::OnTimer(WPARAM, LPARAM)
{
    if (m_bHover && m_bEnabled && !PointerInside())
    {
        KillTimer(kHoverTimer);
        m_bHover = 0;
        m_nState = Normal;
        Draw();
    }
    return Default();
}

LRESULT CSkinBtn::OnEraseBkgnd(WPARAM wParam, LPARAM)
{
    if (m_bSnapshot)
        return TRUE;
    HDC dc = reinterpret_cast<HDC>(wParam);
    RECT rc;
    GetClientRect(&rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (m_snapshot.Create(dc, w, h))
        ::BitBlt(m_snapshot.get(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    m_bSnapshot = 1;
    return TRUE;
}

LRESULT CSkinBtn::OnSetCursor(WPARAM, LPARAM)
{
    ::SetCursor(::LoadCursorA(CWinApp::ResourceHandle(), MAKEINTRESOURCEA(IDC_SKIN_HAND)));
    return TRUE;
}

LRESULT CSkinBtn::OnEnable(WPARAM wParam, LPARAM)
{
    LRESULT result = Default();
    m_bEnabled = wParam ? 1 : 0;
    return result;
}

LRESULT CSkinBtn::OnClose(WPARAM, LPARAM)
{
    if (m_toolTip.m_hWnd)
        m_toolTip.DelTool(this);
    return Default();
}
