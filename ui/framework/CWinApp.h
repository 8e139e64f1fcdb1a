// The module's application object. One lives for the module's lifetime (the product defines
// it); the framework asks it for the main window. Resources come from the module that holds
// this code: the DLL in the product, the test program in the tests.
#pragma once
#include <windows.h>

class CWinApp
{
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The application object in force, or nullptr when the module has none.
    static CWinApp* Current();
    // The module whose resources the framework loads (templates, bitmaps, cursors).
    static HINSTANCE ResourceHandle();
    // Registers the common control classes the dialogs' templates name (once per process).
    static void InitCommonControls();

    const char* m_pszAppName;
    // The application's main window; a shell extension has none.
    HWND m_hMainWnd = nullptr;
};
