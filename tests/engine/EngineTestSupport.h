// Shared pieces of the engine tests: reading a ".tq" head and checking a folder after a failure.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CTqHead.h"
#include "tests/support/CTestFolder.h"

struct CParsedTq
{
    std::string list;
    std::vector<uint32_t> blobLengths;
    size_t contentOffset = 0;
    size_t contentLength = 0;
};

// Splits an encrypted file into its sections; fails the test when it does not parse.
inline CParsedTq ParseTq(const std::string& file)
{
    CParsedTq parsed;
    CTqMemoryInput in(file.data(), file.size());
    EXPECT_EQ(CTqHead::Status::Ok, CTqHead::ReadList(in, parsed.list));
    size_t n = CTqHead::CountRecipients(parsed.list);
    for (size_t i = 0; i < n; ++i)
    {
        uint32_t b = 0;
        EXPECT_TRUE(in.Read(&b, 4));
        parsed.blobLengths.push_back(b);
        EXPECT_TRUE(in.Skip(b));
    }
    parsed.contentOffset = in.Position();
    parsed.contentLength = file.size() - in.Position();
    return parsed;
}

// Only the named files are in the folder: no temporary file was left behind.
inline void ExpectOnlyFiles(const CTestFolder& folder, std::vector<std::string> expected)
{
    std::vector<std::string> names = folder.Names();
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, names);
}

inline std::string ReadAll(const std::string& path)
{
    std::string bytes;
    EXPECT_TRUE(CTestFolder::Read(path, bytes)) << path;
    return bytes;
}
