#include "shell/CZoZedivAzaModule.h"

#include <new>

#include "res/ZoZedivAza_h.h"
#include "res/resource.h"
#include "shell/CClassFactory.h"
#include "shell/CModuleLock.h"
#include "shell/CRegKey.h"
#include "shell/CRegistrar.h"
#include "shell/CSimpleExt.h"
#include "shell/CThreadLocaleScope.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{
const char kAppId[] = "{5E2D1B7A-8C43-4F0B-9A6E-2F7C31D4B890}";

HRESULT CreateSimpleExt(IUnknown* outer, REFIID riid, void** ppv)
{
    CSimpleExt* object = new (std::nothrow) CSimpleExt(outer);
    if (!object)
        return E_OUTOFMEMORY;
    // The held reference destroys the object on the way out if the query failed.
    IUnknown* inner = object->Inner();
    inner->AddRef();
    HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release();
    return hr;
}

HRESULT CreateFactory(CZoZedivAzaModule::Creator create, IUnknown** classObject)
{
    CClassFactory* factory = new (std::nothrow) CClassFactory(create);
    if (!factory)
        return E_OUTOFMEMORY;
    *classObject = factory;
    return S_OK;
}

CZoZedivAzaModule::ObjectEntry g_objects[] = {
    {&CLSID_SimpleExt, IDR_SIMPLEEXT, &CreateFactory, &CreateSimpleExt, nullptr},
};

class CCreationLock
{
public:
    explicit CCreationLock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~CCreationLock() { LeaveCriticalSection(&m_section); }
    CCreationLock(const CCreationLock&) = delete;
    CCreationLock& operator=(const CCreationLock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

// Owner of one type library reference.
class CTypeLibRef
{
public:
    CTypeLibRef() = default;
    ~CTypeLibRef()
    {
        if (m_lib)
            m_lib->Release();
    }
    CTypeLibRef(const CTypeLibRef&) = delete;
    CTypeLibRef& operator=(const CTypeLibRef&) = delete;
    ITypeLib** Out() { return &m_lib; }
    ITypeLib* Get() const { return m_lib; }

private:
    ITypeLib* m_lib = nullptr;
};

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

// Loads the module's own type library: the one embedded in the module file, else the .tlb
// beside it. path receives the file that was loaded.
HRESULT LoadOwnTypeLib(const std::string& modulePath, ITypeLib** lib, std::wstring& path)
{
    path = Widen(modulePath);
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
    if (SUCCEEDED(hr))
        return hr;
    size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        path += L".tlb";
    else
        path.replace(dot, std::wstring::npos, L".tlb");
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

std::string DoubleQuotes(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}
}

CZoZedivAzaModule g_zozModule;

CZoZedivAzaModule::CZoZedivAzaModule()
{
    m_initialised = InitializeCriticalSectionAndSpinCount(&m_creationLock, 0) != FALSE;
}

CZoZedivAzaModule::~CZoZedivAzaModule()
{
    for (auto& entry : g_objects)
    {
        IUnknown* cached = static_cast<IUnknown*>(InterlockedExchangePointer(
            reinterpret_cast<PVOID volatile*>(&entry.classObject), nullptr));
        if (cached)
            cached->Release();
    }
    if (m_initialised)
        DeleteCriticalSection(&m_creationLock);
}

const GUID& CZoZedivAzaModule::TypeLibId()
{
    return LIBID_ZoZedivAzaLib;
}

const char* CZoZedivAzaModule::AppId()
{
    return kAppId;
}

HMODULE CZoZedivAzaModule::Handle()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

HRESULT CZoZedivAzaModule::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!m_initialised)
        return E_UNEXPECTED;
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (auto& entry : g_objects)
    {
        if (!IsEqualCLSID(rclsid, *entry.clsid))
            continue;
        auto cachedObject = [&entry]() {
            return static_cast<IUnknown*>(InterlockedCompareExchangePointer(
                reinterpret_cast<PVOID volatile*>(&entry.classObject), nullptr, nullptr));
        };
        IUnknown* classObject = cachedObject();
        if (!classObject)
        {
            CCreationLock lock(m_creationLock);
            classObject = cachedObject();
            if (!classObject)
            {
                HRESULT hr = entry.createClassObject(entry.createInstance, &classObject);
                if (FAILED(hr))
                    return hr;
                InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&entry.classObject), classObject);
            }
        }
        HRESULT hr = classObject->QueryInterface(riid, ppv);
        if (SUCCEEDED(hr) && !*ppv)
            hr = CLASS_E_CLASSNOTAVAILABLE;
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CZoZedivAzaModule::CanUnloadNow() const
{
    return CModuleLock::Count() == 0 ? S_OK : S_FALSE;
}

