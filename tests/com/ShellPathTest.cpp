// The road Explorer takes: the handler's CLSID from the handler key, the registered server
// created by COM, initialised with the shell's own data object for real files, its menu built
// and a command picked, with what the user then sees read from the screen. The module in this
// process is the DLL that COM loaded, not the code linked into the test: it answers to no test
// seam, so everything is read off its windows.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "ComServerFixture.h"
#include "engine/CTqHead.h"
#include "res/resource.h"

using namespace zoztest;

namespace
{
class CApartment
{
public:
    CApartment() { m_hr = OleInitialize(nullptr); }
    ~CApartment()
    {
        if (SUCCEEDED(m_hr))
            OleUninitialize();
    }

private:
    HRESULT m_hr;
};

// The shell's data object for files of one folder, as Explorer hands it to a handler.
IDataObject* ShellDataObject(const std::vector<std::wstring>& files)
{
    std::vector<PIDLIST_ABSOLUTE> absolute;
    std::vector<PCUITEMID_CHILD> children;
    IShellFolder* folder = nullptr;
    for (const auto& file : files)
    {
        PIDLIST_ABSOLUTE pidl = nullptr;
        EXPECT_EQ(S_OK, SHParseDisplayName(file.c_str(), nullptr, &pidl, 0, nullptr)) << Narrow(file);
        if (!pidl)
            break;
        absolute.push_back(pidl);
        PCUITEMID_CHILD child = nullptr;
        if (folder)
            folder->Release();
        folder = nullptr;
        EXPECT_EQ(S_OK, SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child));
        children.push_back(child);
    }
    IDataObject* data = nullptr;
    if (folder && children.size() == files.size())
    {
        EXPECT_EQ(S_OK, folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                              IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)));
    }
    if (folder)
        folder->Release();
    for (auto pidl : absolute)
        CoTaskMemFree(pidl);
    return data;
}

// Waits on another thread for a message box with the caption, reads its text, presses OK.
class CMessageBoxWatch
{
public:
    explicit CMessageBoxWatch(const wchar_t* caption)
        : m_thread([this, caption] {
              for (int i = 0; i < 400 && !m_stop; ++i)
              {
                  HWND box = FindWindowW(L"#32770", caption);
                  if (box)
                  {
                      wchar_t buffer[256] = {};
                      GetDlgItemTextW(box, 0xFFFF, buffer, 256);
                      m_text = buffer;
                      m_seen = true;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                      return;
                  }
                  Sleep(25);
              }
          })
    {
    }
    ~CMessageBoxWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    std::wstring Wait()
    {
        m_thread.join();
        m_thread = std::thread([] {});
        return m_seen ? m_text : L"<no message box>";
    }

private:
    std::atomic<bool> m_stop{false};
    bool m_seen = false;
    std::wstring m_text;
    std::thread m_thread;
};

std::wstring MakeFile(const std::wstring& path)
{
    std::ofstream(Narrow(path), std::ios::binary) << "content";
    return path;
}

CMINVOKECOMMANDINFO Command(UINT offset)
{
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return info;
}

class CStringOutput : public ITqOutput
{
public:
    std::string bytes;
    bool Write(const void* data, size_t n) override
    {
        bytes.append(static_cast<const char*>(data), n);
        return true;
    }
};

