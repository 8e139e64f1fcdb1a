#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <functional>

#include "engine/CCertContext.h"
#include "engine/CCryptKey.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/CTestCertificates.h"

namespace
{
using Opt = CTestCertificates::Options;

std::string Le32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

// What every failure must leave: the source as it was, the destination as it was (or absent),
// and no temporary file.
void ExpectUntouched(const CTestFolder& dir, const std::string& source, const std::string& sourceBytes,
                     const std::string& destination, const std::string* destinationBytes,
                     const std::vector<std::string>& files)
{
    EXPECT_TRUE(ReadAll(dir / source) == sourceBytes) << "source changed";
    if (destinationBytes)
        EXPECT_TRUE(ReadAll(dir / destination) == *destinationBytes) << "destination changed";
    else
        EXPECT_FALSE(CTestFolder::Exists(dir / destination)) << "destination created";
    ExpectOnlyFiles(dir, files);
}

// A ".tq" file made without the engine: a 3DES key of our own wrapped for `cert`, and a content
// whose last block decrypts to `lastBlock` (so its padding can be made invalid on purpose).
std::string CraftTq(const CTestCertificates::Certificate& cert, const std::string& body, const std::string& lastBlock)
{
    CCryptProvider provider;
    CCryptHash hash;
    CCryptKey key, publicKey;
    CCertContext context;
    EXPECT_TRUE(provider.AcquireVerifyContext());
    EXPECT_TRUE(provider.CreateHash(CALG_MD5, hash));
    EXPECT_TRUE(hash.HashData("crafted", 7));
    EXPECT_TRUE(provider.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, key));
    EXPECT_TRUE(context.CreateFromEncoded(cert.der.data(), static_cast<DWORD>(cert.der.size())));
    EXPECT_TRUE(provider.ImportPublicKey(context, publicKey));
    DWORD size = 0;
    EXPECT_TRUE(key.SimpleBlobSize(publicKey, size));
    std::string blob(size, '\0');
    EXPECT_TRUE(key.ExportSimpleBlob(publicKey, reinterpret_cast<BYTE*>(&blob[0]), size));
    std::string content = body + lastBlock;
    DWORD length = static_cast<DWORD>(content.size());
    EXPECT_TRUE(key.Encrypt(false, reinterpret_cast<BYTE*>(&content[0]), length, length)) << GetLastError();
    std::string list = cert.serial + "&";
    return Le32(static_cast<uint32_t>(list.size())) + list + Le32(size) + blob + content;
}
}  // namespace

