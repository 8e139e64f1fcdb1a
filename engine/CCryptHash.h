// Owner of one CryptoAPI hash object.
#pragma once
#include <windows.h>
#include <wincrypt.h>

class CCryptHash
{
public:
    CCryptHash() = default;
    ~CCryptHash();
    CCryptHash(CCryptHash&& other) noexcept;
    CCryptHash& operator=(CCryptHash&& other) noexcept;
    CCryptHash(const CCryptHash&) = delete;
    CCryptHash& operator=(const CCryptHash&) = delete;

    HCRYPTHASH Get() const { return m_h; }
    void Reset(HCRYPTHASH h = 0);

    bool HashData(const void* data, DWORD length) const;

private:
    HCRYPTHASH m_h = 0;
};
