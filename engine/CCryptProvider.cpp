#include "engine/CCryptProvider.h"

#include <utility>

CCryptProvider::~CCryptProvider()
{
    Release();
}

CCryptProvider::CCryptProvider(CCryptProvider&& other) noexcept
    : m_h(std::exchange(other.m_h, 0)), m_owned(other.m_owned)
{
}

CCryptProvider& CCryptProvider::operator=(CCryptProvider&& other) noexcept
{
    if (this != &other)
    {
        Release();
        m_h = std::exchange(other.m_h, 0);
        m_owned = other.m_owned;
    }
    return *this;
}

void CCryptProvider::Release()
{
    if (m_h && m_owned)
        CryptReleaseContext(m_h, 0);
    m_h = 0;
    m_owned = true;
}

bool CCryptProvider::Acquire(const char* container, DWORD flags)
{
    Release();
    HCRYPTPROV h = 0;
    if (!CryptAcquireContextA(&h, container, nullptr, PROV_RSA_FULL, flags))
        return false;
    m_h = h;
    return true;
}

bool CCryptProvider::Acquire(const wchar_t* container, const wchar_t* provider, DWORD provType, DWORD flags)
{
    Release();
    HCRYPTPROV h = 0;
    if (!CryptAcquireContextW(&h, container, provider, provType, flags))
        return false;
    m_h = h;
    return true;
}

bool CCryptProvider::OpenOrCreate(const char* container)
{
    return Acquire(container, 0) || Acquire(container, CRYPT_NEWKEYSET);
}

bool CCryptProvider::AcquireVerifyContext()
{
    return Acquire(nullptr, CRYPT_VERIFYCONTEXT);
}

bool CCryptProvider::AcquireForCertificate(const CCertContext& cert, DWORD& keySpec)
{
    Release();
    HCRYPTPROV h = 0;
    BOOL callerFrees = FALSE;
    keySpec = 0;
    if (!CryptAcquireCertificatePrivateKey(cert.Get(), CRYPT_ACQUIRE_COMPARE_KEY_FLAG, nullptr, &h, &keySpec,
                                           &callerFrees))
        return false;
    m_h = h;
    m_owned = callerFrees != FALSE;
    return true;
}

bool CCryptProvider::DeleteContainer(const char* container)
{
    HCRYPTPROV unused = 0;
    return CryptAcquireContextA(&unused, container, nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET) != FALSE;
}

bool CCryptProvider::GenRandom(void* buffer, DWORD length) const
{
    return CryptGenRandom(m_h, length, static_cast<BYTE*>(buffer)) != FALSE;
}

bool CCryptProvider::CreateHash(ALG_ID algorithm, CCryptHash& hash) const
{
    HCRYPTHASH h = 0;
    if (!CryptCreateHash(m_h, algorithm, 0, 0, &h))
        return false;
    hash.Reset(h);
    return true;
}

bool CCryptProvider::DeriveKey(ALG_ID algorithm, const CCryptHash& hash, DWORD flags, CCryptKey& key) const
{
    HCRYPTKEY h = 0;
    if (!CryptDeriveKey(m_h, algorithm, hash.Get(), flags, &h))
        return false;
    key.Reset(h);
    return true;
}

bool CCryptProvider::GenerateKeyPair(DWORD keySpec, DWORD bits, DWORD flags, CCryptKey& key) const
{
    HCRYPTKEY h = 0;
    if (!CryptGenKey(m_h, keySpec, (bits << 16) | flags, &h))
        return false;
    key.Reset(h);
    return true;
}

bool CCryptProvider::ImportPublicKey(const CCertContext& cert, CCryptKey& key) const
{
    return ImportPublicKey(cert.Get()->pCertInfo->SubjectPublicKeyInfo, key);
}

bool CCryptProvider::ImportPublicKey(const CERT_PUBLIC_KEY_INFO& info, CCryptKey& key) const
{
    HCRYPTKEY h = 0;
    if (!CryptImportPublicKeyInfo(m_h, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                  const_cast<CERT_PUBLIC_KEY_INFO*>(&info), &h))
        return false;
    key.Reset(h);
    return true;
}

bool CCryptProvider::GetUserKey(DWORD keySpec, CCryptKey& key) const
{
    HCRYPTKEY h = 0;
    if (!CryptGetUserKey(m_h, keySpec, &h))
        return false;
    key.Reset(h);
    return true;
}

bool CCryptProvider::ImportKey(const void* blob, DWORD size, const CCryptKey& unwrapKey, CCryptKey& key,
                               DWORD flags) const
{
    HCRYPTKEY h = 0;
    if (!CryptImportKey(m_h, static_cast<const BYTE*>(blob), size, unwrapKey.Get(), flags, &h))
        return false;
    key.Reset(h);
    return true;
}

bool CCryptProvider::ExportPublicKeyInfo(DWORD keySpec, std::vector<BYTE>& info) const
{
    DWORD size = 0;
    if (!CryptExportPublicKeyInfo(m_h, keySpec, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, nullptr, &size))
        return false;
    info.resize(size);
    if (!CryptExportPublicKeyInfo(m_h, keySpec, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                  reinterpret_cast<CERT_PUBLIC_KEY_INFO*>(info.data()), &size))
        return false;
    info.resize(size);
    return true;
}

bool CCryptProvider::SignAndEncodeCertificate(DWORD keySpec, const CERT_INFO& info, std::vector<BYTE>& der) const
{
    CRYPT_ALGORITHM_IDENTIFIER algorithm = {};
    algorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    DWORD size = 0;
    if (!CryptSignAndEncodeCertificate(m_h, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info, &algorithm,
                                       nullptr, nullptr, &size))
        return false;
    der.resize(size);
    if (!CryptSignAndEncodeCertificate(m_h, keySpec, X509_ASN_ENCODING, X509_CERT_TO_BE_SIGNED, &info, &algorithm,
                                       nullptr, der.data(), &size))
        return false;
    der.resize(size);
    return true;
}

bool CCryptProvider::EnumContainers(std::vector<std::string>& names)
{
    names.clear();
    CCryptProvider provider;
    if (!provider.AcquireVerifyContext())
        return false;
    DWORD flags = CRYPT_FIRST;
    for (;;)
    {
        char name[1024];
        DWORD size = sizeof(name);
        if (!CryptGetProvParam(provider.m_h, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &size, flags))
            return GetLastError() == ERROR_NO_MORE_ITEMS;
        name[sizeof(name) - 1] = 0;
        names.push_back(name);
        flags = CRYPT_NEXT;
    }
}
