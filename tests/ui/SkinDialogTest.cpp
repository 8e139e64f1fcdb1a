// The skinned dialog base under Xvfb: its frame, the pixels it paints, its shape, the hit test
// that drags it and the close cross.
#include <gtest/gtest.h>

#include <memory>

#include "UiTestSupport.h"
#include "res/resource.h"
#include "support/CRecordingPrompts.h"
#include "ui/skin/CTQGUIObj_Dialog1.h"

namespace
{
class CSkinTestDialog : public CTQGUIObj_Dialog1
{
public:
    explicit CSkinTestDialog(bool* deleted = nullptr) : CTQGUIObj_Dialog1(IDD_SKIN_TEST), m_deleted(deleted) {}
    ~CSkinTestDialog() override
    {
        if (m_deleted)
            *m_deleted = true;
    }

private:
    bool* m_deleted;
};

// A skinned dialog made, shown and painted; W and H are its size after the frame went.
class SkinDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dialog = new CSkinTestDialog(&deleted);
        dialog->SetAutoDelete(true);
        ASSERT_TRUE(dialog->Create());
        hWnd = dialog->m_hWnd;
        ::GetWindowRect(hWnd, &templateRect);
        // Topmost: windows of tests running beside this one must not cover what it reads.
        ::SetWindowPos(hWnd, HWND_TOPMOST, 200, 150, 0, 0, SWP_NOSIZE);
        ::GetWindowRect(hWnd, &templateRect);
        ::ShowWindow(hWnd, SW_SHOW);
        ::UpdateWindow(hWnd);
        uitest::Pump(300);
        RECT r;
        ::GetWindowRect(hWnd, &r);
        W = r.right - r.left;
        H = r.bottom - r.top;
        origin = POINT{r.left, r.top};
    }
    void TearDown() override
    {
        if (::IsWindow(hWnd))
            ::DestroyWindow(hWnd);
    }

    LRESULT HitTest(int x, int y)
    {
        return ::SendMessageA(hWnd, WM_NCHITTEST, 0, MAKELPARAM(origin.x + x, origin.y + y));
    }

    CSkinTestDialog* dialog = nullptr;
    bool deleted = false;
    HWND hWnd = nullptr;
    RECT templateRect{};
    POINT origin{};
    int W = 0, H = 0;
};

TEST_F(SkinDialog, LosesItsFrameAndShrinksInPlace)
{
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_STYLE));
    EXPECT_NE(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_EQ(style & (WS_CAPTION | DS_MODALFRAME), 0u);
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_EXSTYLE)) & WS_EX_DLGMODALFRAME, 0u);
    EXPECT_NE(style & WS_SYSMENU, 0u);

    EXPECT_EQ(origin.x, templateRect.left);
    EXPECT_EQ(origin.y, templateRect.top);
    EXPECT_EQ(W, templateRect.right - templateRect.left - 8);
    EXPECT_EQ(H, templateRect.bottom - templateRect.top - 30);
    // No frame left: the client area is the whole window.
    RECT client;
    ::GetClientRect(hWnd, &client);
    EXPECT_EQ(client.right, W);
    EXPECT_EQ(client.bottom, H);
}

