// Resource ids shared by the code and the resource scripts. One section per area; add ids to
// your own section only.
#pragma once

// --- Registration scripts (type "REGISTRY") and the type library (type "TYPELIB").
#define IDR_ZOZEDIVAZA_APPID      101
#define IDR_SIMPLEEXT             103
#define IDR_TYPELIB               1

// --- Skin: bitmaps, cursor, test template.

// --- Dialog templates and their controls.
