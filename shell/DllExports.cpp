// The module's four exports (ordinals in ZoZedivAza.def). No exception leaves them.
#include <windows.h>
#include <ole2.h>

#include "shell/CZoZedivAzaModule.h"

STDAPI DllCanUnloadNow()
{
    try
    {
        return g_zozModule.CanUnloadNow();
    }
    catch (...)
    {
        return S_FALSE;
    }
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    try
    {
        return g_zozModule.GetClassObject(rclsid, riid, ppv);
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

STDAPI DllRegisterServer()
{
    try
    {
        return g_zozModule.RegisterServer();
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

STDAPI DllUnregisterServer()
{
    try
    {
        return g_zozModule.UnregisterServer();
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}
