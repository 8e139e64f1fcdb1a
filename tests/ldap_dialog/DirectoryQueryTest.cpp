// The directory query of the encryption dialog (button "查询") against the real slapd of the
// directory fixture, with the directory keys in the prefix's settings file, the real ADDRESSBOOK
// store and real windows under Xvfb. The wait notice is seen through window hooks of the
// dialog's thread and, while the thread is blocked, from a second thread.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "CDelayedRelay.h"
#include "CNoticeWatcher.h"
#include "CWaitNoticeRecorder.h"
#include "DialogsEncTestSupport.h"
#include "certs/CCertStoreQueries.h"
#include "certs/CLdapCertSearch.h"
#include "engine/CCertContext.h"
#include "engine/CCertStore.h"
#include "ldap/LdapFixture.h"
#include "res/resource.h"
#include "ui/UiTestSupport.h"

namespace
{
using namespace dlgtest;
using ldapfixture::Der;
using ldapfixture::DeliveredOrder;
using ldapfixture::TheFixture;

const char* const kCaption = "信息提示";
const UINT kType = MB_OK | MB_ICONINFORMATION;
const char* const kEmptyQuery = "请您必需输入要查询的电子邮件!";
const char* const kTooLong = "您输入的电子邮件太长,无法查询!";
const char* const kBindFailed = "查找失败,可能是配置文件出错或网络不通!";
const char* const kNothingFound = "查找失败!";
const char* const kSucceeded = "查询成功,将所查询的证书写入列表中!";
const char* const kWaitText = "正在查询,请稍等.....";

// The fixture's certificates as the list shows them (self-signed: issuer = subject).
struct Known
{
    const char* name;
    const char* subject;
    const char* serial;
    bool encipherment;
};
const Known kKnown[] = {
    {"alice", "Alice Encipher", "00A11CE0", true},  // leading zero byte kept
    {"bob", "Bob Data", "0B0B", true},              // data encipherment only
    {"carol", "Carol Signer", "0CA201", false},     // signing only
    {"shared", "Shared Mailbox", "5A5A5A", true},   // under two entries
    {"twin-a", "Twin One", "7777", true},           // equal serials, two issuers
    {"twin-b", "Twin Two", "7777", true},
    {"multi-1", "Multi First", "0E01", true},
    {"multi-2", "Multi Second", "0E02", true},
    {"nomail", "No Mail", "0F0F", true},            // no address: never found
};

const Known* KnownByDer(const std::string& der)
{
    for (const Known& k : kKnown)
        if (Der(k.name) == der)
            return &k;
    return nullptr;
}

// Every certificate file the fixture made (its own and the bulk ones), read once.
const std::set<std::string>& FixtureDers()
{
    static const std::set<std::string> ders = [] {
        std::set<std::string> all;
        WIN32_FIND_DATAA found{};
        HANDLE h = ::FindFirstFileA((TheFixture().certs + "\\*.der").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE)
            return all;
        do
        {
            std::string name(found.cFileName);
            all.insert(Der(name.substr(0, name.size() - 4)));
        } while (::FindNextFileA(h, &found));
        ::FindClose(h);
        return all;
    }();
    return ders;
}

std::string Bytes(const CCertContext& cert)
{
    return std::string(reinterpret_cast<const char*>(cert.Encoded()), cert.EncodedSize());
}

// Copies of `der` in the current user's ADDRESSBOOK store.
int AddressBookCount(const std::string& der)
{
    CCertStore store;
    if (!store.OpenSystem("ADDRESSBOOK"))
        return -1;
    int count = 0;
    for (CCertContext cert; store.Next(cert);)
        if (Bytes(cert) == der)
            ++count;
    return count;
}

// Copies of any of the fixture's certificates in ADDRESSBOOK.
int FixtureCertificatesInAddressBook()
{
    CCertStore store;
    if (!store.OpenSystem("ADDRESSBOOK"))
        return -1;
    int count = 0;
    for (CCertContext cert; store.Next(cert);)
        if (FixtureDers().count(Bytes(cert)))
            ++count;
    return count;
}

// Removes every copy of the fixture's certificates from ADDRESSBOOK.
void RemoveFixtureCertificates()
{
    CCertStore store;
    if (!store.OpenSystemRegistry("ADDRESSBOOK"))
        return;
    std::vector<CCertContext> doomed;
    for (CCertContext cert; store.Next(cert);)
    {
        if (FixtureDers().count(Bytes(cert)))
            doomed.push_back(cert.Duplicate());
    }
    for (CCertContext& cert : doomed)
        EXPECT_TRUE(cert.DeleteFromStore()) << ::GetLastError();
}

struct Row
{
    std::string subject;
    std::string issuer;
    std::string serial;
    bool ticked;
};

std::vector<Row> RowsFrom(HWND list, int first)
{
    std::vector<Row> rows;
    for (int row = first; row < RowCount(list); ++row)
    {
        const UINT state = static_cast<UINT>(::SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        rows.push_back({CellText(list, row, 0), CellText(list, row, 1), CellText(list, row, 2),
                        (state >> 12) == 2});
    }
    return rows;
}

// Message boxes with the tick of the shared clock at which each was asked for, and whether a
// wait notice still had its window then.
class CSequencedPrompts : public CRecordingPrompts
{
public:
    CSequencedPrompts(std::atomic<int>* clock, const CWaitNoticeRecorder* notices)
        : m_clock(clock), m_notices(notices)
    {
    }
    int MessageBox(HWND owner, const char* text, const char* caption, UINT type) override
    {
        askedAt.push_back(++*m_clock);
        noticeAlive.push_back(m_notices->AnyAlive());
        return CRecordingPrompts::MessageBox(owner, text, caption, type);
    }
    std::vector<int> askedAt;
    std::vector<bool> noticeAlive;

private:
    std::atomic<int>* m_clock;
    const CWaitNoticeRecorder* m_notices;
};

class DirectoryQuery : public DialogTest
{
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_NE(TheFixture().port, 0) << "no directory fixture at " << ZOZ_LDAP_FIXTURE_INI;
        ASSERT_TRUE(m_serverLock.Held());
        ASSERT_TRUE(recorder.Installed());
        RemoveFixtureCertificates();
        ::SetCursorPos(0, 0);
    }
    void TearDown() override
    {
        DialogTest::TearDown();
        RemoveFixtureCertificates();
    }

    void WriteDirectory(int port, const std::string& dn, const std::string& password,
                        const std::string& host = "127.0.0.1")
    {
        const std::string path = CSettingsFile::MachinePath();
        const char* section = CSettingsFile::kSection;
        const std::string portText = std::to_string(port);
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kDirHost, host.c_str(), path.c_str()));
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kDirPort, portText.c_str(), path.c_str()));
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kDirDn, dn.c_str(), path.c_str()));
        ASSERT_TRUE(
            ::WritePrivateProfileStringA(section, CSettingsFile::kDirPassword, password.c_str(), path.c_str()));
    }
    void WritePeople(int port = 0)
    {
        const ldapfixture::Fixture& f = TheFixture();
        WriteDirectory(port ? port : f.port, f.peopleDn, f.peoplePassword);
    }

    // A fresh encryption dialog; its query's notices are recorded.
    HWND Open()
    {
        HWND hWnd = OpenEncryptDialog(folder / "plain.txt", folder / "plain.txt.tq");
        recorder.Watch(hWnd);
        recorder.Clear();
        return hWnd;
    }
    void Query(HWND hWnd, const std::string& text)
    {
        ::SetDlgItemTextA(hWnd, IDC_ENC_QUERY, text.c_str());
        Click(hWnd, IDC_ENC_QUERY_BUTTON);
    }
    void ExpectOnlyMessage(HWND hWnd, const char* text)
    {
        ASSERT_EQ(sequenced.messages.size(), 1u);
        EXPECT_EQ(sequenced.messages[0].text, text);
        EXPECT_EQ(sequenced.messages[0].caption, kCaption);
        EXPECT_EQ(sequenced.messages[0].type, kType);
        EXPECT_EQ(sequenced.messages[0].owner, hWnd);
    }
    // One wait notice came, over the dialog, painted, and went before any message was shown.
    void ExpectNoticeCameAndWent(HWND hWnd)
    {
        ASSERT_EQ(recorder.Notices().size(), 1u);
        const CWaitNoticeRecorder::Notice& n = recorder.Notices()[0];
        EXPECT_EQ(n.owner, hWnd);
        EXPECT_EQ(n.text, kWaitText);
        EXPECT_TRUE(n.exStyle & WS_EX_LAYERED);
        EXPECT_TRUE(n.hasAlpha);
        EXPECT_EQ(n.alpha, 200);
        EXPECT_GT(n.shownAt, n.initialisedAt);
        EXPECT_GT(n.paintedAt, n.shownAt);
        EXPECT_TRUE(n.visibleWhenPainted);
        EXPECT_GT(n.destroyedAt, n.paintedAt);
        EXPECT_TRUE(n.visibleWhenDestroyed);
        EXPECT_FALSE(::IsWindow(n.hWnd));
        ASSERT_FALSE(sequenced.askedAt.empty());
        EXPECT_LT(n.destroyedAt, sequenced.askedAt[0]);
        for (bool alive : sequenced.noticeAlive)
            EXPECT_FALSE(alive);
        // Centred over the dialog's window, as large as its own client area.
        RECT w{};
        ::GetWindowRect(hWnd, &w);
        const int width = n.client.right - n.client.left;
        const int height = n.client.bottom - n.client.top;
        EXPECT_GT(width, 0);
        EXPECT_EQ(n.window.left, w.left + ((w.right - w.left) - width) / 2);
        EXPECT_EQ(n.window.top, w.top + ((w.bottom - w.top) - height) / 2);
        EXPECT_EQ(n.window.right - n.window.left, width);
        EXPECT_EQ(n.window.bottom - n.window.top, height);
    }

    ldapfixture::MainServerLock m_serverLock;
    std::atomic<int> clock{0};
    CWaitNoticeRecorder recorder{&clock};
    CSequencedPrompts sequenced{&clock, &recorder};
};

