// One directory query: binds simply to the LDAP server and collects the "userCertificate" values
// of the entries below the base that match "(attribute=value)". The object owns the LDAP session
// and unbinds it before Search returns (and when it is destroyed). Connecting and binding are held
// to the same time limit as the search, so a server that accepts the connection and never answers
// cannot block the calling thread for good.
#pragma once
#include <windows.h>
#include <winldap.h>

class CLdapCertSearch
{
public:
    // Slots of the result array: at most kMaxValues values and the terminating null.
    static constexpr int kSlots = 150;
    static constexpr int kMaxValues = kSlots - 1;
    // The filter "(attribute=value)" is built in this many bytes, terminator included.
    static constexpr size_t kFilterBuffer = 128;
    // What the encryption dialog waits at most, for the bind and again for the search.
    static constexpr int kTimeLimitSeconds = 30;

    enum class Outcome
    {
        Searched,      // an array was returned (possibly holding no value)
        QueryTooLong,  // the filter would not fit; nothing was sent anywhere
        NoSession,     // no session could be made for the host and port
        ConnectFailed, // the server could not be reached
        BindFailed,    // the server refused the bind (wrong DN or password, ...)
        TimedOut,      // no answer to the connection or the bind within the time limit
        OutOfMemory    // the result array could not be allocated
    };

    CLdapCertSearch() = default;
    ~CLdapCertSearch();
    CLdapCertSearch(const CLdapCertSearch&) = delete;
    CLdapCertSearch& operator=(const CLdapCertSearch&) = delete;

    // Whether "(attribute=value)" fits the filter buffer.
    static bool FilterFits(const char* attribute, const char* value);

    // The values in the order the directory delivered them, ended by a null slot; or no array
    // when the query is too long or the bind does not succeed (LastOutcome says which). The
    // search's own result is not examined: a failed or timed-out search gives what arrived.
    // Release the array with FreeResults.
    berval** Search(const char* host, int port, const char* dn, const char* password,
                    const char* attribute, const char* value, int seconds);

    // Releases every value copy up to the terminator, then the array. Null is allowed.
    static void FreeResults(berval** results);

    Outcome LastOutcome() const { return m_outcome; }
    // The LDAP result code of the last search (after a successful bind).
    ULONG LastSearchResult() const { return m_searchResult; }

private:
    bool Bind(const char* host, int port, const char* dn, const char* password, int seconds);
    void Collect(LDAPMessage* result, berval** values);
    void Close();

    LDAP* m_session = nullptr;
    Outcome m_outcome = Outcome::Searched;
    ULONG m_searchResult = LDAP_SUCCESS;
};
