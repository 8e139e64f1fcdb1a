// The encryption dialog under Xvfb, opened as the context-menu command opens it, with real
// certificates in the prefix's stores, real files and the real settings file.
#include <gtest/gtest.h>

#include "DialogsEncTestSupport.h"
#include "certs/CCertStoreQueries.h"
#include "certs/CCertViewer.h"
#include "engine/CFileCipher.h"
#include "res/resource.h"
#include "shell/CModuleLock.h"
#include "ui/UiTestSupport.h"
#include "ui/framework/CFileException.h"
#include "ui/skin/CSkinBtn.h"

using namespace dlgtest;

namespace
{
const char* const kPlain = "年度报告.doc";

const char* const kNoSource = "不能加密文件,您没有选择待加密的文件!";
const char* const kNoDest = "不能加密文件,您没有选择加密后文件保存路径!";
const char* const kNoCert = "不能加密文件,您没有选择用于加密的证书!";
const char* const kCancelled = "您已经取消了加密文件的操作!";
const char* const kDeleteQuestion = "加密成功,是否要将原来明文删除?";

class EncryptDialog : public DialogTest
{
protected:
    // A plain file in the folder and a default certificate in the settings.
    std::string MakePlain(const std::string& name = kPlain, size_t size = 5000)
    {
        const std::string path = folder / name;
        EXPECT_TRUE(CTestFolder::Write(path, CTestFolder::Pattern(size)));
        return path;
    }
    CTestCertificates::Certificate MakeDefault(const std::string& subject = "张三")
    {
        CTestCertificates::Certificate mine = AddMine(subject);
        WriteSettings("1", subject.c_str(), mine.serial.c_str());
        return mine;
    }
};

TEST_F(EncryptDialog, StartsCollapsedWithTheSettingsNameSkinButtonsAndListColumns)
{
    MakeDefault("张三");
    const std::string plain = MakePlain();
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    ASSERT_TRUE(::IsWindow(hWnd));

    EXPECT_EQ(ItemText(hWnd, IDC_ENC_SOURCE), plain);
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_DEST), plain + ".tq");
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_CERTNAME), "张三");
    EXPECT_FALSE(Enabled(hWnd, IDC_ENC_CERTNAME));
    EXPECT_TRUE(Enabled(hWnd, IDC_ENC_VIEW));

    // Ten skin buttons with their captions and tips.
    const struct
    {
        int id;
        const char* caption;
    } buttons[] = {{IDC_ENC_CHOOSE_SOURCE, "选择..."}, {IDC_ENC_CHOOSE_DEST, "选择..."}, {IDC_ENC_VIEW, "查看证书"},
                   {IDC_ENC_CHANGE, "更改..."},        {IDC_ENC_ENCRYPT2, "加密"},        {IDC_ENC_CANCEL2, "取消"},
                   {IDC_ENC_ADVANCED, "高级设置..."},  {IDC_ENC_QUERY_BUTTON, "查询"},    {IDOK, "加密"},
                   {IDCANCEL, "取消"}};
    for (const auto& b : buttons)
    {
        CSkinBtn* button = dynamic_cast<CSkinBtn*>(CWnd::FromHandlePermanent(::GetDlgItem(hWnd, b.id)));
        ASSERT_NE(button, nullptr) << b.id;
        EXPECT_EQ(button->GetWindowText(), b.caption) << b.id;
        ASSERT_NE(button->ToolTip().m_hWnd, nullptr) << b.id;
        TOOLINFOA info{};
        char tip[80] = {};
        info.cbSize = TTTOOLINFOA_V1_SIZE;
        info.hwnd = hWnd;
        info.uId = reinterpret_cast<UINT_PTR>(button->m_hWnd);
        info.uFlags = TTF_IDISHWND;
        info.lpszText = tip;
        ::SendMessageA(button->ToolTip().m_hWnd, TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(tip, b.caption) << b.id;
    }

    HWND list = ::GetDlgItem(hWnd, IDC_ENC_CERTLIST);
    const DWORD exStyle = static_cast<DWORD>(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(exStyle & 0x25u, 0x25u);
    const struct
    {
        const char* heading;
        int format;
    } columns[] = {{"颁发给", LVCFMT_CENTER}, {"颁发者", LVCFMT_LEFT}, {"证书序列号", LVCFMT_LEFT}};
    for (int i = 0; i < 3; ++i)
    {
        char heading[64] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.pszText = heading;
        col.cchTextMax = sizeof(heading);
        ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&col))) << i;
        EXPECT_STREQ(heading, columns[i].heading);
        EXPECT_EQ(col.cx, 130);
        // The platform keeps column 0 left-aligned whatever it was given.
        if (i > 0)
        {
            EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, columns[i].format);
        }
    }
    EXPECT_EQ(RowCount(list), 0);

    // Collapsed: the window ends above the group of other people's certificates.
    CEdlgcomm* d = Dialog(hWnd);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->IsExpanded());
    EXPECT_GT(d->FullHeight(), d->CollapsedHeight());
    RECT window{}, group{}, lowRow{};
    ::GetWindowRect(hWnd, &window);
    ::GetWindowRect(::GetDlgItem(hWnd, IDC_ENC_OTHERS_GROUP), &group);
    ::GetWindowRect(::GetDlgItem(hWnd, IDC_ENC_ENCRYPT2), &lowRow);
    EXPECT_LE(window.bottom, group.top);
    EXPECT_LT(lowRow.bottom, window.bottom);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(EncryptDialog, WithoutTheSettingsFlagTheNameIsEmptyAndViewIsDisabled)
{
    const std::string plain = MakePlain();
    CTestCertificates::Certificate mine = AddMine("张三");
    for (const char* flag : {static_cast<const char*>(nullptr), "0", "2"})
    {
        ClearSettings();
        WriteSettings(flag, "张三", mine.serial.c_str());
        HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
        EXPECT_EQ(ItemText(hWnd, IDC_ENC_CERTNAME), "") << (flag ? flag : "none");
        EXPECT_FALSE(Enabled(hWnd, IDC_ENC_VIEW));
        prompts.messages.clear();
        Click(hWnd, IDOK);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kNoCert);
        EXPECT_TRUE(::IsWindow(hWnd));
        EXPECT_FALSE(CTestFolder::Exists(plain + ".tq"));
        Click(hWnd, IDCANCEL);
        EXPECT_TRUE(deleted);
    }
}

