#include "ui/framework/CWinApp.h"

#include <commctrl.h>

namespace
{
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName)
{
    if (!g_app)
        g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_app;
}

HINSTANCE CWinApp::ResourceHandle()
{
    static HMODULE module = [] {
        HMODULE m = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCSTR>(&CWinApp::ResourceHandle), &m);
        return m;
    }();
    return module;
}

void CWinApp::InitCommonControls()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    static_cast<void>(done);
}
