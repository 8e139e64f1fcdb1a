// The exports, the class object, the unload rule and aggregation, on the real DLL: loaded
// directly through its exports, and created by COM through the registry.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "ComServerFixture.h"
#include "res/ZoZedivAza_h.h"

using namespace zoztest;

namespace
{
// A COM apartment for the calling thread.
class CApartment
{
public:
    CApartment() { m_hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~CApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }

private:
    HRESULT m_hr;
};

IClassFactory* ClassObject(const CLoadedServer& server)
{
    IClassFactory* factory = nullptr;
    EXPECT_EQ(S_OK, server.GetClassObject(CLSID_SimpleExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    return factory;
}

// QueryContextMenu on a fresh popup menu: its result and the items as (id, text) from the top.
HRESULT BuildMenu(IContextMenu* menu, std::vector<std::pair<UINT, std::string>>& items)
{
    HMENU popup = CreatePopupMenu();
    HRESULT hr = menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL);
    for (int i = 0; i < GetMenuItemCount(popup); ++i)
    {
        char text[128] = {};
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        items.emplace_back(GetMenuItemID(popup, i), text);
    }
    DestroyMenu(popup);
    return hr;
}

const std::vector<std::pair<UINT, std::string>> kItems = {{101, "TQ文件解密"}, {100, "TQ文件加密"}};
}

TEST(ServerExports, EachExportIsReachableByItsOrdinal)
{
    CLoadedServer server(BuiltDll());
    const struct
    {
        WORD ordinal;
        const char* name;
    } exports[] = {{1, "DllCanUnloadNow"}, {2, "DllGetClassObject"}, {3, "DllRegisterServer"}, {4, "DllUnregisterServer"}};
    for (const auto& e : exports)
    {
        FARPROC byOrdinal = GetProcAddress(server.Module(), MAKEINTRESOURCEA(e.ordinal));
        EXPECT_NE(nullptr, byOrdinal) << e.name;
        EXPECT_EQ(GetProcAddress(server.Module(), e.name), byOrdinal) << e.name;
    }
    EXPECT_EQ(nullptr, GetProcAddress(server.Module(), MAKEINTRESOURCEA(5)));
}

TEST(ServerExports, UnloadRuleCountsObjectsClassObjectReferencesAndServerLocks)
{
    CApartment apartment;
    CLoadedServer server(BuiltDll());
    EXPECT_EQ(S_OK, server.CanUnloadNow());

    // The class object is cached: both requests give the same object, each holds the module.
    IClassFactory* first = ClassObject(server);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    IClassFactory* second = ClassObject(server);
    EXPECT_EQ(first, second);
    second->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    first->Release();
    EXPECT_EQ(S_OK, server.CanUnloadNow());

    // Objects outlive the class object that made them.
    IClassFactory* factory = ClassObject(server);
    IContextMenu* a = nullptr;
    IShellExtInit* b = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&a)));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&b)));
    factory->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    a->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    b->Release();
    EXPECT_EQ(S_OK, server.CanUnloadNow());

    // Server locks count one by one, also with the class object released in between.
    factory = ClassObject(server);
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    EXPECT_EQ(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    factory = ClassObject(server);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    factory = ClassObject(server);
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_EQ(S_OK, server.CanUnloadNow());
}

TEST(ServerExports, FailuresReturnTheirCodeLeaveNoPointerAndNoLock)
{
    CApartment apartment;
    CLoadedServer server(BuiltDll());
    void* const junk = reinterpret_cast<void*>(0x1234);
    void* out = junk;

    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, server.GetClassObject(IID_IContextMenu, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    out = junk;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, server.GetClassObject(CLSID_NULL, IID_IUnknown, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, server.GetClassObject(CLSID_SimpleExt, IID_IClassFactory, nullptr));
    out = junk;
    EXPECT_EQ(E_NOINTERFACE, server.GetClassObject(CLSID_SimpleExt, IID_IContextMenu, &out));
    EXPECT_EQ(nullptr, out);

    IClassFactory* factory = ClassObject(server);
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IContextMenu, nullptr));
    out = junk;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IStream, &out));
    EXPECT_EQ(nullptr, out);
    COuterUnknown outer;
    for (REFIID iid : {IID_IContextMenu, IID_IShellExtInit, IID_IDispatch})
    {
        out = junk;
        EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, iid, &out));
        EXPECT_EQ(nullptr, out);
    }
    factory->Release();
    EXPECT_EQ(1, outer.refs);
    // The refused object was destroyed and holds no lock.
    EXPECT_EQ(S_OK, server.CanUnloadNow());
}

