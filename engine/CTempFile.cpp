#include "engine/CTempFile.h"

#include <windows.h>

#include <cwchar>

#include "engine/CFilePath.h"

CTempFile::~CTempFile()
{
    Discard();
}

bool CTempFile::Create(const std::wstring& destination)
{
    Discard();
    if (destination.empty())
        return false;
    // An existing destination must be replaceable, or the work would be lost at the end.
    DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
    {
        CFileHandle probe;
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) || !probe.OpenExistingForWrite(destination))
            return false;
    }
    static LONG counter = 0;
    std::wstring folder = CFilePath::Folder(destination);
    for (int attempt = 0; attempt < 64; ++attempt)
    {
        wchar_t name[48];
        swprintf(name, sizeof(name) / sizeof(name[0]), L"~tq%04lX%04lX%04lX.tmp",
                 static_cast<unsigned long>(GetCurrentProcessId() & 0xFFFF),
                 static_cast<unsigned long>(InterlockedIncrement(&counter) & 0xFFFF),
                 static_cast<unsigned long>(GetTickCount() & 0xFFFF));
        std::wstring path = folder + name;
        if (m_file.CreateNew(path))
        {
            m_path = path;
            m_destination = destination;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CTempFile::Finish()
{
    if (m_path.empty())
        return false;
    bool flushed = m_file.Flush();
    return m_file.Close() && flushed;
}

bool CTempFile::Replace()
{
    if (m_path.empty() || m_file.IsOpen())
        return false;
    if (!MoveFileExW(m_path.c_str(), m_destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    m_path.clear();
    return true;
}

void CTempFile::Discard()
{
    m_file.Close();
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
    m_path.clear();
}
