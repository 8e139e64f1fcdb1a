#include "shell/CZoZedivAzaApp.h"

CZoZedivAzaApp::CZoZedivAzaApp()
    : CWinApp("ZoZedivAza")
{
}

// The one application object, constructed when the module is loaded.
CZoZedivAzaApp theApp;
