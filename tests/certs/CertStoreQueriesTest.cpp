#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "certs/CCertStoreQueries.h"
#include "engine/CCertContext.h"
#include "tests/support/CTestCertificates.h"

namespace
{
using Opt = CTestCertificates::Options;
using Usage = CTestCertificates::Usage;

CCertContext Decode(const CTestCertificates::Certificate& c)
{
    CCertContext context;
    EXPECT_TRUE(context.CreateFromEncoded(c.der.data(), static_cast<DWORD>(c.der.size())));
    return context;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Rows of a listing whose serial text is one of `serials`, as (subject, issuer, serial).
std::vector<std::vector<std::string>> RowsOf(const CertListing& listing, const std::vector<std::string>& serials)
{
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 0; i < listing.Size(); ++i)
        if (std::find(serials.begin(), serials.end(), listing.serials[i]) != serials.end())
            rows.push_back({listing.issuedTo[i], listing.issuers[i], listing.serials[i]});
    std::sort(rows.begin(), rows.end());
    return rows;
}
}  // namespace

// The text reads most significant byte first and keeps every byte, a leading zero included.
TEST(CertStoreQueries, SerialToText)
{
    CTestCertificates certs;
    struct Case
    {
        std::string serial, text;
    } cases[] = {{"1200", "1200"}, {"0012", "0012"}, {"ab0001", "AB0001"}, {"00", "00"},
                 {"7F0102030405060708090A0B0C0D0E0F10111213", "7F0102030405060708090A0B0C0D0E0F10111213"}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.serial);
        Opt o;
        o.serial = c.serial;
        o.store = CTestCertificates::Store::Nowhere;
        CCertContext cert = Decode(certs.Add(o));
        char text[128] = {};
        CCertStoreQueries::SerialToText(cert, text);
        EXPECT_EQ(c.text, text);
        EXPECT_EQ(c.text, CCertStoreQueries::SerialText(cert));
        EXPECT_EQ(c.text, CCertStoreQueries::SerialText(cert.Get()));
        // It appends to what the buffer holds.
        char joined[128] = "X";
        CCertStoreQueries::SerialToText(cert, joined);
        EXPECT_EQ("X" + c.text, joined);
    }
    // The store keeps the bytes least significant first: 00 12 as stored reads 1200.
    Opt o;
    o.serial = "1200";
    o.store = CTestCertificates::Store::Nowhere;
    CCertContext cert = Decode(certs.Add(o));
    ASSERT_EQ(2u, cert.SerialSize());
    EXPECT_EQ(0x00, cert.SerialBytes()[0]);
    EXPECT_EQ(0x12, cert.SerialBytes()[1]);

    // A 64-byte serial does not fit 128 bytes with the terminator: the buffer is left alone.
    o.serial = "7A" + std::string(126, '5');
    CCertContext big = Decode(certs.Add(o));
    char text[128] = {};
    text[127] = 'G';
    CCertStoreQueries::SerialToText(big, text, sizeof(text) - 1);
    EXPECT_EQ(0, text[0]);
    EXPECT_EQ('G', text[127]);
    EXPECT_EQ(o.serial, CCertStoreQueries::SerialText(big));
}

TEST(CertStoreQueries, EnciphermentUsage)
{
    CTestCertificates certs;
    const std::pair<Usage, bool> cases[] = {{Usage::None, false},
                                            {Usage::Signature, false},
                                            {Usage::KeyEncipherment, true},
                                            {Usage::DataEncipherment, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.first));
        Opt o;
        o.usage = c.first;
        o.store = CTestCertificates::Store::Nowhere;
        CCertContext cert = Decode(certs.Add(o));
        EXPECT_EQ(c.second, CCertStoreQueries::HasEnciphermentUsage(cert));
        EXPECT_EQ(c.second, CCertStoreQueries::HasEnciphermentUsage(cert.Get()));
    }
}

