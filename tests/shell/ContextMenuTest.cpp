// The handler as the shell drives it: Initialize with real and hand-built drop lists,
// QueryContextMenu on real menus, GetCommandString in every flag combination, and
// InvokeCommand with what it would open or tell the user.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "CRecordingLauncher.h"
#include "ShellTestSupport.h"
#include "shell/CSimpleExt.h"
#include "support/CRecordingPrompts.h"

namespace
{
// The menu and help texts as GBK bytes: "TQ文件加密", "TQ文件解密".
const std::string kEncryptGbk = "TQ\xCE\xC4\xBC\xFE\xBC\xD3\xC3\xDC";
const std::string kDecryptGbk = "TQ\xCE\xC4\xBC\xFE\xBD\xE2\xC3\xDC";

class ContextMenu : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(936u, GetACP());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_ext = new CSimpleExt();
        m_ext->Inner()->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
        m_ext->Inner()->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    }
    void TearDown() override
    {
        if (init)
            init->Release();
        if (menu)
            menu->Release();
        CoUninitialize();
    }

    HRESULT InitializeWith(IDataObject* data) { return init->Initialize(nullptr, data, nullptr); }
    HRESULT InitializeWithPath(const std::string& path)
    {
        CDropListDataObject data(AnsiDropList({path}));
        return InitializeWith(&data);
    }
    HRESULT Invoke(UINT offset, HWND hwnd = nullptr)
    {
        CMINVOKECOMMANDINFO info = {};
        info.cbSize = sizeof info;
        info.hwnd = hwnd;
        info.lpVerb = MAKEINTRESOURCEA(offset);
        info.nShow = SW_SHOWNORMAL;
        return menu->InvokeCommand(&info);
    }
    const char* File() const { return m_ext->File(); }

    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    CRecordingLauncher launcher;
    CRecordingPrompts prompts;

private:
    CSimpleExt* m_ext = nullptr;
};

struct MenuItem
{
    UINT id;
    UINT type;
    std::string text;
};

std::vector<MenuItem> ReadMenu(HMENU hmenu)
{
    std::vector<MenuItem> items;
    int count = GetMenuItemCount(hmenu);
    for (int i = 0; i < count; ++i)
    {
        char text[64] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(hmenu, static_cast<UINT>(i), TRUE, &info));
        char byString[64] = {};
        GetMenuStringA(hmenu, static_cast<UINT>(i), byString, sizeof byString, MF_BYPOSITION);
        EXPECT_STREQ(text, byString);
        items.push_back({info.wID, info.fType, text});
    }
    return items;
}

// --- Initialize

TEST_F(ContextMenu, InitializeKeepsTheGbkPathOfAFileFromTheShellsDataObject)
{
    // 乗 and 乹 carry '\' and 'q' as trail bytes.
    CTempFolder folder(L"zoz乗乹");
    std::wstring file = folder.AddFile(L"报告乗乹.doc.tq");
    IDataObject* data = ShellDataObject({file});
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(S_OK, InitializeWith(data));
    data->Release();
    EXPECT_EQ(Gbk(file), File());

    ASSERT_EQ(S_OK, Invoke(1));
    ASSERT_EQ(1u, launcher.opened.size());
    EXPECT_FALSE(launcher.opened[0].encrypt);
    EXPECT_EQ(Gbk(file), launcher.opened[0].source);
    EXPECT_EQ(Gbk(folder.Path() + L"\\报告乗乹.doc"), launcher.opened[0].dest);
}

