// The window framework on the real platform: creation and owner, data exchange, message maps,
// ending and freeing, the user-prompt seam, file choosers, file errors, centring, controls.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <windows.h>
#include <commctrl.h>

#include "UiTestSupport.h"
#include "res/resource.h"
#include "support/CRecordingPrompts.h"
#include "ui/framework/CButton.h"
#include "ui/framework/CComboBox.h"
#include "ui/framework/CDialog.h"
#include "ui/framework/CFile.h"
#include "ui/framework/CFileDialog.h"
#include "ui/framework/CFileException.h"
#include "ui/framework/CListCtrl.h"
#include "ui/framework/CWinApp.h"

using ::testing::HasSubstr;

namespace
{
struct Trace
{
    int wideClicks = 0;
    int okClicks = 0;
    int editChanges = 0;
    int listClicks = 0;
    bool deleted = false;
    std::string firstAtDelete;
};

class CTestDialog : public CDialog
{
public:
    explicit CTestDialog(Trace& trace) : CDialog(IDD_SKIN_TEST), m_trace(trace) {}
    ~CTestDialog() override
    {
        m_trace.deleted = true;
        m_trace.firstAtDelete = m_strFirst;
    }

    std::string m_strFirst, m_strSecond;
    CButton m_okButton;
    CListCtrl m_list;
    CComboBox m_combo;
    bool m_throwAtStart = false;
    enum Fault { None, FileError, OtherError } m_clickFault = None;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_SKIN_TEST_EDIT1, m_strFirst);
        DDX_Text(dx, IDC_SKIN_TEST_EDIT2, m_strSecond);
        DDX_Control(dx, IDOK, m_okButton);
        DDX_Control(dx, IDC_SKIN_TEST_LIST, m_list);
        DDX_Control(dx, IDC_SKIN_TEST_COMBO, m_combo);
    }
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_throwAtStart)
            throw std::runtime_error("start-up failed");
        return true;
    }
    void OnOK() override
    {
        ++m_trace.okClicks;
        CDialog::OnOK();
    }

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    void OnWide()
    {
        ++m_trace.wideClicks;
        if (m_clickFault == FileError)
            CFile::Remove("C:\\no-such-folder\\plan.doc");
        if (m_clickFault == OtherError)
            throw std::runtime_error("handler failed");
    }
    void OnEditChange() { ++m_trace.editChanges; }
    void OnListClick(NMHDR*, LRESULT* result)
    {
        ++m_trace.listClicks;
        *result = 7;
    }
    LRESULT OnSum(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam) + lParam; }

    Trace& m_trace;
};

ZOZ_BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
    ZOZ_ON_COMMAND(IDC_SKIN_TEST_WIDE, OnWide)
    ZOZ_ON_CONTROL(EN_CHANGE, IDC_SKIN_TEST_EDIT1, OnEditChange)
    ZOZ_ON_NOTIFY(NM_CLICK, IDC_SKIN_TEST_LIST, OnListClick)
    ZOZ_ON_MESSAGE(WM_APP + 1, OnSum)
ZOZ_END_MESSAGE_MAP()

// A plain visible top-level window to own dialogs.
HWND MakeTopLevel(int x, int y, int w, int h)
{
    HWND hWnd = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE | WS_CAPTION, x, y, w, h, nullptr,
                                  nullptr, nullptr, nullptr);
    uitest::Pump(50);
    return hWnd;
}

TEST(Framework, ResourcesComeFromTheModuleHoldingTheCode)
{
    EXPECT_EQ(CWinApp::ResourceHandle(), ::GetModuleHandleA(nullptr));
}

