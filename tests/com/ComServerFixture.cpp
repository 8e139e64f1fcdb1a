#include "ComServerFixture.h"

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>

namespace zoztest
{
const wchar_t kClsid[] = L"{42791A05-C1D7-40E4-BBBC-81C70ED92BBA}";
const wchar_t kLibId[] = L"{B16200A8-F2FC-4A74-81B0-4ED9B7CF61CD}";
const wchar_t kAppId[] = L"{5E2D1B7A-8C43-4F0B-9A6E-2F7C31D4B890}";

std::wstring BuiltDll()
{
    // Wine maps the Unix root to drive Z:.
    std::string unixPath = ZOZ_DLL_PATH;
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

bool IsWow64()
{
    BOOL wow = FALSE;
    return sizeof(void*) == 4 && IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

REGSAM View()
{
    return sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

DWORD Regsvr32(const std::wstring& dll, bool unregister)
{
    wchar_t dir[MAX_PATH] = {};
    if (IsWow64())
        GetSystemWow64DirectoryW(dir, MAX_PATH);
    else
        GetSystemDirectoryW(dir, MAX_PATH);
    std::wstring exe = std::wstring(dir) + L"\\regsvr32.exe";
    std::wstring command = L"\"" + exe + L"\" /s " + (unregister ? L"/u " : L"") + L"\"" + dll + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool KeyExists(const std::wstring& key, REGSAM view)
{
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | (view ? view : View()), &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

bool ReadText(const std::wstring& key, const wchar_t* name, std::wstring& text, REGSAM view)
{
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | (view ? view : View()), &k) != ERROR_SUCCESS)
        return false;
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t), type = 0;
    LONG r = RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    if (r != ERROR_SUCCESS || type != REG_SZ)
        return false;
    text = data;
    return true;
}

static std::vector<std::wstring> Enumerate(const std::wstring& key, bool values)
{
    std::vector<std::wstring> names;
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | View(), &k) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i)
    {
        wchar_t name[512];
        DWORD size = 512;
        LONG r = values ? RegEnumValueW(k, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                        : RegEnumKeyExW(k, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS)
            break;
        names.emplace_back(name);
    }
    RegCloseKey(k);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> Subkeys(const std::wstring& key)
{
    return Enumerate(key, false);
}

std::vector<std::wstring> ValueNames(const std::wstring& key)
{
    return Enumerate(key, true);
}

void PlantKey(const std::wstring& key)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | View(), nullptr, &k, nullptr));
    RegCloseKey(k);
}

void PlantValue(const std::wstring& key, const wchar_t* name, const wchar_t* text)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS | View(), nullptr, &k, nullptr));
    RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

void ScrubRegistration()
{
    const std::wstring keys[] = {
        L"ZoZedivAza.SimpleExt.1",
        L"ZoZedivAza.SimpleExt",
        std::wstring(L"CLSID\\") + kClsid,
        L"*\\ShellEx\\ContextMenuHandlers\\SimpleExt",
        std::wstring(L"AppID\\") + kAppId,
        L"AppID\\ZoZedivAza.DLL",
        std::wstring(L"TypeLib\\") + kLibId,
        L"Interface\\{3372113C-A664-4120-9465-671F61350A1C}",
    };
    for (const auto& key : keys)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS | View(), &k) == ERROR_SUCCESS)
        {
            RegDeleteTreeW(k, nullptr);
            RegCloseKey(k);
            RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), View(), 0);
        }
    }
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

CDllCopies::CDllCopies()
    : m_root(L"C:\\zoz-com-" + std::to_wstring(GetCurrentProcessId()))
{
    CreateDirectoryW(m_root.c_str(), nullptr);
    m_dirs.push_back(m_root);
}

CDllCopies::~CDllCopies()
{
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it)
        DeleteFileW(it->c_str());
    for (auto it = m_dirs.rbegin(); it != m_dirs.rend(); ++it)
        RemoveDirectoryW(it->c_str());
}

std::wstring CDllCopies::Copy(const std::wstring& relativeDir)
{
    std::wstring dir = m_root;
    size_t start = 0;
    while (start <= relativeDir.size() && !relativeDir.empty())
    {
        size_t end = relativeDir.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relativeDir.size();
        dir += L"\\" + relativeDir.substr(start, end - start);
        if (CreateDirectoryW(dir.c_str(), nullptr))
            m_dirs.push_back(dir);
        start = end + 1;
    }
    std::wstring file = dir + L"\\ZoZedivAza.dll";
    EXPECT_TRUE(CopyFileW(BuiltDll().c_str(), file.c_str(), FALSE)) << "copy to " << Narrow(file);
    m_files.push_back(file);
    return file;
}

CLoadedServer::CLoadedServer(const std::wstring& path)
    : m_module(LoadLibraryW(path.c_str()))
{
    auto get = [this](const char* name) {
        return m_module ? reinterpret_cast<void*>(GetProcAddress(m_module, name)) : nullptr;
    };
    m_canUnload = reinterpret_cast<decltype(m_canUnload)>(get("DllCanUnloadNow"));
    m_getClassObject = reinterpret_cast<decltype(m_getClassObject)>(get("DllGetClassObject"));
    m_register = reinterpret_cast<decltype(m_register)>(get("DllRegisterServer"));
    m_unregister = reinterpret_cast<decltype(m_unregister)>(get("DllUnregisterServer"));
    if (!m_canUnload || !m_getClassObject || !m_register || !m_unregister)
        throw std::runtime_error("cannot load the server exports from " + Narrow(path));
}

CLoadedServer::~CLoadedServer()
{
    if (m_module)
        FreeLibrary(m_module);
}

STDMETHODIMP COuterUnknown::QueryInterface(REFIID riid, void** ppv)
{
    ++queries;
    if (IsEqualIID(riid, IID_IUnknown))
    {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    if (inner)
        return inner->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
}
}
