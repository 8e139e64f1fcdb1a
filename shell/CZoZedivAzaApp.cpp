#include "shell/CZoZedivAzaApp.h"

// The one application object, constructed when the module is loaded.
CZoZedivAzaApp theApp;
