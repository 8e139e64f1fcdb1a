#include "engine/CFileHandle.h"

#include <utility>

CFileHandle::~CFileHandle()
{
    Close();
}

CFileHandle::CFileHandle(CFileHandle&& other) noexcept : m_h(std::exchange(other.m_h, INVALID_HANDLE_VALUE))
{
}

CFileHandle& CFileHandle::operator=(CFileHandle&& other) noexcept
{
    if (this != &other)
    {
        Close();
        m_h = std::exchange(other.m_h, INVALID_HANDLE_VALUE);
    }
    return *this;
}

bool CFileHandle::Close()
{
    if (m_h == INVALID_HANDLE_VALUE)
        return true;
    bool ok = CloseHandle(m_h) != FALSE;
    m_h = INVALID_HANDLE_VALUE;
    return ok;
}

bool CFileHandle::OpenRead(const std::wstring& platformPath)
{
    Close();
    if (platformPath.empty())
        return false;
    // Others may go on using the file as with the C runtime's fopen; sharing deletion lets
    // the finished result replace this very file.
    m_h = CreateFileW(platformPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return IsOpen();
}

bool CFileHandle::OpenExistingForWrite(const std::wstring& platformPath)
{
    Close();
    if (platformPath.empty())
        return false;
    m_h = CreateFileW(platformPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CFileHandle::CreateNew(const std::wstring& platformPath)
{
    Close();
    if (platformPath.empty())
        return false;
    m_h = CreateFileW(platformPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return IsOpen();
}

bool CFileHandle::Read(void* buffer, DWORD size, DWORD& got) const
{
    got = 0;
    return ReadFile(m_h, buffer, size, &got, nullptr) != FALSE;
}

bool CFileHandle::ReadFull(void* buffer, DWORD size, DWORD& got) const
{
    got = 0;
    while (got < size)
    {
        DWORD n = 0;
        if (!ReadFile(m_h, static_cast<BYTE*>(buffer) + got, size - got, &n, nullptr))
            return false;
        if (n == 0)
            break;
        got += n;
    }
    return true;
}

bool CFileHandle::Write(const void* data, DWORD size) const
{
    const BYTE* p = static_cast<const BYTE*>(data);
    while (size)
    {
        DWORD written = 0;
        if (!WriteFile(m_h, p, size, &written, nullptr) || written == 0)
            return false;
        p += written;
        size -= written;
    }
    return true;
}

bool CFileHandle::Skip(uint64_t count) const
{
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(count);
    return SetFilePointerEx(m_h, distance, nullptr, FILE_CURRENT) != FALSE;
}

bool CFileHandle::Size(uint64_t& size) const
{
    LARGE_INTEGER s;
    if (!GetFileSizeEx(m_h, &s))
        return false;
    size = static_cast<uint64_t>(s.QuadPart);
    return true;
}

bool CFileHandle::Position(uint64_t& position) const
{
    LARGE_INTEGER zero, now;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(m_h, zero, &now, FILE_CURRENT))
        return false;
    position = static_cast<uint64_t>(now.QuadPart);
    return true;
}

bool CFileHandle::Flush() const
{
    return FlushFileBuffers(m_h) != FALSE;
}
