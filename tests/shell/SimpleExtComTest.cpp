// The handler as a COM object: its interfaces and identity, its lifetime and module lock, being
// aggregated, and its type-library-driven IDispatch.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include "shell/CModuleLock.h"
#include "shell/CSimpleExt.h"

namespace
{
class SimpleExtCom : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};

// Creates a plain handler and hands out one reference to its IUnknown.
IUnknown* NewHandler()
{
    IUnknown* unknown = nullptr;
    CSimpleExt* ext = new CSimpleExt();
    EXPECT_EQ(S_OK, ext->Inner()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    return unknown;
}

TEST_F(SimpleExtCom, AnswersItsInterfacesWithOneIdentity)
{
    IUnknown* unknown = NewHandler();
    const IID* iids[] = {&IID_IUnknown, &IID_IDispatch, &IID_ISimpleExt, &IID_IShellExtInit, &IID_IContextMenu};
    for (const IID* iid : iids)
    {
        IUnknown* itf = nullptr;
        ASSERT_EQ(S_OK, unknown->QueryInterface(*iid, reinterpret_cast<void**>(&itf)));
        ASSERT_NE(nullptr, itf);
        IUnknown* identity = nullptr;
        ASSERT_EQ(S_OK, itf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(unknown, identity);
        identity->Release();
        itf->Release();
    }
    IDispatch* dispatch = nullptr;
    ISimpleExt* simple = nullptr;
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->QueryInterface(IID_ISimpleExt, reinterpret_cast<void**>(&simple));
    EXPECT_EQ(static_cast<IDispatch*>(simple), dispatch);
    dispatch->Release();
    simple->Release();
    EXPECT_EQ(0u, unknown->Release());
}

TEST_F(SimpleExtCom, RefusesOtherInterfaces)
{
    IUnknown* unknown = NewHandler();
    const IID* iids[] = {&IID_IContextMenu2, &IID_IContextMenu3, &IID_IClassFactory, &IID_IPersist,
                         &IID_IObjectWithSite, &IID_IMarshal, &IID_IShellFolder, &IID_IDataObject};
    for (const IID* iid : iids)
    {
        void* itf = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, unknown->QueryInterface(*iid, &itf));
        EXPECT_EQ(nullptr, itf);
    }
    EXPECT_EQ(E_POINTER, unknown->QueryInterface(IID_IContextMenu, nullptr));
    unknown->Release();
}

TEST_F(SimpleExtCom, LivesWhileReferencedAndHoldsTheModuleLock)
{
    LONG before = CModuleLock::Count();
    CSimpleExt* ext = new CSimpleExt();
    EXPECT_EQ(before + 1, CModuleLock::Count());
    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, ext->Inner()->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    EXPECT_EQ(2u, menu->AddRef());
    EXPECT_EQ(1u, menu->Release());
    EXPECT_EQ(before + 1, CModuleLock::Count());
    EXPECT_EQ(0u, menu->Release());
    EXPECT_EQ(before, CModuleLock::Count());
}

// A controlling object that aggregates the handler, as the class object builds one.
class COuter : public IUnknown
{
public:
    LONG refs = 1;
    IUnknown* inner = nullptr;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown))
        {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

TEST_F(SimpleExtCom, AggregatedForwardsToTheOuterObjectAndLivesByItsInnerUnknown)
{
    LONG before = CModuleLock::Count();
    COuter outer;
    CSimpleExt* ext = new CSimpleExt(&outer);
    outer.inner = ext->Inner();
    outer.inner->AddRef();

    IShellExtInit* init = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    EXPECT_EQ(2, outer.refs);
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    EXPECT_EQ(3, outer.refs);
    menu->Release();
    init->Release();
    EXPECT_EQ(1, outer.refs);

    // The inner unknown is separate: its own identity, its own count.
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)));
    EXPECT_EQ(outer.inner, innerAgain);
    EXPECT_NE(static_cast<IUnknown*>(&outer), innerAgain);
    EXPECT_EQ(1u, innerAgain->Release());
    EXPECT_EQ(1, outer.refs);
    EXPECT_EQ(before + 1, CModuleLock::Count());
    EXPECT_EQ(0u, outer.inner->Release());
    EXPECT_EQ(before, CModuleLock::Count());
}

TEST_F(SimpleExtCom, DispatchIsDrivenByTheModuleTypeLibrary)
{
    IUnknown* unknown = NewHandler();
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));

    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);

    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(IID_ISimpleExt, attr->guid));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    info->ReleaseTypeAttr(attr);
    ITypeLib* library = nullptr;
    UINT index = 0;
    ASSERT_EQ(S_OK, info->GetContainingTypeLib(&library, &index));
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&libAttr));
    EXPECT_TRUE(IsEqualGUID(LIBID_ZoZedivAzaLib, libAttr->guid));
    EXPECT_EQ(1, libAttr->wMajorVerNum);
    EXPECT_EQ(0, libAttr->wMinorVerNum);
    library->ReleaseTLibAttr(libAttr);
    library->Release();
    info->Release();

    ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(DISP_E_BADINDEX, dispatch->GetTypeInfo(1, LOCALE_USER_DEFAULT, &none));
    EXPECT_EQ(nullptr, none);

    OLECHAR name[] = L"Encrypt";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->GetIDsOfNames(IID_IUnknown, names, 1, LOCALE_USER_DEFAULT, &id));

    DISPPARAMS params = {};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, dispatch->Invoke(1, IID_IUnknown, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                                        &params, &result, nullptr, nullptr));
    dispatch->Release();
    unknown->Release();
}
}
