// The class object of one creatable class. The module's object table keeps one reference for
// as long as the module is loaded; every further reference is a client's and keeps the module
// locked, so the module stays loaded while a client holds the class object.
#pragma once
#include <windows.h>
#include <unknwn.h>

class CClassFactory : public IClassFactory
{
public:
    // Creates an instance, plain (outer null) or aggregated, and answers riid on it.
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

    // Reference count 1: the reference of the object table that caches it.
    explicit CClassFactory(Creator create);
    virtual ~CClassFactory() = default;
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    volatile LONG m_refs = 1;
    Creator m_create;
};
