#include "tools/tqfile/CTqFileTool.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "certs/CCertStoreQueries.h"
#include "engine/CCertStore.h"
#include "engine/CCryptHash.h"
#include "engine/CCryptKey.h"
#include "engine/CCryptProvider.h"
#include "engine/CFileCipher.h"
#include "engine/CFileHandle.h"
#include "engine/CFilePath.h"
#include "engine/CTqFileInput.h"
#include "engine/CTqHead.h"

namespace
{
const char kUsage[] =
    "usage:\n"
    "  tqfile encrypt -r SERIAL [-r SERIAL]... SRC [DST]   encrypt SRC for the certificates (DST: SRC.tq)\n"
    "  tqfile decrypt [-c SERIAL] SRC [DST]                 decrypt with a certificate of MY (DST: SRC without .tq)\n"
    "  tqfile recipients FILE.tq                            the serials a file names, and which store holds them\n"
    "  tqfile certs MY|ADDRESSBOOK                          subject, issuer and serial of each certificate\n"
    "  tqfile import FILE [--password P]                    PKCS #12 into MY, DER or PEM certificate into ADDRESSBOOK\n"
    "exit status: 0, the engine's error code, 1 for other failures, 2 for a wrong command line\n";

// Progress is shown only where waiting is noticeable.
const uint64_t kProgressThreshold = 4u << 20;

bool EndsWithTq(const std::string& path)
{
    return path.size() > 3 && _stricmp(path.c_str() + path.size() - 3, ".tq") == 0;
}

void Write(DWORD which, const std::string& text)
{
    HANDLE h = GetStdHandle(which);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(h, &mode))
    {
        std::wstring wide = CFilePath::Widen(text);
        WriteConsoleW(h, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
    else
    {
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

// A private key that really unwraps: a session key wrapped for the certificate imports again.
bool PrivateKeyWorks(const CCertContext& cert)
{
    CCryptProvider verify, owner;
    CCryptHash hash;
    CCryptKey session, publicKey, userKey, unwrapped;
    DWORD size = 0, spec = 0;
    if (!verify.AcquireVerifyContext() || !verify.CreateHash(CALG_MD5, hash) || !hash.HashData("probe", 5) ||
        !verify.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, session) || !verify.ImportPublicKey(cert, publicKey) ||
        !session.SimpleBlobSize(publicKey, size))
        return false;
    std::vector<BYTE> blob(size);
    return session.ExportSimpleBlob(publicKey, blob.data(), size) && owner.AcquireForCertificate(cert, spec) &&
           owner.GetUserKey(spec, userKey) && owner.ImportKey(blob.data(), size, userKey, unwrapped);
}

// The platform's PKCS #12 import puts every private key into one shared container, where the
// next import overwrites it, and may record a key spec the container does not hold.
// The key moves into a container of its own, as the key-exchange key the engine unwraps with.
bool MoveKeyToOwnContainer(const CCertContext& cert)
{
    std::vector<BYTE> raw;
    if (!cert.GetKeyProvInfo(raw))
        return false;
    const CRYPT_KEY_PROV_INFO* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(raw.data());
    CCryptProvider imported;
    if (!imported.Acquire(info->pwszContainerName, info->pwszProvName, info->dwProvType,
                          info->dwFlags & CRYPT_MACHINE_KEYSET))
        return false;
    std::vector<BYTE> blob;
    for (DWORD spec : {static_cast<DWORD>(AT_KEYEXCHANGE), static_cast<DWORD>(AT_SIGNATURE)})
    {
        CCryptKey key;
        if (imported.GetUserKey(spec, key) && key.ExportPrivate(blob))
            break;
    }
    if (blob.size() < sizeof(BLOBHEADER))
        return false;
    reinterpret_cast<BLOBHEADER*>(blob.data())->aiKeyAlg = CALG_RSA_KEYX;

    const std::string container = "tqfile-" + CCertStoreQueries::SerialText(cert);
    CCryptProvider::DeleteContainer(container.c_str());
    CCryptProvider own;
    CCryptKey key;
    bool ok = own.Acquire(container.c_str(), CRYPT_NEWKEYSET) &&
              own.ImportKey(blob.data(), static_cast<DWORD>(blob.size()), CCryptKey(), key, CRYPT_EXPORTABLE);
    SecureZeroMemory(blob.data(), blob.size());
    if (!ok)
        return false;
    std::wstring wide = CFilePath::Widen(container);
    return cert.SetKeyProvInfo(wide.c_str(), nullptr, PROV_RSA_FULL, AT_KEYEXCHANGE);
}

bool ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes)
{
    CFileHandle file;
    uint64_t size = 0;
    if (!file.OpenRead(CFilePath::ToPlatform(path)) || !file.Size(size) || size > (64u << 20))
        return false;
    bytes.resize(static_cast<size_t>(size));
    DWORD got = 0;
    return size == 0 || (file.ReadFull(bytes.data(), static_cast<DWORD>(size), got) && got == size);
}
}  // namespace

void CTqFileTool::Err(const std::string& text)
{
    Write(STD_ERROR_HANDLE, text);
}

void CTqFileTool::Out(const std::string& text)
{
    Write(STD_OUTPUT_HANDLE, text);
}

int CTqFileTool::Usage(int status)
{
    if (status == 0)
        Out(kUsage);
    else
        Err(kUsage);
    return status;
}

int CTqFileTool::Run(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage(2);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h" || a == "/?")
            return Usage(0);
    std::string command = args.front();
    args.erase(args.begin());
    if (command == "encrypt")
        return Encrypt(args);
    if (command == "decrypt")
        return Decrypt(args);
    if (command == "recipients")
        return Recipients(args);
    if (command == "certs")
        return Certs(args);
    if (command == "import")
        return Import(args);
    Err("tqfile: unknown command " + command + "\n");
    return Usage(2);
}

void CTqFileTool::Progress(void* context, uint64_t done, uint64_t total)
{
    CTqFileTool* self = static_cast<CTqFileTool*>(context);
    if (total < kProgressThreshold)
        return;
    unsigned percent = static_cast<unsigned>(done * 100 / total);
    DWORD mode = 0;
    bool console = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
    // A console line is rewritten in place; a log gets a line every quarter.
    if (!console)
        percent -= percent % 25;
    if (percent == self->m_lastPercent)
        return;
    self->m_lastPercent = percent;
    char line[64];
    std::snprintf(line, sizeof(line), "%s %3u%%%s", self->m_operation.c_str(), percent,
                  percent >= 100 || !console ? "\n" : "\r");
    Err(line);
}

int CTqFileTool::Encrypt(const std::vector<std::string>& args)
{
    std::string list;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "-r" && i + 1 < args.size())
            list += args[++i] + "&";
        else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-")
            return Usage(2);
        else
            paths.push_back(args[i]);
    }
    if (list.empty() || paths.empty() || paths.size() > 2)
        return Usage(2);
    const std::string source = paths[0];
    const std::string destination = paths.size() > 1 ? paths[1] : source + ".tq";
    CFileCipher cipher;
    m_operation = "encrypting";
    cipher.SetProgress(&CTqFileTool::Progress, this);
    int code = cipher.EncryptFile(source.c_str(), destination.c_str(), list.c_str());
    if (code)
        Err(std::string(cipher.Message()) + "\n");
    return code;
}

