#include "tests/support/CTestCertificates.h"

#include <gtest/gtest.h>

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "engine/CCertContext.h"
#include "engine/CCertStore.h"
#include "engine/CCryptKey.h"
#include "engine/CCryptProvider.h"
#include "engine/CFilePath.h"

namespace
{
// Key pairs of the run, deleted when the program ends.
class CKeyCache
{
public:
    ~CKeyCache()
    {
        for (auto& entry : m_containers)
            CCryptProvider::DeleteContainer(entry.second.c_str());
    }
    std::string Get(DWORD bits, const std::string& name)
    {
        auto key = std::make_pair(bits, name);
        auto found = m_containers.find(key);
        if (found != m_containers.end())
            return found->second;
        char container[96];
        std::snprintf(container, sizeof(container), "zoz-test-%lu-%lu-%s", static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(bits), name.c_str());
        CCryptProvider::DeleteContainer(container);
        CCryptProvider provider;
        CCryptKey pair;
        if (!provider.Acquire(container, CRYPT_NEWKEYSET) ||
            !provider.GenerateKeyPair(AT_KEYEXCHANGE, bits, CRYPT_EXPORTABLE, pair))
        {
            ADD_FAILURE() << "no " << bits << "-bit key pair in " << container << ": " << GetLastError();
            return std::string();
        }
        m_containers[key] = container;
        return container;
    }

private:
    std::map<std::pair<DWORD, std::string>, std::string> m_containers;
};

CKeyCache& Keys()
{
    static CKeyCache cache;
    return cache;
}

std::vector<BYTE> Encode(LPCSTR type, const void* value)
{
    std::vector<BYTE> out;
    DWORD size = 0;
    if (!CryptEncodeObject(X509_ASN_ENCODING, type, value, nullptr, &size))
        return out;
    out.resize(size);
    if (!CryptEncodeObject(X509_ASN_ENCODING, type, value, out.data(), &size))
        out.clear();
    out.resize(size);
    return out;
}

std::vector<BYTE> EncodeCommonName(const std::string& gbkName)
{
    std::wstring wide = CFilePath::Widen(gbkName);
    CERT_RDN_ATTR attr = {};
    attr.pszObjId = const_cast<char*>(szOID_COMMON_NAME);
    attr.dwValueType = CERT_RDN_UTF8_STRING;
    attr.Value.cbData = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
    attr.Value.pbData = reinterpret_cast<BYTE*>(&wide[0]);
    CERT_RDN rdn = {1, &attr};
    CERT_NAME_INFO name = {1, &rdn};
    return Encode(X509_UNICODE_NAME, &name);
}

std::vector<BYTE> SerialBytes(const std::string& text)
{
    // Stored least significant byte first.
    std::vector<BYTE> bytes;
    for (size_t i = text.size(); i >= 2; i -= 2)
        bytes.push_back(static_cast<BYTE>(std::stoul(text.substr(i - 2, 2), nullptr, 16)));
    return bytes;
}

// Encodes and signs `info`, with the serial number's bytes exactly as given (least significant
// first), a leading zero byte included.
bool SignWithExactSerial(const CCryptProvider& provider, const CERT_INFO& info, const std::vector<BYTE>& serial,
                         std::vector<BYTE>& der)
{
    std::vector<BYTE> toBeSigned = Encode(X509_CERT_TO_BE_SIGNED, &info);
    if (toBeSigned.empty())
        return false;
    // The INTEGER of the serial: tag 02, length, bytes most significant first.
    std::vector<BYTE> placeholder = {0x02, static_cast<BYTE>(serial.size())};
    placeholder.insert(placeholder.end(), info.SerialNumber.pbData, info.SerialNumber.pbData + serial.size());
    std::reverse(placeholder.begin() + 2, placeholder.end());
    auto at = std::search(toBeSigned.begin(), toBeSigned.end(), placeholder.begin(), placeholder.end());
    if (at == toBeSigned.end() || serial.size() > 126)
        return false;
    std::reverse_copy(serial.begin(), serial.end(), at + 2);

    CRYPT_ALGORITHM_IDENTIFIER algorithm = {};
    algorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    DWORD size = 0;
    if (!CryptSignCertificate(provider.Get(), AT_KEYEXCHANGE, X509_ASN_ENCODING, toBeSigned.data(),
                              static_cast<DWORD>(toBeSigned.size()), &algorithm, nullptr, nullptr, &size))
        return false;
    std::vector<BYTE> signature(size);
    if (!CryptSignCertificate(provider.Get(), AT_KEYEXCHANGE, X509_ASN_ENCODING, toBeSigned.data(),
                              static_cast<DWORD>(toBeSigned.size()), &algorithm, nullptr, signature.data(), &size))
        return false;
    signature.resize(size);
    CERT_SIGNED_CONTENT_INFO signedInfo = {};
    signedInfo.ToBeSigned = {static_cast<DWORD>(toBeSigned.size()), toBeSigned.data()};
    signedInfo.SignatureAlgorithm = algorithm;
    signedInfo.Signature = {static_cast<DWORD>(signature.size()), signature.data(), 0};
    der = Encode(X509_CERT, &signedInfo);
    return !der.empty();
}

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}
}  // namespace