TEST_F(EncryptDialog, ChecksRunInOrderOnTheStoredFieldsWithExactMessages)
{
    const std::string plain = MakePlain();
    const struct
    {
        bool source;
        bool dest;
        bool cert;
        const char* message;
    } cases[] = {
        {false, false, false, kNoSource}, {false, true, true, kNoSource}, {true, false, false, kNoDest},
        {true, false, true, kNoDest},     {true, true, false, kNoCert},
    };
    CTestCertificates::Certificate mine = AddMine("张三");
    for (const auto& c : cases)
    {
        ClearSettings();
        if (c.cert)
            WriteSettings("1", "张三", mine.serial.c_str());
        HWND hWnd = OpenEncryptDialog(c.source ? plain : "", c.dest ? plain + ".tq" : "");
        // Typed text does not count until the boxes are read.
        ::SetDlgItemTextA(hWnd, IDC_ENC_SOURCE, plain.c_str());
        ::SetDlgItemTextA(hWnd, IDC_ENC_DEST, (plain + ".tq").c_str());
        prompts.messages.clear();
        for (int id : {IDOK, IDC_ENC_ENCRYPT2})
        {
            Click(hWnd, id);
            ASSERT_EQ(prompts.messages.size(), 1u) << c.message;
            EXPECT_EQ(prompts.messages[0].text, c.message);
            EXPECT_EQ(prompts.messages[0].caption, "出错提示");
            EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
            EXPECT_EQ(prompts.messages[0].owner, hWnd);
            EXPECT_TRUE(::IsWindow(hWnd));
            prompts.messages.clear();
        }
        EXPECT_FALSE(CTestFolder::Exists(plain + ".tq"));
        Click(hWnd, IDCANCEL);
    }
}

