// The COM server side of the module: the object table with its cached class objects, the
// unload rule and the registration. One instance lives as long as the module is loaded.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

class CZoZedivAzaModule
{
public:
    // Creates an instance of the entry's class, plain or aggregated, answering riid.
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);
    // Creates a class object (reference count 1) that makes instances with the given creator.
    using ClassObjectCreator = HRESULT (*)(Creator create, IUnknown** classObject);

    struct ObjectEntry
    {
        const CLSID* clsid;
        UINT registryScript;
        ClassObjectCreator createClassObject;
        Creator createInstance;
        IUnknown* volatile classObject;  // null until first requested
    };

    CZoZedivAzaModule();
    ~CZoZedivAzaModule();
    CZoZedivAzaModule(const CZoZedivAzaModule&) = delete;
    CZoZedivAzaModule& operator=(const CZoZedivAzaModule&) = delete;

    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
    HRESULT CanUnloadNow() const;
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    static const GUID& TypeLibId();
    // The fixed AppID in braced registry form.
    static const char* AppId();
    // This module's handle: the DLL, or the executable that links the code in.
    static HMODULE Handle();

private:
    HRESULT RunScript(UINT id, bool registering) const;
    HRESULT RegisterTypeLibrary() const;
    HRESULT UnregisterTypeLibrary() const;
    // The module path, or HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) if it needs 260 bytes or more.
    static HRESULT ModulePath(std::string& path);
    // The module's own type library (*lib null before the call) and the file it came from.
    static HRESULT LoadTypeLibrary(ITypeLib** lib, std::wstring& path);

    CRITICAL_SECTION m_creationLock;
    bool m_initialised = false;
};

// The module's one instance.
extern CZoZedivAzaModule g_zozModule;