CTestCertificates::~CTestCertificates()
{
    RemoveAll();
}

std::string CTestCertificates::KeyContainer(DWORD bits, const std::string& keyName)
{
    return Keys().Get(bits, keyName);
}

std::string CTestCertificates::RandomSerial()
{
    CCryptProvider provider;
    BYTE random[16] = {};
    if (!provider.AcquireVerifyContext() || !provider.GenRandom(random, sizeof(random)))
        ADD_FAILURE() << "no random serial";
    random[0] |= 0x40;
    random[0] &= 0x7F;
    std::string text;
    char hex[3];
    for (BYTE b : random)
    {
        std::snprintf(hex, sizeof(hex), "%02X", b);
        text += hex;
    }
    return text;
}

CTestCertificates::Certificate CTestCertificates::Add(const Options& options)
{
    Certificate made;
    made.serial = Upper(options.serial.empty() ? RandomSerial() : options.serial);
    made.store = options.store;
    made.container = KeyContainer(options.bits, options.keyName);
    if (made.container.empty())
        return made;

    CCryptProvider provider;
    if (!provider.Acquire(made.container.c_str(), 0))
    {
        ADD_FAILURE() << "key container " << made.container << " not opened";
        return made;
    }
    std::vector<BYTE> publicKey;
    if (!provider.ExportPublicKeyInfo(AT_KEYEXCHANGE, publicKey))
    {
        ADD_FAILURE() << "public key not exported";
        return made;
    }

    std::vector<BYTE> serial = SerialBytes(made.serial);
    // The encoder drops a leading zero byte that DER would not need; a placeholder first byte
    // is encoded instead and put right afterwards.
    std::vector<BYTE> encodedSerial = serial;
    if (!encodedSerial.empty() && encodedSerial.back() == 0)
        encodedSerial.back() = 0x5A;
    std::vector<BYTE> subject = EncodeCommonName(options.subject);
    std::vector<BYTE> issuer = EncodeCommonName(options.issuer.empty() ? options.subject : options.issuer);

    CERT_INFO info = {};
    info.dwVersion = CERT_V3;
    info.SerialNumber = {static_cast<DWORD>(encodedSerial.size()), encodedSerial.data()};
    info.SignatureAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_SHA1RSA);
    info.Issuer = {static_cast<DWORD>(issuer.size()), issuer.data()};
    info.Subject = {static_cast<DWORD>(subject.size()), subject.data()};
    SYSTEMTIME now;
    GetSystemTime(&now);
    SYSTEMTIME from = now, to = now;
    from.wYear = static_cast<WORD>(now.wYear - 1);
    to.wYear = static_cast<WORD>(now.wYear + 5);
    from.wDay = to.wDay = 1;
    SystemTimeToFileTime(&from, &info.NotBefore);
    SystemTimeToFileTime(&to, &info.NotAfter);

    const CERT_PUBLIC_KEY_INFO* rsaKey = reinterpret_cast<const CERT_PUBLIC_KEY_INFO*>(publicKey.data());
    BYTE foreignKey[] = {0x04, 0x41, 0x04, 0x01, 0x02, 0x03};
    if (options.foreignPublicKey)
    {
        // An elliptic-curve OID over a few bytes: no RSA provider imports it.
        info.SubjectPublicKeyInfo.Algorithm.pszObjId = const_cast<char*>("1.2.840.10045.2.1");
        info.SubjectPublicKeyInfo.PublicKey = {sizeof(foreignKey), foreignKey, 0};
    }
    else
    {
        info.SubjectPublicKeyInfo = *rsaKey;
    }

    std::vector<BYTE> usage;
    CERT_EXTENSION extension = {};
    BYTE usageByte = 0;
    switch (options.usage)
    {
    case Usage::None: break;
    case Usage::Signature: usageByte = CERT_DIGITAL_SIGNATURE_KEY_USAGE; break;
    case Usage::KeyEncipherment: usageByte = CERT_KEY_ENCIPHERMENT_KEY_USAGE; break;
    case Usage::DataEncipherment: usageByte = CERT_DATA_ENCIPHERMENT_KEY_USAGE; break;
    }
    if (usageByte)
    {
        CRYPT_BIT_BLOB bits = {1, &usageByte, 0};
        usage = Encode(X509_KEY_USAGE, &bits);
        extension.pszObjId = const_cast<char*>(szOID_KEY_USAGE);
        extension.fCritical = TRUE;
        extension.Value = {static_cast<DWORD>(usage.size()), usage.data()};
        info.cExtension = 1;
        info.rgExtension = &extension;
    }

    if (!SignWithExactSerial(provider, info, serial, made.der))
    {
        ADD_FAILURE() << "certificate not signed: " << GetLastError();
        made.der.clear();
        return made;
    }
    if (options.store == Store::Nowhere)
        return made;

    CCertContext cert;
    CCertStore store;
    const char* storeName = options.store == Store::My ? "MY" : "ADDRESSBOOK";
    CCertContext added;
    if (!cert.CreateFromEncoded(made.der.data(), static_cast<DWORD>(made.der.size())) ||
        !store.OpenSystem(storeName) || !store.AddAlways(cert, &added))
    {
        ADD_FAILURE() << "certificate not stored in " << storeName;
        made.der.clear();
        return made;
    }
    if (options.store == Store::My && options.linkPrivateKey)
    {
        std::wstring container = CFilePath::Widen(made.container);
        if (!added.SetKeyProvInfo(container.c_str(), nullptr, PROV_RSA_FULL, options.provInfoKeySpec))
            ADD_FAILURE() << "private key not linked";
    }
    m_added.push_back(made);
    return made;
}

