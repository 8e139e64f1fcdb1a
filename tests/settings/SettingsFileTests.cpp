// The settings file through the platform's real profile functions, in the throwaway prefix: the
// machine file in the Windows directory, the per-user file in the application-data folder, and
// what happens when the machine file (or both) cannot be written.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/CSettingsFile.h"
#include "settings/CPrefixFileLock.h"

namespace
{
std::string ReadRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRaw(const std::string& path, const std::string& bytes)
{
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    // The platform keeps parsed profiles; make it forget any older state of this file.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes whatever stands at path: a file (read-only or not) or an empty directory.
void Remove(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    {
        ::RemoveDirectoryA(path.c_str());
        return;
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

// Makes a settings file unwritable by a real means of the platform, for as long as it lives.
class CWriteBlock
{
public:
    enum Kind
    {
        ReadOnlyAttribute,  // the file exists with FILE_ATTRIBUTE_READONLY
        DenyWriteHandle,    // another opener holds the file and shares it for reading only
        DirectoryInPlace    // a directory stands where the file should be
    };

    CWriteBlock(Kind kind, const std::string& path) : m_kind(kind), m_path(path)
    {
        switch (kind)
        {
        case ReadOnlyAttribute:
            if (!Exists(path))
                WriteRaw(path, "[CODE]\r\n");
            m_ok = ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
            m_honoured = m_ok && !CanOpenForWriting(path);
            break;
        case DenyWriteHandle:
            if (!Exists(path))
                WriteRaw(path, "[CODE]\r\n");
            m_handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            m_ok = m_handle != INVALID_HANDLE_VALUE;
            m_honoured = m_ok && !CanOpenForWriting(path);
            break;
        case DirectoryInPlace:
            Remove(path);
            m_ok = ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
            m_honoured = m_ok;
            break;
        }
    }
    ~CWriteBlock()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_handle);
        if (m_kind == ReadOnlyAttribute)
            ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (m_kind == DirectoryInPlace)
            ::RemoveDirectoryA(m_path.c_str());
    }
    CWriteBlock(const CWriteBlock&) = delete;
    CWriteBlock& operator=(const CWriteBlock&) = delete;

    bool Ok() const { return m_ok; }
    // Whether the platform really refuses writing. Wine run as root opens a read-only file for
    // writing all the same (the owner's write bit is all it clears), so that variant is only
    // checked where the platform honours it.
    bool Honoured() const { return m_honoured; }

private:
    Kind m_kind;
    std::string m_path;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_ok = false;
    bool m_honoured = false;

    static bool CanOpenForWriting(const std::string& path)
    {
        HANDLE probe = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return false;
        ::CloseHandle(probe);
        return true;
    }
};

const char* KindName(CWriteBlock::Kind kind)
{
    switch (kind)
    {
    case CWriteBlock::ReadOnlyAttribute: return "read-only attribute";
    case CWriteBlock::DenyWriteHandle: return "deny-write handle";
    case CWriteBlock::DirectoryInPlace: return "directory in place";
    }
    return "?";
}

const CWriteBlock::Kind kAllBlocks[] = {CWriteBlock::ReadOnlyAttribute,
                                        CWriteBlock::DenyWriteHandle,
                                        CWriteBlock::DirectoryInPlace};

class SettingsFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_lock.Held());
        m_machine = CSettingsFile::MachinePath();
        m_user = CSettingsFile::UserPath();
        ASSERT_FALSE(m_machine.empty());
        ASSERT_FALSE(m_user.empty());
        Remove(m_machine);
        Remove(m_user);
    }
    void TearDown() override
    {
        Remove(m_machine);
        Remove(m_user);
    }

    CPrefixFileLock m_lock;
    std::string m_machine;
    std::string m_user;
};

TEST_F(SettingsFile, PathsAreTheWindowsAndApplicationDataFolders)
{
    char windowsDir[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windowsDir, sizeof(windowsDir));
    EXPECT_EQ(m_machine, std::string(windowsDir) + "\\duZaduda.ini");
    // The per-user file lives in the user's profile, not beside the machine file.
    EXPECT_NE(m_user, m_machine);
    EXPECT_EQ(m_user.substr(m_user.rfind('\\')), "\\duZaduda.ini");
}

