// A memory device context with a bitmap of its own selected into it: an off-screen surface.
// On its end the bitmap is deselected, then the context and the bitmap are deleted.
#pragma once
#include <windows.h>

#include "ui/framework/CGdiObject.h"

class CBitmapDC
{
public:
    CBitmapDC() = default;
    ~CBitmapDC() { Reset(); }
    CBitmapDC(const CBitmapDC&) = delete;
    CBitmapDC& operator=(const CBitmapDC&) = delete;

    // A surface of width x height compatible with the given context; false when GDI refuses.
    bool Create(HDC compatible, int width, int height);
    void Reset();
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc = nullptr;
    CGdiObject<HBITMAP> m_bitmap;
    HGDIOBJ m_previous = nullptr;
};
