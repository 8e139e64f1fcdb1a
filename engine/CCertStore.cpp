#include "engine/CCertStore.h"

#include <utility>

CCertStore::~CCertStore()
{
    Close();
}

CCertStore::CCertStore(CCertStore&& other) noexcept : m_h(std::exchange(other.m_h, nullptr))
{
}

CCertStore& CCertStore::operator=(CCertStore&& other) noexcept
{
    if (this != &other)
    {
        Close();
        m_h = std::exchange(other.m_h, nullptr);
    }
    return *this;
}

void CCertStore::Close()
{
    // Contexts still held by callers stay valid after the store is closed.
    if (m_h)
        CertCloseStore(m_h, 0);
    m_h = nullptr;
}

bool CCertStore::OpenSystem(const char* name)
{
    Close();
    m_h = CertOpenSystemStoreA(0, name);
    return m_h != nullptr;
}

bool CCertStore::OpenSystemRegistry(const char* name)
{
    Close();
    m_h = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
    return m_h != nullptr;
}

bool CCertStore::OpenMemory()
{
    Close();
    m_h = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    return m_h != nullptr;
}

bool CCertStore::ImportPfx(const void* data, DWORD size, const wchar_t* password, DWORD flags)
{
    Close();
    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(static_cast<const BYTE*>(data))};
    m_h = PFXImportCertStore(&blob, password ? password : L"", flags);
    return m_h != nullptr;
}

bool CCertStore::IsPfx(const void* data, DWORD size)
{
    CRYPT_DATA_BLOB blob = {size, const_cast<BYTE*>(static_cast<const BYTE*>(data))};
    return PFXIsPFXBlob(&blob) != FALSE;
}

bool CCertStore::Next(CCertContext& cursor) const
{
    if (!m_h)
    {
        cursor.Reset();
        return false;
    }
    cursor.Reset(CertEnumCertificatesInStore(m_h, cursor.Release()));
    return static_cast<bool>(cursor);
}

bool CCertStore::AddAlways(const CCertContext& cert, CCertContext* added) const
{
    PCCERT_CONTEXT copy = nullptr;
    if (!CertAddCertificateContextToStore(m_h, cert.Get(), CERT_STORE_ADD_ALWAYS, added ? &copy : nullptr))
        return false;
    if (added)
        added->Reset(copy);
    return true;
}

bool CCertStore::ExportPfx(const wchar_t* password, std::vector<BYTE>& out) const
{
    CRYPT_DATA_BLOB blob = {0, nullptr};
    const DWORD flags = EXPORT_PRIVATE_KEYS | REPORT_NO_PRIVATE_KEY | REPORT_NOT_ABLE_TO_EXPORT_PRIVATE_KEY;
    if (!PFXExportCertStoreEx(m_h, &blob, password, nullptr, flags))
        return false;
    out.resize(blob.cbData);
    blob.pbData = out.data();
    if (!PFXExportCertStoreEx(m_h, &blob, password, nullptr, flags))
        return false;
    out.resize(blob.cbData);
    return true;
}
