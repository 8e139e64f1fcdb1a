// The file engine: encrypts a plain file for a list of recipient certificates and decrypts it
// again with the private key of one of them. One object per operation; after a nonzero code
// Message() holds the Chinese (GBK) text to show.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/CCertContext.h"
#include "engine/CCryptProvider.h"

// The platform headers map these names onto their own file-encryption calls.
#undef EncryptFile
#undef DecryptFile

class CFileCipher
{
public:
    // Code for a chosen serial text that the file's recipient list does not name.
    static constexpr int kNotListed = 2028;
    // Letters of a key text.
    static constexpr size_t kKeyTextLength = 24;

    // Called after each step with the content bytes done so far and the total.
    typedef void (*ProgressFn)(void* context, uint64_t done, uint64_t total);

    CFileCipher();

    // 0, or the failure's code (2001 to 2013) with its message.
    int EncryptFile(const char* source, const char* destination, const char* recipients);
    // 0, or the failure's code (2017 to 2028) with its message.
    int DecryptFile(const char* source, const char* destination, const char* serial);
    // The message of the last failed operation.
    const char* Message() const { return m_message; }

    void SetProgress(ProgressFn progress, void* context);

    // A fresh key text of kKeyTextLength letters A-Z and a-z from the provider's random source.
    static bool MakeKeyText(const CCryptProvider& provider, std::string& text);
    // The certificate of the current user's MY store (then ADDRESSBOOK, unless `myOnly`)
    // whose serial-number text equals `serial`, without regard to case; empty if none.
    static CCertContext FindCertificate(const std::string& serial, bool myOnly);

private:
    int Fail(int code, const char* message);
    void Report(uint64_t done, uint64_t total) const;

    char m_message[256];
    ProgressFn m_progress = nullptr;
    void* m_progressContext = nullptr;
};
