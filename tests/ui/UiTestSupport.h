// Helpers of the window tests: running the message loop, reading a window's real pixels and
// saving them as PNG files for a person to look at.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

namespace uitest
{
// Dispatches this thread's messages for the given time.
void Pump(DWORD milliseconds = 150);

struct Image
{
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first

    // The pixel as a platform colour value (0x00BBGGRR).
    COLORREF At(int x, int y) const;
    Image Crop(int left, int top, int right, int bottom) const;
};

// The client area of the window as it is painted now (read from the window's own DC).
Image CaptureClient(HWND hWnd);

// Saves the picture as <shots>/<name>.png, where <shots> is ZOZ_UI_SHOTS or the folder
// "shots" beside the test program. Returns the path written, empty on failure.
std::string SavePng(const Image& image, const std::string& name);
}  // namespace uitest
