// Real certificates for tests: RSA key pairs in named key containers of the default full RSA
// provider and certificates with a chosen serial number, key usage and names, put into the
// current user's MY or ADDRESSBOOK store of the throwaway prefix. Everything a fixture object
// added is removed again by its destructor (key pairs at the end of the test program: they
// are slow to make, so one pair per size and name serves the whole run).
//
//   CTestCertificates certs;
//   CTestCertificates::Options o;
//   o.serial = "00AB01";            // serial-number text, most significant byte first
//   o.usage = CTestCertificates::Usage::KeyEncipherment;
//   o.subject = "张三";              // GBK in the binary, like every text of the system
//   CTestCertificates::Certificate c = certs.Add(o);           // into MY, private key linked
//   ... c.serial, c.der ...
//   certs.Remove(c.serial);          // e.g. "deleted after the dialog listed it"
//
// The serial's bytes are stored exactly as the text says, a leading zero byte included.
// Serial numbers of concurrently running test programs share the stores; leave `serial`
// empty for a random one unless the test is about the serial itself.
// Build it into the test:  zoz_add_test(name SOURCES a.cpp
//                            ${ZOZ_SOURCE_DIR}/tests/support/CTestCertificates.cpp)
#pragma once
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

class CTestCertificates
{
public:
    enum class Usage
    {
        None,              // no key-usage extension
        Signature,         // 0x80 only
        KeyEncipherment,   // 0x20 only
        DataEncipherment,  // 0x10 only
    };
    enum class Store
    {
        My,
        AddressBook,
        Nowhere,  // only made (der filled), not stored
    };
    struct Options
    {
        std::string serial;            // hex text, most significant byte first; empty: random
        DWORD bits = 1024;             // 1024, 2048 or 4096 (4096 is slow under Wine)
        std::string keyName = "a";     // different names give different key pairs of one size
        Usage usage = Usage::KeyEncipherment;
        std::string subject = "ZoZ Test";  // common name, GBK
        std::string issuer;                // common name, GBK; empty: same as subject
        Store store = Store::My;
        bool linkPrivateKey = true;        // CERT_KEY_PROV_INFO_PROP_ID, MY only
        DWORD provInfoKeySpec = AT_KEYEXCHANGE;  // key spec recorded in the link
        bool foreignPublicKey = false;     // subject key of an algorithm RSA providers cannot import
    };
    struct Certificate
    {
        std::string serial;      // the serial-number text (upper case)
        std::string container;   // key container of the private key
        std::vector<BYTE> der;   // the encoded certificate
        Store store;
    };

    CTestCertificates() = default;
    ~CTestCertificates();
    CTestCertificates(const CTestCertificates&) = delete;
    CTestCertificates& operator=(const CTestCertificates&) = delete;

    // Makes a certificate; on failure the test fails (ADD_FAILURE) and the result's der is empty.
    Certificate Add(const Options& options);
    // Removes the certificate(s) with this serial text that this object added.
    void Remove(const std::string& serial);
    void RemoveAll();

    // The key container holding the pair for (bits, keyName), made on first use.
    static std::string KeyContainer(DWORD bits, const std::string& keyName);
    // A random serial text of 16 bytes without a leading zero.
    static std::string RandomSerial();
    // Deletes from `storeName` every certificate whose encoding equals `der`.
    static void DeleteFromStore(const char* storeName, const std::vector<BYTE>& der);

private:
    std::vector<Certificate> m_added;
};
