// Shared pieces of the COM server tests: the DLL under test, copies of it at chosen paths,
// Wine's own regsvr32 of the matching bitness, and reads of HKCR in the DLL's registry view.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zoztest
{
// The fixed identities as the registry must show them.
extern const wchar_t kClsid[];
extern const wchar_t kLibId[];
extern const wchar_t kAppId[];

// The built DLL, as a Windows path.
std::wstring BuiltDll();
// The registry view of a DLL of this test's bitness.
REGSAM View();
// True for a 32-bit test on a 64-bit system.
bool IsWow64();

// Runs regsvr32 /s [/u] on the DLL and returns its exit code (or ~0u if it could not run).
DWORD Regsvr32(const std::wstring& dll, bool unregister);

bool KeyExists(const std::wstring& key, REGSAM view = 0);
// REG_SZ data of a value (name null: the default value); false if missing or another type.
bool ReadText(const std::wstring& key, const wchar_t* name, std::wstring& text, REGSAM view = 0);
std::vector<std::wstring> Subkeys(const std::wstring& key);
std::vector<std::wstring> ValueNames(const std::wstring& key);
void PlantKey(const std::wstring& key);
void PlantValue(const std::wstring& key, const wchar_t* name, const wchar_t* text);
// Removes everything the server writes, whatever the server does, so each case starts clean.
void ScrubRegistration();

// The ANSI (process code page) form of a path, as the module writes it.
std::string Narrow(const std::wstring& text);

// A scratch folder for copies of the DLL, removed (as far as possible) at the end.
class CDllCopies
{
public:
    CDllCopies();
    ~CDllCopies();
    const std::wstring& Root() const { return m_root; }
    // Copies the built DLL to Root()\relativeDir\ZoZedivAza.dll (folders created) and returns the path.
    std::wstring Copy(const std::wstring& relativeDir);

private:
    std::wstring m_root;
    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_dirs;
};

// A test fixture that starts and ends with no registration of the server.
class RegistrationTest : public ::testing::Test
{
protected:
    void SetUp() override { ScrubRegistration(); }
    void TearDown() override { ScrubRegistration(); }
    CDllCopies m_copies;
};

// The module's exports, loaded from a given file.
class CLoadedServer
{
public:
    explicit CLoadedServer(const std::wstring& path);
    ~CLoadedServer();
    HMODULE Module() const { return m_module; }
    HRESULT CanUnloadNow() const { return m_canUnload(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const { return m_getClassObject(clsid, iid, ppv); }
    HRESULT Register() const { return m_register(); }
    HRESULT Unregister() const { return m_unregister(); }

private:
    HMODULE m_module;
    HRESULT(STDAPICALLTYPE* m_canUnload)();
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, void**);
    HRESULT(STDAPICALLTYPE* m_register)();
    HRESULT(STDAPICALLTYPE* m_unregister)();
};

// A controlling unknown for aggregation: counts its references and hands the context-menu
// interfaces on to the inner object it holds.
class COuterUnknown : public IUnknown
{
public:
    IUnknown* inner = nullptr;
    LONG refs = 1;
    int queries = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};
}
