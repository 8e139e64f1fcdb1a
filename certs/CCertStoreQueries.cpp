#include "certs/CCertStoreQueries.h"

#include <cstring>

#include "engine/CCertStore.h"
#include "engine/CTqHead.h"

std::string CCertStoreQueries::SerialText(const CCertContext& cert)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    const BYTE* bytes = cert.SerialBytes();
    DWORD n = cert.SerialSize();
    text.reserve(2 * n);
    // The store keeps the number least significant byte first; the text reads the other way.
    for (DWORD i = n; i-- > 0;)
    {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

void CCertStoreQueries::SerialToText(const CCertContext& cert, char* text, size_t size)
{
    std::string serial = SerialText(cert);
    size_t used = strnlen(text, size);
    if (used + serial.size() < size)
        std::memcpy(text + used, serial.c_str(), serial.size() + 1);
}

bool CCertStoreQueries::HasEnciphermentUsage(const CCertContext& cert)
{
    return (cert.KeyUsageByte() & (CERT_KEY_ENCIPHERMENT_KEY_USAGE | CERT_DATA_ENCIPHERMENT_KEY_USAGE)) != 0;
}

void CCertStoreQueries::SerialToText(PCCERT_CONTEXT cert, char* text, size_t size)
{
    SerialToText(CCertContext::Reference(cert), text, size);
}

std::string CCertStoreQueries::SerialText(PCCERT_CONTEXT cert)
{
    return SerialText(CCertContext::Reference(cert));
}

bool CCertStoreQueries::HasEnciphermentUsage(PCCERT_CONTEXT cert)
{
    return HasEnciphermentUsage(CCertContext::Reference(cert));
}

void CCertStoreQueries::ListEncryptionCertificates(const char* storeName, CertListing& listing)
{
    listing.Clear();
    CCertStore store;
    if (!store.OpenSystem(storeName))
        return;
    for (CCertContext cert; store.Next(cert);)
    {
        if (!HasEnciphermentUsage(cert))
            continue;
        listing.Add(cert.DisplayName(false), cert.DisplayName(true), SerialText(cert));
    }
}

CCertContext CCertStoreQueries::FindInStore(const char* storeName, const std::string& serial)
{
    CCertStore store;
    if (!store.OpenSystem(storeName))
        return CCertContext();
    for (CCertContext cert; store.Next(cert);)
    {
        if (CTqHead::SerialEquals(SerialText(cert), serial))
            return cert;
    }
    return CCertContext();
}

CCertContext CCertStoreQueries::FindMyCertificate(const std::string& serial)
{
    return FindInStore("MY", serial);
}

std::vector<CDecryptionCandidate> CCertStoreQueries::ListDecryptionCandidates(const std::vector<std::string>& serials)
{
    std::vector<CDecryptionCandidate> candidates;
    CCertStore store;
    if (!store.OpenSystem("MY"))
        return candidates;
    for (CCertContext cert; store.Next(cert);)
    {
        std::string text = SerialText(cert);
        for (const std::string& serial : serials)
        {
            if (CTqHead::SerialEquals(text, serial))
                candidates.push_back({cert.DisplayName(false), serial});
        }
    }
    return candidates;
}