bool CTqFileTool::ReadRecipientList(const std::string& path, std::vector<std::string>& serials)
{
    CFileHandle file;
    CTqFileInput in;
    std::string list;
    if (!file.OpenRead(CFilePath::ToPlatform(path)) || !in.Attach(file) ||
        CTqHead::ReadList(in, list) != CTqHead::Status::Ok)
        return false;
    serials = CTqHead::Split(list);
    return true;
}

int CTqFileTool::Decrypt(const std::vector<std::string>& args)
{
    std::string serial;
    std::vector<std::string> paths;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "-c" && i + 1 < args.size())
            serial = args[++i];
        else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-")
            return Usage(2);
        else
            paths.push_back(args[i]);
    }
    if (paths.empty() || paths.size() > 2)
        return Usage(2);
    const std::string source = paths[0];
    if (paths.size() == 1 && !EndsWithTq(source))
    {
        Err("tqfile: " + source + " does not end with .tq; name the destination\n");
        return 2;
    }
    const std::string destination = paths.size() > 1 ? paths[1] : source.substr(0, source.size() - 3);
    if (serial.empty())
    {
        // The first listed certificate that MY holds with a private key.
        std::vector<std::string> serials;
        if (ReadRecipientList(source, serials))
        {
            for (const std::string& s : serials)
            {
                CCertContext cert = CCertStoreQueries::FindMyCertificate(s);
                std::vector<BYTE> info;
                if (cert && cert.GetKeyProvInfo(info))
                {
                    serial = s;
                    break;
                }
            }
        }
        // Without one the engine still gives its own code and message.
    }
    CFileCipher cipher;
    m_operation = "decrypting";
    cipher.SetProgress(&CTqFileTool::Progress, this);
    int code = cipher.DecryptFile(source.c_str(), destination.c_str(), serial.c_str());
    if (code)
        Err(std::string(cipher.Message()) + "\n");
    return code;
}