TEST_F(ContextMenu, WithThreeFilesSelectedBothItemsAppearAndTheCommandsUseTheFirst)
{
    CTempFolder folder(L"zoz三");
    std::wstring first = folder.AddFile(L"第一.txt.tq");
    std::wstring second = folder.AddFile(L"b.txt");
    std::wstring third = folder.AddFile(L"c.txt");
    IDataObject* data = ShellDataObject({first, second, third});
    ASSERT_NE(nullptr, data);
    ASSERT_EQ(S_OK, InitializeWith(data));
    data->Release();

    HMENU hmenu = CreatePopupMenu();
    EXPECT_EQ(2, HRESULT_CODE(menu->QueryContextMenu(hmenu, 0, 1, 100, CMF_NORMAL)));
    EXPECT_EQ(2, GetMenuItemCount(hmenu));
    DestroyMenu(hmenu);

    ASSERT_EQ(S_OK, Invoke(0));
    ASSERT_EQ(S_OK, Invoke(1));
    ASSERT_EQ(2u, launcher.opened.size());
    EXPECT_EQ(Gbk(first), launcher.opened[0].source);
    EXPECT_EQ(Gbk(first) + ".tq", launcher.opened[0].dest);
    EXPECT_EQ(Gbk(first), launcher.opened[1].source);
    EXPECT_EQ(Gbk(folder.Path() + L"\\第一.txt"), launcher.opened[1].dest);
}

TEST_F(ContextMenu, InitializeTakesTheFirstOfAHandBuiltListAndEachCallReplacesThePath)
{
    ASSERT_EQ(S_OK, InitializeWithPath("C:\\first.txt"));
    EXPECT_STREQ("C:\\first.txt", File());
    CDropListDataObject three(AnsiDropList({"C:\\a\\一.txt", "C:\\b.txt", "C:\\c.txt"}));
    ASSERT_EQ(S_OK, InitializeWith(&three));
    EXPECT_STREQ("C:\\a\\一.txt", File());
    CDropListDataObject wide(WideDropList({L"C:\\宽\\乹.tq"}));
    ASSERT_EQ(S_OK, InitializeWith(&wide));
    EXPECT_STREQ("C:\\宽\\乹.tq", File());
}

TEST_F(ContextMenu, APathLongerThan259BytesReachesTheDialogsCutTo259)
{
    std::string path = "C:\\" + std::string(290, 'x') + ".txt.tq";
    ASSERT_GT(path.size(), 259u);
    ASSERT_EQ(S_OK, InitializeWithPath(path));
    ASSERT_EQ(S_OK, Invoke(0));
    ASSERT_EQ(1u, launcher.opened.size());
    EXPECT_EQ(path.substr(0, 259), launcher.opened[0].source);
    EXPECT_EQ(path.substr(0, 259) + ".tq", launcher.opened[0].dest);
}

TEST_F(ContextMenu, ALongPathIsNeverCutInsideADoubleByteCharacter)
{
    // 258 single bytes, then 乹: the cut at 259 bytes would leave its lead byte alone.
    std::string ansi = "C:\\" + std::string(255, 'x') + "乹.tq";
    ASSERT_EQ(S_OK, InitializeWithPath(ansi));
    EXPECT_EQ(ansi.substr(0, 258), File());

    // A wide list whose GBK form is far longer than the buffer: the conversion fills the buffer
    // and the cut again falls between the two bytes of a character.
    std::wstring wide = L"C:\\a";
    for (int i = 0; i < 200; ++i)
        wide += L"报";
    CDropListDataObject data(WideDropList({wide + L".tq"}));
    ASSERT_EQ(S_OK, InitializeWith(&data));
    EXPECT_EQ(Gbk(wide).substr(0, 258), File());
}

TEST_F(ContextMenu, InitializeFailsWithoutAUsableDropList)
{
    // The fixture's discarded memory really cannot be locked.
    HGLOBAL probe = GlobalReAlloc(GlobalAlloc(GMEM_MOVEABLE, 16), 0, GMEM_MOVEABLE);
    ASSERT_NE(nullptr, probe);
    EXPECT_EQ(nullptr, GlobalLock(probe));
    GlobalFree(probe);

    CDropListDataObject failing(AnsiDropList({"C:\\a.txt"}), CDropListDataObject::Mode::FailGetData);
    CDropListDataObject discarded(AnsiDropList({"C:\\a.txt"}), CDropListDataObject::Mode::Discarded);
    CDropListDataObject empty(AnsiDropList({}));
    CDropListDataObject emptyName(AnsiDropList({""}));
    struct Case
    {
        const char* what;
        IDataObject* data;
    } cases[] = {
        {"GetData fails", &failing}, {"memory cannot be locked", &discarded}, {"no file", &empty},
        {"first path is empty", &emptyName}, {"no data object", nullptr},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(E_INVALIDARG, InitializeWith(c.data)) << c.what;
        EXPECT_STREQ("", File()) << c.what;
    }
    EXPECT_EQ(1, failing.getDataCalls);
    EXPECT_EQ(1, discarded.getDataCalls);
}

