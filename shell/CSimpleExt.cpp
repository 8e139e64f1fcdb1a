#include "shell/CSimpleExt.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "shell/CDestinationPath.h"
#include "shell/CDialogLauncher.h"
#include "shell/CModuleLock.h"
#include "ui/framework/CUserPrompts.h"

namespace
{
// Command offsets from the first id the shell hands out.
constexpr UINT kEncryptOffset = 0;
constexpr UINT kDecryptOffset = 1;
constexpr UINT kCommandCount = 2;

const char kEncryptText[] = "TQ文件加密";
const char kDecryptText[] = "TQ文件解密";

// Any address inside this module, to find the module that carries the type library.
const char g_moduleAnchor = 0;

HRESULT LastErrorResult()
{
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The full path of the module that holds this code (the DLL, or a test program linking it).
std::wstring ModulePath()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&g_moduleAnchor), &module))
        return std::wstring();
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size())
        {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

// Owns the drop list handed out by the data object.
class CMediumOwner
{
public:
    STGMEDIUM medium = {};
    CMediumOwner() = default;
    ~CMediumOwner() { ReleaseStgMedium(&medium); }
    CMediumOwner(const CMediumOwner&) = delete;
    CMediumOwner& operator=(const CMediumOwner&) = delete;
};

class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL memory) : m_memory(memory), m_pointer(GlobalLock(memory)) {}
    ~CGlobalLock()
    {
        if (m_pointer)
            GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    void* Pointer() const { return m_pointer; }

private:
    HGLOBAL m_memory;
    void* m_pointer;
};

// Runs the opening of a command's dialog. A dialog that cannot be started, by a failure or an
// exception, is reported to the user owned by the invoking window; the command itself succeeds.
template <class Open>
HRESULT OpenReported(HWND invokingWindow, const char* failureText, Open open)
{
    try
    {
        HRESULT hr;
        try
        {
            hr = open();
        }
        catch (...)
        {
            hr = E_UNEXPECTED;
        }
        if (FAILED(hr))
            CUserPrompts::Current().MessageBox(invokingWindow, failureText, "出错提示", MB_OK | MB_ICONINFORMATION);
        return S_OK;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}
}

CSimpleExt::CSimpleExt(IUnknown* outer) : m_inner(*this), m_outer(outer ? outer : &m_inner)
{
    CModuleLock::Lock();
}

CSimpleExt::~CSimpleExt()
{
    if (m_typeInfo)
        m_typeInfo->Release();
    CModuleLock::Unlock();
}

// --- IUnknown

STDMETHODIMP CSimpleExt::QueryInterface(REFIID riid, void** ppv)
{
    return m_outer->QueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CSimpleExt::AddRef()
{
    return m_outer->AddRef();
}

STDMETHODIMP_(ULONG) CSimpleExt::Release()
{
    return m_outer->Release();
}

STDMETHODIMP CSimpleExt::CInnerUnknown::QueryInterface(REFIID riid, void** ppv)
{
    return m_owner.InnerQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CSimpleExt::CInnerUnknown::AddRef()
{
    return static_cast<ULONG>(++m_owner.m_refs);
}

STDMETHODIMP_(ULONG) CSimpleExt::CInnerUnknown::Release()
{
    LONG refs = --m_owner.m_refs;
    if (refs == 0)
        delete &m_owner;
    return static_cast<ULONG>(refs);
}

HRESULT CSimpleExt::InnerQueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    IUnknown* answer = nullptr;
    if (IsEqualIID(riid, IID_IUnknown))
        answer = &m_inner;
    else if (IsEqualIID(riid, IID_ISimpleExt) || IsEqualIID(riid, IID_IDispatch))
        answer = static_cast<ISimpleExt*>(this);
    else if (IsEqualIID(riid, IID_IShellExtInit))
        answer = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(riid, IID_IContextMenu))
        answer = static_cast<IContextMenu*>(this);
    else
        return E_NOINTERFACE;
    answer->AddRef();
    *ppv = answer;
    return S_OK;
}

// --- IDispatch

HRESULT CSimpleExt::LoadTypeInfo()
{
    if (m_typeInfo)
        return S_OK;
    ITypeLib* library = nullptr;
    std::wstring path = ModulePath();
    // The library is embedded in the module; a registered copy serves when the module's own
    // cannot be read.
    HRESULT hr = path.empty() ? E_FAIL : LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr))
        hr = LoadRegTypeLib(LIBID_ZoZedivAzaLib, 1, 0, LOCALE_NEUTRAL, &library);
    if (FAILED(hr))
        return hr;
    hr = library->GetTypeInfoOfGuid(IID_ISimpleExt, &m_typeInfo);
    library->Release();
    return hr;
}

HRESULT CSimpleExt::DispatchTypeInfo(REFIID riid)
{
    // Names and calls go by the type information of the default interface only.
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    return LoadTypeInfo();
}

STDMETHODIMP CSimpleExt::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 1;
    return S_OK;
}

STDMETHODIMP CSimpleExt::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo)
{
    try
    {
        if (!ppTInfo)
            return E_POINTER;
        *ppTInfo = nullptr;
        if (iTInfo != 0)
            return DISP_E_BADINDEX;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr))
            return hr;
        m_typeInfo->AddRef();
        *ppTInfo = m_typeInfo;
        return S_OK;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

