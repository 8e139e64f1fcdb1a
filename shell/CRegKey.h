// Owner of one open registry key handle; closes it when it goes out of scope.
#pragma once
#include <windows.h>

class CRegKey
{
public:
    CRegKey() = default;
    ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens (or creates) a subkey of parent; the previous handle, if any, is closed first.
    LONG Open(HKEY parent, const char* name, REGSAM access);
    LONG Open(HKEY parent, const wchar_t* name, REGSAM access);
    LONG Create(HKEY parent, const char* name, REGSAM access);
    void Close();

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};
