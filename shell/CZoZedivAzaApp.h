// The application object of the module. It adds nothing to the defaults.
#pragma once

class CZoZedivAzaApp
{
public:
    CZoZedivAzaApp() = default;
};