// An encrypted file as far as its head goes: one recipient nobody here holds, one key record,
// some content. Enough for the decryption dialog to read its list and open.
std::wstring MakeEncryptedFile(const std::wstring& path)
{
    CStringOutput out;
    const unsigned char blob[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    CTqHead::WriteList(out, "00A1B2C3D4&");
    CTqHead::WriteKeyRecord(out, blob, sizeof blob);
    out.bytes.append(16, 'Z');
    std::ofstream(Narrow(path), std::ios::binary) << out.bytes;
    return path;
}

// The top-level windows of this process, with their captions and window classes.
struct CTopWindow
{
    HWND hWnd;
    std::wstring caption;
    std::wstring windowClass;
};

BOOL CALLBACK CollectTopWindow(HWND hWnd, LPARAM param)
{
    DWORD process = 0;
    GetWindowThreadProcessId(hWnd, &process);
    if (process == GetCurrentProcessId())
    {
        wchar_t caption[128] = {}, windowClass[64] = {};
        GetWindowTextW(hWnd, caption, 128);
        GetClassNameW(hWnd, windowClass, 64);
        reinterpret_cast<std::vector<CTopWindow>*>(param)->push_back({hWnd, caption, windowClass});
    }
    return TRUE;
}

std::vector<CTopWindow> TopWindows()
{
    std::vector<CTopWindow> windows;
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::set<HWND> WindowsCaptioned(const std::wstring& caption)
{
    std::set<HWND> found;
    for (const CTopWindow& w : TopWindows())
        if (w.caption == caption)
            found.insert(w.hWnd);
    return found;
}

// Runs this thread's messages, as the shell's loop would between its own work, until `done`
// holds or the time is up.
template <class Done>
bool PumpUntil(Done done, DWORD milliseconds = 3000)
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (GetTickCount() - start > milliseconds)
            return false;
        Sleep(10);
    }
}

void Pump(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The captions of the module's message boxes; its dialogs are of the same window class.
bool IsMessageBoxCaption(const std::wstring& caption)
{
    for (const wchar_t* c : {L"出错提示", L"错误提示", L"信息提示", L"提示信息", L"出错信息"})
        if (caption == c)
            return true;
    return false;
}

// A message box the module should not have shown would block the command for ever: another
// thread answers every box of this process and keeps what it said, for the test to report.
class CStrayMessageBoxes
{
public:
    CStrayMessageBoxes()
        : m_thread([this] {
              while (!m_stop)
              {
                  for (const CTopWindow& w : TopWindows())
                  {
                      if (w.windowClass != L"#32770" || !IsMessageBoxCaption(w.caption))
                          continue;
                      wchar_t text[256] = {};
                      GetDlgItemTextW(w.hWnd, 0xFFFF, text, 256);
                      {
                          std::lock_guard<std::mutex> lock(m_mutex);
                          m_seen.push_back(w.caption + L": " + text);
                      }
                      // OK, No or Cancel, whichever the box has.
                      for (int id : {IDOK, IDNO, IDCANCEL})
                          if (GetDlgItem(w.hWnd, id))
                          {
                              PostMessageW(w.hWnd, WM_COMMAND, id, 0);
                              break;
                          }
                  }
                  Sleep(50);
              }
          })
    {
    }
    ~CStrayMessageBoxes()
    {
        m_stop = true;
        m_thread.join();
    }
    std::string Report()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::wstring all;
        for (const auto& s : m_seen)
            all += s + L"\n";
        return Narrow(all);
    }

private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::wstring> m_seen;
    std::thread m_thread;
};

// Ends, at the close of a case, whatever dialog the module still shows, so that COM never
// unloads it under a live window.
class CDialogSweep
{
public:
    ~CDialogSweep()
    {
        for (const wchar_t* caption : {L"加密文件", L"解密文件", L"设置默认数字证书"})
            for (HWND hWnd : WindowsCaptioned(caption))
                DestroyWindow(hWnd);
        Pump(200);
    }
};

// A visible top-level window standing in for Explorer's, active when a command is picked as
// Explorer's window is, so that it becomes the owner of what the command opens.
class CShellWindow
{
public:
    CShellWindow()
        : m_hWnd(CreateWindowExW(0, L"STATIC", L"shell", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                                 nullptr, nullptr, nullptr))
    {
        Pump(20);
    }
    ~CShellWindow()
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }
    CShellWindow(const CShellWindow&) = delete;
    CShellWindow& operator=(const CShellWindow&) = delete;
    HWND Get() const { return m_hWnd; }
    void Activate() const
    {
        SetForegroundWindow(m_hWnd);
        SetActiveWindow(m_hWnd);
        Pump(20);
    }

private:
    HWND m_hWnd;
};