// Only certificates fit for encryption are listed, with subject, issuer and serial in the
// same row; "My" names the personal store.
TEST(CertStoreQueries, ListEncryptionCertificates)
{
    CTestCertificates certs;
    std::vector<std::string> ours;
    std::vector<std::vector<std::string>> expected[2];
    const Usage usages[] = {Usage::None, Usage::Signature, Usage::KeyEncipherment, Usage::DataEncipherment};
    for (int s = 0; s < 2; ++s)
    {
        for (Usage usage : usages)
        {
            Opt o;
            o.usage = usage;
            o.store = s == 0 ? CTestCertificates::Store::AddressBook : CTestCertificates::Store::My;
            o.subject = "张三 " + std::to_string(static_cast<int>(usage));
            o.issuer = "测试根证书 CA";
            CTestCertificates::Certificate c = certs.Add(o);
            ours.push_back(c.serial);
            if (usage == Usage::KeyEncipherment || usage == Usage::DataEncipherment)
                expected[s].push_back({o.subject, o.issuer, c.serial});
        }
        std::sort(expected[s].begin(), expected[s].end());
    }

    CertListing listing;
    listing.Add("stale", "stale", "stale");
    CCertStoreQueries::ListEncryptionCertificates("ADDRESSBOOK", listing);
    EXPECT_EQ(listing.issuedTo.size(), listing.serials.size());
    EXPECT_EQ(listing.issuers.size(), listing.serials.size());
    EXPECT_EQ(expected[0], RowsOf(listing, ours));
    EXPECT_EQ(listing.serials.end(), std::find(listing.serials.begin(), listing.serials.end(), "stale"));

    CCertStoreQueries::ListEncryptionCertificates("My", listing);
    EXPECT_EQ(listing.issuedTo.size(), listing.serials.size());
    EXPECT_EQ(listing.issuers.size(), listing.serials.size());
    EXPECT_EQ(expected[1], RowsOf(listing, ours));

    // A store that holds nothing gives an empty listing.
    CCertStoreQueries::ListEncryptionCertificates(("ZOZEMPTY" + CTestCertificates::RandomSerial()).c_str(), listing);
    EXPECT_EQ(0u, listing.Size());
    EXPECT_TRUE(listing.issuedTo.empty());
    EXPECT_TRUE(listing.issuers.empty());
}

// FindMyCertificate: MY only, first match without regard to case, the context outlives the store.
TEST(CertStoreQueries, FindMyCertificate)
{
    CTestCertificates certs;
    Opt mine;
    mine.serial = "AB0001";
    mine.subject = "李四";
    certs.Add(mine);
    Opt elsewhere;
    elsewhere.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate other = certs.Add(elsewhere);

    CCertContext found = CCertStoreQueries::FindMyCertificate("ab0001");
    ASSERT_TRUE(found);
    EXPECT_EQ("AB0001", CCertStoreQueries::SerialText(found));
    EXPECT_EQ("李四", found.DisplayName(false));
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate(other.serial));
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate("AB00"));
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate("AB000100"));
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate(""));
    certs.Remove("AB0001");
    EXPECT_FALSE(CCertStoreQueries::FindMyCertificate("AB0001"));
}

// One candidate per certificate of MY and recipient text naming it, carrying the caller's text.
TEST(CertStoreQueries, ListDecryptionCandidates)
{
    CTestCertificates certs;
    Opt a;
    a.subject = "王五";
    CTestCertificates::Certificate first = certs.Add(a);
    Opt b;
    b.subject = "赵六";
    b.usage = Usage::Signature;  // no usage test here
    CTestCertificates::Certificate second = certs.Add(b);
    Opt twin;
    twin.serial = second.serial;
    twin.subject = "赵六二";
    twin.keyName = "b";
    certs.Add(twin);
    Opt book;
    book.store = CTestCertificates::Store::AddressBook;
    CTestCertificates::Certificate colleague = certs.Add(book);

    const std::vector<std::string> list = {Lower(first.serial), "FFFF", colleague.serial, second.serial,
                                           first.serial};
    std::vector<CDecryptionCandidate> candidates = CCertStoreQueries::ListDecryptionCandidates(list);
    std::vector<std::pair<std::string, std::string>> got;
    for (const CDecryptionCandidate& c : candidates)
        got.push_back({c.subject, c.serial});
    // Per certificate in store order, the recipient texts in list order.
    auto lowerFirst = std::find(got.begin(), got.end(), std::make_pair(std::string("王五"), Lower(first.serial)));
    ASSERT_NE(got.end(), lowerFirst);
    ASSERT_NE(got.end(), lowerFirst + 1);
    EXPECT_EQ(std::make_pair(std::string("王五"), first.serial), *(lowerFirst + 1));
    std::vector<std::pair<std::string, std::string>> sorted = got;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::pair<std::string, std::string>> expected = {
        {"王五", first.serial}, {"王五", Lower(first.serial)}, {"赵六", second.serial}, {"赵六二", second.serial}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted);

    EXPECT_TRUE(CCertStoreQueries::ListDecryptionCandidates({"0BADC0DE", ""}).empty());
    EXPECT_TRUE(CCertStoreQueries::ListDecryptionCandidates({}).empty());
}