TEST_F(SkinDialog, PaintsBodyOutlineBandGradientAndCross)
{
    const uitest::Image shot = uitest::CaptureClient(hWnd);
    ASSERT_EQ(shot.width, W);
    ASSERT_EQ(shot.height, H);
    uitest::SavePng(shot, "skin-dialog");

    const int x = W / 2;
    EXPECT_EQ(shot.At(3, 40), 0xEEEEEEu);          // body, left of the controls
    EXPECT_EQ(shot.At(x, 25), 0xEEEEEEu);          // first row under the band
    EXPECT_EQ(shot.At(3, H - 3), 0xEEEEEEu);
    EXPECT_EQ(shot.At(W - 3, 40), 0xEEEEEEu);
    EXPECT_EQ(shot.At(x, 0), 0xDADADAu);           // outline: top, bottom, left, right
    EXPECT_EQ(shot.At(x, H - 1), 0xDADADAu);
    EXPECT_EQ(shot.At(0, 40), 0xDADADAu);
    EXPECT_EQ(shot.At(W - 1, 40), 0xDADADAu);
    EXPECT_EQ(shot.At(0, 12), 0xDADADAu);          // the band is inset from the outline
    EXPECT_EQ(shot.At(1, 12), 0x000000u);
    EXPECT_EQ(shot.At(W - 2, 12), 0x000000u);

    const int levels[8] = {134, 118, 101, 84, 67, 51, 34, 17};
    for (int row = 1; row <= 8; ++row)
        EXPECT_EQ(shot.At(x, row), RGB(levels[row - 1], levels[row - 1], levels[row - 1])) << "row " << row;
    for (int row = 9; row <= 24; ++row)
        EXPECT_EQ(shot.At(x, row), 0x000000u) << "row " << row;

    // The cross: white along both diagonals of (W-18, 9, W-9, 17), nothing white beside it.
    auto whiteNear = [&](int cx, int cy) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (shot.At(cx + dx, cy + dy) == 0xFFFFFFu)
                    return true;
        return false;
    };
    EXPECT_TRUE(whiteNear(W - 16, 11));
    EXPECT_TRUE(whiteNear(W - 11, 11));
    EXPECT_TRUE(whiteNear(W - 16, 15));
    EXPECT_TRUE(whiteNear(W - 11, 15));
    EXPECT_EQ(shot.At(W - 13, 20), 0x000000u);
    EXPECT_EQ(shot.At(W - 22, 13), 0x000000u);
    EXPECT_EQ(dialog->CloseRect().left, W - 18);
    EXPECT_EQ(dialog->CloseRect().top, 9);
    EXPECT_EQ(dialog->CloseRect().right, W - 9);
    EXPECT_EQ(dialog->CloseRect().bottom, 17);

    // The caption: white text in the band's left part, starting at x = 6.
    int whiteInCaption = 0, whiteLeftOfCaption = 0;
    for (int y = 1; y < 25; ++y)
        for (int cx = 1; cx < W / 2; ++cx)
            if (GetRValue(shot.At(cx, y)) > 0xC0)  // the band's greys are darker
                ++(cx < 6 ? whiteLeftOfCaption : whiteInCaption);
    EXPECT_GT(whiteInCaption, 10);
    EXPECT_EQ(whiteLeftOfCaption, 0);
}

TEST_F(SkinDialog, RegionCutsTheTopCornersOnlyAndFollowsTheSize)
{
    auto inRegion = [&](int x, int y) {
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(::GetWindowRgn(hWnd, rgn), ERROR);
        bool in = ::PtInRegion(rgn, x, y) != FALSE;
        ::DeleteObject(rgn);
        return in;
    };
    EXPECT_FALSE(inRegion(0, 0));
    EXPECT_FALSE(inRegion(1, 1));
    EXPECT_FALSE(inRegion(W - 1, 0));
    EXPECT_FALSE(inRegion(W - 2, 1));
    EXPECT_TRUE(inRegion(W / 2, 0));
    EXPECT_TRUE(inRegion(0, H / 2));
    EXPECT_TRUE(inRegion(0, H - 1));
    EXPECT_TRUE(inRegion(W - 1, H - 1));

    // A new size: a new region from the new size, and the whole window painted again.
    ::SetWindowPos(hWnd, nullptr, 0, 0, W + 40, H + 20, SWP_NOMOVE | SWP_NOZORDER);
    uitest::Pump(200);
    EXPECT_TRUE(inRegion(W + 39, H + 19));
    EXPECT_FALSE(inRegion(W + 39, 0));
    EXPECT_TRUE(inRegion(W, 0));
    const uitest::Image shot = uitest::CaptureClient(hWnd);
    EXPECT_EQ(shot.At(W + 39, H), 0xDADADAu);
    EXPECT_EQ(shot.At(W + 20, H + 19), 0xDADADAu);
    EXPECT_EQ(shot.At(W + 20, 8), RGB(17, 17, 17));
}

TEST_F(SkinDialog, HitTestDragsByTheBandOnly)
{
    const struct
    {
        int x, y;
        LRESULT expected;
    } cases[] = {
        {W / 2, 0, HTCLIENT},     {W / 2, 1, HTCAPTION},   {W / 2, 24, HTCAPTION}, {W / 2, 25, HTCLIENT},
        {0, 12, HTCLIENT},        {1, 12, HTCAPTION},      {W - 2, 12, HTCAPTION}, {W - 1, 12, HTCLIENT},
        {W - 9, 12, HTCAPTION},   {W - 18, 17, HTCAPTION}, {W / 2, H / 2, HTCLIENT},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(HitTest(c.x, c.y), c.expected) << "at " << c.x << "," << c.y;
        EXPECT_EQ(dialog->CloseState(), 0);
    }
}