// One context menu of the registered handler, as Explorer builds it for one selection.
class CShellMenu
{
public:
    CShellMenu(REFCLSID clsid, const std::wstring& file)
    {
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                         reinterpret_cast<void**>(&m_init)));
        if (!m_init)
            return;
        EXPECT_EQ(S_OK, m_init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&m_menu)));
        IDataObject* data = ShellDataObject({file});
        EXPECT_NE(nullptr, data);
        if (data)
        {
            EXPECT_EQ(S_OK, m_init->Initialize(nullptr, data, nullptr));
            data->Release();
        }
        m_popup = CreatePopupMenu();
        if (m_menu)
        {
            EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2),
                      m_menu->QueryContextMenu(m_popup, 0, kFirstId, 0x7FFF, CMF_NORMAL));
        }
    }
    ~CShellMenu()
    {
        Release();
        if (m_popup)
            DestroyMenu(m_popup);
    }
    CShellMenu(const CShellMenu&) = delete;
    CShellMenu& operator=(const CShellMenu&) = delete;

    // Picks the item with this text from the shell window's menu, by its offset from the first
    // id, as Explorer does.
    HRESULT Pick(const std::wstring& text, const CShellWindow& shell)
    {
        shell.Activate();
        for (int i = 0; i < GetMenuItemCount(m_popup); ++i)
        {
            wchar_t item[64] = {};
            GetMenuStringW(m_popup, static_cast<UINT>(i), item, 64, MF_BYPOSITION);
            if (text == item && m_menu)
            {
                CMINVOKECOMMANDINFO info = Command(GetMenuItemID(m_popup, i) - kFirstId);
                info.hwnd = shell.Get();
                return m_menu->InvokeCommand(&info);
            }
        }
        ADD_FAILURE() << "no menu item " << Narrow(text);
        return E_FAIL;
    }

    // What Explorer does once the menu is done: lets go of the handler.
    void Release()
    {
        if (m_menu)
            m_menu->Release();
        if (m_init)
            m_init->Release();
        m_menu = nullptr;
        m_init = nullptr;
    }

private:
    static constexpr UINT kFirstId = 100;
    IShellExtInit* m_init = nullptr;
    IContextMenu* m_menu = nullptr;
    HMENU m_popup = nullptr;
};
}

TEST_F(RegistrationTest, ShellPathInitialisesFromTheShellsDataObjectAndActsOnTheFirstFile)
{
    const std::wstring dll = m_copies.Copy(L"shell");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    CApartment apartment;
    const std::wstring dir = m_copies.Root() + L"\\shell";
    const std::vector<std::wstring> files = {MakeFile(dir + L"\\报告 一.txt"), MakeFile(dir + L"\\b.txt.tq"),
                                             MakeFile(dir + L"\\c.txt")};

    std::wstring text;
    ASSERT_TRUE(ReadText(L"*\\ShellEx\\ContextMenuHandlers\\SimpleExt", nullptr, text));
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(text.c_str(), &clsid));
    IShellExtInit* init = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                     reinterpret_cast<void**>(&init)));
    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));

    // Three files selected: the first one (not encrypted) is the one the commands act on.
    IDataObject* data = ShellDataObject(files);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(S_OK, init->Initialize(nullptr, data, nullptr));
    data->Release();

    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2), menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL));
    EXPECT_EQ(2, GetMenuItemCount(popup));
    DestroyMenu(popup);
    wchar_t help[64] = {};
    EXPECT_EQ(S_OK, menu->GetCommandString(1, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(help), 64));
    EXPECT_EQ(std::wstring(L"TQ文件解密"), help);

    {
        CMessageBoxWatch watch(L"信息提示");
        CMINVOKECOMMANDINFO decrypt = Command(1);
        EXPECT_EQ(S_OK, menu->InvokeCommand(&decrypt));
        EXPECT_EQ(L"该文件没有被加密,无需解密", watch.Wait());
    }

    menu->Release();
    init->Release();
    for (const auto& f : files)
        DeleteFileW(f.c_str());
}

