// Timings of one process: the engine over files, or the platform cipher over memory.
#pragma once
#include <cstdint>
#include <string>

class CEngineBench
{
public:
    // Encrypts or decrypts a file with the engine; prints seconds, MB/s and peak memory.
    int EngineFile(bool encrypt, const std::string& source, const std::string& destination, const std::string& serial);
    // CryptEncrypt and CryptDecrypt with a derived 3DES key over `mib` MiB held in memory.
    int CipherInMemory(unsigned mib);

private:
    static double Now();
    static void PrintMemory();
};