TEST_F(EncryptDialog, EncryptsTheStoredPathsNotTheTypedOnes)
{
    MakeDefault();
    const std::string stored = MakePlain("stored.txt");
    const std::string typed = MakePlain("typed.txt");
    HWND hWnd = OpenEncryptDialog(stored, stored + ".tq");
    ::SetDlgItemTextA(hWnd, IDC_ENC_SOURCE, typed.c_str());
    ::SetDlgItemTextA(hWnd, IDC_ENC_DEST, (typed + ".tq").c_str());
    Click(hWnd, IDOK);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(CTestFolder::Exists(stored + ".tq"));
    EXPECT_FALSE(CTestFolder::Exists(typed + ".tq"));
}

// The recipient list for each combination of default and ticked certificates, read back from
// the head of the encrypted file; the default certificate's copy decrypts to the same bytes.
TEST_F(EncryptDialog, RecipientListForEachCombinationOfDefaultAndTickedCertificates)
{
    CTestCertificates::Certificate mine = AddMine("张三");
    CTestCertificates::Certificate li = AddOther("李四");
    CTestCertificates::Certificate wang = AddOther("王五");
    // The default certificate also sits in the address book.
    CTestCertificates::Certificate mineToo = AddOther("张三", CTestCertificates::Usage::KeyEncipherment, mine.serial);
    const std::string D = mine.serial, A = li.serial, B = wang.serial;

    const struct
    {
        const char* name;
        bool serialSet;
        std::vector<std::string> ticked;
    } cases[] = {
        {"default only", true, {}},
        {"default and one ticked", true, {A}},
        {"default and two ticked", true, {A, B}},
        {"default ticked as well", true, {D}},
        {"no default serial, one ticked", false, {A}},
        {"no default serial, nothing ticked", false, {}},
    };
    int n = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClearSettings();
        WriteSettings("1", "张三", c.serialSet ? D.c_str() : nullptr);
        const std::string plain = MakePlain("plain" + std::to_string(++n) + ".bin", 3001);
        const std::string tq = plain + ".tq";
        HWND hWnd = OpenEncryptDialog(plain, tq);
        HWND list = Expand(hWnd);
        for (const std::string& serial : c.ticked)
            Tick(list, RowOfSerial(list, serial));
        // Ticked serials come in row order.
        std::string expected = c.serialSet ? D + "&" : "";
        for (int row = 0; row < RowCount(list); ++row)
            for (const std::string& serial : c.ticked)
                if (CellText(list, row, 2) == serial)
                    expected += serial + "&";
        prompts.messageAnswers = {IDNO};
        Click(hWnd, IDOK);
        EXPECT_TRUE(deleted);
        ASSERT_TRUE(CTestFolder::Exists(tq));
        EXPECT_EQ(RecipientListOf(tq), expected);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kDeleteQuestion);
        prompts.messages.clear();

        if (c.serialSet)
        {
            CFileCipher cipher;
            const std::string back = folder / ("back" + std::to_string(n));
            ASSERT_EQ(cipher.DecryptFile(tq.c_str(), back.c_str(), D.c_str()), 0) << cipher.Message();
            std::string original, decrypted;
            ASSERT_TRUE(CTestFolder::Read(plain, original));
            ASSERT_TRUE(CTestFolder::Read(back, decrypted));
            EXPECT_EQ(original, decrypted);
        }
    }
    (void)mineToo;
}