// Both commands open their dialogs from the module COM loaded, on this thread, with the paths
// filled in; the module stays loaded while either dialog lives, after the shell has let go of
// the handlers, and COM may unload it once both have ended.
TEST_F(RegistrationTest, ShellPathOpensBothDialogsOfTheLoadedModuleAndUnloadsOnlyAfterTheyEnd)
{
    const std::wstring dll = m_copies.Copy(L"dialogs");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    CApartment apartment;
    CStrayMessageBoxes strayBoxes;
    const std::wstring dir = m_copies.Root() + L"\\dialogs";
    const std::wstring plain = MakeFile(dir + L"\\报告 一.txt");
    const std::wstring encrypted = MakeEncryptedFile(dir + L"\\报告 二.doc.tq");

    std::wstring text;
    ASSERT_TRUE(ReadText(L"*\\ShellEx\\ContextMenuHandlers\\SimpleExt", nullptr, text));
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(text.c_str(), &clsid));
    ASSERT_EQ(nullptr, GetModuleHandleW(dll.c_str())) << "loaded before COM was asked";
    {
        CShellWindow shell;
        CDialogSweep sweep;

        CShellMenu encryptMenu(clsid, plain);
        const HMODULE module = GetModuleHandleW(dll.c_str());
        ASSERT_NE(nullptr, module) << "COM did not load the registered DLL";
        auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        ASSERT_NE(nullptr, canUnloadNow);

        EXPECT_EQ(S_OK, encryptMenu.Pick(L"TQ文件加密", shell));
        const std::set<HWND> encryptDialogs = WindowsCaptioned(L"加密文件");
        ASSERT_EQ(1u, encryptDialogs.size()) << strayBoxes.Report();
        const HWND encryptDialog = *encryptDialogs.begin();
        EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(encryptDialog, nullptr));
        EXPECT_EQ(shell.Get(), GetWindow(encryptDialog, GW_OWNER));
        EXPECT_TRUE(IsWindowVisible(encryptDialog));
        EXPECT_EQ(Narrow(plain), ItemText(encryptDialog, IDC_ENC_SOURCE));
        EXPECT_EQ(Narrow(plain) + ".tq", ItemText(encryptDialog, IDC_ENC_DEST));

        CShellMenu decryptMenu(clsid, encrypted);
        EXPECT_EQ(S_OK, decryptMenu.Pick(L"TQ文件解密", shell));
        const std::set<HWND> decryptDialogs = WindowsCaptioned(L"解密文件");
        ASSERT_EQ(1u, decryptDialogs.size()) << strayBoxes.Report();
        const HWND decryptDialog = *decryptDialogs.begin();
        EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(decryptDialog, nullptr));
        EXPECT_EQ(shell.Get(), GetWindow(decryptDialog, GW_OWNER));
        EXPECT_TRUE(IsWindowVisible(decryptDialog));
        EXPECT_EQ(Narrow(encrypted), ItemText(decryptDialog, IDC_DEC_SOURCE));
        EXPECT_EQ(Narrow(dir + L"\\报告 二.doc"), ItemText(decryptDialog, IDC_DEC_DEST));
        EXPECT_TRUE(IsWindow(encryptDialog)) << "the second dialog ended the first";

        // The shell is done with both menus; the dialogs live on.
        encryptMenu.Release();
        decryptMenu.Release();
        Pump(200);
        EXPECT_EQ(S_FALSE, canUnloadNow());
        CoFreeUnusedLibrariesEx(0, 0);
        CoFreeUnusedLibrariesEx(0, 0);
        ASSERT_EQ(module, GetModuleHandleW(dll.c_str())) << "unloaded under its open dialogs";
        Pump(200);
        EXPECT_TRUE(IsWindow(encryptDialog));
        EXPECT_TRUE(IsWindow(decryptDialog));

        // Cancel ends the encryption dialog; the decryption dialog still holds the module.
        PostMessageW(encryptDialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(encryptDialog); })) << "encryption dialog still open";
        EXPECT_TRUE(WindowsCaptioned(L"加密文件").empty());
        EXPECT_TRUE(IsWindow(decryptDialog));
        EXPECT_EQ(S_FALSE, canUnloadNow());

        // Closing from the frame ends the decryption dialog; nothing holds the module now.
        PostMessageW(decryptDialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(decryptDialog); })) << "decryption dialog still open";
        EXPECT_TRUE(WindowsCaptioned(L"解密文件").empty());
        EXPECT_EQ(S_OK, canUnloadNow());
    }
    CoFreeUnusedLibrariesEx(0, 0);
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(nullptr, GetModuleHandleW(dll.c_str())) << "COM kept the module after everything ended";
    EXPECT_EQ("", strayBoxes.Report());
    DeleteFileW(plain.c_str());
    DeleteFileW(encrypted.c_str());
}
