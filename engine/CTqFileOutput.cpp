#include "engine/CTqFileOutput.h"

bool CTqFileOutput::Write(const void* data, size_t n)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (n)
    {
        DWORD step = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
        if (!m_file.Write(p, step))
            return false;
        p += step;
        n -= step;
    }
    return true;
}
