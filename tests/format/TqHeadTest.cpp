// The head of an encrypted file: splitting rule, serial comparison, writer and bounded reader.
// Built for Windows (under Wine) and natively on the host.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/CTqHead.h"

namespace
{
class VectorOutput : public ITqOutput
{
public:
    std::vector<unsigned char> bytes;
    bool Write(const void* data, size_t n) override
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + n);
        return true;
    }
};

std::vector<unsigned char> Le32(uint32_t v)
{
    return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
            static_cast<unsigned char>(v >> 24)};
}

std::vector<unsigned char> Cat(std::initializer_list<std::vector<unsigned char>> parts)
{
    std::vector<unsigned char> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<unsigned char> Bytes(const std::string& s)
{
    return std::vector<unsigned char>(s.begin(), s.end());
}

std::vector<unsigned char> Filled(size_t n, unsigned char v)
{
    return std::vector<unsigned char>(n, v);
}
}  // namespace

struct SplitCase
{
    const char* list;
    std::vector<std::string> pieces;
};

TEST(TqHeadSplit, FollowsTheAmpersandRule)
{
    const SplitCase cases[] = {
        {"", {}},
        {"01AB&", {"01AB"}},
        {"01AB", {}},                        // no "&": names nobody
        {"01AB&trailing", {"01AB"}},         // text after the last "&" belongs to no recipient
        {"&&", {"", ""}},                    // adjacent "&" enclose empty serial texts
        {"A1&b2&C3&", {"A1", "b2", "C3"}},
        {"0012&0012&", {"0012", "0012"}},   // duplicates are kept, in order
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.list);
        EXPECT_EQ(CTqHead::Split(c.list), c.pieces);
        EXPECT_EQ(CTqHead::CountRecipients(c.list), c.pieces.size());
    }
}

TEST(TqHeadSerial, ComparesWholeTextsIgnoringAsciiCase)
{
    struct
    {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"AB0001", "ab0001", true},
        {"AB0001", "AB000", false},          // whole texts only, no prefix match
        {"AB0001", "AB0001 ", false},
        {"", "", true},
        {"\x81\x61", "\x81\x41", false},     // a trail byte that looks like a letter is not folded
        {"\xB1\xED" "a", "\xB1\xED" "A", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(CTqHead::SerialEquals(c.a, c.b), c.equal);
    }
}

TEST(TqHeadSerial, FindTakesTheFirstMatchInEitherCase)
{
    auto serials = CTqHead::Split("11&AB01&ab01&");
    EXPECT_EQ(CTqHead::Find(serials, "ab01"), 1);
    EXPECT_EQ(CTqHead::Find(serials, "AB01"), 1);
    EXPECT_EQ(CTqHead::Find(serials, "AB0"), -1);
    EXPECT_EQ(CTqHead::Find({}, ""), -1);
    EXPECT_EQ(CTqHead::Find(CTqHead::Split("&&"), ""), 0);
}

TEST(TqHeadWriter, LaysOutLengthListAndRecordsLittleEndian)
{
    VectorOutput out;
    ASSERT_TRUE(CTqHead::WriteList(out, "0A&0B&"));
    const unsigned char blob1[] = {1, 2, 3};
    const unsigned char blob2[] = {9};
    ASSERT_TRUE(CTqHead::WriteKeyRecord(out, blob1, sizeof blob1));
    ASSERT_TRUE(CTqHead::WriteKeyRecord(out, blob2, sizeof blob2));
    EXPECT_EQ(out.bytes, Cat({Le32(6), Bytes("0A&0B&"), Le32(3), {1, 2, 3}, Le32(1), {9}}));

    VectorOutput empty;
    ASSERT_TRUE(CTqHead::WriteList(empty, ""));
    EXPECT_EQ(empty.bytes, Le32(0));
}

TEST(TqHeadReader, ReadsTheChosenRecordAndStopsAtTheContent)
{
    // Records of different lengths, as RSA keys of different sizes give; the chosen one is last.
    VectorOutput out;
    const std::string list = "AA&bb&CC&";
    ASSERT_TRUE(CTqHead::WriteList(out, list));
    auto r0 = Filled(128, 0x10), r1 = Filled(256, 0x20), r2 = Filled(512, 0x30);
    for (auto* r : {&r0, &r1, &r2})
        ASSERT_TRUE(CTqHead::WriteKeyRecord(out, r->data(), static_cast<uint32_t>(r->size())));
    const auto content = Filled(16, 0xCC);
    out.bytes.insert(out.bytes.end(), content.begin(), content.end());

    for (size_t chosen = 0; chosen < 3; ++chosen)
    {
        SCOPED_TRACE(chosen);
        CTqMemoryInput in(out.bytes.data(), out.bytes.size());
        std::string readList;
        ASSERT_EQ(CTqHead::ReadList(in, readList), CTqHead::Status::Ok);
        ASSERT_EQ(readList, list);
        auto serials = CTqHead::Split(readList);
        std::vector<unsigned char> blob;
        ASSERT_EQ(CTqHead::ReadKeyRecords(in, serials.size(), chosen, blob), CTqHead::Status::Ok);
        EXPECT_EQ(blob, (chosen == 0 ? r0 : chosen == 1 ? r1 : r2));
        EXPECT_EQ(in.Remaining(), content.size());
        EXPECT_EQ(in.Position(), 4 + list.size() + 3 * 4 + 128 + 256 + 512);
    }
}

