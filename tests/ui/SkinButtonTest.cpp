// The skin button under Xvfb: faces by state, caption placement and colours, the hover timer,
// the snapshot of the dialog under the button.
#include <gtest/gtest.h>

#include <climits>

#include "UiTestSupport.h"
#include "res/resource.h"
#include "ui/skin/CSkinBtn.h"
#include "ui/skin/CTQGUIObj_Dialog1.h"

#include <commctrl.h>

namespace
{
const COLORREF kWhite = 0xFFFFFF;

// The test template with its buttons skinned as the system's dialogs do. The wide button gets
// a different face per state so that the pictures tell the states apart: the 72-pixel face for
// normal, the 93-pixel face for hover, pressed and disabled.
class CButtonsDialog : public CTQGUIObj_Dialog1
{
public:
    CButtonsDialog() : CTQGUIObj_Dialog1(IDD_SKIN_TEST) {}

    CSkinBtn m_ok, m_cancel, m_wide, m_disabled;
    bool m_twoLines = false;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDOK, m_ok);
        DDX_Control(dx, IDCANCEL, m_cancel);
        DDX_Control(dx, IDC_SKIN_TEST_WIDE, m_wide);
        DDX_Control(dx, IDC_SKIN_TEST_DISABLED, m_disabled);
    }
    bool OnInitDialog() override
    {
        CTQGUIObj_Dialog1::OnInitDialog();
        struct
        {
            CSkinBtn& button;
            const char* caption;
        } setup[] = {{m_ok, "确定"}, {m_cancel, "取消"}, {m_wide, "ABCDEFGHIJKL"}, {m_disabled, "禁用"}};
        for (auto& s : setup)
        {
            s.button.SetBitmaps(IDB_SKIN_FACE, IDB_SKIN_FACE, IDB_SKIN_FACE, IDB_SKIN_FACE);
            s.button.SetToolTipText(s.caption);
            s.button.SetWindowText(s.caption);
            s.button.SetTextPos(0, 3, false);
            s.button.SetTextColors(kWhite, kWhite);
        }
        m_wide.SetBitmaps(IDB_SKIN_FACE, IDB_SKIN_FACE_WIDE, IDB_SKIN_FACE_WIDE, IDB_SKIN_FACE_WIDE);
        m_disabled.SetBitmaps(IDB_SKIN_FACE, IDB_SKIN_FACE, IDB_SKIN_FACE, IDB_SKIN_FACE_WIDE);
        return true;
    }
};

// A pixel of a white caption: the faces are darker greys, the dialog under them is 0xEEEEEE.
bool Bright(COLORREF c)
{
    return GetRValue(c) >= 0xC0 && GetGValue(c) >= 0xC0 && GetBValue(c) >= 0xC0 && c != 0xEEEEEE;
}
bool Reddish(COLORREF c)
{
    return GetRValue(c) > GetGValue(c) + 60 && GetRValue(c) > GetBValue(c) + 60;
}
bool Dark(COLORREF c)
{
    return GetRValue(c) < 0x90 && GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

struct Box
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1, count = 0;
    void Add(int x, int y)
    {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
        ++count;
    }
};

template <class Pred>
Box Find(const uitest::Image& shot, Pred pred, int top = 0, int bottom = INT_MAX)
{
    Box box;
    for (int y = std::max(0, top); y < std::min(shot.height, bottom); ++y)
        for (int x = 0; x < shot.width; ++x)
            if (pred(shot.At(x, y)))
                box.Add(x, y);
    return box;
}

