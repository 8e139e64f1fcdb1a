// The default-certificate dialog, opened from the encryption dialog's "更改..." under Xvfb,
// with real certificates in MY and the real settings files.
#include <gtest/gtest.h>

#include "DialogsEncTestSupport.h"
#include "res/resource.h"
#include "shell/CModuleLock.h"
#include "ui/UiTestSupport.h"
#include "ui/skin/CSkinBtn.h"

using namespace dlgtest;

namespace
{
const char* const kChoose = "请你选择一个证书!";
const char* const kCancelled = "您已经取消更改默认数字证书的操作!";
const char* const kNotSaved = "默认证书设置保存失败!";

class DefaultCertificateDialog : public DialogTest
{
protected:
    // An encryption dialog without a default certificate, and its "更改..." dialog.
    void Open()
    {
        plain = folder / "明文.txt";
        ASSERT_TRUE(CTestFolder::Write(plain, CTestFolder::Pattern(777)));
        enc = OpenEncryptDialog(plain, plain + ".tq");
        ASSERT_TRUE(::IsWindow(enc));
        set = OpenDefaultCertificateDialog(enc);
        ASSERT_NE(set, nullptr);
        list = ::GetDlgItem(set, IDC_SET_CERTLIST);
        ASSERT_NE(list, nullptr);
    }

    void ExpectOwnerUnchanged()
    {
        EXPECT_EQ(ItemText(enc, IDC_ENC_CERTNAME), "");
        EXPECT_EQ(Dialog(enc)->DefaultCertificateName(), "");
        EXPECT_FALSE(Enabled(enc, IDC_ENC_VIEW));
    }

    std::string plain;
    HWND enc = nullptr;
    HWND set = nullptr;
    HWND list = nullptr;
};

TEST_F(DefaultCertificateDialog, ListsMyEnciphermentCertificatesOwnedByTheEncryptionDialog)
{
    CTestCertificates::Certificate key = AddMine("张三");
    CTestCertificates::Options o;
    o.subject = "签名用";
    o.usage = CTestCertificates::Usage::Signature;
    CTestCertificates::Certificate signature = certs.Add(o);
    CTestCertificates::Certificate other = AddOther("李四");
    Open();

    EXPECT_EQ(::GetWindow(set, GW_OWNER), enc);
    char caption[64] = {};
    ::GetWindowTextA(set, caption, sizeof(caption));
    EXPECT_STREQ(caption, "设置默认数字证书");
    // Both dialogs stay usable.
    EXPECT_TRUE(::IsWindowEnabled(enc));

    for (int id : {IDOK, IDCANCEL})
    {
        CSkinBtn* button = dynamic_cast<CSkinBtn*>(CWnd::FromHandlePermanent(::GetDlgItem(set, id)));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->GetWindowText(), id == IDOK ? "确定" : "取消");
    }

    const DWORD exStyle = static_cast<DWORD>(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(exStyle & 0x21u, 0x21u);
    EXPECT_EQ(exStyle & LVS_EX_CHECKBOXES, 0u);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(list, GWL_STYLE));
    EXPECT_EQ(style & (LVS_SINGLESEL | LVS_SHOWSELALWAYS), 0u);
    const char* headings[] = {"颁发给", "颁发者", "证书序列号"};
    for (int i = 0; i < 3; ++i)
    {
        char heading[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = heading;
        col.cchTextMax = sizeof(heading);
        ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(heading, headings[i]);
        EXPECT_EQ(col.cx, 150);
    }

    const int row = RowOfSerial(list, key.serial);
    ASSERT_GE(row, 0);
    EXPECT_EQ(CellText(list, row, 0), "张三");
    EXPECT_EQ(CellText(list, row, 1), "测试根证书");
    EXPECT_EQ(RowOfSerial(list, signature.serial), -1);
    EXPECT_EQ(RowOfSerial(list, other.serial), -1);
    EXPECT_EQ(::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);

    ::SetCursorPos(0, 0);
    uitest::Pump(800);
    EXPECT_FALSE(uitest::SavePng(uitest::CaptureClient(set), "default-certificate").empty());
}

TEST_F(DefaultCertificateDialog, OkWritesTheSettingsAndUpdatesTheEncryptionDialog)
{
    CTestCertificates::Certificate zhang = AddMine("张三", "0A1B");
    Open();
    Select(list, RowOfSerial(list, "0A1B"));
    Click(set, IDOK);

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 1);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "张三");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "0A1B");
    EXPECT_EQ(ItemText(enc, IDC_ENC_CERTNAME), "张三");
    EXPECT_EQ(Dialog(enc)->DefaultCertificateName(), "张三");
    EXPECT_TRUE(Enabled(enc, IDC_ENC_VIEW));
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);

    // The encryption dialog now passes its checks and encrypts for the new default.
    Click(enc, IDOK);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(RecipientListOf(plain + ".tq"), "0A1B&");
    (void)zhang;
}

