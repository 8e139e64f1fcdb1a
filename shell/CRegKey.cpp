#include "shell/CRegKey.h"

CRegKey::~CRegKey()
{
    Close();
}

LONG CRegKey::Open(HKEY parent, const char* name, REGSAM access)
{
    Close();
    return RegOpenKeyExA(parent, name, 0, access, &m_key);
}

LONG CRegKey::Open(HKEY parent, const wchar_t* name, REGSAM access)
{
    Close();
    return RegOpenKeyExW(parent, name, 0, access, &m_key);
}

LONG CRegKey::Create(HKEY parent, const char* name, REGSAM access)
{
    Close();
    return RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key,
                           nullptr);
}

void CRegKey::Close()
{
    if (m_key)
    {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
}