TEST_F(DirectoryQuery, StarListsEachEnciphermentCertificateOnceImportsItAndANewDialogListsIt)
{
    WritePeople();
    HWND hWnd = Open();
    HWND list = Expand(hWnd);
    const int before = RowCount(list);
    Query(hWnd, "*");
    ExpectOnlyMessage(hWnd, kSucceeded);
    ExpectNoticeCameAndWent(hWnd);

    // In the order delivered: signing-only and non-certificates passed over, and a serial
    // already listed (the same certificate again, or its twin from another issuer) too.
    std::vector<const Known*> expected;
    std::set<std::string> serials;
    for (const std::string& der : DeliveredOrder("people"))
    {
        const Known* k = KnownByDer(der);
        if (k && k->encipherment && serials.insert(k->serial).second)
            expected.push_back(k);
    }
    ASSERT_EQ(expected.size(), 6u);  // alice, bob, shared, one twin, multi-1, multi-2
    const std::vector<Row> rows = RowsFrom(list, before);
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i)
    {
        SCOPED_TRACE(expected[i]->name);
        EXPECT_EQ(rows[i].subject, expected[i]->subject);
        EXPECT_EQ(rows[i].issuer, expected[i]->subject);
        EXPECT_EQ(rows[i].serial, expected[i]->serial);
        EXPECT_FALSE(rows[i].ticked);
    }

    // Imported once each; nothing that was passed over.
    for (const Known& k : kKnown)
    {
        SCOPED_TRACE(k.name);
        const bool listed = std::find(expected.begin(), expected.end(), &k) != expected.end();
        EXPECT_EQ(AddressBookCount(Der(k.name)), listed ? 1 : 0);
    }
    EXPECT_EQ(AddressBookCount(Der("junk")), 0);
    EXPECT_EQ(FixtureCertificatesInAddressBook(), static_cast<int>(expected.size()));

    // A later dialog lists them from the store, without a query.
    Click(hWnd, IDCANCEL);
    ASSERT_TRUE(deleted);
    HWND again = Open();
    HWND list2 = Expand(again);
    for (const Known* k : expected)
    {
        SCOPED_TRACE(k->name);
        const int row = RowOfSerial(list2, k->serial);
        ASSERT_GE(row, 0);
        EXPECT_EQ(CellText(list2, row, 0), k->subject);
    }
    EXPECT_TRUE(recorder.Notices().empty());
}