TEST(Framework, DataExchangeBothDirectionsAndOnlyOnRequest)
{
    Trace trace;
    CTestDialog dialog(trace);
    dialog.m_strFirst = "D:\\文档\\计划.doc";
    dialog.m_strSecond = "D:\\文档\\计划.doc.tq";
    ASSERT_TRUE(dialog.Create());
    // The start refreshed the boxes from the members.
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SKIN_TEST_EDIT1), "D:\\文档\\计划.doc");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SKIN_TEST_EDIT2), "D:\\文档\\计划.doc.tq");
    // and attached the controls to their members.
    EXPECT_EQ(dialog.m_okButton.m_hWnd, dialog.GetDlgItem(IDOK));
    EXPECT_EQ(CWnd::FromHandlePermanent(dialog.GetDlgItem(IDOK)), &dialog.m_okButton);

    // Typing changes nothing stored until the boxes are read.
    dialog.SetDlgItemText(IDC_SKIN_TEST_EDIT1, "E:\\新的.txt");
    EXPECT_EQ(dialog.m_strFirst, "D:\\文档\\计划.doc");
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.m_strFirst, "E:\\新的.txt");
    EXPECT_EQ(dialog.m_strSecond, "D:\\文档\\计划.doc.tq");

    dialog.m_strSecond.clear();
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SKIN_TEST_EDIT2), "");
    // A second exchange does not attach the controls again.
    EXPECT_EQ(CWnd::FromHandlePermanent(dialog.GetDlgItem(IDOK)), &dialog.m_okButton);
}

TEST(Framework, MessageMapDispatchesCommandsNotificationsAndMessages)
{
    Trace trace;
    CTestDialog dialog(trace);
    ASSERT_TRUE(dialog.Create());
    const int changesAtStart = trace.editChanges;

    ::SendMessageA(dialog.GetDlgItem(IDC_SKIN_TEST_WIDE), BM_CLICK, 0, 0);
    EXPECT_EQ(trace.wideClicks, 1);
    dialog.SetDlgItemText(IDC_SKIN_TEST_EDIT1, "x");
    EXPECT_EQ(trace.editChanges, changesAtStart + 1);
    dialog.SetDlgItemText(IDC_SKIN_TEST_EDIT2, "y");  // not mapped
    EXPECT_EQ(trace.editChanges, changesAtStart + 1);

    NMHDR hdr{dialog.GetDlgItem(IDC_SKIN_TEST_LIST), IDC_SKIN_TEST_LIST, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, IDC_SKIN_TEST_LIST, reinterpret_cast<LPARAM>(&hdr)), 7);
    EXPECT_EQ(trace.listClicks, 1);
    hdr.code = static_cast<UINT>(NM_DBLCLK);
    dialog.SendMessage(WM_NOTIFY, IDC_SKIN_TEST_LIST, reinterpret_cast<LPARAM>(&hdr));
    EXPECT_EQ(trace.listClicks, 1);

    EXPECT_EQ(dialog.SendMessage(WM_APP + 1, 40, 2), 42);
    // Unmapped messages get the window's default processing.
    char caption[64] = {};
    ::GetWindowTextA(dialog.m_hWnd, caption, sizeof(caption));
    EXPECT_STREQ(caption, "皮肤测试");
    EXPECT_EQ(trace.okClicks, 0);
    EXPECT_TRUE(::IsWindow(dialog.m_hWnd));
}

TEST(Framework, OwnerIsTheParentElseTheMainWindowElseTheActiveWindow)
{
    Trace trace;
    {
        CTestDialog alone(trace);
        ASSERT_EQ(::GetActiveWindow(), nullptr);
        ASSERT_TRUE(alone.Create());
        EXPECT_EQ(alone.GetOwner(), nullptr);
    }
    HWND active = MakeTopLevel(100, 100, 300, 200);
    HWND other = MakeTopLevel(500, 100, 300, 200);
    ::SetActiveWindow(active);
    ASSERT_EQ(::GetActiveWindow(), active);
    {
        CTestDialog dialog(trace);
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(dialog.GetOwner(), active);
    }
    {
        CWnd parent(other);
        CTestDialog dialog(trace);
        ASSERT_TRUE(dialog.Create(IDD_SKIN_TEST, &parent));
        EXPECT_EQ(dialog.GetOwner(), other);
        parent.Detach();
    }
    {
        CWinApp app("test");
        app.m_hMainWnd = other;
        CTestDialog dialog(trace);
        ASSERT_TRUE(dialog.Create());
        EXPECT_EQ(dialog.GetOwner(), other);
    }
    ::DestroyWindow(other);
    ::DestroyWindow(active);
}

