// Read-only queries over the current user's certificate stores. Each call opens its store,
// scans it once in store order and closes it; nothing is cached. A store that cannot be
// opened counts as empty.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "certs/CertListing.h"
#include "engine/CCertContext.h"

struct CDecryptionCandidate
{
    std::string subject;  // subject display name of the certificate in MY
    std::string serial;   // the recipient serial text exactly as the caller gave it
};

class CCertStoreQueries
{
public:
    // Size of the caller's zeroed buffer for SerialToText.
    static const size_t kSerialBufferSize = 128;

    // Appends the serial-number text ("%02X" per byte, most significant byte first, leading
    // zero bytes kept) to the zeroed buffer `text` of `size` bytes. A serial that does not fit
    // is not written at all, so no buffer overflows and no shortened text names a certificate.
    static void SerialToText(const CCertContext& cert, char* text, size_t size = kSerialBufferSize);
    // The same text without a length limit.
    static std::string SerialText(const CCertContext& cert);
    // Key encipherment (0x20) or data encipherment (0x10) in the first key-usage byte.
    static bool HasEnciphermentUsage(const CCertContext& cert);
    // The same for a context the caller holds as the platform gave it.
    static void SerialToText(PCCERT_CONTEXT cert, char* text, size_t size = kSerialBufferSize);
    static std::string SerialText(PCCERT_CONTEXT cert);
    static bool HasEnciphermentUsage(PCCERT_CONTEXT cert);

    // Refills `listing` with the store's certificates that pass HasEnciphermentUsage.
    static void ListEncryptionCertificates(const char* storeName, CertListing& listing);
    // First certificate of MY whose serial text equals `serial` (case-insensitive); empty if none.
    static CCertContext FindMyCertificate(const std::string& serial);
    // First certificate of the named store whose serial text equals `serial`; empty if none.
    static CCertContext FindInStore(const char* storeName, const std::string& serial);
    // For each certificate of MY and each recipient serial text naming it, one candidate.
    static std::vector<CDecryptionCandidate> ListDecryptionCandidates(const std::vector<std::string>& serials);
};
