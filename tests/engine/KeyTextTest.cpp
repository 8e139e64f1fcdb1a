#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <set>

#include "engine/CCryptHash.h"
#include "engine/CCryptKey.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"

namespace
{
std::string EncryptBlock(const CCryptProvider& provider, const std::string& keyText)
{
    CCryptHash hash;
    CCryptKey key;
    EXPECT_TRUE(provider.CreateHash(CALG_MD5, hash));
    EXPECT_TRUE(hash.HashData(keyText.data(), static_cast<DWORD>(keyText.size())));
    EXPECT_TRUE(provider.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, key));
    std::string block(16, 'z');
    DWORD length = 8;
    EXPECT_TRUE(key.Encrypt(true, reinterpret_cast<BYTE*>(&block[0]), length, 16));
    block.resize(length);
    return block;
}
}  // namespace

// Key texts come from the cryptographic generator: calls within one millisecond differ, every
// text has 24 letters of A-Z and a-z, and the keys derived from them differ.
TEST(KeyText, FreshLettersEveryCall)
{
    CCryptProvider provider;
    ASSERT_TRUE(provider.AcquireVerifyContext());
    std::set<std::string> texts, blocks;
    std::set<char> seen;
    DWORD start = GetTickCount();
    for (int i = 0; i < 50; ++i)
    {
        std::string text;
        ASSERT_TRUE(CFileCipher::MakeKeyText(provider, text));
        ASSERT_EQ(24u, text.size());
        for (char c : text)
        {
            ASSERT_TRUE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << text;
            seen.insert(c);
        }
        texts.insert(text);
        if (i < 5)
            blocks.insert(EncryptBlock(provider, text));
    }
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(50u, texts.size());
    EXPECT_EQ(5u, blocks.size());
    // 1200 letters drawn evenly from 52 leave hardly any letter unseen.
    EXPECT_GT(seen.size(), 45u);
}