TEST(Framework, HeapDialogIsFreedOnceItsWindowEnds)
{
    const struct
    {
        UINT command;
        int result;
    } endings[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}};
    for (const auto& e : endings)
    {
        Trace trace;
        auto* dialog = new CTestDialog(trace);
        dialog->SetAutoDelete(true);
        ASSERT_TRUE(dialog->Create());
        HWND hWnd = dialog->m_hWnd;
        HWND button = dialog->GetDlgItem(IDOK);
        ::SetDlgItemTextA(hWnd, IDC_SKIN_TEST_EDIT1, "typed");
        ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(e.command, BN_CLICKED), 0);
        EXPECT_FALSE(::IsWindow(hWnd));
        EXPECT_FALSE(::IsWindow(button));
        EXPECT_TRUE(trace.deleted);
        // OK reads the boxes before the window closes; Cancel does not.
        EXPECT_EQ(trace.firstAtDelete, e.command == IDOK ? "typed" : "");
        EXPECT_EQ(trace.okClicks, e.command == IDOK ? 1 : 0);
    }
    // WM_CLOSE is Cancel.
    Trace trace;
    auto* dialog = new CTestDialog(trace);
    dialog->SetAutoDelete(true);
    ASSERT_TRUE(dialog->Create());
    HWND hWnd = dialog->m_hWnd;
    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);  // the dialog manager posts the Cancel command
    uitest::Pump(50);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(trace.deleted);
}

TEST(Framework, StackDialogEndsItsWindowWithTheObject)
{
    Trace trace;
    HWND hWnd;
    {
        CTestDialog dialog(trace);
        ASSERT_TRUE(dialog.Create());
        hWnd = dialog.m_hWnd;
        ::SendMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
        EXPECT_EQ(dialog.Result(), IDCANCEL);
        EXPECT_EQ(dialog.m_okButton.m_hWnd, nullptr);
        ASSERT_TRUE(dialog.Create());
        hWnd = dialog.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(Framework, StartUpFailureReachesTheCreatorAndLeavesNoWindow)
{
    Trace trace;
    auto* dialog = new CTestDialog(trace);
    dialog->SetAutoDelete(true);
    dialog->m_throwAtStart = true;
    EXPECT_THROW(dialog->Create(), std::runtime_error);
    EXPECT_EQ(dialog->m_hWnd, nullptr);
    EXPECT_FALSE(trace.deleted) << "the object is still the creator's";
    delete dialog;
    EXPECT_TRUE(trace.deleted);

    CTestDialog missing(trace);
    EXPECT_FALSE(missing.Create(4711));
}

TEST(Framework, MessageBoxesGoThroughTheSeam)
{
    CRecordingPrompts prompts;
    prompts.messageAnswers.push_back(IDYES);
    Trace trace;
    CTestDialog dialog(trace);
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.MessageBox("加密成功,是否要将原来明文删除?", "提示信息", MB_YESNO | MB_ICONQUESTION), IDYES);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].owner, dialog.m_hWnd);
    EXPECT_EQ(prompts.messages[0].text, "加密成功,是否要将原来明文删除?");
    EXPECT_EQ(prompts.messages[0].caption, "提示信息");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