int CTqFileTool::Recipients(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Usage(2);
    std::vector<std::string> serials;
    if (!ReadRecipientList(args[0], serials))
    {
        Err("tqfile: " + args[0] + ": no recipient list can be read\n");
        return 1;
    }
    for (const std::string& serial : serials)
    {
        std::string where;
        if (CCertStoreQueries::FindInStore("MY", serial))
            where = "MY";
        if (CCertStoreQueries::FindInStore("ADDRESSBOOK", serial))
            where += where.empty() ? "ADDRESSBOOK" : ",ADDRESSBOOK";
        Out(serial + "\t" + (where.empty() ? "-" : where) + "\n");
    }
    return 0;
}

int CTqFileTool::Certs(const std::vector<std::string>& args)
{
    if (args.size() != 1 || (_stricmp(args[0].c_str(), "MY") != 0 && _stricmp(args[0].c_str(), "ADDRESSBOOK") != 0))
        return Usage(2);
    CCertStore store;
    if (!store.OpenSystem(args[0].c_str()))
        return 0;
    for (CCertContext cert; store.Next(cert);)
        Out(cert.DisplayName(false) + "\t" + cert.DisplayName(true) + "\t" + CCertStoreQueries::SerialText(cert) + "\n");
    return 0;
}

int CTqFileTool::Import(const std::vector<std::string>& args)
{
    std::string path, password;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--password" && i + 1 < args.size())
            password = args[++i];
        else if (path.empty())
            path = args[i];
        else
            return Usage(2);
    }
    if (path.empty())
        return Usage(2);
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(path, bytes))
    {
        Err("tqfile: " + path + " cannot be read\n");
        return 1;
    }

    if (CCertStore::IsPfx(bytes.data(), static_cast<DWORD>(bytes.size())))
    {
        std::wstring widePassword = CFilePath::Widen(password);
        std::vector<std::string> before;
        CCryptProvider::EnumContainers(before);
        CCertStore pfx, my;
        if (!pfx.ImportPfx(bytes.data(), static_cast<DWORD>(bytes.size()), widePassword.c_str(),
                           CRYPT_EXPORTABLE | CRYPT_USER_KEYSET))
        {
            Err("tqfile: " + path + ": the PKCS #12 file does not open (wrong password?)\n");
            return 1;
        }
        if (!my.OpenSystem("MY"))
        {
            Err("tqfile: the MY store does not open\n");
            return 1;
        }
        int imported = 0;
        std::vector<std::string> used;
        for (CCertContext cert; pfx.Next(cert);)
        {
            std::vector<BYTE> info;
            if (!cert.GetKeyProvInfo(info))
                continue;  // chain certificates without a key of ours
            const wchar_t* name = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(info.data())->pwszContainerName;
            if (name)
            {
                char narrow[512] = {};
                WideCharToMultiByte(CP_ACP, 0, name, -1, narrow, sizeof(narrow) - 1, nullptr, nullptr);
                used.push_back(narrow);
            }
            CCertContext added;
            if (!my.AddAlways(cert, &added) || !MoveKeyToOwnContainer(added) || !PrivateKeyWorks(added))
            {
                Err("tqfile: " + path + ": the private key of " + cert.DisplayName(false) + " does not work\n");
                if (added)
                    added.DeleteFromStore();
                return 1;
            }
            Out("MY\t" + added.DisplayName(false) + "\t" + CCertStoreQueries::SerialText(added) + "\n");
            ++imported;
        }
        // A container that the import itself made has no purpose now: its keys have moved.
        pfx.Close();
        for (const std::string& name : used)
            if (std::find(before.begin(), before.end(), name) == before.end())
                CCryptProvider::DeleteContainer(name.c_str());
        if (!imported)
        {
            Err("tqfile: " + path + " holds no certificate with a private key\n");
            return 1;
        }
        return 0;
    }

    CCertContext cert;
    if (!cert.CreateFromEncoded(bytes.data(), static_cast<DWORD>(bytes.size())) &&
        !cert.CreateFromText(reinterpret_cast<const char*>(bytes.data()), static_cast<DWORD>(bytes.size())))
    {
        Err("tqfile: " + path + " is neither a PKCS #12 file nor a certificate\n");
        return 1;
    }
    CCertStore book;
    CCertContext added;
    if (!book.OpenSystem("ADDRESSBOOK") || !book.AddAlways(cert, &added))
    {
        Err("tqfile: the certificate cannot be added to ADDRESSBOOK\n");
        return 1;
    }
    Out("ADDRESSBOOK\t" + added.DisplayName(false) + "\t" + CCertStoreQueries::SerialText(added) + "\n");
    return 0;
}
