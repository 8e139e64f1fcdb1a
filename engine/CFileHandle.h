// Owner of one Win32 file handle, with the few operations the engine needs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class CFileHandle
{
public:
    CFileHandle() = default;
    ~CFileHandle();
    CFileHandle(CFileHandle&& other) noexcept;
    CFileHandle& operator=(CFileHandle&& other) noexcept;
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    // Closes; false if the platform reports an error (data may not have reached the disk).
    bool Close();

    // Opens an existing file for reading.
    bool OpenRead(const std::wstring& platformPath);
    // Opens an existing file for writing without changing it (a probe that it is writable).
    bool OpenExistingForWrite(const std::wstring& platformPath);
    // Creates a file that must not exist yet.
    bool CreateNew(const std::wstring& platformPath);

    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    bool Read(void* buffer, DWORD size, DWORD& got) const;
    // Reads until `size` bytes are read or the file ends.
    bool ReadFull(void* buffer, DWORD size, DWORD& got) const;
    bool Write(const void* data, DWORD size) const;
    bool Skip(uint64_t count) const;
    bool Size(uint64_t& size) const;
    bool Position(uint64_t& position) const;
    bool Flush() const;

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};
