// Owner of one CryptoAPI key: a session key, an imported public key or a user key pair.
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <vector>

class CCryptKey
{
public:
    CCryptKey() = default;
    ~CCryptKey();
    CCryptKey(CCryptKey&& other) noexcept;
    CCryptKey& operator=(CCryptKey&& other) noexcept;
    CCryptKey(const CCryptKey&) = delete;
    CCryptKey& operator=(const CCryptKey&) = delete;

    HCRYPTKEY Get() const { return m_h; }
    bool IsValid() const { return m_h != 0; }
    // Takes ownership of a handle the platform just produced.
    void Reset(HCRYPTKEY h = 0);

    // Encrypts `length` bytes in place, chained across calls; `final` adds the padding, so
    // `capacity` must leave room for one more block.
    bool Encrypt(bool final, BYTE* data, DWORD& length, DWORD capacity) const;
    // Decrypts in place, chained; `final` removes and checks the padding.
    bool Decrypt(bool final, BYTE* data, DWORD& length) const;
    // Size of this key exported as a SIMPLEBLOB under `publicKey`.
    bool SimpleBlobSize(const CCryptKey& publicKey, DWORD& size) const;
    // The SIMPLEBLOB itself; `size` is the capacity on entry and the blob length on return.
    bool ExportSimpleBlob(const CCryptKey& publicKey, BYTE* blob, DWORD& size) const;
    // The key pair as a PRIVATEKEYBLOB (the key must be exportable).
    bool ExportPrivate(std::vector<BYTE>& blob) const;
    // Key length in bits (KP_KEYLEN).
    bool BitLength(DWORD& bits) const;

private:
    HCRYPTKEY m_h = 0;
};
