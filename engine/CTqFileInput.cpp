#include "engine/CTqFileInput.h"

bool CTqFileInput::Attach(const CFileHandle& file)
{
    m_file = &file;
    m_failed = false;
    return file.Size(m_size) && file.Position(m_pos) && m_pos <= m_size;
}

bool CTqFileInput::Read(void* buffer, size_t n)
{
    if (n > Remaining() || n > MAXDWORD)
        return false;
    DWORD got = 0;
    if (!m_file->ReadFull(buffer, static_cast<DWORD>(n), got))
        m_failed = true;
    if (got != n)
        return false;
    m_pos += n;
    return true;
}

bool CTqFileInput::Skip(uint64_t n)
{
    if (n > Remaining())
        return false;
    if (!m_file->Skip(n))
    {
        m_failed = true;
        return false;
    }
    m_pos += n;
    return true;
}

uint64_t CTqFileInput::Remaining() const
{
    return m_size - m_pos;
}
