#include "shell/CClassFactory.h"

#include "shell/CModuleLock.h"

CClassFactory::CClassFactory(Creator create)
    : m_create(create)
{
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory))
    {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef()
{
    LONG refs = InterlockedIncrement(&m_refs);
    if (refs == 2)
        CModuleLock::Lock();  // the first client reference beside the cache's own
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CClassFactory::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 1)
        CModuleLock::Unlock();  // only the cache holds it again
    else if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    // An aggregate must get the inner unknown, nothing else.
    if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    try
    {
        return m_create(pUnkOuter, riid, ppv);
    }
    catch (...)
    {
        *ppv = nullptr;
        return E_UNEXPECTED;
    }
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        CModuleLock::Lock();
    else
        CModuleLock::Unlock();
    return S_OK;
}
