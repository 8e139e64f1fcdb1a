#include "UiTestSupport.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

namespace uitest
{
void Pump(DWORD milliseconds)
{
    const DWORD start = ::GetTickCount();
    do
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (::GetTickCount() - start < milliseconds);
}

COLORREF Image::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    uint32_t p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Image Image::Crop(int left, int top, int right, int bottom) const
{
    Image out;
    out.width = right - left;
    out.height = bottom - top;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<size_t>(y) * out.width + x] = pixels[static_cast<size_t>(y + top) * width + x + left];
    return out;
}

Image CaptureClient(HWND hWnd)
{
    Image image;
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    image.width = rc.right;
    image.height = rc.bottom;
    if (image.width <= 0 || image.height <= 0)
        return image;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = image.width;
    bi.bmiHeader.biHeight = -image.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC window = ::GetDC(hWnd);
    HDC mem = ::CreateCompatibleDC(window);
    HBITMAP dib = ::CreateDIBSection(window, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, image.width, image.height, window, 0, 0, SRCCOPY);
    ::GdiFlush();
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    std::memcpy(image.pixels.data(), bits, image.pixels.size() * 4);
    for (uint32_t& p : image.pixels)
        p &= 0xFFFFFF;
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(hWnd, window);
    return image;
}

namespace
{
uint32_t Crc(const unsigned char* data, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
    {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void Put32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    Put32(png, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    png += body;
    Put32(png, Crc(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

std::string ShotFolder()
{
    char buffer[MAX_PATH];
    DWORD n = ::GetEnvironmentVariableA("ZOZ_UI_SHOTS", buffer, sizeof(buffer));
    if (n > 0 && n < sizeof(buffer))
        return buffer;
    n = ::GetModuleFileNameA(nullptr, buffer, sizeof(buffer));
    std::string path(buffer, n);
    size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "\\shots";
}
}  // namespace

std::string SavePng(const Image& image, const std::string& name)
{
    // Uncompressed deflate ("stored" blocks): large but needs no library.
    std::string raw;
    for (int y = 0; y < image.height; ++y)
    {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x)
        {
            uint32_t p = image.pixels[static_cast<size_t>(y) * image.width + x];
            raw.push_back(static_cast<char>((p >> 16) & 0xFF));
            raw.push_back(static_cast<char>((p >> 8) & 0xFF));
            raw.push_back(static_cast<char>(p & 0xFF));
        }
    }
    std::string z("\x78\x01", 2);
    for (size_t pos = 0; pos < raw.size() || pos == 0;)
    {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
        if (last)
            break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw)
    {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Put32(header, static_cast<uint32_t>(image.width));
    Put32(header, static_cast<uint32_t>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", "");

    const std::string folder = ShotFolder();
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\" + name + ".png";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return std::string();
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? path : std::string();
}
}  // namespace uitest