// Every decryption failure that a real file and real stores can produce, and what is left on
// disk after it: an existing destination keeps its bytes, an absent one is not created.
TEST(FileCipherFailure, DecryptionCodes)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    Opt noKey;
    noKey.linkPrivateKey = false;
    CTestCertificates::Certificate keyless = certs.Add(noKey);
    Opt wrongSpec;
    wrongSpec.keyName = "c";
    wrongSpec.provInfoKeySpec = AT_SIGNATURE;
    CTestCertificates::Certificate badSpec = certs.Add(wrongSpec);
    Opt doomedOpt;
    CTestCertificates::Certificate doomed = certs.Add(doomedOpt);

    CTestFolder dir;
    const std::string plain = CTestFolder::Pattern(3000);
    ASSERT_TRUE(CTestFolder::Write(dir / "plain", plain));
    CFileCipher cipher;
    const std::string list = me.serial + "&" + keyless.serial + "&" + badSpec.serial + "&" + doomed.serial + "&";
    ASSERT_EQ(0, cipher.EncryptFile((dir / "plain").c_str(), (dir / "good.tq").c_str(), list.c_str()))
        << cipher.Message();
    const std::string good = ReadAll(dir / "good.tq");
    const CParsedTq parsed = ParseTq(good);
    certs.Remove(doomed.serial);

    const size_t firstBlob = 4 + list.size() + 4;
    const std::string kSerials = "获取证书序列号出错!";
    struct Case
    {
        const char* what;
        std::function<std::string()> file;  // the encrypted file's bytes
        std::string serial;
        int code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"file shorter than the list length", [] { return std::string("\x05\x00", 2); }, me.serial, 2018, kSerials},
        {"list length beyond the file", [&] { return Le32(0xFFFFFFF0u) + good.substr(4); }, me.serial, 2018, kSerials},
        {"file ends inside the list", [&] { return good.substr(0, 4 + list.size() / 2); }, me.serial, 2018, kSerials},
        {"serial not in the list", [&] { return good; }, "0102", CFileCipher::kNotListed,
         "没有找到和你所选择相对应的解密证书!"},
        {"file ends inside the key records", [&] { return good.substr(0, firstBlob + 20); }, me.serial, 2019, kSerials},
        {"blob length beyond the file",
         [&] { return good.substr(0, firstBlob - 4) + Le32(0x7FFFFFFFu) + good.substr(firstBlob); }, me.serial, 2019,
         kSerials},
        {"certificate deleted after encryption", [&] { return good; }, doomed.serial, 2019,
         "解密出错,你所选择的解密证书可能已被删除!"},
        {"certificate without a private key", [&] { return good; }, keyless.serial, 2020,
         "解密时获取证书私钥句柄出错!"},
        {"private key recorded under a key spec the container lacks", [&] { return good; }, badSpec.serial, 2021,
         "获取密钥交换句柄出错!"},
        {"blob flipped by one bit",
         [&] {
             std::string f = good;
             f[firstBlob + 12 + 40] ^= 0x10;
             return f;
         },
         me.serial, 2022, "解密会话密钥时出错!"},
        {"no content at all", [&] { return good.substr(0, parsed.contentOffset); }, me.serial, 2025, "解密密文出错!"},
        {"content cut inside a block", [&] { return good.substr(0, good.size() - 3); }, me.serial, 2025,
         "解密密文出错!"},
        {"content cut by a whole step", [&] { return good.substr(0, good.size() - 1008); }, me.serial, 2025,
         "解密密文出错!"},
        {"padding byte zero", [&] { return CraftTq(me, CTestFolder::Pattern(2000), std::string(8, '\0')); },
         me.serial, 2025, "解密密文出错!"},
        {"padding byte larger than a block",
         [&] { return CraftTq(me, CTestFolder::Pattern(1008), std::string(7, 'x') + "\x09"); }, me.serial, 2025,
         "解密密文出错!"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        for (bool destinationExists : {false, true})
        {
            CTestFolder work;
            const std::string bytes = c.file();
            ASSERT_TRUE(CTestFolder::Write(work / "in.tq", bytes));
            const std::string before = "older plain file";
            if (destinationExists)
            {
                ASSERT_TRUE(CTestFolder::Write(work / "out", before));
            }
            EXPECT_EQ(c.code, cipher.DecryptFile((work / "in.tq").c_str(), (work / "out").c_str(), c.serial.c_str()));
            EXPECT_EQ(c.message, cipher.Message());
            std::vector<std::string> files = {"in.tq"};
            if (destinationExists)
                files.push_back("out");
            ExpectUntouched(work, "in.tq", bytes, "out", destinationExists ? &before : nullptr, files);
        }
    }

    // The crafted file with valid padding decrypts: the engine reads what others write.
    CTestFolder work;
    const std::string body = CTestFolder::Pattern(1016);
    ASSERT_TRUE(CTestFolder::Write(work / "in.tq", CraftTq(me, body, std::string(8, '\x08'))));
    ASSERT_EQ(0, cipher.DecryptFile((work / "in.tq").c_str(), (work / "out").c_str(), me.serial.c_str()))
        << cipher.Message();
    EXPECT_TRUE(ReadAll(work / "out") == body);

    // Missing source, and a destination that cannot be written.
    EXPECT_EQ(2017, cipher.DecryptFile((work / "none.tq").c_str(), (work / "x").c_str(), me.serial.c_str()));
    EXPECT_STREQ("打开解密文件时出错!", cipher.Message());
    ASSERT_TRUE(CTestFolder::Write(dir / "g.tq", good));
    ASSERT_TRUE(CTestFolder::MakeFolder(dir / "folder"));
    const std::string destinations[] = {dir / "folder", dir / "missing\\x", dir / "readonly"};
    ASSERT_TRUE(CTestFolder::Write(dir / "readonly", "keep"));
    ASSERT_TRUE(SetFileAttributesA((dir / "readonly").c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::string& destination : destinations)
    {
        SCOPED_TRACE(destination.c_str());
        EXPECT_EQ(2023, cipher.DecryptFile((dir / "g.tq").c_str(), destination.c_str(), me.serial.c_str()));
        EXPECT_STREQ("打开加密后保存的文件出错!", cipher.Message());
    }
    EXPECT_EQ("keep", ReadAll(dir / "readonly"));
    ExpectOnlyFiles(dir, {"plain", "good.tq", "g.tq", "folder", "readonly"});
}

