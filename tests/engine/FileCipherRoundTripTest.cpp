#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "engine/CFileCipher.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/CTestCertificates.h"

namespace
{
using Opt = CTestCertificates::Options;

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Content length of the format for a plain size.
size_t ContentLength(size_t plain)
{
    return 8 * (plain / 8 + 1);
}
}  // namespace

// Sizes around the 8-byte block, the 1000/1008-byte steps of other writers and readers, the
// engine's own steps, and a few MiB; content lengths that are whole multiples of 1008 bytes
// (1001..1007, 2009..2015) must come back without their padding.
TEST(FileCipherRoundTrip, SizesAroundBlocksAndSteps)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    ASSERT_FALSE(me.der.empty());
    const std::string list = me.serial + "&";
    // The engine's own steps are 1024000 plain and 1032192 encrypted bytes.
    const size_t sizes[] = {0,       1,       7,       8,       999,     1000,    1001,    1007,
                            1008,    2009,    2015,    2016,    8064,    1023999, 1024000, 1024001,
                            1032184, 1032191, 1032192, 2064383, 3 * 1024 * 1024 + 5};
    for (size_t size : sizes)
    {
        SCOPED_TRACE("plain size " + std::to_string(size));
        CTestFolder dir;
        const std::string plain = CTestFolder::Pattern(size, static_cast<unsigned>(size));
        ASSERT_TRUE(CTestFolder::Write(dir / "plain.bin", plain));
        CFileCipher cipher;
        ASSERT_EQ(0, cipher.EncryptFile((dir / "plain.bin").c_str(), (dir / "plain.bin.tq").c_str(), list.c_str()))
            << cipher.Message();
        const std::string tq = ReadAll(dir / "plain.bin.tq");
        CParsedTq parsed = ParseTq(tq);
        EXPECT_EQ(list, parsed.list);
        ASSERT_EQ(1u, parsed.blobLengths.size());
        EXPECT_EQ(4 + list.size() + 4 + parsed.blobLengths[0] + ContentLength(size), tq.size());
        EXPECT_EQ(ContentLength(size), parsed.contentLength);

        ASSERT_EQ(0, cipher.DecryptFile((dir / "plain.bin.tq").c_str(), (dir / "back.bin").c_str(), me.serial.c_str()))
            << cipher.Message();
        EXPECT_TRUE(ReadAll(dir / "back.bin") == plain);
        ExpectOnlyFiles(dir, {"plain.bin", "plain.bin.tq", "back.bin"});
    }
}

// Three recipients with keys of 1024, 2048 and 4096 bits: the records have their own
// lengths, the chosen one is found behind the others, whatever the letter case; a serial with
// a leading zero byte keeps it.
TEST(FileCipherRoundTrip, RecipientsOfDifferentKeySizes)
{
    CTestCertificates certs;
    std::vector<CTestCertificates::Certificate> people;
    for (DWORD bits : {1024u, 2048u, 4096u})
    {
        Opt o;
        o.bits = bits;
        if (bits == 1024)
            o.serial = "00" + CTestCertificates::RandomSerial().substr(2);  // a leading zero byte
        people.push_back(certs.Add(o));
        ASSERT_FALSE(people.back().der.empty());
    }
    ASSERT_EQ("00", people[0].serial.substr(0, 2));
    const std::string list = people[0].serial + "&" + Lower(people[1].serial) + "&" + people[2].serial + "&";
    CTestFolder dir;
    const std::string plain = CTestFolder::Pattern(5000);
    ASSERT_TRUE(CTestFolder::Write(dir / "a.doc", plain));
    CFileCipher cipher;
    ASSERT_EQ(0, cipher.EncryptFile((dir / "a.doc").c_str(), (dir / "a.doc.tq").c_str(), list.c_str()))
        << cipher.Message();
    CParsedTq parsed = ParseTq(ReadAll(dir / "a.doc.tq"));
    EXPECT_EQ(list, parsed.list);
    // A SIMPLEBLOB is a 12-byte header and the wrapped key of the RSA modulus's size.
    EXPECT_EQ((std::vector<uint32_t>{12 + 128, 12 + 256, 12 + 512}), parsed.blobLengths);

    const std::string chosen[] = {Lower(people[2].serial), people[1].serial, Lower(people[0].serial)};
    for (const std::string& serial : chosen)
    {
        SCOPED_TRACE(serial);
        ASSERT_EQ(0, cipher.DecryptFile((dir / "a.doc.tq").c_str(), (dir / "out.doc").c_str(), serial.c_str()))
            << cipher.Message();
        EXPECT_TRUE(ReadAll(dir / "out.doc") == plain);
    }
}