TEST_F(EncryptDialog, ChoosingTheSourceSetsBothPathsAndRefreshesEveryBox)
{
    MakeDefault();
    const std::string first = MakePlain("first.txt");
    const std::string chosen = MakePlain("选中的文件.txt");
    HWND hWnd = OpenEncryptDialog(first, first + ".tq");
    ::SetDlgItemTextA(hWnd, IDC_ENC_QUERY, "typed@example.org");
    prompts.fileAnswers = {chosen};
    Click(hWnd, IDC_ENC_CHOOSE_SOURCE);

    ASSERT_EQ(prompts.choosers.size(), 1u);
    const CRecordingPrompts::Chooser& c = prompts.choosers[0];
    EXPECT_FALSE(c.save);
    EXPECT_EQ(c.title, "请你选择用于加密的文件!");
    EXPECT_EQ(c.initialFile, "");
    EXPECT_EQ(c.filter, "");
    EXPECT_EQ(c.defExt, "");
    EXPECT_EQ(c.flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT),
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    EXPECT_EQ(c.owner, hWnd);
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_EQ(ItemText(hWnd, IDC_ENC_SOURCE), chosen);
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_DEST), chosen + ".tq");
    // The refresh also rewrote the query box with the stored (empty) query text.
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_QUERY), "");
    Click(hWnd, IDOK);
    EXPECT_TRUE(CTestFolder::Exists(chosen + ".tq"));
    EXPECT_FALSE(CTestFolder::Exists(first + ".tq"));
}

TEST_F(EncryptDialog, ChoosingADestinationAlwaysAppendsTqEvenTwice)
{
    MakeDefault();
    const std::string plain = MakePlain();
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    const std::string chosen = folder / "密文.tq";
    prompts.fileAnswers = {chosen};
    Click(hWnd, IDC_ENC_CHOOSE_DEST);

    ASSERT_EQ(prompts.choosers.size(), 1u);
    const CRecordingPrompts::Chooser& c = prompts.choosers[0];
    EXPECT_TRUE(c.save);
    EXPECT_EQ(c.title, "更改密文保存于:");
    EXPECT_EQ(c.filter, "(*.tq)|*.tq");
    EXPECT_EQ(c.defExt, "");
    EXPECT_EQ(c.initialFile, "");
    // No question before an existing file is replaced.
    EXPECT_EQ(c.flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_DEST), chosen + ".tq");
    EXPECT_EQ(ItemText(hWnd, IDC_ENC_SOURCE), plain);

    ASSERT_TRUE(CTestFolder::Write(chosen + ".tq", "an older file"));
    Click(hWnd, IDOK);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(CTestFolder::Exists(chosen));
    EXPECT_FALSE(CTestFolder::Exists(plain + ".tq"));
    EXPECT_EQ(RecipientListOf(chosen + ".tq").empty(), false);
}

TEST_F(EncryptDialog, CancelledChoosersSayItAndKeepThePaths)
{
    MakeDefault();
    const std::string plain = MakePlain();
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    for (int id : {IDC_ENC_CHOOSE_SOURCE, IDC_ENC_CHOOSE_DEST})
    {
        prompts.messages.clear();
        Click(hWnd, id);
        ASSERT_EQ(prompts.messages.size(), 1u) << id;
        EXPECT_EQ(prompts.messages[0].text, kCancelled);
        EXPECT_EQ(prompts.messages[0].caption, "信息提示");
        EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(prompts.messages[0].owner, hWnd);
        EXPECT_TRUE(::IsWindow(hWnd));
        EXPECT_EQ(ItemText(hWnd, IDC_ENC_SOURCE), plain);
        EXPECT_EQ(ItemText(hWnd, IDC_ENC_DEST), plain + ".tq");
    }
    EXPECT_EQ(prompts.choosers.size(), 2u);
    // The stored paths still hold.
    Click(hWnd, IDOK);
    EXPECT_TRUE(CTestFolder::Exists(plain + ".tq"));
}

