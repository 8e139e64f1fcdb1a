// The certificate viewer: the temporary file, the command line and the clean-up, checked at the
// moment the viewer is being started through a recording starter.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <functional>
#include <new>
#include <iterator>
#include <string>
#include <vector>

#include "certs/CCertViewer.h"
#include "engine/CCertContext.h"
#include "settings/CPrefixFileLock.h"
#include "ui/framework/CFileException.h"

namespace
{
// A self-signed certificate on a fresh ephemeral key; `padding` bytes of subject make the
// encoding bigger.
CCertContext MakeCertificate(size_t padding = 0)
{
    HCRYPTPROV prov = 0;
    if (!::CryptAcquireContextW(&prov, nullptr, MS_ENHANCED_PROV_W, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return CCertContext();
    HCRYPTKEY key = 0;
    if (!::CryptGenKey(prov, AT_SIGNATURE, (1024u << 16), &key))
    {
        ::CryptReleaseContext(prov, 0);
        return CCertContext();
    }
    std::wstring subject = L"CN=Viewer Test " + std::wstring(padding, L'x');
    BYTE encoded[2048] = {};
    DWORD encodedSize = sizeof(encoded);
    CCertContext cert;
    if (::CertStrToNameW(X509_ASN_ENCODING, subject.c_str(), CERT_X500_NAME_STR, nullptr, encoded,
                         &encodedSize, nullptr))
    {
        CERT_NAME_BLOB name = {encodedSize, encoded};
        cert.Reset(::CertCreateSelfSignCertificate(prov, &name, 0, nullptr, nullptr, nullptr,
                                                   nullptr, nullptr));
    }
    ::CryptDestroyKey(key);
    ::CryptReleaseContext(prov, 0);
    return cert;
}

std::string ReadRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string WindowsDir()
{
    char dir[MAX_PATH] = {};
    ::GetWindowsDirectoryA(dir, sizeof(dir));
    return dir;
}

std::string TempDir()
{
    char dir[MAX_PATH] = {};
    ::GetTempPathA(sizeof(dir), dir);
    return dir;  // with its trailing backslash
}

std::string Bytes(const CCertContext& cert)
{
    return std::string(reinterpret_cast<const char*>(cert.Encoded()), cert.EncodedSize());
}

// What the viewer would have been started with, and what the file held at that moment.
struct Start
{
    std::string commandLine;
    UINT show;
    std::string path;
    bool fileExisted;
    std::string content;
};

class RecordingStarter
{
public:
    RecordingStarter()
    {
        m_previous = CCertViewer::InstallStarter([this](const char* commandLine, UINT show) {
            Start start{commandLine, show, "", false, ""};
            const std::string prefix = "rundll32.exe cryptext.dll CryptExtOpenCER ";
            if (start.commandLine.compare(0, prefix.size(), prefix) == 0)
                start.path = start.commandLine.substr(prefix.size());
            start.fileExisted = Exists(start.path);
            start.content = ReadRaw(start.path);
            starts.push_back(start);
            if (onStart)
                onStart(start.path);
        });
    }
    ~RecordingStarter() { CCertViewer::InstallStarter(m_previous); }
    RecordingStarter(const RecordingStarter&) = delete;
    RecordingStarter& operator=(const RecordingStarter&) = delete;

    std::vector<Start> starts;
    std::function<void(const std::string& path)> onStart;

private:
    CCertViewer::Starter m_previous;
};

// A directory standing where the file should be: the platform cannot create the file there.
class DirectoryInPlace
{
public:
    explicit DirectoryInPlace(const std::string& path) : m_path(path)
    {
        m_ok = ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
    }
    ~DirectoryInPlace() { ::RemoveDirectoryA(m_path.c_str()); }
    bool Ok() const { return m_ok; }

private:
    std::string m_path;
    bool m_ok;
};

class CertViewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_lock.Held());
        m_cert = MakeCertificate(300);
        ASSERT_TRUE(m_cert);
        for (const char* name : {CCertViewer::kDecryptionFile, CCertViewer::kEncryptionFile})
        {
            ::DeleteFileA((WindowsDir() + "\\" + name).c_str());
            ::DeleteFileA((TempDir() + name).c_str());
        }
    }

    CPrefixFileLock m_lock;
    CCertContext m_cert;
};