// A serial text held by MY and by ADDRESSBOOK (with another key pair) is wrapped for MY's key;
// one held only by ADDRESSBOOK is a recipient but never decrypts.
TEST(FileCipherRoundTrip, PersonalStoreComesFirst)
{
    CTestCertificates certs;
    Opt mine;
    CTestCertificates::Certificate me = certs.Add(mine);
    Opt other;
    other.serial = me.serial;
    other.keyName = "b";
    other.store = CTestCertificates::Store::AddressBook;
    ASSERT_FALSE(certs.Add(other).der.empty());
    Opt colleague;
    colleague.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate col = certs.Add(colleague);

    CTestFolder dir;
    ASSERT_TRUE(CTestFolder::Write(dir / "p", "secret"));
    CFileCipher cipher;
    const std::string list = Lower(me.serial) + "&" + col.serial + "&";
    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), list.c_str())) << cipher.Message();
    ASSERT_EQ(0, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "q").c_str(), me.serial.c_str()))
        << cipher.Message();
    EXPECT_EQ("secret", ReadAll(dir / "q"));
    EXPECT_EQ(2019, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "r").c_str(), col.serial.c_str()));
    EXPECT_STREQ("解密出错,你所选择的解密证书可能已被删除!", cipher.Message());
    EXPECT_FALSE(CTestFolder::Exists(dir / "r"));
}

// The list is written as given: text after the last "&" is kept and names nobody; an empty
// list has no key records and nobody can open the file.
TEST(FileCipherRoundTrip, ListWrittenAsGiven)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    CTestFolder dir;
    ASSERT_TRUE(CTestFolder::Write(dir / "p", "x"));
    CFileCipher cipher;
    const std::string list = me.serial + "&" + "DEADBEEF";
    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), list.c_str())) << cipher.Message();
    CParsedTq parsed = ParseTq(ReadAll(dir / "p.tq"));
    EXPECT_EQ(list, parsed.list);
    EXPECT_EQ(1u, parsed.blobLengths.size());
    ASSERT_EQ(0, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "q").c_str(), me.serial.c_str()));
    EXPECT_EQ(CFileCipher::kNotListed,
              cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "r").c_str(), "DEADBEEF"));

    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "e.tq").c_str(), ""));
    const std::string empty = ReadAll(dir / "e.tq");
    ASSERT_EQ(4u + 8u, empty.size());
    EXPECT_EQ(std::string(4, '\0'), empty.substr(0, 4));
    EXPECT_EQ(CFileCipher::kNotListed,
              cipher.DecryptFile((dir / "e.tq").c_str(), (dir / "r").c_str(), me.serial.c_str()));
    EXPECT_FALSE(CTestFolder::Exists(dir / "r"));
}

// Paths: onto the file's own path (the source is replaced only when the result is complete),
// longer than 255 bytes, and with Chinese names.
TEST(FileCipherRoundTrip, PathsOwnLongAndChinese)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    const std::string list = me.serial + "&";
    CTestFolder dir;
    const std::string plain = CTestFolder::Pattern(70000);
    CFileCipher cipher;

    ASSERT_TRUE(CTestFolder::Write(dir / "same.txt", plain));
    ASSERT_EQ(0, cipher.EncryptFile((dir / "same.txt").c_str(), (dir / "same.txt").c_str(), list.c_str()))
        << cipher.Message();
    EXPECT_EQ(ContentLength(plain.size()), ParseTq(ReadAll(dir / "same.txt")).contentLength);
    ASSERT_EQ(0, cipher.DecryptFile((dir / "same.txt").c_str(), (dir / "same.txt").c_str(), me.serial.c_str()))
        << cipher.Message();
    EXPECT_TRUE(ReadAll(dir / "same.txt") == plain);
    ExpectOnlyFiles(dir, {"same.txt"});

    std::string deep = dir.Path();
    while (deep.size() < 300)
    {
        deep += std::string(60, 'd') + "\\";
        ASSERT_TRUE(CTestFolder::MakeFolder(deep)) << deep;
    }
    const std::string longPlain = deep + "长文件名的明文.txt";
    ASSERT_GT(longPlain.size(), 300u);
    ASSERT_TRUE(CTestFolder::Write(longPlain, plain));
    ASSERT_EQ(0, cipher.EncryptFile(longPlain.c_str(), (longPlain + ".tq").c_str(), list.c_str())) << cipher.Message();
    ASSERT_EQ(0, cipher.DecryptFile((longPlain + ".tq").c_str(), (deep + "解密.txt").c_str(), me.serial.c_str()))
        << cipher.Message();
    EXPECT_TRUE(ReadAll(deep + "解密.txt") == plain);
}

// An existing destination is replaced by the new result.
TEST(FileCipherRoundTrip, ExistingDestinationReplaced)
{
    CTestCertificates certs;
    CTestCertificates::Certificate me = certs.Add(Opt());
    CTestFolder dir;
    ASSERT_TRUE(CTestFolder::Write(dir / "p", "new content"));
    ASSERT_TRUE(CTestFolder::Write(dir / "p.tq", std::string(100000, 'o')));
    ASSERT_TRUE(CTestFolder::Write(dir / "q", std::string(100000, 'o')));
    CFileCipher cipher;
    ASSERT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), (me.serial + "&").c_str()));
    ASSERT_EQ(0, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "q").c_str(), me.serial.c_str()));
    EXPECT_EQ("new content", ReadAll(dir / "q"));
    ExpectOnlyFiles(dir, {"p", "p.tq", "q"});
}