TEST(Framework, HandlerExceptionsAreReportedNotPropagated)
{
    CRecordingPrompts prompts;
    Trace trace;
    CTestDialog dialog(trace);
    ASSERT_TRUE(dialog.Create());

    dialog.m_clickFault = CTestDialog::FileError;
    ::SendMessageA(dialog.GetDlgItem(IDC_SKIN_TEST_WIDE), BM_CLICK, 0, 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].owner, dialog.m_hWnd);
    EXPECT_THAT(prompts.messages[0].text, HasSubstr("C:\\no-such-folder\\plan.doc"));
    EXPECT_EQ(prompts.messages[0].caption, "出错提示");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));

    dialog.m_clickFault = CTestDialog::OtherError;
    ::SendMessageA(dialog.GetDlgItem(IDC_SKIN_TEST_WIDE), BM_CLICK, 0, 0);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1].caption, "出错提示");
    EXPECT_EQ(trace.wideClicks, 2);
    EXPECT_TRUE(::IsWindow(dialog.m_hWnd)) << "the dialog stays open";
}

TEST(Framework, FileRemoveRaisesFileErrorWithPathAndSystemError)
{
    try
    {
        CFile::Remove("C:\\no-such-folder\\plan.doc");
        FAIL() << "no exception";
    }
    catch (const CFileException& e)
    {
        EXPECT_EQ(e.Path(), "C:\\no-such-folder\\plan.doc");
        EXPECT_EQ(e.OsError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
        EXPECT_THAT(e.ReportText(), HasSubstr("C:\\no-such-folder\\plan.doc"));
    }
    char temp[MAX_PATH], file[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    ::GetTempFileNameA(temp, "zoz", 0, file);
    EXPECT_NO_THROW(CFile::Remove(file));
    EXPECT_EQ(::GetFileAttributesA(file), INVALID_FILE_ATTRIBUTES);
}

TEST(Framework, FileChoosersGoThroughTheSeam)
{
    CRecordingPrompts prompts;
    Trace trace;
    CTestDialog dialog(trace);
    ASSERT_TRUE(dialog.Create());

    prompts.fileAnswers.push_back("D:\\文档\\计划.doc");
    CFileDialog open(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr, &dialog);
    open.SetTitle("请你选择用于加密的文件!");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "D:\\文档\\计划.doc");

    CFileDialog save(false, nullptr, "plan.doc", 0, "(*.tq)|*.tq", &dialog);
    EXPECT_EQ(save.DoModal(), IDCANCEL);

    ASSERT_EQ(prompts.choosers.size(), 2u);
    const auto& o = prompts.choosers[0];
    EXPECT_FALSE(o.save);
    EXPECT_EQ(o.title, "请你选择用于加密的文件!");
    EXPECT_EQ(o.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_NE(o.flags & OFN_NOCHANGEDIR, 0u);
    EXPECT_EQ(o.filter, "");
    EXPECT_EQ(o.initialFile, "");
    EXPECT_EQ(o.owner, dialog.m_hWnd);
    const auto& s = prompts.choosers[1];
    EXPECT_TRUE(s.save);
    EXPECT_EQ(s.filter, "(*.tq)|*.tq");
    EXPECT_EQ(s.initialFile, "plan.doc");
    EXPECT_EQ(s.title, "");
    EXPECT_EQ(s.flags & OFN_OVERWRITEPROMPT, 0u);
}

TEST(Framework, CentresOverAVisibleOwnerElseOnTheWorkAreaAlwaysInside)
{
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    auto centre = [](HWND hWnd) {
        RECT r;
        ::GetWindowRect(hWnd, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    Trace trace;
    HWND owner = MakeTopLevel(200, 150, 600, 500);
    ::SetActiveWindow(owner);
    {
        CTestDialog dialog(trace);
        ASSERT_TRUE(dialog.Create());
        dialog.CenterWindow();
        EXPECT_NEAR(centre(dialog.m_hWnd).x, centre(owner).x, 1);
        EXPECT_NEAR(centre(dialog.m_hWnd).y, centre(owner).y, 1);

        // Owner at the screen's corner: the dialog stays inside the work area.
        ::SetWindowPos(owner, nullptr, work.left - 150, work.top - 150, 200, 200, SWP_NOZORDER);
        dialog.CenterWindow();
        RECT r;
        dialog.GetWindowRect(&r);
        EXPECT_EQ(r.left, work.left);
        EXPECT_EQ(r.top, work.top);

        // Owner minimised: centred on the work area.
        ::ShowWindow(owner, SW_MINIMIZE);
        dialog.CenterWindow();
        EXPECT_NEAR(centre(dialog.m_hWnd).x, (work.left + work.right) / 2, 1);
        EXPECT_NEAR(centre(dialog.m_hWnd).y, (work.top + work.bottom) / 2, 1);
    }
    ::DestroyWindow(owner);
}

TEST(Framework, ListAndComboHelpersDriveTheRealControls)
{
    Trace trace;
    CTestDialog dialog(trace);
    ASSERT_TRUE(dialog.Create());
    CListCtrl& list = dialog.m_list;
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(list.GetExtendedStyle() & 0x25u, 0x25u);
    EXPECT_EQ(list.InsertColumn(0, "颁发给", LVCFMT_CENTER, 130), 0);
    EXPECT_EQ(list.InsertColumn(1, "颁发者", LVCFMT_LEFT, 130), 1);
    EXPECT_EQ(list.InsertColumn(2, "证书序列号", LVCFMT_LEFT, 130), 2);
    const std::string longText(1000, 'A');
    const struct
    {
        const char* subject;
        std::string serial;
    } rows[] = {{"张三", "0A1B"}, {"李四", longText}};
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(list.InsertItem(i, rows[i].subject), i);
        EXPECT_TRUE(list.SetItemText(i, 1, "测试根"));
        EXPECT_TRUE(list.SetItemText(i, 2, rows[i].serial));
    }
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, 0), "张三");
    EXPECT_EQ(list.GetItemText(1, 1), "测试根");
    EXPECT_EQ(list.GetItemText(1, 2), longText);
    EXPECT_FALSE(list.GetCheck(0));
    list.SetCheck(1, true);
    EXPECT_FALSE(list.GetCheck(0));
    EXPECT_TRUE(list.GetCheck(1));
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);

    CComboBox& combo = dialog.m_combo;
    combo.AddString("王五(0C)");
    combo.AddString("Alice(0A)");
    combo.AddString("Bob(0B)");
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    combo.SetCurSel(0);
    EXPECT_EQ(combo.GetCurSel(), 0);
    EXPECT_EQ(combo.GetLBText(0), "Alice(0A)");  // sorted
    EXPECT_EQ(combo.GetLBText(9), "");
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
}
}  // namespace

