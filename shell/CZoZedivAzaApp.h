// The application object of the module. It adds nothing to the framework's defaults.
#pragma once
#include "ui/framework/CWinApp.h"

class CZoZedivAzaApp : public CWinApp
{
public:
    CZoZedivAzaApp();
};