TEST_F(DirectoryQuery, EqualityQueriesListWhatTheyFind)
{
    struct Case
    {
        const char* query;
        std::vector<const char*> listed;  // subjects of the new rows, "?" for either twin
        const char* message;
    };
    const std::string longest(CLdapCertSearch::kFilterBuffer - 8, 'a');  // "(mail=" ")" and 0
    const Case cases[] = {
        {"alice@zoz.test", {"Alice Encipher"}, kSucceeded},
        {"bob@zoz.test", {"Bob Data"}, kSucceeded},
        {"shared@zoz.test", {"Shared Mailbox"}, kSucceeded},     // two entries, one row
        {"twin@zoz.test", {"?"}, kSucceeded},                    // the later twin passed over
        {"multi@zoz.test", {"Multi First", "Multi Second"}, kSucceeded},
        {"carol@zoz.test", {}, kSucceeded},                      // signing only: no row
        {"junk@zoz.test", {}, kSucceeded},                       // not a certificate
        {"nobody@zoz.test", {}, kNothingFound},
        {"nocert@zoz.test", {}, kNothingFound},                  // an entry without values
        {longest.c_str(), {}, kNothingFound},                    // the longest query that fits
    };
    WritePeople();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.query);
        RemoveFixtureCertificates();
        sequenced.messages.clear();
        sequenced.askedAt.clear();
        sequenced.noticeAlive.clear();
        HWND hWnd = Open();
        HWND list = Expand(hWnd);
        const int before = RowCount(list);
        Query(hWnd, c.query);
        ExpectOnlyMessage(hWnd, c.message);
        ExpectNoticeCameAndWent(hWnd);
        const std::vector<Row> rows = RowsFrom(list, before);
        ASSERT_EQ(rows.size(), c.listed.size());
        for (size_t i = 0; i < rows.size(); ++i)
        {
            if (std::string(c.listed[i]) == "?")
            {
                EXPECT_TRUE(rows[i].subject == "Twin One" || rows[i].subject == "Twin Two") << rows[i].subject;
            }
            else
            {
                EXPECT_EQ(rows[i].subject, c.listed[i]);
            }
            EXPECT_FALSE(rows[i].ticked);
        }
        EXPECT_EQ(FixtureCertificatesInAddressBook(), static_cast<int>(c.listed.size()));
        Click(hWnd, IDCANCEL);
    }
}

