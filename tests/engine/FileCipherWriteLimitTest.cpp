// Run by run-limited.sh with files limited to 1 MiB: every write past that fails.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>

#include "certs/CCertStoreQueries.h"
#include "engine/CCertContext.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/CTestCertificates.h"

namespace
{
const char kImported[] = "3C4D5E6F7081";

// Takes the certificate that run-limited.sh imported, and its key, out again.
struct CImportedCertificate
{
    ~CImportedCertificate()
    {
        CCertContext cert = CCertStoreQueries::FindMyCertificate(kImported);
        if (!cert)
            return;
        std::vector<BYTE> info;
        if (cert.GetKeyProvInfo(info))
        {
            const CRYPT_KEY_PROV_INFO* key = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(info.data());
            CCryptProvider gone;
            gone.Acquire(key->pwszContainerName, key->pwszProvName, key->dwProvType, CRYPT_DELETEKEYSET);
        }
        CTestCertificates::DeleteFromStore("MY", std::vector<BYTE>(cert.Encoded(), cert.Encoded() + cert.EncodedSize()));
    }
};
}  // namespace

// Write errors of both operations: the codes and messages, and nothing left behind.
TEST(FileCipherWriteLimit, WriteErrors)
{
    CImportedCertificate imported;
    const char* prepared = std::getenv("ZOZ_LIMIT_DIR");
    ASSERT_TRUE(prepared) << "run through run-limited.sh";
    const std::string big = std::string(prepared) + "\\big.bin", bigTq = std::string(prepared) + "\\big.tq";
    CTestFolder dir;
    // The limit is in force.
    EXPECT_FALSE(CTestFolder::Write(dir / "probe", std::string(1100000, 'x')));
    DeleteFileA((dir / "probe").c_str());

    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(CTestCertificates::Options());
    ASSERT_TRUE(CTestFolder::Write(dir / "small", "a small plain file"));
    const std::string bigBytes = ReadAll(big);
    ASSERT_EQ(1500000u, bigBytes.size());

    // A list that ends just before the limit: the key record behind it crosses it.
    std::string nearLimit = me.serial + "&";
    nearLimit += std::string(1048576 - 4 - 10 - nearLimit.size(), 'z');
    struct Case
    {
        const char* what;
        std::string source, list;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"list not written", dir / "small", std::string(1100000, 'A'), 2011, "写密明文后的长度出错!"},
        {"key record not written", dir / "small", nearLimit, 2012, "写入会话密钥加密后的长度出错!"},
        {"content not written", big, me.serial + "&", 2013, "循环写到加密文件出错!"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CFileCipher cipher;
        EXPECT_EQ(c.code, cipher.EncryptFile(c.source.c_str(), (dir / "out.tq").c_str(), c.list.c_str()));
        EXPECT_EQ(c.message, cipher.Message());
        ExpectOnlyFiles(dir, {"small"});
    }
    EXPECT_TRUE(ReadAll(big) == bigBytes);

    ASSERT_TRUE(CTestFolder::Write(dir / "plain", "older"));
    CFileCipher cipher;
    EXPECT_EQ(2026, cipher.DecryptFile(bigTq.c_str(), (dir / "plain").c_str(), kImported));
    EXPECT_STREQ("写入解密后的明文出错!", cipher.Message());
    EXPECT_EQ("older", ReadAll(dir / "plain"));
    ExpectOnlyFiles(dir, {"small", "plain"});
}