TEST_F(SkinDialog, CloseCrossTurnsHotAndWidensAfterRepaint)
{
    // Before any hot repaint, (W-19, 7) is band, not cross.
    EXPECT_EQ(HitTest(W - 19, 7), HTCAPTION);
    EXPECT_EQ(HitTest(W - 18, 9), HTCLIENT);
    EXPECT_EQ(dialog->CloseState(), 3);
    EXPECT_EQ(HitTest(W - 10, 16), HTCLIENT);
    EXPECT_EQ(dialog->CloseState(), 3);

    ::UpdateWindow(hWnd);  // the hot state repaints and widens the close area
    const RECT& rc = dialog->CloseRect();
    EXPECT_EQ(rc.left, W - 20);
    EXPECT_EQ(rc.top, 6);
    EXPECT_EQ(rc.right, W - 6);
    EXPECT_EQ(rc.bottom, 21);
    uitest::SavePng(uitest::CaptureClient(hWnd), "skin-dialog-close-hot");
    EXPECT_EQ(HitTest(W - 19, 7), HTCLIENT);
    EXPECT_EQ(dialog->CloseState(), 3);

    // Leaving it: normal again, and the next repaint gives the small area back.
    EXPECT_EQ(HitTest(W / 2, 12), HTCAPTION);
    EXPECT_EQ(dialog->CloseState(), 0);
    ::UpdateWindow(hWnd);
    EXPECT_EQ(dialog->CloseRect().left, W - 18);
    EXPECT_EQ(HitTest(W - 19, 7), HTCAPTION);
}

void Mouse(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(in));
}

TEST_F(SkinDialog, ReleaseOverTheCrossClosesAndFreesTheDialog)
{
    CRecordingPrompts prompts;
    ::SetForegroundWindow(hWnd);
    // Pressed on the body, released over the cross: only the state at the release counts.
    ::SetCursorPos(origin.x + 4, origin.y + H / 2);
    uitest::Pump(100);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    uitest::Pump(100);
    ASSERT_TRUE(::IsWindow(hWnd));
    ::SetCursorPos(origin.x + W - 13, origin.y + 13);
    uitest::Pump(100);
    ASSERT_TRUE(::IsWindow(hWnd)) << "moving over the cross does not close";
    Mouse(MOUSEEVENTF_LEFTUP);
    uitest::Pump(200);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SkinDialog, ReleaseElsewhereDoesNotClose)
{
    ::SetForegroundWindow(hWnd);
    ::SetCursorPos(origin.x + 4, origin.y + H / 2);
    uitest::Pump(100);
    Mouse(MOUSEEVENTF_LEFTDOWN);
    uitest::Pump(50);
    Mouse(MOUSEEVENTF_LEFTUP);
    uitest::Pump(100);
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_FALSE(deleted);
}

TEST_F(SkinDialog, StaticControlsGetGreyTextBackgroundAndWindowBrush)
{
    HWND label = ::GetDlgItem(hWnd, IDC_SKIN_TEST_STATIC);
    HDC dc = ::CreateCompatibleDC(nullptr);
    ::SetBkColor(dc, RGB(1, 2, 3));
    ::SetTextColor(dc, RGB(4, 5, 6));
    LRESULT brush = ::SendMessageA(hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_EQ(::GetBkColor(dc), 0xEEEEEEu);
    EXPECT_EQ(::GetTextColor(dc), 0x000000u);

    // Other control types keep the framework's colours.
    ::SetBkColor(dc, RGB(1, 2, 3));
    ::SendMessageA(hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, IDC_SKIN_TEST_EDIT1)));
    EXPECT_NE(::GetBkColor(dc), 0xEEEEEEu);
    ::DeleteDC(dc);

    // On screen: black text on 0xEEEEEE cells, the rest of the label in the window colour.
    const uitest::Image shot = uitest::CaptureClient(label);
    uitest::SavePng(shot, "skin-static");
    int grey = 0, black = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
        {
            grey += shot.At(x, y) == 0xEEEEEEu;
            black += shot.At(x, y) == 0x000000u;
        }
    EXPECT_GT(grey, 20);
    EXPECT_GT(black, 5);
    EXPECT_EQ(shot.At(shot.width - 2, shot.height / 2), ::GetSysColor(COLOR_WINDOW));
}
}  // namespace
