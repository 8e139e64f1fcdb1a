#include "engine/CCertContext.h"

#include <utility>

CCertContext::~CCertContext()
{
    Reset();
}

CCertContext::CCertContext(CCertContext&& other) noexcept : m_p(std::exchange(other.m_p, nullptr))
{
}

CCertContext& CCertContext::operator=(CCertContext&& other) noexcept
{
    if (this != &other)
        Reset(std::exchange(other.m_p, nullptr));
    return *this;
}

void CCertContext::Reset(PCCERT_CONTEXT context)
{
    if (m_p)
        CertFreeCertificateContext(m_p);
    m_p = context;
}

PCCERT_CONTEXT CCertContext::Release()
{
    return std::exchange(m_p, nullptr);
}

CCertContext CCertContext::Duplicate() const
{
    return CCertContext(m_p ? CertDuplicateCertificateContext(m_p) : nullptr);
}

CCertContext CCertContext::Reference(PCCERT_CONTEXT context)
{
    return CCertContext(context ? CertDuplicateCertificateContext(context) : nullptr);
}

bool CCertContext::CreateFromEncoded(const void* der, DWORD size)
{
    Reset(CertCreateCertificateContext(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, static_cast<const BYTE*>(der), size));
    return m_p != nullptr;
}

bool CCertContext::CreateFromText(const char* text, DWORD size)
{
    DWORD length = 0;
    if (!CryptStringToBinaryA(text, size, CRYPT_STRING_BASE64_ANY, nullptr, &length, nullptr, nullptr))
        return false;
    std::vector<BYTE> der(length);
    if (!CryptStringToBinaryA(text, size, CRYPT_STRING_BASE64_ANY, der.data(), &length, nullptr, nullptr))
        return false;
    return CreateFromEncoded(der.data(), length);
}

std::string CCertContext::DisplayName(bool issuer) const
{
    char name[1024] = {};
    CertGetNameStringA(m_p, CERT_NAME_SIMPLE_DISPLAY_TYPE, issuer ? CERT_NAME_ISSUER_FLAG : 0, nullptr, name,
                       sizeof(name));
    name[sizeof(name) - 1] = 0;
    return name;
}

BYTE CCertContext::KeyUsageByte() const
{
    BYTE usage = 0;
    // Without the extension the call fails and leaves the byte zero: no usage.
    if (!CertGetIntendedKeyUsage(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, m_p->pCertInfo, &usage, 1))
        usage = 0;
    return usage;
}

bool CCertContext::SetKeyProvInfo(const wchar_t* container, const wchar_t* provider, DWORD provType,
                                  DWORD keySpec) const
{
    CRYPT_KEY_PROV_INFO info = {};
    info.pwszContainerName = const_cast<wchar_t*>(container);
    info.pwszProvName = const_cast<wchar_t*>(provider);
    info.dwProvType = provType;
    info.dwKeySpec = keySpec;
    return CertSetCertificateContextProperty(m_p, CERT_KEY_PROV_INFO_PROP_ID, 0, &info) != FALSE;
}

bool CCertContext::GetKeyProvInfo(std::vector<BYTE>& info) const
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(m_p, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size))
        return false;
    info.resize(size);
    return CertGetCertificateContextProperty(m_p, CERT_KEY_PROV_INFO_PROP_ID, info.data(), &size) != FALSE;
}

bool CCertContext::DeleteFromStore()
{
    // The platform frees the context it is given, even on failure.
    return m_p && CertDeleteCertificateFromStore(Release()) != FALSE;
}