// --- QueryContextMenu

TEST_F(ContextMenu, InsertsDecryptAboveEncryptAtTheGivenPosition)
{
    HMENU hmenu = CreatePopupMenu();
    AppendMenuA(hmenu, MF_STRING, 7, "open");
    AppendMenuA(hmenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hmenu, MF_STRING, 9, "properties");

    HRESULT hr = menu->QueryContextMenu(hmenu, 1, 300, 400, CMF_NORMAL | CMF_EXPLORE);
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 2), hr);

    std::vector<MenuItem> items = ReadMenu(hmenu);
    ASSERT_EQ(5u, items.size());
    EXPECT_EQ(7u, items[0].id);
    EXPECT_EQ("open", items[0].text);
    EXPECT_EQ(301u, items[1].id);
    EXPECT_EQ(kDecryptGbk, items[1].text);
    EXPECT_EQ(UINT(MFT_STRING), items[1].type);
    EXPECT_EQ(300u, items[2].id);
    EXPECT_EQ(kEncryptGbk, items[2].text);
    EXPECT_EQ(UINT(MFT_STRING), items[2].type);
    EXPECT_EQ(UINT(MFT_SEPARATOR), items[3].type);
    EXPECT_EQ(9u, items[4].id);
    DestroyMenu(hmenu);
}

TEST_F(ContextMenu, AnEmptyMenuGetsBothItemsAndTheLastIdIsNotExamined)
{
    HMENU hmenu = CreatePopupMenu();
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 2), menu->QueryContextMenu(hmenu, 0, 1, 1, 0));
    std::vector<MenuItem> items = ReadMenu(hmenu);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(2u, items[0].id);
    EXPECT_EQ(kDecryptGbk, items[0].text);
    EXPECT_EQ(1u, items[1].id);
    EXPECT_EQ(kEncryptGbk, items[1].text);
    DestroyMenu(hmenu);
}

TEST_F(ContextMenu, ADefaultOnlyMenuGetsNothing)
{
    for (UINT flags : {UINT(CMF_DEFAULTONLY), UINT(CMF_DEFAULTONLY | CMF_EXPLORE)})
    {
        HMENU hmenu = CreatePopupMenu();
        AppendMenuA(hmenu, MF_STRING, 7, "open");
        HRESULT hr = menu->QueryContextMenu(hmenu, 0, 100, 200, flags);
        EXPECT_EQ(S_OK, hr);
        EXPECT_EQ(0, HRESULT_CODE(hr));
        EXPECT_EQ(1, GetMenuItemCount(hmenu));
        DestroyMenu(hmenu);
    }
}

TEST_F(ContextMenu, AMenuThatCannotTakeItemsIsAFailureNotACount)
{
    HMENU hmenu = CreatePopupMenu();
    DestroyMenu(hmenu);
    EXPECT_TRUE(FAILED(menu->QueryContextMenu(hmenu, 0, 100, 200, CMF_NORMAL)));
}

// --- GetCommandString

