#include "certs/CLdapCertSearch.h"

#include <winber.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Unbinds on every way out of Search.
class CloseOnExit
{
public:
    explicit CloseOnExit(LDAP*& session) : m_session(session) {}
    ~CloseOnExit()
    {
        if (m_session)
            ::ldap_unbind(m_session);
        m_session = nullptr;
    }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    LDAP*& m_session;
};

l_timeval Timeval(ULONGLONG milliseconds)
{
    l_timeval tv;
    tv.tv_sec = static_cast<LONG>(milliseconds / 1000);
    tv.tv_usec = static_cast<LONG>((milliseconds % 1000) * 1000);
    return tv;
}
}

CLdapCertSearch::~CLdapCertSearch()
{
    Close();
}

void CLdapCertSearch::Close()
{
    if (m_session)
        ::ldap_unbind(m_session);
    m_session = nullptr;
}

bool CLdapCertSearch::FilterFits(const char* attribute, const char* value)
{
    // "(" attribute "=" value ")" and the terminator.
    return std::strlen(attribute) + std::strlen(value) + 3 < kFilterBuffer;
}

bool CLdapCertSearch::Bind(const char* host, int port, const char* dn, const char* password,
                           int seconds)
{
    m_session = ::ldap_initA(const_cast<PCHAR>(host), static_cast<ULONG>(port));
    if (!m_session)
    {
        m_outcome = Outcome::NoSession;
        return false;
    }
    ULONG version = LDAP_VERSION3;
    ::ldap_set_option(m_session, LDAP_OPT_PROTOCOL_VERSION, &version);

    // Connecting and binding share one deadline.
    const ULONGLONG limit = static_cast<ULONGLONG>(seconds) * 1000;
    const ULONGLONG start = ::GetTickCount64();
    l_timeval connectTimeout = Timeval(limit);
    ULONG rc = ::ldap_connect(m_session, &connectTimeout);
    if (rc != LDAP_SUCCESS)
    {
        m_outcome = rc == LDAP_TIMEOUT ? Outcome::TimedOut : Outcome::ConnectFailed;
        return false;
    }

    ULONG msgid = ::ldap_simple_bindA(m_session, const_cast<PCHAR>(dn), const_cast<PCHAR>(password));
    if (msgid == static_cast<ULONG>(-1))
    {
        m_outcome = Outcome::BindFailed;
        return false;
    }
    ULONGLONG spent = ::GetTickCount64() - start;
    l_timeval left = Timeval(spent < limit ? limit - spent : 0);
    LDAPMessage* answer = nullptr;
    ULONG got = ::ldap_result(m_session, msgid, LDAP_MSG_ALL, &left, &answer);
    if (got == 0 || got == static_cast<ULONG>(-1))
    {
        if (answer)
            ::ldap_msgfree(answer);
        if (got == 0)
            ::ldap_abandon(m_session, msgid);
        m_outcome = got == 0 ? Outcome::TimedOut : Outcome::BindFailed;
        return false;
    }
    rc = ::ldap_result2error(m_session, answer, TRUE);
    if (rc != LDAP_SUCCESS)
    {
        m_outcome = Outcome::BindFailed;
        return false;
    }
    return true;
}

berval** CLdapCertSearch::Search(const char* host, int port, const char* dn, const char* password,
                                 const char* attribute, const char* value, int seconds)
{
    Close();
    m_outcome = Outcome::Searched;
    m_searchResult = LDAP_SUCCESS;
    if (seconds <= 0)
        seconds = kTimeLimitSeconds;
    // The value goes into the filter as typed; one that would overflow it is refused, not cut.
    if (!FilterFits(attribute, value))
    {
        m_outcome = Outcome::QueryTooLong;
        return nullptr;
    }

    CloseOnExit unbind(m_session);
    if (!Bind(host, port, dn, password, seconds))
        return nullptr;

    berval** values = static_cast<berval**>(std::calloc(kSlots, sizeof(berval*)));
    if (!values)
    {
        m_outcome = Outcome::OutOfMemory;
        return nullptr;
    }

    char filter[kFilterBuffer] = {};
    std::snprintf(filter, sizeof(filter), "(%s=%s)", attribute, value);
    char certificateAttribute[] = "userCertificate";
    PCHAR attributes[] = {certificateAttribute, nullptr};
    l_timeval timeLimit = Timeval(static_cast<ULONGLONG>(seconds) * 1000);
    LDAPMessage* result = nullptr;
    m_searchResult = ::ldap_search_stA(m_session, const_cast<PCHAR>(dn), LDAP_SCOPE_SUBTREE, filter,
                                       attributes, 0, &timeLimit, &result);
    if (result)
    {
        Collect(result, values);
        ::ldap_msgfree(result);
    }
    return values;
}

void CLdapCertSearch::Collect(LDAPMessage* result, berval** values)
{
    // Stops at kMaxValues values (no further value, attribute or entry is looked at), or when a
    // copy cannot be made; the array is calloc'ed, so the slot after the last value is null.
    int count = 0;
    bool full = false;
    for (LDAPMessage* entry = ::ldap_first_entry(m_session, result); entry && !full;
         entry = ::ldap_next_entry(m_session, entry))
    {
        BerElement* position = nullptr;
        for (PCHAR name = ::ldap_first_attributeA(m_session, entry, &position); name;
             name = full ? nullptr : ::ldap_next_attributeA(m_session, entry, position))
        {
            berval** found = ::ldap_get_values_lenA(m_session, entry, name);
            for (int i = 0; found && found[i] && !full; ++i)
            {
                berval* copy = ::ber_bvdup(found[i]);
                if (copy)
                    values[count++] = copy;
                full = !copy || count == kMaxValues;
            }
            if (found)
                ::ldap_value_free_len(found);
            ::ldap_memfreeA(name);
        }
        if (position)
            ::ber_free(position, 0);
    }
    values[count] = nullptr;
}

void CLdapCertSearch::FreeResults(berval** results)
{
    if (!results)
        return;
    for (int i = 0; i < kSlots && results[i]; ++i)
        ::ber_bvfree(results[i]);
    std::free(results);
}