TEST_F(DirectoryQuery, SerialsAlreadyListedArePassedOverAndNotImportedAgain)
{
    // Alice is in the store already, so the advanced part lists her.
    const std::string alice = Der("alice");
    {
        CCertStore store;
        ASSERT_TRUE(store.OpenSystem("ADDRESSBOOK"));
        ASSERT_TRUE(::CertAddEncodedCertificateToStore(store.Get(), X509_ASN_ENCODING,
                                                       reinterpret_cast<const BYTE*>(alice.data()),
                                                       static_cast<DWORD>(alice.size()),
                                                       CERT_STORE_ADD_ALWAYS, nullptr));
    }
    WritePeople();
    HWND hWnd = Open();
    HWND list = Expand(hWnd);
    ASSERT_GE(RowOfSerial(list, "00A11CE0"), 0);
    const int before = RowCount(list);

    Query(hWnd, "alice@zoz.test");
    ExpectOnlyMessage(hWnd, kSucceeded);
    EXPECT_EQ(RowCount(list), before);
    EXPECT_EQ(AddressBookCount(alice), 1);

    // A query repeated in the same dialog finds its own rows.
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        sequenced.messages.clear();
        Query(hWnd, "bob@zoz.test");
        ASSERT_EQ(sequenced.messages.size(), 1u);
        EXPECT_EQ(sequenced.messages[0].text, kSucceeded);
        EXPECT_EQ(RowCount(list), before + 1);
        EXPECT_EQ(AddressBookCount(Der("bob")), 1);
    }
    EXPECT_EQ(recorder.Notices().size(), 3u);
}

