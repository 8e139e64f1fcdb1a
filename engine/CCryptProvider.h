// Owner of one CryptoAPI provider context, and the operations that need one.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "engine/CCertContext.h"
#include "engine/CCryptHash.h"
#include "engine/CCryptKey.h"

class CCryptProvider
{
public:
    CCryptProvider() = default;
    ~CCryptProvider();
    CCryptProvider(CCryptProvider&& other) noexcept;
    CCryptProvider& operator=(CCryptProvider&& other) noexcept;
    CCryptProvider(const CCryptProvider&) = delete;
    CCryptProvider& operator=(const CCryptProvider&) = delete;

    HCRYPTPROV Get() const { return m_h; }
    bool IsValid() const { return m_h != 0; }
    void Release();

    // A key container of the default full RSA provider, with CryptAcquireContextA's flags
    // (0 to open, CRYPT_NEWKEYSET to create).
    bool Acquire(const char* container, DWORD flags);
    // A key container of a named provider (wide names, as certificate properties keep them).
    bool Acquire(const wchar_t* container, const wchar_t* provider, DWORD provType, DWORD flags);
    // The container opened, or created empty when it cannot be opened.
    bool OpenOrCreate(const char* container);
    // A context without a container: hashing, random bytes, session keys.
    bool AcquireVerifyContext();
    // The provider of a certificate's private key (CRYPT_ACQUIRE_COMPARE_KEY_FLAG).
    bool AcquireForCertificate(const CCertContext& cert, DWORD& keySpec);
    // Deletes a key container of the default full RSA provider.
    static bool DeleteContainer(const char* container);

    bool GenRandom(void* buffer, DWORD length) const;
    bool CreateHash(ALG_ID algorithm, CCryptHash& hash) const;
    bool DeriveKey(ALG_ID algorithm, const CCryptHash& hash, DWORD flags, CCryptKey& key) const;
    // A key pair in the container; `bits` in the upper word as CryptGenKey wants it.
    bool GenerateKeyPair(DWORD keySpec, DWORD bits, DWORD flags, CCryptKey& key) const;
    bool ImportPublicKey(const CCertContext& cert, CCryptKey& key) const;
    bool ImportPublicKey(const CERT_PUBLIC_KEY_INFO& info, CCryptKey& key) const;
    bool GetUserKey(DWORD keySpec, CCryptKey& key) const;
    bool ImportKey(const void* blob, DWORD size, const CCryptKey& unwrapKey, CCryptKey& key, DWORD flags = 0) const;
    // Names of the key containers of the default full RSA provider.
    static bool EnumContainers(std::vector<std::string>& names);
    // The public half of the container's key pair, DER-encoded CERT_PUBLIC_KEY_INFO.
    bool ExportPublicKeyInfo(DWORD keySpec, std::vector<BYTE>& info) const;
    // Signs `info` with the container's private key (SHA-1 with RSA, which every full RSA provider offers) and encodes the certificate.
    bool SignAndEncodeCertificate(DWORD keySpec, const CERT_INFO& info, std::vector<BYTE>& der) const;

private:
    HCRYPTPROV m_h = 0;
    bool m_owned = true;
};