TEST_F(DefaultCertificateDialog, TwoSelectedRowsTheLowerOneWins)
{
    CTestCertificates::Certificate first = AddMine("张三");
    CTestCertificates::Certificate second = AddMine("李四");
    Open();
    const int a = RowOfSerial(list, first.serial);
    const int b = RowOfSerial(list, second.serial);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    Select(list, a);
    Select(list, b);
    ASSERT_EQ(::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 2);
    const std::string lower = a > b ? first.serial : second.serial;
    const std::string lowerName = a > b ? "张三" : "李四";
    Click(set, IDOK);
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), lower);
    EXPECT_EQ(ItemText(enc, IDC_ENC_CERTNAME), lowerName);
}

TEST_F(DefaultCertificateDialog, OkWithoutSelectionAsksAndStaysOpen)
{
    AddMine("张三");
    Open();
    Click(set, IDOK);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, kChoose);
    EXPECT_EQ(prompts.messages[0].caption, "出错提示");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(prompts.messages[0].owner, set);
    EXPECT_TRUE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "");
    ExpectOwnerUnchanged();
}

TEST_F(DefaultCertificateDialog, CertificateDeletedBeforeOkClosesSilently)
{
    CTestCertificates::Certificate gone = AddMine("张三");
    Open();
    Select(list, RowOfSerial(list, gone.serial));
    certs.Remove(gone.serial);
    Click(set, IDOK);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 0);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "");
    ExpectOwnerUnchanged();
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);
}

TEST_F(DefaultCertificateDialog, CancelSaysSoAndChangesNothing)
{
    CTestCertificates::Certificate mine = AddMine("张三");
    Open();
    Select(list, RowOfSerial(list, mine.serial));
    Click(set, IDCANCEL);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, kCancelled);
    EXPECT_EQ(prompts.messages[0].caption, "信息提示");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(prompts.messages[0].owner, set);
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "");
    ExpectOwnerUnchanged();
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);
}

TEST_F(DefaultCertificateDialog, SettingsNotWritableAnywhereSaysSoAndLeavesTheOwner)
{
    CTestCertificates::Certificate mine = AddMine("张三");
    Open();
    BlockSettings();
    Select(list, RowOfSerial(list, mine.serial));
    Click(set, IDOK);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, kNotSaved);
    EXPECT_EQ(prompts.messages[0].caption, "出错提示");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(prompts.messages[0].owner, set);
    EXPECT_FALSE(::IsWindow(set));
    ExpectOwnerUnchanged();
    ClearSettings();
}

TEST_F(DefaultCertificateDialog, OkAfterTheEncryptionDialogEndedInBetweenTouchesNothing)
{
    // The encryption dialog's window ends while the default-certificate dialog stays.
    CTestCertificates::Certificate mine = AddMine("张三");
    Open();
    // Hand the dialog to no owner, so that it outlives the encryption dialog.
    ::SetWindowLongPtrA(set, GWLP_HWNDPARENT, 0);
    Click(enc, IDCANCEL);
    ASSERT_TRUE(deleted);
    ASSERT_TRUE(::IsWindow(set));
    Select(list, RowOfSerial(list, mine.serial));
    Click(set, IDOK);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), mine.serial);
    EXPECT_EQ(CModuleLock::Count(), baseLocks);
}
}  // namespace
