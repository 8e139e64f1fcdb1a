// The wait notice: a borderless window made layered at 200/255 opacity when it starts.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/dialogs/CshowDlg.h"

namespace
{
class CWatchedShowDlg : public CshowDlg
{
public:
    explicit CWatchedShowDlg(bool* deleted) : m_deleted(deleted) {}
    ~CWatchedShowDlg() override { *m_deleted = true; }

private:
    bool* m_deleted;
};

TEST(WaitDialog, StartsLayeredAtAlpha200AndShowsItsNotice)
{
    bool deleted = false;
    CWatchedShowDlg* notice = new CWatchedShowDlg(&deleted);
    notice->SetAutoDelete(true);
    ASSERT_TRUE(notice->Create(IDD_SHOWDLG));
    const HWND hWnd = notice->m_hWnd;
    EXPECT_FALSE(::IsWindowVisible(hWnd));

    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_EXSTYLE));
    EXPECT_NE(0u, exStyle & WS_EX_LAYERED);
    COLORREF key = 1;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(hWnd, &key, &alpha, &flags));
    EXPECT_EQ(200, alpha);
    EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), flags);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_STYLE));
    EXPECT_EQ(0u, style & (WS_CAPTION | WS_BORDER));

    char text[64] = {};
    ::GetWindowTextA(::GetWindow(hWnd, GW_CHILD), text, sizeof text);
    EXPECT_STREQ("正在查询,请稍等.....", text);

    ::SetWindowPos(hWnd, HWND_TOP, 300, 300, 0, 0, SWP_NOSIZE);
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::UpdateWindow(hWnd);
    uitest::Pump(200);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    EXPECT_FALSE(uitest::SavePng(uitest::CaptureClient(hWnd), "wait").empty());

    ::DestroyWindow(hWnd);
    EXPECT_TRUE(deleted);
}
}  // namespace