TEST_F(CertViewer, WritesExactlyTheCertificateStartsTheViewerAndRemovesTheFile)
{
    for (const char* name : {CCertViewer::kDecryptionFile, CCertViewer::kEncryptionFile})
    {
        SCOPED_TRACE(name);
        RecordingStarter starter;
        CCertViewer::ViewCertificate(m_cert, name);

        const std::string path = WindowsDir() + "\\" + name;
        ASSERT_EQ(starter.starts.size(), 1u);
        EXPECT_EQ(starter.starts[0].commandLine, "rundll32.exe cryptext.dll CryptExtOpenCER " + path);
        EXPECT_EQ(starter.starts[0].show, static_cast<UINT>(SW_SHOW));
        EXPECT_TRUE(starter.starts[0].fileExisted);
        EXPECT_EQ(starter.starts[0].content, Bytes(m_cert));
        EXPECT_FALSE(Exists(path));
    }
}

TEST_F(CertViewer, ExistingFileOfThatNameIsOverwrittenThenRemoved)
{
    const std::string path = WindowsDir() + "\\" + CCertViewer::kEncryptionFile;
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000, 'Z');  // longer than the certificate: truncation shows
    }
    RecordingStarter starter;
    CCertViewer::ViewCertificate(m_cert, CCertViewer::kEncryptionFile);
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].path, path);
    EXPECT_EQ(starter.starts[0].content.size(), static_cast<size_t>(m_cert.EncodedSize()));
    EXPECT_EQ(starter.starts[0].content, Bytes(m_cert));
    EXPECT_FALSE(Exists(path));
}

TEST_F(CertViewer, UnwritableWindowsDirectoryUsesTheTemporaryFolder)
{
    const std::string blocked = WindowsDir() + "\\" + CCertViewer::kDecryptionFile;
    DirectoryInPlace block(blocked);
    ASSERT_TRUE(block.Ok());
    RecordingStarter starter;
    CCertViewer::ViewCertificate(m_cert, CCertViewer::kDecryptionFile);

    const std::string path = TempDir() + CCertViewer::kDecryptionFile;
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].commandLine, "rundll32.exe cryptext.dll CryptExtOpenCER " + path);
    EXPECT_EQ(starter.starts[0].content, Bytes(m_cert));
    EXPECT_FALSE(Exists(path));
    // What stood in the Windows directory is left alone.
    EXPECT_TRUE(::GetFileAttributesA(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(CertViewer, NoWritableFolderRaisesAFileErrorAndStartsNothing)
{
    DirectoryInPlace windowsBlock(WindowsDir() + "\\" + CCertViewer::kEncryptionFile);
    DirectoryInPlace tempBlock(TempDir() + CCertViewer::kEncryptionFile);
    ASSERT_TRUE(windowsBlock.Ok());
    ASSERT_TRUE(tempBlock.Ok());
    RecordingStarter starter;
    try
    {
        CCertViewer::ViewCertificate(m_cert, CCertViewer::kEncryptionFile);
        ADD_FAILURE() << "no file error";
    }
    catch (const CFileException& error)
    {
        // The framework's file error, with the viewer's step in it.
        const auto* viewerError = dynamic_cast<const CCertViewer::FileError*>(&error);
        EXPECT_NE(viewerError, nullptr);
        if (viewerError)
        {
            EXPECT_EQ(viewerError->What(), CCertViewer::FileError::Create);
        }
        EXPECT_NE(error.OsError(), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_TRUE(starter.starts.empty());
}

TEST_F(CertViewer, FileThatCannotBeRemovedRaisesAFileErrorAfterTheStart)
{
    const std::string path = WindowsDir() + "\\" + CCertViewer::kDecryptionFile;
    HANDLE held = INVALID_HANDLE_VALUE;
    RecordingStarter starter;
    // Like a viewer that keeps the file open without allowing its removal.
    starter.onStart = [&held](const std::string& started) {
        held = ::CreateFileA(started.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    try
    {
        CCertViewer::ViewCertificate(m_cert, CCertViewer::kDecryptionFile);
        ADD_FAILURE() << "no file error";
    }
    catch (const CFileException& error)
    {
        // The framework's file error, with the viewer's step in it.
        const auto* viewerError = dynamic_cast<const CCertViewer::FileError*>(&error);
        EXPECT_NE(viewerError, nullptr);
        if (viewerError)
        {
            EXPECT_EQ(viewerError->What(), CCertViewer::FileError::Remove);
        }
        EXPECT_EQ(error.Path(), path);
    }
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(starter.starts.size(), 1u);
    ::CloseHandle(held);
    ::DeleteFileA(path.c_str());
}

TEST_F(CertViewer, StarterThatThrowsStillLeavesNoFile)
{
    RecordingStarter starter;
    starter.onStart = [](const std::string&) { throw std::bad_alloc(); };
    EXPECT_THROW(CCertViewer::ViewCertificate(m_cert, CCertViewer::kEncryptionFile), std::bad_alloc);
    EXPECT_FALSE(Exists(WindowsDir() + "\\" + CCertViewer::kEncryptionFile));
}

}  // namespace
