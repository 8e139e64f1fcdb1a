// The destination rules of the two menu commands, over plain and GBK paths. GBK characters whose
// trail byte is 'q' (乹 = 81 71) or '\' (乗 = 81 5C) must never be taken for those letters.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell/CDestinationPath.h"

namespace
{
class DestinationPath : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(936u, GetACP()) << "the path rules are tested under the GBK code page"; }
};

TEST_F(DestinationPath, TrailBytesUsedBelowAreWhatTheCommentSays)
{
    EXPECT_EQ(std::string("\x81\x71"), std::string("乹"));
    EXPECT_EQ(std::string("\x81\x5C"), std::string("乗"));
}

TEST_F(DestinationPath, EncryptAppendsTheExtensionUnconditionally)
{
    struct Case
    {
        const char* path;
        const char* dest;
    } cases[] = {
        {"C:\\docs\\a.txt", "C:\\docs\\a.txt.tq"},
        {"C:\\docs\\a.txt.tq", "C:\\docs\\a.txt.tq.tq"},
        {"C:\\乗\\乹", "C:\\乗\\乹.tq"},
        {"", ".tq"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.dest, CDestinationPath::EncryptDestination(c.path)) << c.path;
}

TEST_F(DestinationPath, DecryptCutsBeforeTheTwoCharactersPrecedingTheLastQ)
{
    struct Case
    {
        const char* path;
        const char* dest;
    } cases[] = {
        {"C:\\docs\\report.doc.tq", "C:\\docs\\report.doc"},
        {"C:\\old.tq\\notes.txt", "C:\\old"},
        {"C:\\a.tq\\quiz.txt", "C:\\a.t"},
        {"C:\\docs\\a.tq.bak", "C:\\docs\\a"},
        {".tq", ""},
        {"C:\\q.tq", "C:\\q"},
        // The trail byte of 乹 is 'q': the last letter q is still the one of ".tq".
        {"C:\\a.tq\\乹.txt", "C:\\a"},
        {"D:\\x.tq\\乹乹", "D:\\x"},
        {"D:\\乹乹\\b.tq", "D:\\乹乹\\b"},
        {"C:\\乗\\报告.doc.tq", "C:\\乗\\报告.doc"},
        {"C:\\乹.tq", "C:\\乹"},
        // A lead byte with nothing after it stands for itself.
        {"C:\\a.tq\\\x81", "C:\\a"},
    };
    for (const Case& c : cases)
    {
        std::optional<std::string> dest = CDestinationPath::DecryptDestination(c.path);
        ASSERT_TRUE(dest.has_value()) << c.path;
        EXPECT_EQ(c.dest, *dest) << c.path;
    }
}

TEST_F(DestinationPath, DecryptFindsNothingWithoutTheExactLowerCaseExtension)
{
    const char* paths[] = {
        "C:\\docs\\REPORT.TQ", "C:\\docs\\report.Tq", "C:\\docs\\report.tQ", "C:\\docs\\report.t q",
        "C:\\docs\\report.txt", "", "tq", "C:\\乹q\\乹.t乹",
    };
    for (const char* path : paths)
        EXPECT_FALSE(CDestinationPath::DecryptDestination(path).has_value()) << path;
}

TEST_F(DestinationPath, WholeCharacterLengthNeverEndsBetweenLeadAndTrail)
{
    struct Case
    {
        const char* text;
        size_t length;
        size_t expected;
    } cases[] = {
        {"TQ文件加密", 10, 10}, {"TQ文件加密", 9, 8}, {"TQ文件加密", 3, 2}, {"TQ文件加密", 4, 4},
        {"乹q", 1, 0},         {"乹q", 2, 2},        {"乹q", 3, 3},        {"abc", 2, 2},
        {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, CDestinationPath::WholeCharacterLength(c.text, c.length))
            << c.text << " cut at " << c.length;
}
}