void CTestCertificates::DeleteFromStore(const char* storeName, const std::vector<BYTE>& der)
{
    auto matches = [&](const CCertContext& cert) {
        return cert.EncodedSize() == der.size() && std::equal(der.begin(), der.end(), cert.Encoded());
    };
    // Another program that had the store open may write a deleted certificate back when it
    // closes it; look again and repeat until it stays gone.
    for (int attempt = 0; attempt < 20; ++attempt)
    {
        {
            CCertStore store;
            if (!store.OpenSystemRegistry(storeName))
                return;
            std::vector<CCertContext> doomed;
            for (CCertContext cert; store.Next(cert);)
                if (matches(cert))
                    doomed.push_back(cert.Duplicate());
            for (CCertContext& cert : doomed)
                if (!cert.DeleteFromStore())
                    ADD_FAILURE() << "certificate not deleted from " << storeName << ": " << GetLastError();
        }
        bool present = false;
        CCertStore check;
        if (check.OpenSystem(storeName))
            for (CCertContext cert; check.Next(cert);)
                present = present || matches(cert);
        if (!present)
            return;
        Sleep(50);
    }
    ADD_FAILURE() << "certificate keeps coming back to " << storeName;
}

void CTestCertificates::Remove(const std::string& serial)
{
    for (auto it = m_added.begin(); it != m_added.end();)
    {
        if (it->serial == Upper(serial))
        {
            DeleteFromStore(it->store == Store::My ? "MY" : "ADDRESSBOOK", it->der);
            it = m_added.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

void CTestCertificates::RemoveAll()
{
    for (const Certificate& c : m_added)
        DeleteFromStore(c.store == Store::My ? "MY" : "ADDRESSBOOK", c.der);
    m_added.clear();
}
