// Selects an object into a device context for one scope and puts the previous one back.
#pragma once
#include <windows.h>

class CSelectObject
{
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (m_previous)
            ::SelectObject(m_dc, m_previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