class SkinButton : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dialog.Create());
        // Topmost: windows of tests running beside this one must not cover what it reads.
        ::SetWindowPos(dialog.m_hWnd, HWND_TOPMOST, 300, 200, 0, 0, SWP_NOSIZE);
        dialog.ShowWindow(SW_SHOW);
        dialog.UpdateWindow();
        ::SetCursorPos(5, 5);
        uitest::Pump(300);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    uitest::Image Shot(CSkinBtn& button, const char* name)
    {
        uitest::Pump(50);
        uitest::Image shot = uitest::CaptureClient(button.m_hWnd);
        uitest::SavePng(shot, name);
        return shot;
    }
    POINT Centre(CSkinBtn& button)
    {
        RECT r;
        button.GetWindowRect(&r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Hover(CSkinBtn& button)
    {
        POINT c = Centre(button);
        ::SetCursorPos(c.x, c.y);
        POINT client = c;
        button.ScreenToClient(&client);
        ::SendMessageA(button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    }

    CButtonsDialog dialog;
};

TEST_F(SkinButton, AttachingMakesTheButtonOwnerDrawn)
{
    EXPECT_EQ(dialog.m_ok.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_NE(dialog.m_ok.GetStyle() & WS_VISIBLE, 0u);
    EXPECT_NE(dialog.m_ok.ToolTip().m_hWnd, nullptr);
    EXPECT_EQ(::SendMessageA(dialog.m_ok.ToolTip().m_hWnd, TTM_GETTOOLCOUNT, 0, 0), 1);
    uitest::SavePng(uitest::CaptureClient(dialog.m_hWnd), "skin-buttons-dialog");
}

TEST_F(SkinButton, NormalFaceCoversOnlyItsOwnSizeWithWhiteCentredCaption)
{
    RECT rc;
    dialog.m_wide.GetClientRect(&rc);
    ASSERT_GT(rc.right, 93) << "the test button must be wider than the widest face";
    ASSERT_GT(rc.bottom, 40) << "the test button must be taller than two caption lines";
    ASSERT_EQ(dialog.m_wide.GetState(), CSkinBtn::Normal);
    const uitest::Image shot = Shot(dialog.m_wide, "skin-button-normal");

    EXPECT_TRUE(Dark(shot.At(1, 12)));
    EXPECT_TRUE(Dark(shot.At(70, 20)));
    EXPECT_TRUE(Dark(shot.At(71, 1)));
    // Beyond the 72 x 22 face: the dialog's background as it was under the button (rows 1 and
    // 20 are above and below the caption).
    for (int x : {72, 80, static_cast<int>(rc.right - 1)})
        for (int y : {1, 20})
            EXPECT_EQ(shot.At(x, y), 0xEEEEEEu) << "column " << x << " row " << y;
    for (int y : {22, 30, static_cast<int>(rc.bottom - 1)})
        EXPECT_EQ(shot.At(20, y), 0xEEEEEEu) << "row " << y;

    // One white line at y = 3, centred on the button (offset 0), nothing red.
    const Box caption = Find(shot, Bright);
    ASSERT_GT(caption.count, 20);
    EXPECT_GE(caption.top, 3);
    EXPECT_LT(caption.bottom, 3 + 16);
    EXPECT_NEAR((caption.left + caption.right) / 2.0, rc.right / 2.0, 3.0);
    EXPECT_EQ(Find(shot, Reddish).count, 0);
}

TEST_F(SkinButton, SmallButtonCaptionSitsAtItsOffset)
{
    const uitest::Image shot = Shot(dialog.m_cancel, "skin-button-cancel");
    RECT rc;
    dialog.m_cancel.GetClientRect(&rc);
    const Box caption = Find(shot, Bright);
    ASSERT_GT(caption.count, 10);
    EXPECT_GE(caption.top, 3);
    EXPECT_LE(caption.top, 6);
    EXPECT_NEAR((caption.left + caption.right) / 2.0, rc.right / 2.0, 3.0);

    // A horizontal offset moves the caption by that much.
    dialog.m_cancel.SetTextPos(10, 3, false);
    const Box moved = Find(Shot(dialog.m_cancel, "skin-button-cancel-offset"), Bright);
    EXPECT_EQ(moved.left, caption.left + 10);
    EXPECT_EQ(moved.top, caption.top);
}

TEST_F(SkinButton, HoverShowsItsFaceAndRedCaptionUntilATickFindsThePointerOutside)
{
    Hover(dialog.m_wide);
    EXPECT_EQ(dialog.m_wide.GetState(), CSkinBtn::Hover);
    EXPECT_TRUE(dialog.m_wide.IsHovering());
    uitest::Image shot = uitest::CaptureClient(dialog.m_wide.m_hWnd);
    uitest::SavePng(shot, "skin-button-hover");
    EXPECT_TRUE(Dark(shot.At(80, 20))) << "the 93-pixel hover face";
    EXPECT_TRUE(Dark(shot.At(92, 1)));
    EXPECT_EQ(shot.At(93, 1), 0xEEEEEEu);
    EXPECT_GT(Find(shot, Reddish).count, 10);
    EXPECT_EQ(Find(shot.Crop(0, 0, 93, 22), Bright).count, 0) << "no white on the face";

    // Ticks while the pointer stays keep the hover face.
    uitest::Pump(100);
    EXPECT_EQ(dialog.m_wide.GetState(), CSkinBtn::Hover);

    ::SetCursorPos(5, 5);
    uitest::Pump(60);
    EXPECT_EQ(dialog.m_wide.GetState(), CSkinBtn::Normal);
    EXPECT_FALSE(dialog.m_wide.IsHovering());
    shot = uitest::CaptureClient(dialog.m_wide.m_hWnd);
    EXPECT_EQ(shot.At(80, 20), 0xEEEEEEu) << "the 72-pixel normal face again";
    EXPECT_EQ(Find(shot, Reddish).count, 0);
    EXPECT_GT(Find(shot, Bright).count, 20);
}

TEST_F(SkinButton, PressedShowsItsFaceWithoutCaption)
{
    ::SetFocus(dialog.m_wide.m_hWnd);
    ::SendMessageA(dialog.m_wide.m_hWnd, BM_SETSTATE, TRUE, 0);
    dialog.m_wide.UpdateWindow();
    EXPECT_EQ(dialog.m_wide.GetState(), CSkinBtn::Pressed);
    const uitest::Image shot = Shot(dialog.m_wide, "skin-button-pressed");
    EXPECT_TRUE(Dark(shot.At(80, 12)));
    EXPECT_TRUE(Dark(shot.At(92, 1)));
    EXPECT_EQ(Find(shot, Bright).count, 0);
    EXPECT_EQ(Find(shot, Reddish).count, 0);
    ::SendMessageA(dialog.m_wide.m_hWnd, BM_SETSTATE, FALSE, 0);
}

TEST_F(SkinButton, DisabledShowsItsFaceWithoutCaption)
{
    EXPECT_EQ(dialog.m_disabled.GetState(), CSkinBtn::Disabled);
    RECT rc;
    dialog.m_disabled.GetClientRect(&rc);
    ASSERT_GT(rc.right, 93);
    uitest::Image shot = Shot(dialog.m_disabled, "skin-button-disabled");
    EXPECT_TRUE(Dark(shot.At(80, 12))) << "the disabled (93-pixel) face";
    EXPECT_EQ(Find(shot, Bright).count, 0);

    // Disabled ones do not hover; enabled again they do.
    Hover(dialog.m_disabled);
    EXPECT_EQ(dialog.m_disabled.GetState(), CSkinBtn::Disabled);
    EXPECT_FALSE(dialog.m_disabled.IsHovering());
    dialog.m_disabled.EnableWindow(true);
    dialog.m_disabled.UpdateWindow();
    ::SetCursorPos(5, 5);
    uitest::Pump(50);
    EXPECT_EQ(dialog.m_disabled.GetState(), CSkinBtn::Normal);
    Hover(dialog.m_disabled);
    EXPECT_EQ(dialog.m_disabled.GetState(), CSkinBtn::Hover);
}

TEST_F(SkinButton, TwoLineRuleSplitsCaptionsLongerThanTenBytes)
{
    const struct
    {
        const char* caption;
        bool twoLines;
        std::vector<std::string> lines;
    } cases[] = {
        {"ABCDEFGHIJKL", true, {"ABCDEFGH", "IJKL"}},
        {"ABCDEFGHIJ", true, {"ABCDEFGHIJ"}},
        {"ABCDEFGHIJK", true, {"ABCDEFG", "HIJK"}},
        {"ABCDEFGHIJKL", false, {"ABCDEFGHIJKL"}},
        // Bytes are counted, but a double-byte character is never cut in two.
        {"高级设置...", true, {"高级设", "置..."}},
        {"加密文件ABCD", true, {"加密文件", "ABCD"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSkinBtn::CaptionLines(c.caption, c.twoLines), c.lines) << c.caption;
}

TEST_F(SkinButton, TwoLineCaptionIsDrawnAsTwoCentredLines)
{
    RECT rc;
    dialog.m_wide.GetClientRect(&rc);
    dialog.m_wide.SetTextPos(0, 3, true);
    uitest::Image shot = Shot(dialog.m_wide, "skin-button-two-lines");
    const Box first = Find(shot, Bright, 0, 19);
    const Box second = Find(shot, Bright, 19);
    ASSERT_GT(first.count, 20);
    ASSERT_GT(second.count, 10);
    EXPECT_GE(first.top, 3);
    EXPECT_GE(second.top, 19);
    EXPECT_LT(second.right - second.left, first.right - first.left);
    EXPECT_NEAR((first.left + first.right) / 2.0, rc.right / 2.0, 3.0);
    EXPECT_NEAR((second.left + second.right) / 2.0, rc.right / 2.0, 3.0);

    // Ten bytes stay on one line.
    dialog.m_wide.SetWindowText("ABCDEFGHIJ");
    dialog.m_wide.SetTextPos(0, 3, true);
    shot = Shot(dialog.m_wide, "skin-button-ten-bytes");
    EXPECT_GT(Find(shot, Bright, 0, 19).count, 20);
    EXPECT_EQ(Find(shot, Bright, 19).count, 0);
}

TEST_F(SkinButton, ShowsTheHandCursor)
{
    ::SendMessageA(dialog.m_ok.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(dialog.m_ok.m_hWnd),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    HCURSOR hand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_SKIN_HAND));
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(::GetCursor(), hand);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(hand, &info));
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    if (info.hbmMask)
        ::DeleteObject(info.hbmMask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
}

TEST_F(SkinButton, FaceBitmapsHaveTheirSizes)
{
    const struct
    {
        int id, width;
    } faces[] = {{IDB_SKIN_FACE, 72}, {IDB_SKIN_FACE_WIDE, 93}, {IDB_SKIN_FACE_ADVANCED, 93}};
    for (const auto& f : faces)
    {
        HBITMAP bmp = static_cast<HBITMAP>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(f.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bmp, nullptr) << f.id;
        BITMAP bm{};
        ::GetObjectA(bmp, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, f.width) << f.id;
        EXPECT_EQ(bm.bmHeight, 22) << f.id;
        EXPECT_EQ(bm.bmBitsPixel, 24) << f.id;
        ::DeleteObject(bmp);
    }
}
}  // namespace
