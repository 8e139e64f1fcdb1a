// The directory search against a real slapd on 127.0.0.1 (tests/ldap/slapd-fixture.sh, started
// by the test run before these cases and stopped after them). The fixture's fixture.ini names
// the ports, the bind identities, the certificates it made and the order in which its server
// delivers the values of the two big queries.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>
#include <winldap.h>
#include <winber.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "certs/CLdapCertSearch.h"
#include "ldap/LdapFixture.h"

namespace
{
using namespace ldapfixture;

// Owner of a result array.
class Results
{
public:
    explicit Results(berval** values) : m_values(values) {}
    ~Results() { CLdapCertSearch::FreeResults(m_values); }
    Results(const Results&) = delete;
    Results& operator=(const Results&) = delete;

    berval** Get() const { return m_values; }
    std::vector<std::string> Values() const
    {
        std::vector<std::string> values;
        for (int i = 0; m_values && m_values[i]; ++i)
            values.emplace_back(m_values[i]->bv_val, m_values[i]->bv_len);
        return values;
    }

private:
    berval** m_values;
};

std::vector<std::string> Sorted(std::vector<std::string> values)
{
    std::sort(values.begin(), values.end());
    return values;
}


class LdapCertSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const Fixture& f = TheFixture();
        ASSERT_NE(f.port, 0) << "no directory fixture at " << ZOZ_LDAP_FIXTURE_INI;
        ASSERT_TRUE(m_lock.Held());
    }

    berval** SearchPeople(const char* value)
    {
        const Fixture& f = TheFixture();
        return m_search.Search(f.host.c_str(), f.port, f.peopleDn.c_str(), f.peoplePassword.c_str(),
                               "mail", value, CLdapCertSearch::kTimeLimitSeconds);
    }

    MainServerLock m_lock;
    CLdapCertSearch m_search;
};

TEST_F(LdapCertSearch, StarListsEveryValueWithAnEmailAddress)
{
    Results results(SearchPeople("*"));
    ASSERT_NE(results.Get(), nullptr);
    EXPECT_EQ(m_search.LastOutcome(), CLdapCertSearch::Outcome::Searched);
    std::vector<std::string> values = results.Values();
    // Every value of every entry with an e-mail address, the one without an address left out.
    std::vector<std::string> expected;
    for (const char* name : {"alice", "bob", "carol", "shared", "shared", "twin-a", "twin-b", "junk",
                             "multi-1", "multi-2"})
        expected.push_back(Der(name));
    EXPECT_EQ(Sorted(values), Sorted(expected));
    EXPECT_EQ(std::count(values.begin(), values.end(), Der("nomail")), 0);
    // In the order the directory delivered them.
    EXPECT_EQ(values, DeliveredOrder("people"));
}

TEST_F(LdapCertSearch, EqualityQueriesGiveTheValuesOfTheMatchingEntries)
{
    struct Case
    {
        const char* query;
        std::vector<std::string> names;  // in delivered order where one entry holds several
        bool ordered;
    };
    const Case cases[] = {
        {"alice@zoz.test", {"alice"}, true},
        {"bob@zoz.test", {"bob"}, true},
        {"carol@zoz.test", {"carol"}, true},                 // signing only: still a value
        {"shared@zoz.test", {"shared", "shared"}, true},     // one certificate under two entries
        {"twin@zoz.test", {"twin-a", "twin-b"}, false},      // equal serials, two issuers
        {"junk@zoz.test", {"junk"}, true},                   // not a certificate: still a value
        {"multi@zoz.test", {"multi-1", "multi-2"}, true},    // one entry, two values in order
        {"MULTI@ZOZ.TEST", {"multi-1", "multi-2"}, true},    // the directory's own matching rule
        {"nocert@zoz.test", {}, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.query);
        Results results(SearchPeople(c.query));
        ASSERT_NE(results.Get(), nullptr);
        std::vector<std::string> expected;
        for (const std::string& name : c.names)
            expected.push_back(Der(name));
        if (c.ordered)
            EXPECT_EQ(results.Values(), expected);
        else
            EXPECT_EQ(Sorted(results.Values()), Sorted(expected));
    }
}

