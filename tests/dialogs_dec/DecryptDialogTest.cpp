// The decryption dialog as the user meets it: opened from the context menu on a real encrypted
// file, with real certificates in the prefix's stores, clicked through its buttons, its
// messages and choosers answered through the user-prompt seam.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "certs/CCertViewer.h"
#include "engine/CFileCipher.h"
#include "res/resource.h"
#include "shell/CDialogLauncher.h"
#include "shell/CModuleLock.h"
#include "support/CRecordingPrompts.h"
#include "support/CTestCertificates.h"
#include "support/CTestFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/dialogs/CDiaDenrylg.h"

using dlgtest::Click;
using dlgtest::ComboItems;
using dlgtest::ComboSelection;
using dlgtest::ItemText;

namespace
{
const std::string kCaption = "解密文件";
using Opt = CTestCertificates::Options;

Opt Subject(const std::string& subject, const std::string& keyName = "a")
{
    Opt o;
    o.subject = subject;
    o.keyName = keyName;
    return o;
}

class DecryptDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(936u, GetACP());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        locksBefore = CModuleLock::Count();
    }
    void TearDown() override
    {
        for (HWND hWnd : dlgtest::WindowsCaptioned(kCaption))
            ::DestroyWindow(hWnd);
        uitest::Pump(20);
        EXPECT_EQ(locksBefore, CModuleLock::Count()) << "every ended dialog lets go of the module";
        CoUninitialize();
    }

    // Encrypts `plain` bytes as dir/name for the recipient list.
    std::string Encrypted(const std::string& name, const std::string& list, const std::string& plain = "plain text")
    {
        const std::string source = dir / (name + ".plain");
        EXPECT_TRUE(CTestFolder::Write(source, plain));
        CFileCipher cipher;
        EXPECT_EQ(0, cipher.EncryptFile(source.c_str(), (dir / name).c_str(), list.c_str())) << cipher.Message();
        ::DeleteFileA(source.c_str());
        return dir / name;
    }
    HWND Open(const std::string& path)
    {
        HWND hWnd = dlgtest::InvokeFromMenu(shell, path, 1, kCaption);
        EXPECT_NE(nullptr, hWnd);
        return hWnd;
    }
    // The launcher's own creation path with paths the menu cannot produce.
    HWND OpenWith(const std::string& source, const std::string& dest)
    {
        const std::set<HWND> before = dlgtest::WindowsCaptioned(kCaption);
        EXPECT_EQ(S_OK, CDialogLauncher::Current().OpenDecryptDialog(source, dest));
        for (HWND hWnd : dlgtest::WindowsCaptioned(kCaption))
            if (!before.count(hWnd))
                return hWnd;
        ADD_FAILURE() << "no dialog";
        return nullptr;
    }
    static CDiaDenrylg* Dialog(HWND hWnd) { return dynamic_cast<CDiaDenrylg*>(CWnd::FromHandlePermanent(hWnd)); }
    void ExpectMessage(size_t index, const std::string& text, const std::string& caption, UINT type, HWND owner)
    {
        ASSERT_LT(index, prompts.messages.size());
        EXPECT_EQ(text, prompts.messages[index].text);
        EXPECT_EQ(caption, prompts.messages[index].caption);
        EXPECT_EQ(type, prompts.messages[index].type);
        EXPECT_EQ(owner, prompts.messages[index].owner);
    }

    LONG locksBefore = 0;
    dlgtest::CShellWindow shell;
    CRecordingPrompts prompts;
    CTestCertificates certs;
    CTestFolder dir;
};