HRESULT CZoZedivAzaModule::ModulePath(std::string& path)
{
    // The ANSI call cuts a path of double-byte characters short without saying so, so the
    // full name is taken in UTF-16 and measured in bytes of the process code page.
    std::wstring wide(32768, L'\0');
    DWORD n = GetModuleFileNameW(Handle(), &wide[0], static_cast<DWORD>(wide.size()));
    if (n == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (n >= wide.size())
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (bytes >= MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    char buffer[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(n), buffer, bytes, nullptr, nullptr);
    path.assign(buffer, static_cast<size_t>(bytes));
    return S_OK;
}

HRESULT CZoZedivAzaModule::RunScript(UINT id, bool registering) const
{
    std::string path;
    HRESULT hr = ModulePath(path);
    if (FAILED(hr))
        return hr;
    CRegistrar registrar;
    const std::string quotedPath = DoubleQuotes(path);
    registrar.AddReplacement("APPID", kAppId);
    registrar.AddReplacement("Module", quotedPath);
    registrar.AddReplacement("Module_Raw", quotedPath);
    return registrar.RunResource(Handle(), id, registering);
}

HRESULT CZoZedivAzaModule::LoadTypeLibrary(ITypeLib** lib, std::wstring& path)
{
    std::string modulePath;
    HRESULT hr = ModulePath(modulePath);
    if (FAILED(hr))
        return hr;
    return LoadOwnTypeLib(modulePath, lib, path);
}

HRESULT CZoZedivAzaModule::RegisterTypeLibrary() const
{
    CTypeLibRef lib;
    std::wstring path;
    HRESULT hr = LoadTypeLibrary(lib.Out(), path);
    if (FAILED(hr))
        return hr;
    std::wstring helpDir = path.substr(0, path.find_last_of(L"\\/") + 1);
    if (helpDir.size() > 3 && helpDir.back() == L'\\')
        helpDir.pop_back();  // keep the backslash of a drive root only
    return RegisterTypeLib(lib.Get(), const_cast<LPOLESTR>(path.c_str()),
                           helpDir.empty() ? nullptr : const_cast<LPOLESTR>(helpDir.c_str()));
}

HRESULT CZoZedivAzaModule::UnregisterTypeLibrary() const
{
    CTypeLibRef lib;
    std::wstring path;
    HRESULT hr = LoadTypeLibrary(lib.Out(), path);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = lib.Get()->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    // A library that is not registered (any more) counts as removed, like a missing key; the
    // platform's own answer to that case differs between implementations, so look first.
    wchar_t guid[40] = {};
    StringFromGUID2(attr->guid, guid, 40);
    const wchar_t* platform = attr->syskind == SYS_WIN64 ? L"win64" : attr->syskind == SYS_WIN16 ? L"win16" : L"win32";
    wchar_t key[128];
    wsprintfW(key, L"TypeLib\\%s\\%x.%x\\%lx\\%s", guid, attr->wMajorVerNum, attr->wMinorVerNum,
              static_cast<unsigned long>(attr->lcid), platform);
    CRegKey registered;
    if (registered.Open(HKEY_CLASSES_ROOT, key, KEY_READ) == ERROR_SUCCESS)
    {
        registered.Close();
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        if (hr == TYPE_E_REGISTRYACCESS)
            hr = S_OK;
    }
    lib.Get()->ReleaseTLibAttr(attr);
    return hr;
}

HRESULT CZoZedivAzaModule::RegisterServer()
{
    CThreadLocaleScope locale(LOCALE_SYSTEM_DEFAULT);
    try
    {
        HRESULT hr = RunScript(IDR_ZOZEDIVAZA_APPID, true);
        if (FAILED(hr))
            return hr;
        for (const auto& entry : g_objects)
        {
            hr = RunScript(entry.registryScript, true);
            if (FAILED(hr))
                return hr;
        }
        return RegisterTypeLibrary();
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

HRESULT CZoZedivAzaModule::UnregisterServer()
{
    CThreadLocaleScope locale(LOCALE_SYSTEM_DEFAULT);
    try
    {
        HRESULT hr = S_OK;
        for (const auto& entry : g_objects)
        {
            hr = RunScript(entry.registryScript, false);
            if (FAILED(hr))
                return hr;
        }
        hr = UnregisterTypeLibrary();
        if (FAILED(hr))
            return hr;
        return RunScript(IDR_ZOZEDIVAZA_APPID, false);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}