TEST_F(LdapCertSearch, EmptyResultIsAnArrayWhoseFirstSlotIsTheTerminator)
{
    for (const char* query : {"nobody@zoz.test", "nocert@zoz.test"})
    {
        SCOPED_TRACE(query);
        Results results(SearchPeople(query));
        ASSERT_NE(results.Get(), nullptr);
        EXPECT_EQ(results.Get()[0], nullptr);
        EXPECT_EQ(m_search.LastOutcome(), CLdapCertSearch::Outcome::Searched);
    }
}

TEST_F(LdapCertSearch, OnlyTheFirst149DeliveredValuesAreCollected)
{
    const Fixture& f = TheFixture();
    ASSERT_GT(f.bulkCount, CLdapCertSearch::kMaxValues);
    Results results(m_search.Search(f.host.c_str(), f.port, f.bulkDn.c_str(), f.bulkPassword.c_str(),
                                    "mail", "bulk@zoz.test", CLdapCertSearch::kTimeLimitSeconds));
    ASSERT_NE(results.Get(), nullptr);
    std::vector<std::string> delivered = DeliveredOrder("bulk");
    ASSERT_EQ(delivered.size(), static_cast<size_t>(f.bulkCount));
    delivered.resize(CLdapCertSearch::kMaxValues);
    EXPECT_EQ(results.Values(), delivered);
    EXPECT_EQ(results.Get()[CLdapCertSearch::kMaxValues], nullptr);
}

