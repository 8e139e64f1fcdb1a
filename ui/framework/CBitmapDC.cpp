#include "ui/framework/CBitmapDC.h"

bool CBitmapDC::Create(HDC compatible, int width, int height)
{
    Reset();
    HDC dc = ::CreateCompatibleDC(compatible);
    if (!dc)
        return false;
    CGdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(compatible, width, height));
    if (!bitmap)
    {
        ::DeleteDC(dc);
        return false;
    }
    m_previous = ::SelectObject(dc, bitmap.get());
    m_dc = dc;
    m_bitmap = std::move(bitmap);
    return true;
}

void CBitmapDC::Reset()
{
    if (m_dc)
    {
        if (m_previous)
            ::SelectObject(m_dc, m_previous);
        ::DeleteDC(m_dc);
    }
    m_dc = nullptr;
    m_previous = nullptr;
    m_bitmap.reset();
}
