// The command-line face of the file engine, for scripts and for users without Explorer:
//   tqfile encrypt -r SERIAL [-r SERIAL]... SRC [DST]
//   tqfile decrypt [-c SERIAL] SRC [DST]
//   tqfile recipients FILE.tq
//   tqfile certs MY|ADDRESSBOOK
//   tqfile import FILE [--password P]
// Exit status 0, the engine's code, 1 for other failures, 2 for a wrong command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CTqFileTool
{
public:
    int Run(int argc, char** argv);

private:
    int Encrypt(const std::vector<std::string>& args);
    int Decrypt(const std::vector<std::string>& args);
    int Recipients(const std::vector<std::string>& args);
    int Certs(const std::vector<std::string>& args);
    int Import(const std::vector<std::string>& args);
    int Usage(int status);

    static bool ReadRecipientList(const std::string& path, std::vector<std::string>& serials);
    static void Progress(void* context, uint64_t done, uint64_t total);
    // Text in the process code page, shown readably on a console and written as it is otherwise.
    static void Err(const std::string& text);
    static void Out(const std::string& text);

    std::string m_operation;
    unsigned m_lastPercent = 101;
};
