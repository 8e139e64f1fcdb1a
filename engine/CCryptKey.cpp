#include "engine/CCryptKey.h"

#include <utility>

CCryptKey::~CCryptKey()
{
    Reset();
}

CCryptKey::CCryptKey(CCryptKey&& other) noexcept : m_h(std::exchange(other.m_h, 0))
{
}

CCryptKey& CCryptKey::operator=(CCryptKey&& other) noexcept
{
    if (this != &other)
        Reset(std::exchange(other.m_h, 0));
    return *this;
}

void CCryptKey::Reset(HCRYPTKEY h)
{
    if (m_h)
        CryptDestroyKey(m_h);
    m_h = h;
}

bool CCryptKey::Encrypt(bool final, BYTE* data, DWORD& length, DWORD capacity) const
{
    return CryptEncrypt(m_h, 0, final ? TRUE : FALSE, 0, data, &length, capacity) != FALSE;
}

bool CCryptKey::Decrypt(bool final, BYTE* data, DWORD& length) const
{
    return CryptDecrypt(m_h, 0, final ? TRUE : FALSE, 0, data, &length) != FALSE;
}

bool CCryptKey::SimpleBlobSize(const CCryptKey& publicKey, DWORD& size) const
{
    size = 0;
    return CryptExportKey(m_h, publicKey.m_h, SIMPLEBLOB, 0, nullptr, &size) != FALSE;
}

bool CCryptKey::ExportSimpleBlob(const CCryptKey& publicKey, BYTE* blob, DWORD& size) const
{
    return CryptExportKey(m_h, publicKey.m_h, SIMPLEBLOB, 0, blob, &size) != FALSE;
}

bool CCryptKey::ExportPrivate(std::vector<BYTE>& blob) const
{
    DWORD size = 0;
    if (!CryptExportKey(m_h, 0, PRIVATEKEYBLOB, 0, nullptr, &size))
        return false;
    blob.resize(size);
    if (!CryptExportKey(m_h, 0, PRIVATEKEYBLOB, 0, blob.data(), &size))
        return false;
    blob.resize(size);
    return true;
}

bool CCryptKey::BitLength(DWORD& bits) const
{
    DWORD size = sizeof(bits);
    return CryptGetKeyParam(m_h, KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &size, 0) != FALSE;
}