TEST_F(DecryptDialog, OpensFromTheMenuWithSortedItemsTheFirstSelected)
{
    CTestCertificates::Certificate carol = certs.Add(Subject("Carol"));
    CTestCertificates::Certificate alice = certs.Add(Subject("alice"));
    CTestCertificates::Certificate bob = certs.Add(Subject("Bob"));
    CTestCertificates::Certificate zhang = certs.Add(Subject("张三"));
    const std::string source =
        Encrypted("plan.doc.tq", carol.serial + "&" + zhang.serial + "&" + alice.serial + "&" + bob.serial + "&");

    HWND hWnd = Open(source);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_TRUE(::IsWindowVisible(hWnd));
    // Owned by the window the command was picked from, and centred over it.
    EXPECT_EQ(shell.Get(), ::GetWindow(hWnd, GW_OWNER));
    RECT own{}, self{};
    ::GetWindowRect(shell.Get(), &own);
    ::GetWindowRect(hWnd, &self);
    EXPECT_NEAR((own.left + own.right) / 2, (self.left + self.right) / 2, 2);
    EXPECT_NEAR((own.top + own.bottom) / 2, (self.top + self.bottom) / 2, 2);
    EXPECT_EQ(source, ItemText(hWnd, IDC_DEC_SOURCE));
    EXPECT_EQ(dir / "plan.doc", ItemText(hWnd, IDC_DEC_DEST));
    EXPECT_EQ(source, Dialog(hWnd)->m_strSourcePath);
    EXPECT_EQ(dir / "plan.doc", Dialog(hWnd)->m_strDestPath);
    EXPECT_EQ(std::vector<std::string>({"alice(" + alice.serial + ")", "Bob(" + bob.serial + ")",
                                        "Carol(" + carol.serial + ")", "张三(" + zhang.serial + ")"}),
              ComboItems(hWnd, IDC_DEC_CERTS));
    EXPECT_EQ(0, ComboSelection(hWnd, IDC_DEC_CERTS));
    EXPECT_TRUE(prompts.messages.empty());
    // The skin buttons carry their captions.
    EXPECT_EQ("查看证书...", ItemText(hWnd, IDC_DEC_VIEW));
    EXPECT_EQ("解密", ItemText(hWnd, IDOK));

    uitest::Pump(200);
    EXPECT_FALSE(uitest::SavePng(uitest::CaptureClient(hWnd), "decrypt").empty());

    // The first item decrypts with its own certificate.
    Click(hWnd, IDOK);
    ASSERT_EQ(1u, prompts.messages.size());
    ExpectMessage(0, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    EXPECT_FALSE(::IsWindow(hWnd));
    std::string plain;
    ASSERT_TRUE(CTestFolder::Read(dir / "plan.doc", plain));
    EXPECT_EQ("plain text", plain);
}

TEST_F(DecryptDialog, ASecondSourceReplacesTheItemsAndTheDestination)
{
    CTestCertificates::Certificate first = certs.Add(Subject("First"));
    CTestCertificates::Certificate second = certs.Add(Subject("Second"));
    const std::string one = Encrypted("one.txt.tq", first.serial + "&");
    const std::string two = Encrypted("two.txt.tq", second.serial + "&" + second.serial + "&");
    HWND hWnd = Open(one);
    ASSERT_NE(nullptr, hWnd);
    ASSERT_EQ(std::vector<std::string>({"First(" + first.serial + ")"}), ComboItems(hWnd, IDC_DEC_CERTS));

    // Cancelled: a message, nothing changes.
    Click(hWnd, IDC_DEC_CHOOSE_SOURCE);
    ASSERT_EQ(1u, prompts.choosers.size());
    EXPECT_FALSE(prompts.choosers[0].save);
    EXPECT_EQ("(*.tq)|*.tq", prompts.choosers[0].filter);
    EXPECT_EQ("请你选择用于解密的文件!", prompts.choosers[0].title);
    EXPECT_EQ("", prompts.choosers[0].initialFile);
    EXPECT_EQ("", prompts.choosers[0].defExt);
    ExpectMessage(0, "您已经取消了解密选择的操作!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    EXPECT_EQ(one, Dialog(hWnd)->m_strSourcePath);
    EXPECT_EQ(1u, ComboItems(hWnd, IDC_DEC_CERTS).size());

    // Confirmed: the list names the second certificate twice, so it shows twice.
    prompts.fileAnswers.push_back(two);
    Click(hWnd, IDC_DEC_CHOOSE_SOURCE);
    EXPECT_EQ(1u, prompts.messages.size());
    const std::string item = "Second(" + second.serial + ")";
    EXPECT_EQ(std::vector<std::string>({item, item}), ComboItems(hWnd, IDC_DEC_CERTS));
    EXPECT_EQ(0, ComboSelection(hWnd, IDC_DEC_CERTS));
    EXPECT_EQ(two, ItemText(hWnd, IDC_DEC_SOURCE));
    EXPECT_EQ(dir / "two.txt", ItemText(hWnd, IDC_DEC_DEST));
    EXPECT_EQ(dir / "two.txt", Dialog(hWnd)->m_strDestPath);

    Click(hWnd, IDOK);
    ExpectMessage(1, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    EXPECT_TRUE(CTestFolder::Exists(dir / "two.txt"));
    EXPECT_FALSE(CTestFolder::Exists(dir / "one.txt"));
}

TEST_F(DecryptDialog, AListNamingNoPersonalCertificateOffersNothing)
{
    Opt other = Subject("Elsewhere");
    other.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate colleague = certs.Add(other);
    const std::string source = Encrypted("theirs.tq", colleague.serial + "&");
    HWND hWnd = Open(source);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_TRUE(ComboItems(hWnd, IDC_DEC_CERTS).empty());
    EXPECT_EQ(CB_ERR, ComboSelection(hWnd, IDC_DEC_CERTS));
    EXPECT_TRUE(prompts.messages.empty());

    Click(hWnd, IDOK);
    ExpectMessage(0, "没有证书可用来解密!", "信息提示", MB_OK | MB_ICONERROR, hWnd);
    Click(hWnd, IDC_DEC_VIEW);
    ExpectMessage(1, "没有可用于解密的证书，不能查看!", "错误提示", MB_OK | MB_ICONINFORMATION, hWnd);
    EXPECT_TRUE(::IsWindow(hWnd));
    EXPECT_FALSE(CTestFolder::Exists(dir / "theirs"));
}

TEST_F(DecryptDialog, UnreadableHeadsGiveTheFillMessageAndAnEmptyBox)
{
    CTestCertificates::Certificate me = certs.Add(Subject("Me"));
    const std::string list = me.serial + "&";
    auto le = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    // A folder deep enough that the file's full path takes 257 bytes.
    std::string deep = dir.Path();
    while (deep.size() + 20 < 257)
        deep += std::string(std::min<size_t>(200, 257 - 20 - deep.size()), 'd') + "\\";
    CTestFolder::MakeFolder(deep.substr(0, deep.size() - 1));
    const std::string longName = deep + std::string(257 - deep.size() - 3, 'f') + ".tq";
    ASSERT_EQ(257u, longName.size());
    {
        const std::string good = Encrypted("good.tq", list);
        std::string bytes;
        ASSERT_TRUE(CTestFolder::Read(good, bytes));
        ASSERT_TRUE(CTestFolder::Write(longName, bytes));
    }
    struct
    {
        const char* name;
        std::string path;
        std::string bytes;
        bool write;
    } cases[] = {
        {"three bytes", dir / "short.tq", std::string("\x05\x00\x00", 3), true},
        {"empty file", dir / "empty.tq", "", true},
        {"list longer than the file", dir / "long.tq", le(1000) + list, true},
        {"length near 4 GiB", dir / "huge.tq", le(0xFFFFFFF0u) + list, true},
        {"list cut short by one byte", dir / "cut.tq", le(static_cast<uint32_t>(list.size() + 1)) + list, true},
        {"missing file", dir / "missing.tq", "", false},
        {"path longer than 255 bytes", longName, "", false},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        if (c.write)
        {
            ASSERT_TRUE(CTestFolder::Write(c.path, c.bytes));
        }
        HWND hWnd = Open(c.path);
        ASSERT_NE(nullptr, hWnd);
        ASSERT_EQ(1u, prompts.messages.size());
        ExpectMessage(0, "获取用于解密的数字证书是产生异常!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
        EXPECT_TRUE(ComboItems(hWnd, IDC_DEC_CERTS).empty());
        EXPECT_TRUE(::IsWindowVisible(hWnd));
        Click(hWnd, IDOK);
        ExpectMessage(1, "没有证书可用来解密!", "信息提示", MB_OK | MB_ICONERROR, hWnd);
        Click(hWnd, IDCANCEL);
        EXPECT_FALSE(::IsWindow(hWnd));
    }
    // A readable head of the same list fills the box: the failures above are the heads'.
    prompts.messages.clear();
    HWND hWnd = Open(dir / "good.tq");
    EXPECT_EQ(1u, ComboItems(hWnd, IDC_DEC_CERTS).size());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(DecryptDialog, DecryptUsesTheStoredPathsNotTheTypedText)
{
    CTestCertificates::Certificate me = certs.Add(Subject("Me"));
    const std::string source = Encrypted("a.txt.tq", me.serial + "&", "stored");
    const std::string decoy = Encrypted("b.txt.tq", me.serial + "&", "typed");
    HWND hWnd = Open(source);
    ASSERT_NE(nullptr, hWnd);
    dlgtest::SetItemText(hWnd, IDC_DEC_SOURCE, decoy);
    dlgtest::SetItemText(hWnd, IDC_DEC_DEST, dir / "typed.out");
    Click(hWnd, IDOK);
    ExpectMessage(0, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    std::string plain;
    ASSERT_TRUE(CTestFolder::Read(dir / "a.txt", plain));
    EXPECT_EQ("stored", plain);
    EXPECT_FALSE(CTestFolder::Exists(dir / "typed.out"));
    EXPECT_FALSE(CTestFolder::Exists(dir / "b.txt"));
}

TEST_F(DecryptDialog, AnExistingDestinationIsReplacedOnlyAfterYes)
{
    CTestCertificates::Certificate me = certs.Add(Subject("Me"));
    struct
    {
        const char* name;
        int answer;
        std::string chosen;  // the chooser's answer after No; empty: cancelled
        bool replaced;       // the existing file now holds the plain text
        bool ends;
    } cases[] = {
        {"Yes replaces", IDYES, "", true, true},
        {"No and another name", IDNO, "elsewhere.doc", false, true},
        {"No and cancel", IDNO, "", false, false},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        prompts.choosers.clear();
        const std::string name = std::string(c.name) + ".doc";
        const std::string source = Encrypted(name + ".tq", me.serial + "&", "new");
        ASSERT_TRUE(CTestFolder::Write(dir / name, "old"));
        HWND hWnd = Open(source);
        ASSERT_NE(nullptr, hWnd);
        prompts.messageAnswers = {c.answer};
        if (!c.chosen.empty())
            prompts.fileAnswers = {dir / c.chosen};
        Click(hWnd, IDOK);

        ExpectMessage(0, "您所指定解密后的文件已经存在,是否要覆盖它?", "提示信息", MB_YESNO | MB_ICONQUESTION, hWnd);
        if (c.answer == IDNO)
        {
            ASSERT_EQ(1u, prompts.choosers.size());
            EXPECT_TRUE(prompts.choosers[0].save);
            EXPECT_EQ(name, prompts.choosers[0].initialFile);
            EXPECT_EQ("", prompts.choosers[0].title);
            EXPECT_EQ("", prompts.choosers[0].filter);
        }
        else
        {
            EXPECT_TRUE(prompts.choosers.empty());
        }
        if (c.ends)
        {
            ASSERT_EQ(2u, prompts.messages.size());
            ExpectMessage(1, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
        }
        else
        {
            EXPECT_EQ(1u, prompts.messages.size());
            EXPECT_EQ(dir / name, Dialog(hWnd)->m_strDestPath);
        }
        EXPECT_EQ(!c.ends, ::IsWindowVisible(hWnd) != FALSE);
        std::string existing;
        CTestFolder::Read(dir / name, existing);
        EXPECT_EQ(c.replaced ? "new" : "old", existing);
        if (!c.chosen.empty())
        {
            std::string plain;
            CTestFolder::Read(dir / c.chosen, plain);
            EXPECT_EQ("new", plain);
        }
    }
}

TEST_F(DecryptDialog, ACancelledDestinationChooserKeepsTheDefaultWhileTheBoxShowsTheEarlierChoice)
{
    CTestCertificates::Certificate me = certs.Add(Subject("Me"));
    const std::string source = Encrypted("plan.doc.tq", me.serial + "&", "plan");
    HWND hWnd = Open(source);
    ASSERT_NE(nullptr, hWnd);

    prompts.fileAnswers = {dir / "first.out"};
    Click(hWnd, IDC_DEC_CHOOSE_DEST);
    ASSERT_EQ(1u, prompts.choosers.size());
    EXPECT_TRUE(prompts.choosers[0].save);
    EXPECT_EQ("plan.doc", prompts.choosers[0].initialFile);
    EXPECT_EQ("更改密文保存于:", prompts.choosers[0].title);
    EXPECT_EQ("", prompts.choosers[0].filter);
    EXPECT_EQ(dir / "first.out", ItemText(hWnd, IDC_DEC_DEST));
    EXPECT_EQ(dir / "first.out", Dialog(hWnd)->m_strDestPath);
    EXPECT_TRUE(prompts.messages.empty());

    Click(hWnd, IDC_DEC_CHOOSE_DEST);
    ASSERT_EQ(2u, prompts.choosers.size());
    EXPECT_EQ("plan.doc", prompts.choosers[1].initialFile);
    ExpectMessage(0, "您已经取消了解密文件后选择保存路径的操作!", "信息提示", MB_OK | MB_ICONWARNING, hWnd);
    EXPECT_EQ(dir / "first.out", ItemText(hWnd, IDC_DEC_DEST));
    EXPECT_EQ(dir / "plan.doc", Dialog(hWnd)->m_strDestPath);
    EXPECT_EQ(1u, ComboItems(hWnd, IDC_DEC_CERTS).size());

    Click(hWnd, IDOK);
    ExpectMessage(1, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    EXPECT_TRUE(CTestFolder::Exists(dir / "plan.doc"));
    EXPECT_FALSE(CTestFolder::Exists(dir / "first.out"));
}

TEST_F(DecryptDialog, TheChecksOfTheChoosersAndOfDecryptStopBeforeAnythingHappens)
{
    struct
    {
        const char* name;
        std::string source, dest;
        int button;
        std::string text, caption;
        UINT type;
    } cases[] = {
        {"destination chooser, no source", "", "C:\\x", IDC_DEC_CHOOSE_DEST, "请你先选择待解密的文件!", "信息提示",
         MB_OK | MB_ICONINFORMATION},
        {"destination chooser, not encrypted", "C:\\docs\\a.txt", "C:\\x", IDC_DEC_CHOOSE_DEST,
         "该文件没有被加密,无需解密!", "出错提示", MB_OK | MB_ICONWARNING},
        {"destination chooser, .tq at the first character", ".tq\\a.txt", "C:\\x", IDC_DEC_CHOOSE_DEST,
         "该文件没有被加密,无需解密!", "出错提示", MB_OK | MB_ICONWARNING},
        {"destination chooser, .TQ is not .tq", "C:\\docs\\a.TQ", "C:\\x", IDC_DEC_CHOOSE_DEST,
         "该文件没有被加密,无需解密!", "出错提示", MB_OK | MB_ICONWARNING},
        {"decrypt, no source", "", "C:\\x", IDOK, "不能解密文件,您没有选择待解密的文件!", "出错提示",
         MB_OK | MB_ICONERROR},
        {"decrypt, neither", "", "", IDOK, "不能解密文件,您没有选择待解密的文件!", "出错提示", MB_OK | MB_ICONERROR},
        {"decrypt, no destination", "C:\\docs\\a.tq", "", IDOK, "不能解密文件,您没有选择解密后明文保存路径!",
         "出错提示", MB_OK | MB_ICONERROR},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        prompts.choosers.clear();
        HWND hWnd = OpenWith(c.source, c.dest);
        ASSERT_NE(nullptr, hWnd);
        // With both paths set the start tried to fill the box from a file that is not there.
        EXPECT_EQ(c.source.empty() || c.dest.empty() ? 0u : 1u, prompts.messages.size());
        prompts.messages.clear();
        Click(hWnd, c.button);
        ASSERT_EQ(1u, prompts.messages.size());
        ExpectMessage(0, c.text, c.caption, c.type, hWnd);
        EXPECT_TRUE(prompts.choosers.empty());
        EXPECT_TRUE(::IsWindow(hWnd));
        EXPECT_EQ(c.dest, Dialog(hWnd)->m_strDestPath);
        ::DestroyWindow(hWnd);
    }
}

TEST_F(DecryptDialog, TheDestinationRulesStepOverDoubleByteCharacters)
{
    // 乗 and 乹 carry '\' and 'q' as trail bytes; "C:\a.tq\quiz.txt" has its last "q" in the
    // directory, so the default destination is shorter than the directory part.
    struct
    {
        const char* name;
        std::string source;
        std::string dest;
        std::string initial;
    } cases[] = {
        {"double-byte name", "C:\\报告乗乹\\计划乗乹.doc.tq", "C:\\报告乗乹\\计划乗乹.doc", "计划乗乹.doc"},
        {"last q in the name", "C:\\a.tq\\quiz.txt", "C:\\a.t", ""},
        {"last q in the folder", "C:\\old.tq\\notes.txt", "C:\\old", ""},
    };
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        prompts.choosers.clear();
        prompts.messages.clear();
        HWND hWnd = OpenWith(c.source, "C:\\other");
        ASSERT_NE(nullptr, hWnd);
        prompts.messages.clear();  // the box could not be filled from a missing file
        Click(hWnd, IDC_DEC_CHOOSE_DEST);
        ASSERT_EQ(1u, prompts.choosers.size());
        EXPECT_EQ(c.initial, prompts.choosers[0].initialFile);
        EXPECT_EQ(c.dest, Dialog(hWnd)->m_strDestPath);
        ::DestroyWindow(hWnd);
    }
    EXPECT_EQ("C:\\报告乗乹\\计划乗乹.doc", CDiaDenrylg::DefaultDestination("C:\\报告乗乹\\计划乗乹.doc.tq"));
    EXPECT_EQ("", CDiaDenrylg::DefaultDestination("C:\\none.txt"));
    EXPECT_EQ("", CDiaDenrylg::DefaultDestination("aq"));
    EXPECT_EQ("C:\\", CDiaDenrylg::DefaultDestination("C:\\abq.txt"));
}

TEST_F(DecryptDialog, AFailedDecryptionShowsTheEnginesTextAndStaysOpen)
{
    Opt keyless = Subject("Keyless", "b");
    keyless.linkPrivateKey = false;
    CTestCertificates::Certificate noKey = certs.Add(keyless);
    CTestCertificates::Certificate gone = certs.Add(Subject("Gone"));
    struct
    {
        const char* name;
        CTestCertificates::Certificate cert;
        bool removeAfterListing;
    } cases[] = {{"private key missing", noKey, false}, {"certificate deleted after listing", gone, true}};
    for (auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        prompts.messages.clear();
        const std::string source = Encrypted(std::string(c.name) + ".tq", c.cert.serial + "&");
        HWND hWnd = Open(source);
        ASSERT_NE(nullptr, hWnd);
        ASSERT_EQ(1u, ComboItems(hWnd, IDC_DEC_CERTS).size());
        if (c.removeAfterListing)
            certs.Remove(c.cert.serial);
        CFileCipher expected;
        ASSERT_NE(0, expected.DecryptFile(source.c_str(), (dir / "probe").c_str(), c.cert.serial.c_str()));

        Click(hWnd, IDOK);
        ASSERT_EQ(1u, prompts.messages.size());
        ExpectMessage(0, expected.Message(), "错误提示", MB_OK | MB_ICONINFORMATION, hWnd);
        EXPECT_FALSE(prompts.messages[0].text.empty());
        EXPECT_TRUE(::IsWindowVisible(hWnd));
        EXPECT_FALSE(CTestFolder::Exists(dir / c.name));
        Click(hWnd, IDCANCEL);
        EXPECT_FALSE(::IsWindow(hWnd));
        EXPECT_EQ(1u, prompts.messages.size()) << "Cancel shows nothing";
    }
}

TEST_F(DecryptDialog, ViewHandsTheChosenCertificateToTheViewerAndNamesWithParenthesesStillWork)
{
    std::vector<std::string> commands;
    CCertViewer::Starter previous =
        CCertViewer::InstallStarter([&](const char* commandLine, UINT) { commands.push_back(commandLine); });
    CTestCertificates::Certificate dept = certs.Add(Subject("张三(研发部)"));
    const std::string source = Encrypted("dept.txt.tq", dept.serial + "&", "dept");
    HWND hWnd = Open(source);
    ASSERT_NE(nullptr, hWnd);
    ASSERT_EQ(std::vector<std::string>({"张三(研发部)(" + dept.serial + ")"}), ComboItems(hWnd, IDC_DEC_CERTS));

    Click(hWnd, IDC_DEC_VIEW);
    ASSERT_EQ(1u, commands.size());
    EXPECT_NE(std::string::npos, commands[0].find("sne.cer"));
    EXPECT_EQ("张三(研发部)(" + dept.serial + ")", Dialog(hWnd)->m_strCertItem);
    EXPECT_TRUE(prompts.messages.empty());

    Click(hWnd, IDOK);
    ExpectMessage(0, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, hWnd);
    std::string plain;
    ASSERT_TRUE(CTestFolder::Read(dir / "dept.txt", plain));
    EXPECT_EQ("dept", plain);
    CCertViewer::InstallStarter(previous);

    EXPECT_EQ("0A1B", CDiaDenrylg::SerialOfItem("张三(0A1B)"));
    EXPECT_EQ("0A1B", CDiaDenrylg::SerialOfItem("张三(研发部)(0A1B)"));
    EXPECT_EQ("0A1B", CDiaDenrylg::SerialOfItem("0A1B"));
    EXPECT_EQ("", CDiaDenrylg::SerialOfItem("张三(0A1B"));
}

TEST_F(DecryptDialog, TwoDialogsLiveAtOnceEachHoldingTheModule)
{
    CTestCertificates::Certificate me = certs.Add(Subject("Me"));
    const std::string one = Encrypted("one.tq", me.serial + "&", "one");
    const std::string two = Encrypted("two.tq", me.serial + "&", "two");
    HWND first = Open(one);
    EXPECT_EQ(locksBefore + 1, CModuleLock::Count());
    HWND second = Open(two);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    // Both belong to the shell window from which the commands were picked.
    EXPECT_EQ(shell.Get(), ::GetWindow(first, GW_OWNER));
    EXPECT_EQ(shell.Get(), ::GetWindow(second, GW_OWNER));
    EXPECT_EQ(locksBefore + 2, CModuleLock::Count());

    Click(first, IDCANCEL);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(locksBefore + 1, CModuleLock::Count());
    EXPECT_TRUE(prompts.messages.empty());

    Click(second, IDOK);
    ExpectMessage(0, "解密成功!", "信息提示", MB_OK | MB_ICONINFORMATION, second);
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(locksBefore, CModuleLock::Count());
    EXPECT_TRUE(CTestFolder::Exists(dir / "two"));
    EXPECT_FALSE(CTestFolder::Exists(dir / "one"));
}

TEST_F(DecryptDialog, TheSkinnedCloseEndsTheDialogLikeCancel)
{
    HWND hWnd = OpenWith("C:\\a.tq", "C:\\a");
    ASSERT_NE(nullptr, hWnd);
    prompts.messages.clear();
    EXPECT_EQ(locksBefore + 1, CModuleLock::Count());
    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    uitest::Pump(20);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(locksBefore, CModuleLock::Count());
}
}  // namespace
