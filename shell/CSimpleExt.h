// The context-menu handler that the shell creates for a file's menu: it keeps the first selected
// path, adds "TQ文件解密" and "TQ文件加密", and opens the matching dialog when one is picked.
//
// Single-threaded object (apartment model): the reference count is plain. The object can be
// aggregated: created with an outer object, the IUnknown methods of its interfaces go to the
// outer object, and Inner() is the separate IUnknown that controls its lifetime. Created
// without one, Inner() is also the object's own identity. Each live object holds one module lock.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include "res/ZoZedivAza_h.h"

class CSimpleExt : public ISimpleExt, public IShellExtInit, public IContextMenu
{
public:
    // Reference count 0; outer is the controlling unknown of an aggregate, or nullptr.
    explicit CSimpleExt(IUnknown* outer = nullptr);
    virtual ~CSimpleExt();
    CSimpleExt(const CSimpleExt&) = delete;
    CSimpleExt& operator=(const CSimpleExt&) = delete;

    // The non-delegating IUnknown: answers the object's interfaces and owns its lifetime.
    IUnknown* Inner() { return &m_inner; }

    // IUnknown of every interface: forwarded to the controlling unknown.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, driven by the module's type library.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IShellExtInit
    STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* pdtobj, HKEY hkeyProgID) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU hmenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                  UINT uFlags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* pici) override;
    STDMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uType, UINT* pReserved, CHAR* pszName,
                                  UINT cchMax) override;

    // The path kept by the last successful Initialize; empty before.
    const char* File() const { return m_szFile; }

private:
    class CInnerUnknown : public IUnknown
    {
    public:
        explicit CInnerUnknown(CSimpleExt& owner) : m_owner(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        CSimpleExt& m_owner;
    };

    HRESULT InnerQueryInterface(REFIID riid, void** ppv);
    HRESULT LoadTypeInfo();
    // LoadTypeInfo for a dispatch call made with riid; DISP_E_UNKNOWNINTERFACE unless IID_NULL.
    HRESULT DispatchTypeInfo(REFIID riid);
    HRESULT Encrypt(HWND invokingWindow);
    HRESULT Decrypt(HWND invokingWindow);

    LONG m_refs = 0;
    CInnerUnknown m_inner;
    IUnknown* m_outer;
    ITypeInfo* m_typeInfo = nullptr;
    char m_szFile[MAX_PATH] = {};
};