TEST_F(EncryptDialog, AdvancedPartOpensOnceAndListsOnlyAddressBookEnciphermentCertificates)
{
    MakeDefault();
    CTestCertificates::Certificate keyEnc = AddOther("李四", CTestCertificates::Usage::KeyEncipherment);
    CTestCertificates::Certificate dataEnc = AddOther("王五", CTestCertificates::Usage::DataEncipherment);
    CTestCertificates::Certificate signature = AddOther("赵六", CTestCertificates::Usage::Signature);
    CTestCertificates::Certificate noUsage = AddOther("钱七", CTestCertificates::Usage::None);
    CTestCertificates::Certificate mineOnly = AddMine("孙八");
    const std::string plain = MakePlain();
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    CEdlgcomm* d = Dialog(hWnd);
    ASSERT_NE(d, nullptr);
    const int full = d->FullHeight();

    HWND list = Expand(hWnd);
    EXPECT_TRUE(d->IsExpanded());
    EXPECT_FALSE(Visible(hWnd, IDC_ENC_ENCRYPT2));
    EXPECT_FALSE(Visible(hWnd, IDC_ENC_CANCEL2));
    EXPECT_FALSE(Enabled(hWnd, IDC_ENC_ADVANCED));
    EXPECT_EQ(WindowHeight(hWnd), full - 25);
    RECT window{}, okButton{};
    ::GetWindowRect(hWnd, &window);
    ::GetWindowRect(::GetDlgItem(hWnd, IDOK), &okButton);
    EXPECT_LT(okButton.bottom, window.bottom);

    // Rows: the address book's encipherment certificates with issuer and serial, unticked.
    const int rowKey = RowOfSerial(list, keyEnc.serial);
    const int rowData = RowOfSerial(list, dataEnc.serial);
    ASSERT_GE(rowKey, 0);
    ASSERT_GE(rowData, 0);
    EXPECT_EQ(CellText(list, rowKey, 0), "李四");
    EXPECT_EQ(CellText(list, rowKey, 1), "测试根证书");
    EXPECT_EQ(CellText(list, rowData, 0), "王五");
    EXPECT_EQ(RowOfSerial(list, signature.serial), -1);
    EXPECT_EQ(RowOfSerial(list, noUsage.serial), -1);
    EXPECT_EQ(RowOfSerial(list, mineOnly.serial), -1);
    for (int row = 0; row < RowCount(list); ++row)
    {
        CCertContext cert = CCertStoreQueries::FindInStore("ADDRESSBOOK", CellText(list, row, 2));
        ASSERT_TRUE(cert) << row;
        EXPECT_TRUE(CCertStoreQueries::HasEnciphermentUsage(cert)) << row;
        EXPECT_FALSE(d->CertificateList().GetCheck(row)) << row;
    }

    // The button is disabled, and a command that reaches the dialog anyway changes nothing.
    const int rows = RowCount(list);
    ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(IDC_ENC_ADVANCED, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, IDC_ENC_ADVANCED)));
    EXPECT_EQ(RowCount(list), rows);
    EXPECT_EQ(WindowHeight(hWnd), full - 25);

    // What the directory query relies on.
    std::string lower = keyEnc.serial;
    for (char& ch : lower)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(d->IsSerialListed(lower));
    EXPECT_FALSE(d->IsSerialListed(signature.serial));
    EXPECT_EQ(d->AppendCertificateRow("周九", "目录", "0ABCDEF0"), rows);
    EXPECT_TRUE(d->IsSerialListed("0abcdef0"));
    EXPECT_EQ(CellText(list, rows, 1), "目录");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(EncryptDialog, ViewChecksSayWhatIsMissingAndTheViewerGetsTheDefaultCertificate)
{
    const std::string plain = MakePlain();
    CTestCertificates::Certificate mine = AddMine("张三");
    const struct
    {
        const char* name;
        const char* serial;
        const char* text;
        const char* caption;
    } cases[] = {
        {"", "AB", "您没有用于加密的证书!", "出错提示"},
        {"张三", nullptr, "证书序列号为空,请查看配置文件是否则出错!", "出错信息"},
        {"张三", "7F7F7F7F7F01", "没有找到设置的证书,可能证书已经被你删除!", "出错信息"},
    };
    std::vector<std::string> started;
    CCertViewer::Starter previous =
        CCertViewer::InstallStarter([&](const char* command, UINT) { started.push_back(command); });
    for (const auto& c : cases)
    {
        ClearSettings();
        WriteSettings("1", c.name, c.serial);
        HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
        ASSERT_TRUE(Enabled(hWnd, IDC_ENC_VIEW));
        prompts.messages.clear();
        Click(hWnd, IDC_ENC_VIEW);
        ASSERT_EQ(prompts.messages.size(), 1u) << c.text;
        EXPECT_EQ(prompts.messages[0].text, c.text);
        EXPECT_EQ(prompts.messages[0].caption, c.caption);
        EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(::IsWindow(hWnd));
        Click(hWnd, IDCANCEL);
    }
    EXPECT_TRUE(started.empty());

    ClearSettings();
    WriteSettings("1", "张三", mine.serial.c_str());
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    prompts.messages.clear();
    Click(hWnd, IDC_ENC_VIEW);
    CCertViewer::InstallStarter(previous);
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].find("see.cer"), std::string::npos) << started[0];
    EXPECT_TRUE(::IsWindow(hWnd));
}

