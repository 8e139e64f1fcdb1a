#include "tests/support/CTestFolder.h"

#include <windows.h>

#include <cstdio>

#include "engine/CFileHandle.h"
#include "engine/CFilePath.h"

namespace
{
void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
            {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}
}  // namespace

CTestFolder::CTestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    static unsigned counter = 0;
    for (;;)
    {
        char name[64];
        std::snprintf(name, sizeof(name), "zoz-%lu-%lu-%u\\", static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(GetTickCount()), ++counter);
        m_path = std::string(temp) + name;
        if (CreateDirectoryA(m_path.c_str(), nullptr))
            break;
    }
}

CTestFolder::~CTestFolder()
{
    RemoveTree(CFilePath::ToPlatform(m_path) + (m_path.back() == '\\' ? L"" : L"\\"));
}

bool CTestFolder::Write(const std::string& path, const std::string& bytes)
{
    std::wstring wide = CFilePath::ToPlatform(path);
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size())
    {
        DWORD step = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24)), written = 0;
        ok = WriteFile(h, bytes.data() + done, step, &written, nullptr) && written == step;
        done += step;
    }
    return CloseHandle(h) && ok;
}

bool CTestFolder::Read(const std::string& path, std::string& bytes)
{
    bytes.clear();
    CFileHandle file;
    uint64_t size = 0;
    if (!file.OpenRead(CFilePath::ToPlatform(path)) || !file.Size(size))
        return false;
    bytes.resize(static_cast<size_t>(size));
    DWORD got = 0;
    return size == 0 || (file.ReadFull(&bytes[0], static_cast<DWORD>(size), got) && got == size);
}

bool CTestFolder::Exists(const std::string& path)
{
    return GetFileAttributesW(CFilePath::ToPlatform(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CTestFolder::MakeFolder(const std::string& path)
{
    return CreateDirectoryW(CFilePath::ToPlatform(path).c_str(), nullptr) != FALSE;
}

std::vector<std::string> CTestFolder::Names() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((m_path + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::string CTestFolder::Pattern(size_t n, unsigned seed)
{
    std::string bytes(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i)
    {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 16);
    }
    return bytes;
}