TEST_F(DirectoryQuery, OnlyTheFirst149DeliveredValuesAreHandled)
{
    const ldapfixture::Fixture& f = TheFixture();
    ASSERT_GT(f.bulkCount, CLdapCertSearch::kMaxValues);
    WriteDirectory(f.port, f.bulkDn, f.bulkPassword);
    HWND hWnd = Open();
    HWND list = Expand(hWnd);
    const int before = RowCount(list);
    Query(hWnd, "bulk@zoz.test");
    ExpectOnlyMessage(hWnd, kSucceeded);
    ExpectNoticeCameAndWent(hWnd);

    const std::vector<std::string> delivered = DeliveredOrder("bulk");
    ASSERT_EQ(delivered.size(), static_cast<size_t>(f.bulkCount));
    const std::vector<Row> rows = RowsFrom(list, before);
    ASSERT_EQ(rows.size(), static_cast<size_t>(CLdapCertSearch::kMaxValues));
    for (size_t i = 0; i < delivered.size(); ++i)
    {
        SCOPED_TRACE(i);
        CCertContext cert;
        ASSERT_TRUE(cert.CreateFromEncoded(delivered[i].data(), static_cast<DWORD>(delivered[i].size())));
        const bool handled = i < rows.size();
        if (handled)
        {
            EXPECT_EQ(rows[i].serial, CCertStoreQueries::SerialText(cert));
        }
        EXPECT_EQ(AddressBookCount(delivered[i]), handled ? 1 : 0);
    }
    EXPECT_EQ(FixtureCertificatesInAddressBook(), CLdapCertSearch::kMaxValues);
}

TEST_F(DirectoryQuery, BindFailureGivesTheNetworkMessage)
{
    const ldapfixture::Fixture& f = TheFixture();
    struct Case
    {
        const char* what;
        int port;
        std::string password;
    };
    const Case cases[] = {
        {"wrong password", f.port, "not-the-password"},
        {"no password", f.port, ""},
        {"server stopped (nothing listens)", f.deadPort, f.peoplePassword},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        sequenced.messages.clear();
        sequenced.askedAt.clear();
        sequenced.noticeAlive.clear();
        WriteDirectory(c.port, f.peopleDn, c.password);
        HWND hWnd = Open();
        HWND list = Expand(hWnd);
        const int before = RowCount(list);
        const ULONGLONG start = ::GetTickCount64();
        Query(hWnd, "*");
        EXPECT_LT(::GetTickCount64() - start, 10000u);
        ExpectOnlyMessage(hWnd, kBindFailed);
        ExpectNoticeCameAndWent(hWnd);
        EXPECT_EQ(RowCount(list), before);
        EXPECT_EQ(FixtureCertificatesInAddressBook(), 0);
        Click(hWnd, IDCANCEL);
    }
}

TEST_F(DirectoryQuery, RefusedQueriesTakeTheTypedPathsAndAskNobody)
{
    // The silent server: a query that reached it would hold the dialog for the whole limit.
    WritePeople(TheFixture().frozenPort);
    struct Case
    {
        const char* what;
        std::string query;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", kEmptyQuery},
        {"one byte over the filter", std::string(CLdapCertSearch::kFilterBuffer - 7, 'a'), kTooLong},
        {"wildcards over the filter", std::string(119, 'a') + "**", kTooLong},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        sequenced.messages.clear();
        HWND hWnd = Open();
        ::SetDlgItemTextA(hWnd, IDC_ENC_SOURCE, "C:\\typed\\源文件.doc");
        ::SetDlgItemTextA(hWnd, IDC_ENC_DEST, "C:\\typed\\密文.tq");
        const ULONGLONG start = ::GetTickCount64();
        Query(hWnd, c.query);
        EXPECT_LT(::GetTickCount64() - start, 3000u);
        ExpectOnlyMessage(hWnd, c.message);
        EXPECT_TRUE(recorder.Notices().empty());
        CEdlgcomm* d = Dialog(hWnd);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->m_strSourcePath, "C:\\typed\\源文件.doc");
        EXPECT_EQ(d->m_strDestPath, "C:\\typed\\密文.tq");
        EXPECT_EQ(d->QueryText(), c.query);
        EXPECT_EQ(RowCount(::GetDlgItem(hWnd, IDC_ENC_CERTLIST)), 0);
        Click(hWnd, IDCANCEL);
    }
}