TEST_F(ContextMenu, CommandStringsAnswerOnlyHelpTextForTheTwoOffsets)
{
    const char untouched = 'Z';
    struct Case
    {
        UINT type;
        UINT_PTR offset;
        HRESULT hr;
        std::string narrow;   // expected help text (GCS_HELPTEXTA)
        std::wstring wide;    // expected help text (GCS_HELPTEXTW)
    } cases[] = {
        {GCS_VERBA, 0, S_OK, {}, {}},        {GCS_VERBA, 1, S_OK, {}, {}},     {GCS_VERBA, 2, S_OK, {}, {}},
        {GCS_VERBW, 0, S_OK, {}, {}},        {GCS_VERBW, 2, S_OK, {}, {}},     {GCS_VALIDATEA, 0, S_OK, {}, {}},
        {GCS_VALIDATEA, 2, S_OK, {}, {}},    {GCS_VALIDATEW, 1, S_OK, {}, {}}, {GCS_VALIDATEW, 2, S_OK, {}, {}},
        {GCS_HELPTEXTA, 0, S_OK, kEncryptGbk, {}},
        {GCS_HELPTEXTA, 1, S_OK, kDecryptGbk, {}},
        {GCS_HELPTEXTA, 2, E_INVALIDARG, {}, {}},
        {GCS_HELPTEXTW, 0, S_OK, {}, L"TQ文件加密"},
        {GCS_HELPTEXTW, 1, S_OK, {}, L"TQ文件解密"},
        {GCS_HELPTEXTW, 2, E_INVALIDARG, {}, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " offset " << c.offset);
        char buffer[128];
        memset(buffer, untouched, sizeof buffer);
        UINT cch = (c.type & GCS_UNICODE) ? sizeof buffer / sizeof(WCHAR) : sizeof buffer;
        EXPECT_EQ(c.hr, menu->GetCommandString(c.offset, c.type, nullptr, buffer, cch));
        if (!c.narrow.empty())
            EXPECT_EQ(c.narrow, std::string(buffer));
        else if (!c.wide.empty())
            EXPECT_EQ(c.wide, std::wstring(reinterpret_cast<const wchar_t*>(buffer)));
        else
            EXPECT_EQ(std::string(sizeof buffer, untouched), std::string(buffer, sizeof buffer));
    }
}

TEST_F(ContextMenu, AShortBufferGetsTheHelpTextCutWithATerminator)
{
    // Wide: cchMax - 1 characters and the terminator, nothing written beyond.
    WCHAR wide[8];
    wmemset(wide, L'Z', 8);
    EXPECT_EQ(S_OK, menu->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(wide), 4));
    EXPECT_EQ(std::wstring(L"TQ文"), std::wstring(wide));
    EXPECT_EQ(L'Z', wide[4]);

    // Narrow: cchMax - 1 bytes, one fewer where the cut would split a character.
    struct Case
    {
        UINT cch;
        std::string text;
    } cases[] = {{1, ""}, {3, "TQ"}, {4, "TQ"}, {5, kEncryptGbk.substr(0, 4)}, {10, kEncryptGbk.substr(0, 8)},
                 {11, kEncryptGbk}};
    for (const Case& c : cases)
    {
        char narrow[16];
        memset(narrow, 'Z', sizeof narrow);
        EXPECT_EQ(S_OK, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, narrow, c.cch)) << c.cch;
        EXPECT_EQ(c.text, std::string(narrow)) << c.cch;
        EXPECT_EQ('Z', narrow[c.cch]) << c.cch;
    }
    char none = 'Z';
    EXPECT_EQ(E_INVALIDARG, menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, &none, 0));
    EXPECT_EQ('Z', none);
}

// --- InvokeCommand