STDMETHODIMP CSimpleExt::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    try
    {
        HRESULT hr = DispatchTypeInfo(riid);
        if (FAILED(hr))
            return hr;
        return m_typeInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

STDMETHODIMP CSimpleExt::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    try
    {
        HRESULT hr = DispatchTypeInfo(riid);
        if (FAILED(hr))
            return hr;
        return m_typeInfo->Invoke(static_cast<ISimpleExt*>(this), dispIdMember, wFlags, pDispParams, pVarResult,
                                  pExcepInfo, puArgErr);
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

// --- IShellExtInit

STDMETHODIMP CSimpleExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* pdtobj, HKEY)
{
    try
    {
        if (!pdtobj)
            return E_INVALIDARG;
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        CMediumOwner owner;
        if (FAILED(pdtobj->GetData(&format, &owner.medium)))
            return E_INVALIDARG;
        if (owner.medium.tymed != TYMED_HGLOBAL)
            return E_INVALIDARG;
        CGlobalLock lock(owner.medium.hGlobal);
        HDROP drop = static_cast<HDROP>(lock.Pointer());
        if (!drop)
            return E_INVALIDARG;
        if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) == 0)
            return E_INVALIDARG;
        char path[MAX_PATH] = {};
        if (DragQueryFileA(drop, 0, path, MAX_PATH) == 0)
            return E_INVALIDARG;
        // A path that did not fit is cut to the buffer, and never inside a double-byte character.
        path[MAX_PATH - 1] = '\0';
        size_t length = CDestinationPath::WholeCharacterLength(path, strlen(path));
        if (length == 0)
            return E_INVALIDARG;
        memcpy(m_szFile, path, length);
        m_szFile[length] = '\0';
        return S_OK;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

// --- IContextMenu

STDMETHODIMP CSimpleExt::QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT, UINT uFlags)
{
    if (uFlags & CMF_DEFAULTONLY)
        return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, 0);
    // Both go in at the same position, so the decrypt item ends up above the encrypt item.
    if (!InsertMenuA(hmenu, indexMenu, MF_BYPOSITION | MF_STRING, idCmdFirst + kEncryptOffset, kEncryptText))
        return LastErrorResult();
    if (!InsertMenuA(hmenu, indexMenu, MF_BYPOSITION | MF_STRING, idCmdFirst + kDecryptOffset, kDecryptText))
    {
        HRESULT hr = LastErrorResult();
        DeleteMenu(hmenu, idCmdFirst + kEncryptOffset, MF_BYCOMMAND);
        return hr;
    }
    return MAKE_HRESULT(SEVERITY_SUCCESS, FACILITY_NULL, kCommandCount);
}

STDMETHODIMP CSimpleExt::GetCommandString(UINT_PTR idCmd, UINT uType, UINT*, CHAR* pszName, UINT cchMax)
{
    try
    {
        // Only help texts are answered; verb and validation requests succeed without a word.
        if (!(uType & GCS_HELPTEXTA))
            return S_OK;
        const char* text = idCmd == kEncryptOffset ? kEncryptText : idCmd == kDecryptOffset ? kDecryptText : nullptr;
        if (!text || !pszName || cchMax == 0)
            return E_INVALIDARG;
        if (uType & GCS_UNICODE)
        {
            int length = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
            if (length == 0)
                return LastErrorResult();
            std::wstring wide(static_cast<size_t>(length), L'\0');
            MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], length);
            lstrcpynW(reinterpret_cast<LPWSTR>(pszName), wide.c_str(), static_cast<int>(std::min<UINT>(cchMax, 0x7FFFFFFF)));
        }
        else
        {
            // Cut like lstrcpynA, but never between the two bytes of a character.
            size_t length = CDestinationPath::WholeCharacterLength(text, std::min<size_t>(strlen(text), cchMax - 1));
            memcpy(pszName, text, length);
            pszName[length] = '\0';
        }
        return S_OK;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

STDMETHODIMP CSimpleExt::InvokeCommand(CMINVOKECOMMANDINFO* pici)
{
    if (!pici || !IS_INTRESOURCE(pici->lpVerb))
        return E_INVALIDARG;
    switch (LOWORD(reinterpret_cast<ULONG_PTR>(pici->lpVerb)))
    {
    case kEncryptOffset:
        return Encrypt(pici->hwnd);
    case kDecryptOffset:
        return Decrypt(pici->hwnd);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CSimpleExt::Encrypt(HWND invokingWindow)
{
    return OpenReported(invokingWindow, "加密产生异常!", [this, invokingWindow] {
        std::string path(m_szFile);
        return CDialogLauncher::Current().OpenEncryptDialog(path, CDestinationPath::EncryptDestination(path),
                                                            invokingWindow);
    });
}

HRESULT CSimpleExt::Decrypt(HWND invokingWindow)
{
    return OpenReported(invokingWindow, "解密产生异常!", [this] {
        std::string path(m_szFile);
        std::optional<std::string> dest = CDestinationPath::DecryptDestination(path);
        if (!dest)
        {
            CUserPrompts::Current().MessageBox(nullptr, "该文件没有被加密,无需解密", "信息提示",
                                               MB_OK | MB_ICONINFORMATION);
            return S_OK;
        }
        return CDialogLauncher::Current().OpenDecryptDialog(path, *dest);
    });
}