TEST_F(EncryptDialog, DeleteQuestionPaths)
{
    MakeDefault();
    enum Answer
    {
        Yes,
        No,
        OwnPath,
        DeleteFails
    };
    for (Answer answer : {Yes, No, OwnPath, DeleteFails})
    {
        SCOPED_TRACE(answer);
        prompts.messages.clear();
        const std::string plain = MakePlain("case" + std::to_string(answer) + ".txt");
        const std::string original = [&] {
            std::string bytes;
            CTestFolder::Read(plain, bytes);
            return bytes;
        }();
        // The same file, named with other letter case and through a detour.
        const std::string dest = answer == OwnPath ? folder.Path() + "sub\\..\\CASE2.TXT" : plain + ".tq";
        if (answer == OwnPath)
        {
            ASSERT_TRUE(CTestFolder::MakeFolder(folder / "sub"));
        }
        if (answer == DeleteFails)
        {
            ASSERT_TRUE(::SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        prompts.messageAnswers = {answer == No ? IDNO : IDYES};

        HWND hWnd = OpenEncryptDialog(plain, dest);
        Click(hWnd, IDOK);

        switch (answer)
        {
        case Yes:
        case No:
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].text, kDeleteQuestion);
            EXPECT_EQ(prompts.messages[0].caption, "提示信息");
            EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
            EXPECT_EQ(prompts.messages[0].owner, hWnd);
            EXPECT_EQ(CTestFolder::Exists(plain), answer == No);
            EXPECT_TRUE(CTestFolder::Exists(dest));
            EXPECT_TRUE(deleted);
            break;
        case OwnPath:
        {
            // Encrypted in place: nothing is offered, nothing deleted.
            EXPECT_TRUE(prompts.messages.empty());
            EXPECT_TRUE(deleted);
            std::string now;
            ASSERT_TRUE(CTestFolder::Read(plain, now));
            EXPECT_NE(now, original);
            EXPECT_FALSE(RecipientListOf(plain).empty());
            prompts.messageAnswers.clear();
            break;
        }
        case DeleteFails:
            ASSERT_EQ(prompts.messages.size(), 2u);
            EXPECT_EQ(prompts.messages[0].text, kDeleteQuestion);
            EXPECT_EQ(prompts.messages[1].text, CFileException(plain, ERROR_ACCESS_DENIED).ReportText());
            EXPECT_EQ(prompts.messages[1].caption, "出错提示");
            EXPECT_EQ(prompts.messages[1].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
            EXPECT_EQ(prompts.messages[1].owner, hWnd);
            EXPECT_TRUE(::IsWindow(hWnd));
            EXPECT_FALSE(deleted);
            EXPECT_TRUE(CTestFolder::Exists(plain));
            EXPECT_TRUE(CTestFolder::Exists(dest));
            ::SetFileAttributesA(plain.c_str(), FILE_ATTRIBUTE_NORMAL);
            Click(hWnd, IDCANCEL);
            EXPECT_TRUE(deleted);
            break;
        }
    }
}

TEST_F(EncryptDialog, EngineFailureShowsTheEngineMessageAndEnds)
{
    MakeDefault();
    const std::string missing = folder / "不存在.txt";
    CFileCipher reference;
    ASSERT_NE(reference.EncryptFile(missing.c_str(), (folder / "ref.tq").c_str(), "00&"), 0);

    HWND hWnd = OpenEncryptDialog(missing, missing + ".tq");
    Click(hWnd, IDC_ENC_ENCRYPT2);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, reference.Message());
    EXPECT_EQ(prompts.messages[0].caption, "出错信息");
    EXPECT_EQ(prompts.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(prompts.messages[0].owner, hWnd);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(CTestFolder::Exists(missing + ".tq"));
}

TEST_F(EncryptDialog, CancelEndsSilentlyFreesTheObjectAndReleasesTheModule)
{
    MakeDefault();
    const std::string plain = MakePlain();
    for (int id : {IDCANCEL, IDC_ENC_CANCEL2})
    {
        HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
        EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);
        Click(hWnd, id);
        EXPECT_FALSE(::IsWindow(hWnd));
        EXPECT_TRUE(deleted);
        EXPECT_EQ(CModuleLock::Count(), baseLocks);
    }
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(CTestFolder::Exists(plain + ".tq"));
}

