#include "engine/CCryptHash.h"

#include <utility>

CCryptHash::~CCryptHash()
{
    Reset();
}

CCryptHash::CCryptHash(CCryptHash&& other) noexcept : m_h(std::exchange(other.m_h, 0))
{
}

CCryptHash& CCryptHash::operator=(CCryptHash&& other) noexcept
{
    if (this != &other)
        Reset(std::exchange(other.m_h, 0));
    return *this;
}

void CCryptHash::Reset(HCRYPTHASH h)
{
    if (m_h)
        CryptDestroyHash(m_h);
    m_h = h;
}

bool CCryptHash::HashData(const void* data, DWORD length) const
{
    return CryptHashData(m_h, static_cast<const BYTE*>(data), length, 0) != FALSE;
}
