// The road Explorer takes: the handler's CLSID from the handler key, the registered server
// created by COM, initialised with the shell's own data object for real files, its menu built
// and a command picked, with what the user then sees read from the screen.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "ComServerFixture.h"

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