TEST_F(DirectoryQuery, NoticeStaysUpWhileTheThreadWaitsForTheDirectory)
{
    // Through a relay that holds the connection for a while before it reaches the server.
    CDelayedRelay relay(TheFixture().port, 1500, &clock);
    ASSERT_NE(relay.Port(), 0);
    WritePeople(relay.Port());
    HWND hWnd = Open();
    HWND list = Expand(hWnd);
    uitest::Pump(300);
    const int before = RowCount(list);
    CNoticeWatcher::Sight sight;
    {
        CNoticeWatcher watcher(hWnd, &clock);
        const ULONGLONG start = ::GetTickCount64();
        Query(hWnd, "alice@zoz.test");
        EXPECT_GE(::GetTickCount64() - start, 1400u);
        sight = watcher.Stop();
    }
    ExpectOnlyMessage(hWnd, kSucceeded);
    ExpectNoticeCameAndWent(hWnd);
    ASSERT_EQ(RowCount(list), before + 1);
    EXPECT_EQ(CellText(list, before, 2), "00A11CE0");

    const CWaitNoticeRecorder::Notice& n = recorder.Notices()[0];
    // Painted before the directory was reached, and still on the screen after it was.
    ASSERT_EQ(sight.hWnd, n.hWnd);
    ASSERT_GT(relay.AcceptedAt(), 0);
    EXPECT_LT(n.paintedAt, relay.AcceptedAt());
    EXPECT_GT(sight.lastSeenAt, relay.AcceptedAt());
    EXPECT_TRUE(::EqualRect(&sight.window, &n.window));
    // What it showed: the notice's text, dark on its face.
    ASSERT_TRUE(sight.pictured);
    ASSERT_GT(sight.picture.width, 0);
    std::set<uint32_t> colours(sight.picture.pixels.begin(), sight.picture.pixels.end());
    EXPECT_GT(colours.size(), 1u);
    EXPECT_FALSE(uitest::SavePng(sight.picture, "directory-query-wait").empty());
}

TEST_F(DirectoryQuery, SilentServerGivesTheNetworkMessageAtTheTimeLimit)
{
    // Accepts the connection and never answers: the dialog's thread is given back at the limit.
    WritePeople(TheFixture().frozenPort);
    HWND hWnd = Open();
    Expand(hWnd);
    CNoticeWatcher watcher(hWnd, &clock);
    const ULONGLONG start = ::GetTickCount64();
    Query(hWnd, "alice@zoz.test");
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    const CNoticeWatcher::Sight sight = watcher.Stop();
    EXPECT_GE(elapsed, (CLdapCertSearch::kTimeLimitSeconds - 1) * 1000u);
    EXPECT_LE(elapsed, (CLdapCertSearch::kTimeLimitSeconds + 10) * 1000u);
    ExpectOnlyMessage(hWnd, kBindFailed);
    ExpectNoticeCameAndWent(hWnd);
    // Up for the whole wait.
    EXPECT_NE(sight.hWnd, nullptr);
    EXPECT_GT(sight.lastSeenAt, sight.firstSeenAt);
}

TEST_F(DirectoryQuery, PictureOfARowFoundInTheDirectory)
{
    WritePeople();
    HWND hWnd = Open();
    HWND list = Expand(hWnd);
    Query(hWnd, "alice@zoz.test");
    ExpectOnlyMessage(hWnd, kSucceeded);
    const int row = RowOfSerial(list, "00A11CE0");
    ASSERT_GE(row, 0);
    Select(list, row);
    // The grown part needs a moment on the X server before its pixels can be read.
    uitest::Pump(1500);
    uitest::Image picture = uitest::CaptureClient(hWnd);
    EXPECT_FALSE(uitest::SavePng(picture, "directory-query").empty());
    EXPECT_GT(picture.height, 400);
}
}  // namespace