TEST_F(SettingsFile, NoFileGivesTheDefaults)
{
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 0);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "");
    CSettingsFile::DirectorySettings dir = CSettingsFile::ReadDirectory();
    EXPECT_EQ(dir.host, "");
    EXPECT_EQ(dir.port, 0);
    EXPECT_EQ(dir.dn, "");
    EXPECT_EQ(dir.password, "");
    // Reading creates nothing.
    EXPECT_FALSE(Exists(m_machine));
    EXPECT_FALSE(Exists(m_user));
}

TEST_F(SettingsFile, ValuesAreReadAsTheMachineFileHoldsThem)
{
    const std::string longValue(200, 'N');
    WriteRaw(m_machine,
             "[Other]\r\nCERTSerial=WRONGSECTION\r\n"
             "[CODE]\r\n"
             "setcerflg=2\r\n"
             "certserial=00A1b2\r\n"
             "CERTNAME=" + longValue + "\r\n"
             "TQIP=ldap.example.test\r\n"
             "TQPORT=3890\r\n"
             "TQSDN=cn=reader,dc=zoz,dc=test\r\n"
             "TQPASSWORD=secret pass\r\n");
    // Key names match without regard to case; a flag of 2 is read as it stands.
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 2);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "00A1b2");
    // A value longer than the 128-byte buffer comes back cut to 127 bytes.
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), longValue.substr(0, 127));
    CSettingsFile::DirectorySettings dir = CSettingsFile::ReadDirectory();
    EXPECT_EQ(dir.host, "ldap.example.test");
    EXPECT_EQ(dir.port, 3890);
    EXPECT_EQ(dir.dn, "cn=reader,dc=zoz,dc=test");
    EXPECT_EQ(dir.password, "secret pass");
}

TEST_F(SettingsFile, FlagThatIsNotANumberReadsAsZero)
{
    WriteRaw(m_machine, "[CODE]\r\nSETCERFLG=yes\r\nTQPORT=\r\n");
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 0);
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kDirPort), 0);
}

TEST_F(SettingsFile, ChoosingACertificateCreatesTheMachineFileWithThreeKeysInOrder)
{
    const char* name = "张三 (测试证书)";
    EXPECT_EQ(CSettingsFile::WriteDefaultCertificate(name, "00C0FFEE01"),
              CSettingsFile::SaveResult::Saved);
    ASSERT_TRUE(Exists(m_machine));
    EXPECT_FALSE(Exists(m_user));

    std::string raw = ReadRaw(m_machine);
    size_t section = raw.find("[CODE]");
    size_t flag = raw.find("SETCERFLG=1");
    size_t certName = raw.find(std::string("CERTNAME=") + name);  // GBK bytes in the file
    size_t serial = raw.find("CERTSerial=00C0FFEE01");
    ASSERT_NE(section, std::string::npos) << raw;
    ASSERT_NE(flag, std::string::npos) << raw;
    ASSERT_NE(certName, std::string::npos) << raw;
    ASSERT_NE(serial, std::string::npos) << raw;
    EXPECT_LT(section, flag);
    EXPECT_LT(flag, certName);
    EXPECT_LT(certName, serial);

    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 1);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), name);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "00C0FFEE01");
}

TEST_F(SettingsFile, ChoosingAgainReplacesNameAndSerialAndKeepsTheDirectoryKeys)
{
    WriteRaw(m_machine, "[CODE]\r\nTQIP=10.0.0.1\r\nTQPORT=389\r\n");
    const std::string longName(200, 'L');
    ASSERT_EQ(CSettingsFile::WriteDefaultCertificate("first", "01"), CSettingsFile::SaveResult::Saved);
    ASSERT_EQ(CSettingsFile::WriteDefaultCertificate(longName.c_str(), "02"),
              CSettingsFile::SaveResult::Saved);
    // Written whole, read back cut.
    EXPECT_NE(ReadRaw(m_machine).find("CERTNAME=" + longName + "\r\n"), std::string::npos);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), longName.substr(0, 127));
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "02");
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 1);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kDirHost), "10.0.0.1");
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kDirPort), 389);
}

TEST_F(SettingsFile, PerUserFileComesFirstKeyByKey)
{
    WriteRaw(m_machine,
             "[CODE]\r\nSETCERFLG=1\r\nCERTNAME=machine name\r\nCERTSerial=AA\r\nTQIP=dir.host\r\n");
    WriteRaw(m_user, "[CODE]\r\nCERTSerial=BB\r\nSETCERFLG=0\r\n");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "BB");
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 0);
    // Keys the per-user file lacks come from the machine file.
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "machine name");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kDirHost), "dir.host");
}

