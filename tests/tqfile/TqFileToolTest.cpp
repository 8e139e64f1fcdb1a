#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include "certs/CCertStoreQueries.h"
#include "engine/CCertContext.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"
#include "tests/support/CTestCertificates.h"
#include "tests/support/CTestFolder.h"

namespace
{
using Opt = CTestCertificates::Options;

// Host paths of the build, as the Windows side sees them (drive Z: is the root).
std::string FromHost(const char* unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

struct CRun
{
    DWORD status = 0xFFFFFFFF;
    std::string out, err;
};

// Runs tqfile with the arguments (already quoted where needed), output into files of `dir`.
CRun Tool(const CTestFolder& dir, const std::string& arguments)
{
    CRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const std::string outPath = dir / "tool.out", errPath = dir / "tool.err";
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::string exe = FromHost(TQFILE_EXE);
    std::string command = "\"" + exe + "\" " + arguments;
    if (CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, dir.Path().c_str(), &si, &pi))
    {
        WaitForSingleObject(pi.hProcess, 120000);
        GetExitCodeProcess(pi.hProcess, &run.status);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    else
    {
        ADD_FAILURE() << "tqfile not started: " << exe << " " << GetLastError();
    }
    CloseHandle(out);
    CloseHandle(err);
    CTestFolder::Read(outPath, run.out);
    CTestFolder::Read(errPath, run.err);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return run;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Data(const char* name)
{
    return FromHost(TQFILE_DATA) + "\\" + name;
}
}  // namespace

// Encrypt for two recipients, list them with their stores, decrypt with the default choice and
// with a chosen certificate; the engine's code is the exit status and its message goes to stderr.
TEST(TqFileTool, RoundTripAndRecipients)
{
    CTestCertificates certs;
    Opt mine;
    mine.subject = "张三";
    CTestCertificates::Certificate me = certs.Add(mine);
    Opt book;
    book.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate colleague = certs.Add(book);
    CTestFolder dir;
    const std::string plain = CTestFolder::Pattern(6 << 20);
    ASSERT_TRUE(CTestFolder::Write(dir / "report.doc", plain));

    CRun run = Tool(dir, "encrypt -r " + colleague.serial + " -r " + Lower(me.serial) + " report.doc");
    ASSERT_EQ(0u, run.status) << run.err;
    EXPECT_TRUE(CTestFolder::Exists(dir / "report.doc.tq"));
    EXPECT_NE(std::string::npos, run.err.find("100%")) << "a progress line for a large file";

    run = Tool(dir, "recipients report.doc.tq");
    ASSERT_EQ(0u, run.status) << run.err;
    EXPECT_EQ(colleague.serial + "\tADDRESSBOOK\n" + Lower(me.serial) + "\tMY\n", run.out);

    ASSERT_TRUE(MoveFileA((dir / "report.doc").c_str(), (dir / "original.doc").c_str()));
    run = Tool(dir, "decrypt report.doc.tq");
    ASSERT_EQ(0u, run.status) << run.err;
    std::string back;
    EXPECT_TRUE(CTestFolder::Read(dir / "report.doc", back));
    EXPECT_TRUE(back == plain);

    run = Tool(dir, "decrypt -c " + colleague.serial + " report.doc.tq other.doc");
    EXPECT_EQ(2019u, run.status);
    EXPECT_EQ(std::string("解密出错,你所选择的解密证书可能已被删除!") + "\n", run.err);
    EXPECT_FALSE(CTestFolder::Exists(dir / "other.doc"));

    run = Tool(dir, "encrypt -r 0BADC0DE report.doc out.tq");
    EXPECT_EQ(2009u, run.status);
    EXPECT_EQ(std::string("在IE浏览器中找不到和证书序列号相对应的数字证书!") + "\n", run.err);
    EXPECT_FALSE(CTestFolder::Exists(dir / "out.tq"));

    run = Tool(dir, "certs MY");
    ASSERT_EQ(0u, run.status);
    EXPECT_NE(std::string::npos, run.out.find("张三\t张三\t" + me.serial + "\n")) << run.out;
    run = Tool(dir, "certs ADDRESSBOOK");
    EXPECT_NE(std::string::npos, run.out.find("\t" + colleague.serial + "\n"));
}

// The command line: help, wrong use, and the defaults that need a ".tq" name.
TEST(TqFileTool, CommandLine)
{
    CTestFolder dir;
    ASSERT_TRUE(CTestFolder::Write(dir / "plain.txt", "x"));
    struct Case
    {
        std::string args;
        DWORD status;
        std::string says;  // in stdout for status 0, in stderr otherwise
    };
    const std::string usage = "tqfile encrypt -r SERIAL";
    const Case cases[] = {
        {"--help", 0, usage},
        {"", 2, usage},
        {"frobnicate", 2, usage},
        {"encrypt plain.txt", 2, usage},
        {"encrypt -r", 2, usage},
        {"decrypt", 2, usage},
        {"decrypt plain.txt", 2, "does not end with .tq"},
        {"certs OTHER", 2, usage},
        {"recipients", 2, usage},
        {"import", 2, usage},
        {"recipients none.tq", 1, "no recipient list"},
        {"import none.pfx", 1, "cannot be read"},
        {"import plain.txt", 1, "neither a PKCS #12 file nor a certificate"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.args);
        CRun run = Tool(dir, c.args);
        EXPECT_EQ(c.status, run.status);
        EXPECT_NE(std::string::npos, (c.status == 0 ? run.out : run.err).find(c.says));
    }
}

// Import: a PKCS #12 file goes into MY with a private key that unwraps session keys; DER and
// PEM certificates go into ADDRESSBOOK; a wrong password adds nothing.
TEST(TqFileTool, Import)
{
    const std::string own = "5A0B1C2D3E4F", pem = "6B1C2D3E4F50", der = "7C2D3E4F5061";
    CTestFolder dir;
    CRun run = Tool(dir, "import \"" + Data("own.pfx") + "\" --password wrong");
    EXPECT_EQ(1u, run.status);
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate(own));

    run = Tool(dir, "import \"" + Data("own.pfx") + "\" --password pw");
    ASSERT_EQ(0u, run.status) << run.err;
    EXPECT_EQ("MY\t导入测试\t" + own + "\n", run.out);
    CCertContext imported = CCertStoreQueries::FindMyCertificate(own);
    ASSERT_TRUE(imported);

    // The engine decrypts with the imported key.
    ASSERT_TRUE(CTestFolder::Write(dir / "p", "for the imported key"));
    CFileCipher cipher;
    EXPECT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "p.tq").c_str(), (own + "&").c_str()))
        << cipher.Message();
    EXPECT_EQ(0, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "q").c_str(), own.c_str())) << cipher.Message();
    std::string back;
    EXPECT_TRUE(CTestFolder::Read(dir / "q", back));
    EXPECT_EQ("for the imported key", back);

    // A second PKCS #12 import leaves the first key where it works.
    const std::string second = "4D5E6F708192";
    run = Tool(dir, "import \"" + Data("second.pfx") + "\" --password pw");
    ASSERT_EQ(0u, run.status) << run.err;
    CCertContext secondCert = CCertStoreQueries::FindMyCertificate(second);
    ASSERT_TRUE(secondCert);
    EXPECT_EQ(0, cipher.DecryptFile((dir / "p.tq").c_str(), (dir / "q2").c_str(), own.c_str())) << cipher.Message();
    EXPECT_EQ(0, cipher.EncryptFile((dir / "p").c_str(), (dir / "s.tq").c_str(), (second + "&").c_str()));
    EXPECT_EQ(0, cipher.DecryptFile((dir / "s.tq").c_str(), (dir / "s").c_str(), second.c_str())) << cipher.Message();

    for (const char* name : {"colleague.pem", "colleague.cer"})
    {
        run = Tool(dir, std::string("import \"") + Data(name) + "\"");
        EXPECT_EQ(0u, run.status) << name << run.err;
    }
    EXPECT_TRUE(CCertStoreQueries::FindInStore("ADDRESSBOOK", pem));
    EXPECT_TRUE(CCertStoreQueries::FindInStore("ADDRESSBOOK", der));
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate(pem));

    // Leave the stores and key containers as they were.
    for (CCertContext* cert : {&imported, &secondCert})
    {
        std::vector<BYTE> info;
        if (cert->GetKeyProvInfo(info))
        {
            const CRYPT_KEY_PROV_INFO* key = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(info.data());
            CCryptProvider gone;
            gone.Acquire(key->pwszContainerName, key->pwszProvName, key->dwProvType, CRYPT_DELETEKEYSET);
        }
        CTestCertificates::DeleteFromStore("MY", std::vector<BYTE>(cert->Encoded(), cert->Encoded() + cert->EncodedSize()));
    }
    for (const std::string& serial : {pem, der})
    {
        CCertContext c = CCertStoreQueries::FindInStore("ADDRESSBOOK", serial);
        if (c)
            CTestCertificates::DeleteFromStore("ADDRESSBOOK", std::vector<BYTE>(c.Encoded(), c.Encoded() + c.EncodedSize()));
    }
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate(own));
}
