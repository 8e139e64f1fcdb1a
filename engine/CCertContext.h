// Owner of one certificate context (a reference the platform counts).
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

class CCertContext
{
public:
    CCertContext() = default;
    explicit CCertContext(PCCERT_CONTEXT context) : m_p(context) {}
    ~CCertContext();
    CCertContext(CCertContext&& other) noexcept;
    CCertContext& operator=(CCertContext&& other) noexcept;
    CCertContext(const CCertContext&) = delete;
    CCertContext& operator=(const CCertContext&) = delete;

    PCCERT_CONTEXT Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset(PCCERT_CONTEXT context = nullptr);
    // Hands the reference to the caller (e.g. to the store's enumeration, which frees it).
    PCCERT_CONTEXT Release();
    // A second reference to the same certificate.
    CCertContext Duplicate() const;
    // An own reference to a context that someone else holds (and keeps).
    static CCertContext Reference(PCCERT_CONTEXT context);

    // Decodes DER (X.509) bytes.
    bool CreateFromEncoded(const void* der, DWORD size);

    // Decodes a PEM ("-----BEGIN CERTIFICATE-----") or bare base64 text.
    bool CreateFromText(const char* text, DWORD size);

    // Serial number bytes as the store keeps them, least significant first.
    const BYTE* SerialBytes() const { return m_p->pCertInfo->SerialNumber.pbData; }
    DWORD SerialSize() const { return m_p->pCertInfo->SerialNumber.cbData; }
    // Simple display form of the subject name, or of the issuer name; empty when the platform
    // produces none. At most 1023 bytes.
    std::string DisplayName(bool issuer) const;
    // First byte of the key-usage bit string; 0 without the extension.
    BYTE KeyUsageByte() const;
    // The encoded certificate.
    const BYTE* Encoded() const { return m_p->pbCertEncoded; }
    DWORD EncodedSize() const { return m_p->cbCertEncoded; }

    // Key provider information (CERT_KEY_PROV_INFO_PROP_ID): where the private key lives.
    bool SetKeyProvInfo(const wchar_t* container, const wchar_t* provider, DWORD provType, DWORD keySpec) const;
    bool GetKeyProvInfo(std::vector<BYTE>& info) const;
    // Removes the certificate from the store it came from; the reference is consumed.
    bool DeleteFromStore();

private:
    PCCERT_CONTEXT m_p = nullptr;
};