TEST(ServerExports, AggregatedObjectHandsIUnknownToTheOuterObject)
{
    CApartment apartment;
    CLoadedServer server(BuiltDll());
    IClassFactory* factory = ClassObject(server);
    ASSERT_NE(nullptr, factory);

    COuterUnknown outer;
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    factory->Release();
    ASSERT_NE(nullptr, outer.inner);
    EXPECT_NE(static_cast<IUnknown*>(&outer), outer.inner);
    EXPECT_EQ(1, outer.refs);

    // The inner unknown answers for itself and hands out the object's interfaces.
    IUnknown* self = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)));
    EXPECT_EQ(outer.inner, self);
    self->Release();

    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    EXPECT_EQ(2, outer.refs);  // the reference went to the outer object

    // Every IUnknown call on the interface goes to the outer object.
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
    identity->Release();
    const int queries = outer.queries;
    IShellExtInit* init = nullptr;
    ASSERT_EQ(S_OK, menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)));
    EXPECT_EQ(queries + 1, outer.queries);
    init->Release();
    menu->AddRef();
    EXPECT_EQ(3, outer.refs);
    menu->Release();

    std::vector<std::pair<UINT, std::string>> items;
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2), BuildMenu(menu, items));
    EXPECT_EQ(kItems, items);
    menu->Release();
    EXPECT_EQ(1, outer.refs);

    EXPECT_EQ(S_FALSE, server.CanUnloadNow());
    outer.inner->Release();
    outer.inner = nullptr;
    EXPECT_EQ(S_OK, server.CanUnloadNow());
}

TEST_F(RegistrationTest, CoCreateInstanceThroughTheRegistryGivesAWorkingContextMenu)
{
    const std::wstring dll = m_copies.Copy(L"cocreate");
    ASSERT_EQ(0u, Regsvr32(dll, false));
    CApartment apartment;

    // The shell's way: the handler's CLSID from the handler key, then the registered server.
    std::wstring text;
    ASSERT_TRUE(ReadText(L"*\\ShellEx\\ContextMenuHandlers\\SimpleExt", nullptr, text));
    CLSID clsid;
    ASSERT_EQ(S_OK, CLSIDFromString(text.c_str(), &clsid));
    CLSID fromProgId;
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"ZoZedivAza.SimpleExt", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(clsid, fromProgId));

    IContextMenu* menu = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu,
                                     reinterpret_cast<void**>(&menu)));
    EXPECT_NE(nullptr, GetModuleHandleW(dll.c_str())) << "COM did not load the registered file";
    std::vector<std::pair<UINT, std::string>> items;
    EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2), BuildMenu(menu, items));
    EXPECT_EQ(kItems, items);

    for (REFIID iid : {IID_IShellExtInit, IID_ISimpleExt, IID_IDispatch})
    {
        IUnknown* other = nullptr;
        EXPECT_EQ(S_OK, menu->QueryInterface(iid, reinterpret_cast<void**>(&other)));
        if (other)
            other->Release();
    }
    menu->Release();

    // Aggregation through COM as well.
    COuterUnknown outer;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&outer.inner)));
    outer.inner->Release();
    void* out = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(clsid, &outer, CLSCTX_INPROC_SERVER, IID_IContextMenu, &out));
    EXPECT_EQ(nullptr, out);
}

TEST(VersionResource, FileAndProductVersionAndNamesAreShown)
{
    const std::wstring dll = BuiltDll();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &handle);
    ASSERT_NE(0u, size);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed->dwSignature);
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);

    struct
    {
        WORD language, codePage;
    }* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    auto field = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT n = 0;
        std::wstring query = std::wstring(block) + name;
        return VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &n) && text
                   ? std::wstring(text)
                   : std::wstring(L"<missing>");
    };
    EXPECT_EQ(L"ZoZedivAza", field(L"ProductName"));
    EXPECT_EQ(L"1.0.0.0", field(L"FileVersion"));
    EXPECT_EQ(L"1.0.0.0", field(L"ProductVersion"));
    EXPECT_NE(std::wstring::npos, field(L"FileDescription").find(L"ZoZedivAza"));
}