TEST_F(SettingsFile, EmptyPerUserValueStillHidesTheMachineValue)
{
    WriteRaw(m_machine, "[CODE]\r\nCERTNAME=machine name\r\n");
    WriteRaw(m_user, "[CODE]\r\nCERTNAME=\r\n");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "");
}

TEST_F(SettingsFile, UnwritableMachineFileSendsTheChoiceToThePerUserFile)
{
    for (CWriteBlock::Kind kind : kAllBlocks)
    {
        SCOPED_TRACE(KindName(kind));
        Remove(m_user);
        Remove(m_machine);
        const std::string deployed =
            "[CODE]\r\nSETCERFLG=1\r\nCERTNAME=old\r\nCERTSerial=0A\r\nTQIP=dir.host\r\nTQPORT=636\r\n";
        if (kind != CWriteBlock::DirectoryInPlace)
            WriteRaw(m_machine, deployed);
        {
            CWriteBlock block(kind, m_machine);
            ASSERT_TRUE(block.Ok());
            if (!block.Honoured())
            {
                std::printf("note: %s does not stop writing here; variant not checked\n",
                            KindName(kind));
                continue;
            }
            EXPECT_EQ(CSettingsFile::WriteDefaultCertificate("李四", "00FF10"),
                      CSettingsFile::SaveResult::SavedForUser);
            EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 1);
            EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "李四");
            EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "00FF10");
        }
        // The machine file is untouched; the directory keys still come from it.
        if (kind != CWriteBlock::DirectoryInPlace)
        {
            EXPECT_EQ(ReadRaw(m_machine), deployed);
            EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kDirHost), "dir.host");
            EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kDirPort), 636);
        }
        std::string raw = ReadRaw(m_user);
        EXPECT_NE(raw.find("SETCERFLG=1"), std::string::npos) << raw;
        EXPECT_NE(raw.find("CERTNAME=李四"), std::string::npos) << raw;
        EXPECT_NE(raw.find("CERTSerial=00FF10"), std::string::npos) << raw;
        EXPECT_EQ(raw.find("TQIP"), std::string::npos) << raw;
    }
}

TEST_F(SettingsFile, BothFilesUnwritableIsReportedAndChangesNothing)
{
    for (CWriteBlock::Kind kind : kAllBlocks)
    {
        SCOPED_TRACE(KindName(kind));
        Remove(m_user);
        Remove(m_machine);
        WriteRaw(m_machine, "[CODE]\r\nSETCERFLG=1\r\nCERTNAME=old\r\nCERTSerial=0A\r\n");
        CWriteBlock machineBlock(CWriteBlock::DenyWriteHandle, m_machine);
        CWriteBlock userBlock(kind, m_user);
        ASSERT_TRUE(machineBlock.Honoured());
        ASSERT_TRUE(userBlock.Ok());
        if (!userBlock.Honoured())
        {
            std::printf("note: %s does not stop writing here; variant not checked\n", KindName(kind));
            continue;
        }
        EXPECT_EQ(CSettingsFile::WriteDefaultCertificate("new", "0B"),
                  CSettingsFile::SaveResult::Failed);
        EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "old");
        EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "0A");
    }
}

TEST_F(SettingsFile, WritableMachineFileAgainIsNotHiddenByAnOlderPerUserChoice)
{
    {
        CWriteBlock block(CWriteBlock::DenyWriteHandle, m_machine);
        ASSERT_TRUE(block.Honoured());
        ASSERT_EQ(CSettingsFile::WriteDefaultCertificate("while locked", "01"),
                  CSettingsFile::SaveResult::SavedForUser);
    }
    // The administrator has made the Windows directory writable for this user.
    EXPECT_EQ(CSettingsFile::WriteDefaultCertificate("after", "02"), CSettingsFile::SaveResult::Saved);
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertName), "after");
    EXPECT_EQ(CSettingsFile::ReadString(CSettingsFile::kCertSerial), "02");
    EXPECT_EQ(CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag), 1);
    EXPECT_EQ(ReadRaw(m_user).find("CERTNAME"), std::string::npos);
}
}  // namespace