// Every encryption failure that real stores and files can produce. Nothing is written before
// all key records are made, so no failure leaves a destination or a temporary file.
TEST(FileCipherFailure, EncryptionCodes)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    Opt foreign;
    foreign.foreignPublicKey = true;
    foreign.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate odd = certs.Add(foreign);
    ASSERT_FALSE(odd.der.empty());

    struct Case
    {
        const char* what;
        std::string source, destination, list;
        int code;
        std::string message;
    };
    const std::string ok = me.serial + "&";
    const std::vector<Case> cases = {
        {"source missing", "nothing", "out.tq", ok, 2001, "打开加密文件时出错,请检查你输入加密的路径参数是否正确!"},
        {"source is a folder", "folder", "out.tq", ok, 2001,
         "打开加密文件时出错,请检查你输入加密的路径参数是否正确!"},
        {"destination folder missing", "plain", "missing\\out.tq", ok, 2002,
         "找开加密后保存的文件出错,请检查你输入解密后保存的路径参数是否正确!"},
        {"destination is a folder", "plain", "folder", ok, 2002,
         "找开加密后保存的文件出错,请检查你输入解密后保存的路径参数是否正确!"},
        {"destination read-only", "plain", "readonly", ok, 2002,
         "找开加密后保存的文件出错,请检查你输入解密后保存的路径参数是否正确!"},
        {"second recipient in neither store", "plain", "out.tq", ok + "0A0B0C&", 2009,
         "在IE浏览器中找不到和证书序列号相对应的数字证书!"},
        {"empty serial text between two &", "plain", "out.tq", ok + "&", 2009,
         "在IE浏览器中找不到和证书序列号相对应的数字证书!"},
        {"public key of another algorithm", "plain", "out.tq", ok + odd.serial + "&", 2009,
         "导出会话密钥时获取长度失败!"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTestFolder dir;
        const std::string plain = CTestFolder::Pattern(5000);
        ASSERT_TRUE(CTestFolder::Write(dir / "plain", plain));
        ASSERT_TRUE(CTestFolder::MakeFolder(dir / "folder"));
        ASSERT_TRUE(CTestFolder::Write(dir / "readonly", "keep"));
        ASSERT_TRUE(SetFileAttributesA((dir / "readonly").c_str(), FILE_ATTRIBUTE_READONLY));
        CFileCipher cipher;
        EXPECT_EQ(c.code, cipher.EncryptFile((dir / c.source).c_str(), (dir / c.destination).c_str(), c.list.c_str()));
        EXPECT_EQ(c.message, cipher.Message());
        EXPECT_TRUE(ReadAll(dir / "plain") == plain);
        EXPECT_EQ("keep", ReadAll(dir / "readonly"));
        ExpectOnlyFiles(dir, {"plain", "folder", "readonly"});

        // An existing destination keeps its bytes.
        if (c.destination == "out.tq")
        {
            ASSERT_TRUE(CTestFolder::Write(dir / "out.tq", "previous"));
            EXPECT_EQ(c.code, cipher.EncryptFile((dir / c.source).c_str(), (dir / c.destination).c_str(), c.list.c_str()));
            EXPECT_EQ("previous", ReadAll(dir / "out.tq"));
            ExpectOnlyFiles(dir, {"plain", "folder", "readonly", "out.tq"});
        }
    }
}

// A successful operation leaves the message of the last failure as it was.
TEST(FileCipherFailure, MessageKeptOnSuccess)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    CTestFolder dir;
    ASSERT_TRUE(CTestFolder::Write(dir / "p", "abc"));
    CFileCipher cipher;
    EXPECT_EQ(2001, cipher.EncryptFile((dir / "none").c_str(), (dir / "p.tq").c_str(), ""));
    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), (me.serial + "&").c_str()));
    EXPECT_STREQ("打开加密文件时出错,请检查你输入加密的路径参数是否正确!", cipher.Message());
}

// Read errors: a source the system cannot read (a device file of the host that fails every
// read), and an encrypted file cut short by another program while it is being decrypted.
TEST(FileCipherFailure, ReadErrors)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    CTestFolder dir;
    CFileCipher cipher;
    const std::string unreadable = "Z:\\proc\\self\\mem";
    EXPECT_EQ(2007, cipher.EncryptFile(unreadable.c_str(), (dir / "out.tq").c_str(), (me.serial + "&").c_str()));
    EXPECT_STREQ("循环读到加密文件出错!", cipher.Message());
    ExpectOnlyFiles(dir, {});

    // More than one step of the engine, so that a read follows the cut.
    const std::string plain = CTestFolder::Pattern(2500000);
    ASSERT_TRUE(CTestFolder::Write(dir / "p", plain));
    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), (me.serial + "&").c_str()));
    ASSERT_TRUE(CTestFolder::Write(dir / "out", "older"));
    struct Cut
    {
        std::string path;
        bool done;
    } cut = {dir / "p.tq", false};
    cipher.SetProgress(
        [](void* context, uint64_t, uint64_t) {
            Cut* c = static_cast<Cut*>(context);
            if (c->done)
                return;
            c->done = true;
            HANDLE h = CreateFileA(c->path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            SetFilePointer(h, 100000, nullptr, FILE_BEGIN);
            SetEndOfFile(h);
            CloseHandle(h);
        },
        &cut);
    EXPECT_EQ(2024, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "out").c_str(), me.serial.c_str()));
    EXPECT_STREQ("循环读取要解密的文件出错!", cipher.Message());
    EXPECT_TRUE(cut.done);
    EXPECT_EQ("older", ReadAll(dir / "out"));
    ExpectOnlyFiles(dir, {"p", "p.tq", "out"});
}