namespace
{
TEST(Framework, ModelessDialogsGetTheDialogKeys)
{
    Trace trace;
    auto* dialog = new CTestDialog(trace);
    dialog->SetAutoDelete(true);
    ASSERT_TRUE(dialog->Create());
    HWND hWnd = dialog->m_hWnd;
    dialog->ShowWindow(SW_SHOW);
    uitest::Pump(100);
    auto key = [](HWND target, UINT vk) {
        ::PostMessageA(target, WM_KEYDOWN, vk, 1);
        ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        uitest::Pump(50);
    };
    HWND first = ::GetDlgItem(hWnd, IDC_SKIN_TEST_EDIT1);
    ::SetFocus(first);
    key(first, VK_TAB);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(hWnd, IDC_SKIN_TEST_EDIT2));

    // Other windows of the thread keep their keys.
    HWND plain = ::CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ::SetFocus(plain);
    ::PostMessageA(plain, WM_CHAR, 'a', 1);
    uitest::Pump(50);
    char text[8] = {};
    ::GetWindowTextA(plain, text, sizeof(text));
    EXPECT_STREQ(text, "a");
    ::DestroyWindow(plain);

    key(::GetDlgItem(hWnd, IDC_SKIN_TEST_EDIT2), VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(hWnd)) << "Esc is Cancel";
    EXPECT_TRUE(trace.deleted);
}
}  // namespace
