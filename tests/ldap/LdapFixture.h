// The directory fixture of the tests (tests/ldap/slapd-fixture.sh, started by the test run before
// the cases that need it and stopped after them): what its fixture.ini names, the certificates it
// made and the order in which its server delivers the values of the two big queries.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef ZOZ_LDAP_FIXTURE_INI
#error "ZOZ_LDAP_FIXTURE_INI must name the fixture's fixture.ini"
#endif

namespace ldapfixture
{
struct Fixture
{
    std::string host;
    int port = 0;
    int frozenPort = 0;
    int deadPort = 0;
    std::string peopleDn;
    std::string peoplePassword;
    std::string bulkDn;
    std::string bulkPassword;
    int bulkCount = 0;
    std::string certs;
    std::string orders;
};

inline std::string IniString(const char* key)
{
    char value[1024] = {};
    ::GetPrivateProfileStringA("ldap", key, "", value, sizeof(value), ZOZ_LDAP_FIXTURE_INI);
    return value;
}

inline int IniInt(const char* key)
{
    return static_cast<int>(::GetPrivateProfileIntA("ldap", key, 0, ZOZ_LDAP_FIXTURE_INI));
}

inline const Fixture& TheFixture()
{
    static const Fixture fixture = [] {
        Fixture f;
        f.host = IniString("host");
        f.port = IniInt("port");
        f.frozenPort = IniInt("frozenPort");
        f.deadPort = IniInt("deadPort");
        f.peopleDn = IniString("peopleDn");
        f.peoplePassword = IniString("peoplePassword");
        f.bulkDn = IniString("bulkDn");
        f.bulkPassword = IniString("bulkPassword");
        f.bulkCount = IniInt("bulkCount");
        f.certs = IniString("certs");
        f.orders = IniString("orders");
        return f;
    }();
    return fixture;
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The encoded certificate (or non-certificate) the fixture stored under `name`.
inline std::string Der(const std::string& name)
{
    std::string bytes = ReadFile(TheFixture().certs + "\\" + name + ".der");
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

// The values of a query in the order the fixture's server delivered them to its own client.
inline std::vector<std::string> DeliveredOrder(const std::string& name)
{
    std::vector<std::string> values;
    std::ifstream in(TheFixture().orders + "\\" + name + ".order");
    for (std::string line; std::getline(in, line);)
    {
        DWORD size = 0;
        if (!::CryptStringToBinaryA(line.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr))
            continue;
        std::string bytes(size, '\0');
        ::CryptStringToBinaryA(line.c_str(), 0, CRYPT_STRING_BASE64,
                               reinterpret_cast<BYTE*>(&bytes[0]), &size, nullptr, nullptr);
        bytes.resize(size);
        values.push_back(bytes);
    }
    return values;
}

// The tests that talk to the main server hold this, so that its connection count is theirs.
class MainServerLock
{
public:
    MainServerLock() : m_mutex(::CreateMutexA(nullptr, FALSE, "zoz-tests-ldap-main-server"))
    {
        DWORD got = m_mutex ? ::WaitForSingleObject(m_mutex, 300000) : WAIT_FAILED;
        m_held = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
    }
    ~MainServerLock()
    {
        if (m_held)
            ::ReleaseMutex(m_mutex);
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }
    MainServerLock(const MainServerLock&) = delete;
    MainServerLock& operator=(const MainServerLock&) = delete;
    bool Held() const { return m_held; }

private:
    HANDLE m_mutex;
    bool m_held = false;
};
}  // namespace ldapfixture