TEST_F(LdapCertSearch, FailedBindGivesNoArray)
{
    const Fixture& f = TheFixture();
    struct Case
    {
        const char* what;
        int port;
        std::string dn;
        std::string password;
        std::vector<CLdapCertSearch::Outcome> outcomes;
    };
    using O = CLdapCertSearch::Outcome;
    const Case cases[] = {
        {"wrong password", f.port, f.peopleDn, "not-the-password", {O::BindFailed}},
        {"unknown DN", f.port, "ou=nobody,dc=zoz,dc=test", f.peoplePassword, {O::BindFailed}},
        {"DN without password", f.port, f.peopleDn, "", {O::BindFailed}},
        // Wine's client connects only when the bind is sent; the platform's at the connect.
        {"nothing listens", f.deadPort, f.peopleDn, f.peoplePassword, {O::ConnectFailed, O::BindFailed}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ULONGLONG start = ::GetTickCount64();
        berval** results = m_search.Search(f.host.c_str(), c.port, c.dn.c_str(), c.password.c_str(),
                                           "mail", "*", CLdapCertSearch::kTimeLimitSeconds);
        EXPECT_EQ(results, nullptr);
        CLdapCertSearch::FreeResults(results);
        EXPECT_NE(std::find(c.outcomes.begin(), c.outcomes.end(), m_search.LastOutcome()), c.outcomes.end())
            << static_cast<int>(m_search.LastOutcome());
        EXPECT_LT(::GetTickCount64() - start, 10000u);
    }
}

TEST_F(LdapCertSearch, QueryThatWouldOverflowTheFilterIsRefused)
{
    // "(mail=" + value + ")" must fit 127 bytes: 120 bytes of value do, 121 do not.
    const std::string fits(120, 'a');
    const std::string tooLong(121, 'a');
    EXPECT_TRUE(CLdapCertSearch::FilterFits("mail", fits.c_str()));
    EXPECT_FALSE(CLdapCertSearch::FilterFits("mail", tooLong.c_str()));
    {
        Results results(SearchPeople(fits.c_str()));
        ASSERT_NE(results.Get(), nullptr);
        EXPECT_EQ(results.Get()[0], nullptr);
        EXPECT_EQ(m_search.LastOutcome(), CLdapCertSearch::Outcome::Searched);
    }
    // Refused before anything is sent: even the silent server does not delay the answer.
    const Fixture& f = TheFixture();
    ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(m_search.Search(f.host.c_str(), f.frozenPort, f.peopleDn.c_str(), f.peoplePassword.c_str(),
                              "mail", tooLong.c_str(), CLdapCertSearch::kTimeLimitSeconds),
              nullptr);
    EXPECT_EQ(m_search.LastOutcome(), CLdapCertSearch::Outcome::QueryTooLong);
    EXPECT_LT(::GetTickCount64() - start, 2000u);
    // A wildcard filled past the limit is refused the same way, not cut into a shorter filter.
    const std::string starred = std::string(119, 'a') + "**";
    EXPECT_EQ(SearchPeople(starred.c_str()), nullptr);
    EXPECT_EQ(m_search.LastOutcome(), CLdapCertSearch::Outcome::QueryTooLong);
}

// Connections the main server has open now (its monitor database counts them).
int OpenConnections(LDAP* monitor)
{
    char base[] = "cn=Current,cn=Connections,cn=Monitor";
    char filter[] = "(objectClass=*)";
    char counter[] = "monitorCounter";
    PCHAR attributes[] = {counter, nullptr};
    LDAPMessage* result = nullptr;
    l_timeval timeout = {10, 0};
    int count = -1;
    if (::ldap_search_stA(monitor, base, LDAP_SCOPE_BASE, filter, attributes, 0, &timeout, &result) ==
        LDAP_SUCCESS)
    {
        LDAPMessage* entry = ::ldap_first_entry(monitor, result);
        PCHAR* values = entry ? ::ldap_get_valuesA(monitor, entry, counter) : nullptr;
        if (values && values[0])
            count = std::atoi(values[0]);
        if (values)
            ::ldap_value_freeA(values);
    }
    if (result)
        ::ldap_msgfree(result);
    return count;
}

TEST_F(LdapCertSearch, SessionIsClosedAfterEveryQuery)
{
    const Fixture& f = TheFixture();
    LDAP* monitor = ::ldap_initA(const_cast<PCHAR>(f.host.c_str()), f.port);
    ASSERT_NE(monitor, nullptr);
    ULONG version = LDAP_VERSION3;
    ::ldap_set_option(monitor, LDAP_OPT_PROTOCOL_VERSION, &version);
    ASSERT_EQ(::ldap_simple_bind_sA(monitor, nullptr, nullptr), static_cast<ULONG>(LDAP_SUCCESS));
    const int before = OpenConnections(monitor);
    ASSERT_GE(before, 1);  // the monitor's own

    struct Case
    {
        const char* what;
        std::string password;
        bool array;
    };
    const Case cases[] = {{"search done", f.peoplePassword, true}, {"bind refused", "wrong", false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        // The same object for several queries, as long as it lives.
        for (int round = 0; round < 3; ++round)
        {
            Results results(m_search.Search(f.host.c_str(), f.port, f.peopleDn.c_str(), c.password.c_str(),
                                            "mail", "alice@zoz.test", CLdapCertSearch::kTimeLimitSeconds));
            EXPECT_EQ(results.Get() != nullptr, c.array);
        }
        // The server notices a closed connection a moment later.
        int now = -1;
        for (int i = 0; i < 40; ++i)
        {
            now = OpenConnections(monitor);
            if (now == before)
                break;
            ::Sleep(50);
        }
        EXPECT_EQ(now, before);
    }
    ::ldap_unbind(monitor);
}

// The one slow case: a server that accepts the connection and never answers (stopped with
// SIGSTOP) must not hold the caller longer than the time limit.
TEST(LdapCertSearchSilentServer, BindGivesUpAtTheTimeLimit)
{
    const Fixture& f = TheFixture();
    ASSERT_NE(f.frozenPort, 0) << "no directory fixture at " << ZOZ_LDAP_FIXTURE_INI;
    CLdapCertSearch search;
    ULONGLONG start = ::GetTickCount64();
    berval** results = search.Search(f.host.c_str(), f.frozenPort, f.peopleDn.c_str(),
                                     f.peoplePassword.c_str(), "mail", "*",
                                     CLdapCertSearch::kTimeLimitSeconds);
    ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_EQ(results, nullptr);
    CLdapCertSearch::FreeResults(results);
    EXPECT_EQ(search.LastOutcome(), CLdapCertSearch::Outcome::TimedOut);
    EXPECT_GE(elapsed, (CLdapCertSearch::kTimeLimitSeconds - 1) * 1000u);
    EXPECT_LE(elapsed, (CLdapCertSearch::kTimeLimitSeconds + 10) * 1000u);
}
}  // namespace