TEST(TqHeadReader, ReadsExactlyLBytesWithoutLookingForATerminator)
{
    // The list is followed directly by the records: no terminator is expected or consumed.
    auto file = Cat({Le32(3), Bytes("01&"), Le32(2), {7, 8}, {0xEE}});
    CTqMemoryInput in(file.data(), file.size());
    std::string list;
    ASSERT_EQ(CTqHead::ReadList(in, list), CTqHead::Status::Ok);
    EXPECT_EQ(list, "01&");
    std::vector<unsigned char> blob;
    ASSERT_EQ(CTqHead::ReadKeyRecords(in, 1, 0, blob), CTqHead::Status::Ok);
    EXPECT_EQ(blob, (std::vector<unsigned char>{7, 8}));
    EXPECT_EQ(in.Remaining(), 1u);
}

TEST(TqHeadReader, EmptyListIsValidAndNamesNobody)
{
    auto file = Cat({Le32(0), Filled(8, 0xAB)});
    CTqMemoryInput in(file.data(), file.size());
    std::string list = "stale";
    ASSERT_EQ(CTqHead::ReadList(in, list), CTqHead::Status::Ok);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(CTqHead::Find(CTqHead::Split(list), "00"), -1);
    std::vector<unsigned char> blob;
    EXPECT_EQ(CTqHead::ReadKeyRecords(in, 0, 0, blob), CTqHead::Status::NotListed);
    EXPECT_EQ(in.Remaining(), 8u);
}

struct CraftedHead
{
    const char* what;
    std::vector<unsigned char> bytes;
    CTqHead::Status listStatus;
    CTqHead::Status recordStatus;  // when the list reads; the chosen record is the first
};

TEST(TqHeadReader, RejectsCraftedHeadsWithoutReadingPastThem)
{
    using S = CTqHead::Status;
    const CraftedHead cases[] = {
        {"empty file", {}, S::Truncated, S::Ok},
        {"inside L", {3, 0}, S::Truncated, S::Ok},
        {"inside the list", Cat({Le32(10), Bytes("AB&CD")}), S::ListTooLong, S::Ok},
        {"L = 0xFFFFFFFF", Cat({Le32(0xFFFFFFFF), Bytes("AB&")}), S::ListTooLong, S::Ok},
        {"L one past the end", Cat({Le32(4), Bytes("AB&")}), S::ListTooLong, S::Ok},
        {"no record at all", Cat({Le32(3), Bytes("AB&")}), S::Ok, S::Truncated},
        {"inside a record length", Cat({Le32(3), Bytes("AB&"), {5, 0}}), S::Ok, S::Truncated},
        {"inside the chosen blob", Cat({Le32(3), Bytes("AB&"), Le32(100), Filled(10, 1)}), S::Ok, S::BlobTooLong},
        {"B = 0xFFFFFFFF", Cat({Le32(3), Bytes("AB&"), Le32(0xFFFFFFFF), Filled(10, 1)}), S::Ok, S::BlobTooLong},
        {"inside a skipped blob", Cat({Le32(6), Bytes("AB&CD&"), Le32(1), {1}, Le32(50), Filled(3, 2)}), S::Ok,
         S::BlobTooLong},
        {"second record missing", Cat({Le32(6), Bytes("AB&CD&"), Le32(1), {1}}), S::Ok, S::Truncated},
        {"blob exactly to the end", Cat({Le32(3), Bytes("AB&"), Le32(4), Filled(4, 9)}), S::Ok, S::Ok},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTqMemoryInput in(c.bytes.data(), c.bytes.size());
        std::string list;
        ASSERT_EQ(CTqHead::ReadList(in, list), c.listStatus);
        if (c.listStatus != S::Ok)
            continue;
        std::vector<unsigned char> blob;
        EXPECT_EQ(CTqHead::ReadKeyRecords(in, CTqHead::CountRecipients(list), 0, blob), c.recordStatus);
        EXPECT_LE(in.Position(), c.bytes.size());
    }
}