TEST_F(EncryptDialog, ModuleStaysLockedWhileEitherDialogLives)
{
    MakeDefault();
    const std::string plain = MakePlain();
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);
    HWND set = OpenDefaultCertificateDialog(hWnd);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 2);
    // Closing the encryption dialog takes the one it owns along.
    Click(hWnd, IDCANCEL);
    EXPECT_FALSE(::IsWindow(set));
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CModuleLock::Count(), baseLocks);

    // Encrypting ends the dialog as well.
    hWnd = OpenEncryptDialog(plain, plain + ".tq");
    EXPECT_EQ(CModuleLock::Count(), baseLocks + 1);
    Click(hWnd, IDOK);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(CModuleLock::Count(), baseLocks);
}

TEST_F(EncryptDialog, PicturesCollapsedAndExpanded)
{
    MakeDefault("张三");
    CTestCertificates::Certificate li = AddOther("李四");
    AddOther("王五", CTestCertificates::Usage::DataEncipherment);
    const std::string plain = MakePlain();
    // The pointer away from the buttons, so that none shows its hover face.
    ::SetCursorPos(0, 0);
    HWND hWnd = OpenEncryptDialog(plain, plain + ".tq");
    uitest::Pump(300);
    uitest::Image collapsed = uitest::CaptureClient(hWnd);
    EXPECT_FALSE(uitest::SavePng(collapsed, "encrypt-collapsed").empty());

    HWND list = Expand(hWnd);
    Tick(list, RowOfSerial(list, li.serial));
    uitest::Pump(300);
    // The grown part needs a moment on the X server before its pixels can be read.
    uitest::Pump(1500);
    uitest::Image expanded = uitest::CaptureClient(hWnd);
    EXPECT_FALSE(uitest::SavePng(expanded, "encrypt-expanded").empty());
    EXPECT_EQ(collapsed.width, expanded.width);
    EXPECT_GT(expanded.height, collapsed.height + 100);
    // The skinned title band is black at its middle, whatever the frame would have been.
    EXPECT_EQ(expanded.At(expanded.width / 2, 20), RGB(0, 0, 0));
}
}  // namespace
