// Resource ids shared by the code and the resource scripts. Keep one section per area.
#pragma once

// Registration scripts (type "REGISTRY") and the type library (type "TYPELIB").
#define IDR_ZOZEDIVAZA_APPID      101
#define IDR_SIMPLEEXT             103
#define IDR_TYPELIB               1