TEST_F(ContextMenu, VerbStringsAndUnknownOffsetsAreRefused)
{
    ASSERT_EQ(S_OK, InitializeWithPath("C:\\docs\\a.txt.tq"));
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = "open";
    EXPECT_EQ(E_INVALIDARG, menu->InvokeCommand(&info));
    EXPECT_EQ(E_INVALIDARG, Invoke(2));
    EXPECT_EQ(E_INVALIDARG, Invoke(0xFFFF));
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ContextMenu, EncryptOpensTheEncryptionDialogWithTheExtensionAppended)
{
    HWND invoking = GetDesktopWindow();
    struct Case
    {
        const char* path;
        const char* dest;
    } cases[] = {
        {"C:\\docs\\a.txt", "C:\\docs\\a.txt.tq"},
        {"C:\\docs\\a.txt.tq", "C:\\docs\\a.txt.tq.tq"},
        {"C:\\乗乹\\报告", "C:\\乗乹\\报告.tq"},
    };
    for (const Case& c : cases)
    {
        launcher.opened.clear();
        ASSERT_EQ(S_OK, InitializeWithPath(c.path));
        EXPECT_EQ(S_OK, Invoke(0, invoking));
        ASSERT_EQ(1u, launcher.opened.size()) << c.path;
        EXPECT_TRUE(launcher.opened[0].encrypt);
        EXPECT_EQ(c.path, launcher.opened[0].source);
        EXPECT_EQ(c.dest, launcher.opened[0].dest);
        EXPECT_EQ(invoking, launcher.opened[0].invokingWindow);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ContextMenu, DecryptOpensTheDecryptionDialogOrSaysTheFileIsNotEncrypted)
{
    struct Case
    {
        const char* path;
        const char* dest;  // nullptr: the not-encrypted message instead of a dialog
    } cases[] = {
        {"C:\\docs\\report.doc.tq", "C:\\docs\\report.doc"},
        {"C:\\docs\\REPORT.TQ", nullptr},
        {"C:\\docs\\report.doc", nullptr},
        {"C:\\old.tq\\notes.txt", "C:\\old"},
        {"C:\\a.tq\\quiz.txt", "C:\\a.t"},
        {"C:\\a.tq\\乹.txt", "C:\\a"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        launcher.opened.clear();
        prompts.messages.clear();
        ASSERT_EQ(S_OK, InitializeWithPath(c.path));
        EXPECT_EQ(S_OK, Invoke(1, GetDesktopWindow()));
        if (c.dest)
        {
            ASSERT_EQ(1u, launcher.opened.size());
            EXPECT_FALSE(launcher.opened[0].encrypt);
            EXPECT_EQ(c.path, launcher.opened[0].source);
            EXPECT_EQ(c.dest, launcher.opened[0].dest);
            EXPECT_TRUE(prompts.messages.empty());
        }
        else
        {
            EXPECT_TRUE(launcher.opened.empty());
            ASSERT_EQ(1u, prompts.messages.size());
            EXPECT_EQ(nullptr, prompts.messages[0].owner);
            EXPECT_EQ("该文件没有被加密,无需解密", prompts.messages[0].text);
            EXPECT_EQ("信息提示", prompts.messages[0].caption);
            EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), prompts.messages[0].type);
        }
    }
}

TEST_F(ContextMenu, PickingACommandTwiceOpensTwoDialogs)
{
    ASSERT_EQ(S_OK, InitializeWithPath("C:\\docs\\report.doc.tq"));
    for (UINT offset : {0u, 0u, 1u, 1u})
        EXPECT_EQ(S_OK, Invoke(offset));
    ASSERT_EQ(4u, launcher.opened.size());
    EXPECT_TRUE(launcher.opened[0].encrypt && launcher.opened[1].encrypt);
    EXPECT_FALSE(launcher.opened[2].encrypt || launcher.opened[3].encrypt);
}

TEST_F(ContextMenu, ADialogThatCannotStartIsReportedAndTheCommandStillSucceeds)
{
    HWND invoking = GetDesktopWindow();
    ASSERT_EQ(S_OK, InitializeWithPath("C:\\docs\\report.doc.tq"));
    struct Case
    {
        bool raise;
        HRESULT answer;
    } failures[] = {{true, S_OK}, {false, E_OUTOFMEMORY}};
    for (const Case& f : failures)
    {
        launcher.raise = f.raise;
        launcher.answer = f.answer;
        prompts.messages.clear();
        EXPECT_EQ(S_OK, Invoke(0, invoking));
        EXPECT_EQ(S_OK, Invoke(1, invoking));
        ASSERT_EQ(2u, prompts.messages.size());
        EXPECT_EQ(invoking, prompts.messages[0].owner);
        EXPECT_EQ("加密产生异常!", prompts.messages[0].text);
        EXPECT_EQ("出错提示", prompts.messages[0].caption);
        EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), prompts.messages[0].type);
        EXPECT_EQ(invoking, prompts.messages[1].owner);
        EXPECT_EQ("解密产生异常!", prompts.messages[1].text);
        EXPECT_EQ("出错提示", prompts.messages[1].caption);
        EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), prompts.messages[1].type);
    }
}
}
