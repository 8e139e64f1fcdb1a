#include "bench/CEngineBench.h"

#include <windows.h>
#include <wincrypt.h>
#include <psapi.h>

#include <cstdio>
#include <vector>

#include "engine/CCryptHash.h"
#include "engine/CCryptKey.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"
#include "engine/CFileHandle.h"
#include "engine/CFilePath.h"

double CEngineBench::Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void CEngineBench::PrintMemory()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc)))
        std::printf("peak_working_set_kib %lu\npeak_pagefile_kib %lu\n",
                    static_cast<unsigned long>(pmc.PeakWorkingSetSize / 1024),
                    static_cast<unsigned long>(pmc.PeakPagefileUsage / 1024));
}

int CEngineBench::EngineFile(bool encrypt, const std::string& source, const std::string& destination,
                             const std::string& serial)
{
    uint64_t size = 0;
    {
        CFileHandle file;
        if (!file.OpenRead(CFilePath::ToPlatform(source)) || !file.Size(size))
        {
            std::fprintf(stderr, "zoz_bench: %s cannot be read\n", source.c_str());
            return 1;
        }
    }
    CFileCipher cipher;
    double start = Now();
    int code = encrypt ? cipher.EncryptFile(source.c_str(), destination.c_str(), (serial + "&").c_str())
                       : cipher.DecryptFile(source.c_str(), destination.c_str(), serial.c_str());
    double seconds = Now() - start;
    if (code)
    {
        std::fprintf(stderr, "zoz_bench: code %d\n", code);
        return code;
    }
    std::printf("seconds %.3f\nmb_per_s %.2f\n", seconds, static_cast<double>(size) / 1e6 / seconds);
    PrintMemory();
    return 0;
}

int CEngineBench::CipherInMemory(unsigned mib)
{
    CCryptProvider provider;
    CCryptHash hash;
    CCryptKey encryptKey, decryptKey;
    if (!provider.AcquireVerifyContext() || !provider.CreateHash(CALG_MD5, hash) || !hash.HashData("bench", 5) ||
        !provider.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, encryptKey) ||
        !provider.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, decryptKey))
    {
        std::fprintf(stderr, "zoz_bench: no 3DES key\n");
        return 1;
    }
    const DWORD step = 1 << 20;
    const size_t total = static_cast<size_t>(mib) << 20;
    std::vector<BYTE> data(total + 8, 0x5A);
    double start = Now();
    for (size_t at = 0; at < total; at += step)
    {
        DWORD length = step;
        bool final = at + step >= total;
        if (!encryptKey.Encrypt(final, data.data() + at, length, static_cast<DWORD>(data.size() - at)))
            return 1;
    }
    double encryptSeconds = Now() - start;
    start = Now();
    for (size_t at = 0; at < total + 8; at += step)
    {
        DWORD length = static_cast<DWORD>(std::min<size_t>(step, total + 8 - at));
        bool final = at + length >= total + 8;
        if (!decryptKey.Decrypt(final, data.data() + at, length))
            return 1;
    }
    double decryptSeconds = Now() - start;
    std::printf("encrypt_mb_per_s %.2f\ndecrypt_mb_per_s %.2f\n", total / 1e6 / encryptSeconds,
                total / 1e6 / decryptSeconds);
    return 0;
}
