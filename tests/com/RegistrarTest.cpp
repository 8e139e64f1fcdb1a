// The registrar against a scratch key that stands in for HKCR: the marks, the replacements and
// the refusal of malformed scripts, each seen in the real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/CRegistrar.h"

namespace
{
class RegistrarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = "Software\\ZozRegistrarTest\\" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_root, nullptr));
        m_registrar.SetClassesRoot(m_root);
    }
    void TearDown() override
    {
        if (m_root)
            RegCloseKey(m_root);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    }

    bool Exists(const char* key) const
    {
        HKEY k = nullptr;
        if (RegOpenKeyExA(m_root, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }
    // The REG_SZ value, or "<none>" when the key or value is missing.
    std::string Text(const char* key, const char* name = nullptr) const
    {
        char data[512] = {};
        DWORD size = sizeof data - 1, type = 0;
        if (RegGetValueA(m_root, key, name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
            return "<none>";
        return type == REG_SZ ? std::string(data) : "<type " + std::to_string(type) + ">";
    }
    DWORD SubkeyCount(const char* key) const
    {
        HKEY k = nullptr;
        DWORD n = 0;
        if (RegOpenKeyExA(m_root, key, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return ~0u;
        RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &n, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(k);
        return n;
    }
    void Plant(const char* key)
    {
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
        RegCloseKey(k);
    }

    std::string m_path;
    HKEY m_root = nullptr;
    CRegistrar m_registrar;
};

const char kScript[] = R"(
HKCR
{
    Plain = s 'Plain text'
    {
        Child = s 'child'
        val Named = s 'named'
        val Number = d 0x2A
    }
    NoRemove Shared
    {
        ForceRemove Ours = s '%ID%'
        val OurValue = s 'x'
        'With Space' = s 'it''s'
    }
}
)";
}

TEST_F(RegistrarTest, RegisterWritesKeysAndValuesAndReplacements)
{
    m_registrar.AddReplacement("id", "{ABC}");  // names are matched without regard to case
    ASSERT_EQ(S_OK, m_registrar.RunScript(kScript, true));
    EXPECT_EQ("Plain text", Text("Plain"));
    EXPECT_EQ("child", Text("Plain\\Child"));
    EXPECT_EQ("named", Text("Plain", "Named"));
    DWORD number = 0, size = sizeof number;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(m_root, "Plain", "Number", RRF_RT_REG_DWORD, nullptr, &number, &size));
    EXPECT_EQ(42u, number);
    EXPECT_EQ("{ABC}", Text("Shared\\Ours"));
    EXPECT_EQ("x", Text("Shared", "OurValue"));
    EXPECT_EQ("it's", Text("Shared\\With Space"));
}

TEST_F(RegistrarTest, ForceRemoveDropsForeignSubkeysOnlyWhereMarked)
{
    m_registrar.AddReplacement("ID", "{ABC}");
    ASSERT_EQ(S_OK, m_registrar.RunScript(kScript, true));
    Plant("Shared\\Ours\\Foreign");
    Plant("Plain\\Foreign");
    ASSERT_EQ(S_OK, m_registrar.RunScript(kScript, true));
    EXPECT_FALSE(Exists("Shared\\Ours\\Foreign"));
    EXPECT_TRUE(Exists("Plain\\Foreign"));
    EXPECT_EQ("{ABC}", Text("Shared\\Ours"));
}

TEST_F(RegistrarTest, UnregisterKeepsMarkedKeysAndForeignSiblings)
{
    m_registrar.AddReplacement("ID", "{ABC}");
    ASSERT_EQ(S_OK, m_registrar.RunScript(kScript, true));
    Plant("Shared\\SomeoneElse");
    Plant("Plain\\Child\\Deeper");
    ASSERT_EQ(S_OK, m_registrar.RunScript(kScript, false));
    EXPECT_FALSE(Exists("Plain"));  // ours, with everything below it
    EXPECT_TRUE(Exists("Shared"));
    EXPECT_TRUE(Exists("Shared\\SomeoneElse"));
    EXPECT_FALSE(Exists("Shared\\Ours"));
    EXPECT_FALSE(Exists("Shared\\With Space"));
    EXPECT_EQ("<none>", Text("Shared", "OurValue"));
    // Already gone counts as removed.
    EXPECT_EQ(S_OK, m_registrar.RunScript(kScript, false));
}

TEST_F(RegistrarTest, KeyHoldingKeptKeysGoesOnlyWhenEmpty)
{
    const char script[] = "HKCR { Outer { NoRemove Inner { Leaf } } }";
    ASSERT_EQ(S_OK, m_registrar.RunScript(script, true));
    ASSERT_EQ(S_OK, m_registrar.RunScript(script, false));
    EXPECT_TRUE(Exists("Outer\\Inner"));
    EXPECT_FALSE(Exists("Outer\\Inner\\Leaf"));
    EXPECT_EQ(1u, SubkeyCount("Outer"));
}

TEST_F(RegistrarTest, MalformedScriptsWriteNothing)
{
    struct Case
    {
        const char* what;
        const char* script;
    } cases[] = {
        {"unknown replacement", "HKCR { A = s '%NOPE%' }"},
        {"unterminated replacement", "HKCR { A = s '100%' }"},
        {"unterminated quote", "HKCR { A = s 'open }"},
        {"missing closing brace", "HKCR { A { B }"},
        {"unknown value type", "HKCR { A = x 'y' }"},
        {"value without data", "HKCR { A { val V } }"},
        {"bad number", "HKCR { A { val V = d 12z } }"},
        {"unknown root", "HKLM { A }"},
        {"stray closing brace", "HKCR { A } }"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CRegistrar::E_BADSCRIPT, m_registrar.RunScript(c.script, true));
        EXPECT_EQ(0u, SubkeyCount(""));
    }
}

TEST_F(RegistrarTest, PercentEscapesAndQuotedReplacement)
{
    // The module path replacement arrives with its quotes doubled.
    m_registrar.AddReplacement("Module", "C:\\it''s 100\\x.dll");
    ASSERT_EQ(S_OK, m_registrar.RunScript("hkey_classes_root { K = s '%MODULE%' { val P = s '50%%' } }", true));
    EXPECT_EQ("C:\\it's 100\\x.dll", Text("K"));
    EXPECT_EQ("50%", Text("K", "P"));
}
