#include "engine/CFileCipher.h"

#include <cstring>
#include <new>
#include <vector>

#include "certs/CCertStoreQueries.h"
#include "engine/CCertContext.h"
#include "engine/CCryptHash.h"
#include "engine/CCryptKey.h"
#include "engine/CFileHandle.h"
#include "engine/CFilePath.h"
#include "engine/CTempFile.h"
#include "engine/CTqFileInput.h"
#include "engine/CTqFileOutput.h"
#include "engine/CTqHead.h"

namespace
{
// Steps of whole cipher blocks; the step sizes leave no trace in the file.
const DWORD kPlainStep = 1024 * 1000;
const DWORD kCipherStep = 1024 * 1008;
const DWORD kBlock = 8;
const char kContainer[] = "TQ_kmr";

const char kMsgSourceOpen[] = "打开加密文件时出错,请检查你输入加密的路径参数是否正确!";
const char kMsgDestOpen[] = "找开加密后保存的文件出错,请检查你输入解密后保存的路径参数是否正确!";
const char kMsgContainer[] = "获取容器密钥句柄出错";
const char kMsgHashCreate[] = "初始化哈希对象出错!";
const char kMsgHashData[] = "产生散列出错!";
const char kMsgDerive[] = "获取对称密钥句柄出错!";
const char kMsgReadPlain[] = "循环读到加密文件出错!";
const char kMsgEncrypt[] = "加密文件出错";
const char kMsgNoCertificate[] = "在IE浏览器中找不到和证书序列号相对应的数字证书!";
const char kMsgBlobLength[] = "导出会话密钥时获取长度失败!";
const char kMsgExport[] = "导出会话密钥失败!";
const char kMsgWriteList[] = "写密明文后的长度出错!";
const char kMsgWriteBlobLength[] = "写入会话密钥加密后的长度出错!";
const char kMsgWriteContent[] = "循环写到加密文件出错!";

const char kMsgEncryptedOpen[] = "打开解密文件时出错!";
const char kMsgSerials[] = "获取证书序列号出错!";
const char kMsgNotListed[] = "没有找到和你所选择相对应的解密证书!";
const char kMsgDeleted[] = "解密出错,你所选择的解密证书可能已被删除!";
const char kMsgPrivateKey[] = "解密时获取证书私钥句柄出错!";
const char kMsgUserKey[] = "获取密钥交换句柄出错!";
const char kMsgImport[] = "解密会话密钥时出错!";
const char kMsgPlainOpen[] = "打开加密后保存的文件出错!";
const char kMsgReadCipher[] = "循环读取要解密的文件出错!";
const char kMsgDecrypt[] = "解密密文出错!";
const char kMsgWritePlain[] = "写入解密后的明文出错!";
const char kMsgException[] = "解密产生异常,解密失败!";
}  // namespace

CFileCipher::CFileCipher()
{
    m_message[0] = 0;
}

int CFileCipher::Fail(int code, const char* message)
{
    std::strncpy(m_message, message, sizeof(m_message) - 1);
    m_message[sizeof(m_message) - 1] = 0;
    return code;
}

void CFileCipher::SetProgress(ProgressFn progress, void* context)
{
    m_progress = progress;
    m_progressContext = context;
}

void CFileCipher::Report(uint64_t done, uint64_t total) const
{
    if (m_progress)
        m_progress(m_progressContext, done, total);
}

bool CFileCipher::MakeKeyText(const CCryptProvider& provider, std::string& text)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    text.clear();
    while (text.size() < kKeyTextLength)
    {
        BYTE random[32];
        if (!provider.GenRandom(random, sizeof(random)))
        {
            text.clear();
            return false;
        }
        // 208 = 4 * 52: values above would favour the first letters.
        for (BYTE b : random)
            if (b < 208 && text.size() < kKeyTextLength)
                text += letters[b % 52];
        SecureZeroMemory(random, sizeof(random));
    }
    return true;
}

CCertContext CFileCipher::FindCertificate(const std::string& serial, bool myOnly)
{
    CCertContext cert = CCertStoreQueries::FindInStore("MY", serial);
    if (cert || myOnly)
        return cert;
    return CCertStoreQueries::FindInStore("ADDRESSBOOK", serial);
}

int CFileCipher::EncryptFile(const char* source, const char* destination, const char* recipients)
{
    int failureCode = 2008;
    const char* failureMessage = kMsgEncrypt;
    try
    {
        CFileHandle plain;
        if (!source || !plain.OpenRead(CFilePath::ToPlatform(source)))
            return Fail(2001, kMsgSourceOpen);

        // The result goes into a new file next to the destination and replaces it only at the end.
        CTempFile out;
        if (!destination || !out.Create(CFilePath::ToPlatform(destination)))
            return Fail(2002, kMsgDestOpen);

        CCryptProvider provider;
        std::string keyText;
        if (!provider.OpenOrCreate(kContainer) || !MakeKeyText(provider, keyText))
            return Fail(2003, kMsgContainer);
        CCryptHash hash;
        if (!provider.CreateHash(CALG_MD5, hash))
            return Fail(2004, kMsgHashCreate);
        bool hashed = hash.HashData(keyText.data(), static_cast<DWORD>(keyText.size()));
        SecureZeroMemory(&keyText[0], keyText.size());
        if (!hashed)
            return Fail(2005, kMsgHashData);
        CCryptKey sessionKey;
        if (!provider.DeriveKey(CALG_3DES, hash, CRYPT_EXPORTABLE, sessionKey))
            return Fail(2006, kMsgDerive);

        // Every key record is made before anything is written or read: a missing recipient
        // fails at once, and the content can then stream behind the head.
        const std::string list = recipients ? recipients : "";
        const std::vector<std::string> serials = CTqHead::Split(list);
        std::vector<std::vector<BYTE>> blobs;
        failureCode = 2010;
        failureMessage = kMsgExport;
        for (const std::string& serial : serials)
        {
            CCertContext cert = FindCertificate(serial, false);
            if (!cert)
                return Fail(2009, kMsgNoCertificate);
            // A key that cannot be imported cannot be exported under: the length query fails.
            CCryptKey publicKey;
            DWORD size = 0;
            if (!provider.ImportPublicKey(cert, publicKey) || !sessionKey.SimpleBlobSize(publicKey, size))
                return Fail(2009, kMsgBlobLength);
            std::vector<BYTE> blob(size);
            if (!sessionKey.ExportSimpleBlob(publicKey, blob.data(), size))
                return Fail(2010, kMsgExport);
            blob.resize(size);
            blobs.push_back(std::move(blob));
        }

        CTqFileOutput head(out.File());
        if (!CTqHead::WriteList(head, list))
            return Fail(2011, kMsgWriteList);
        for (const std::vector<BYTE>& blob : blobs)
            if (!CTqHead::WriteKeyRecord(head, blob.data(), static_cast<uint32_t>(blob.size())))
                return Fail(2012, kMsgWriteBlobLength);

        failureCode = 2008;
        failureMessage = kMsgEncrypt;
        uint64_t total = 0, done = 0;
        plain.Size(total);
        std::vector<BYTE> buffer(kPlainStep + kBlock);
        for (;;)
        {
            DWORD got = 0;
            if (!plain.ReadFull(buffer.data(), kPlainStep, got))
                return Fail(2007, kMsgReadPlain);
            // A short step is the last one; a file of whole steps ends with an empty final step.
            bool final = got < kPlainStep;
            DWORD length = got;
            if (!sessionKey.Encrypt(final, buffer.data(), length, static_cast<DWORD>(buffer.size())))
                return Fail(2008, kMsgEncrypt);
            if (!out.File().Write(buffer.data(), length))
                return Fail(2013, kMsgWriteContent);
            done += got;
            Report(done, total);
            if (final)
                break;
        }
        SecureZeroMemory(buffer.data(), buffer.size());

        plain.Close();
        if (!out.Finish())
            return Fail(2013, kMsgWriteContent);
        if (!out.Replace())
            return Fail(2002, kMsgDestOpen);
        return 0;
    }
    catch (...)
    {
        // Out of memory: reported, never as success; the temporary file is gone by now.
        return Fail(failureCode, failureMessage);
    }
}

int CFileCipher::DecryptFile(const char* source, const char* destination, const char* serial)
{
    int failureCode = 2019;
    const char* failureMessage = kMsgSerials;
    try
    {
        CFileHandle encrypted;
        if (!source || !encrypted.OpenRead(CFilePath::ToPlatform(source)))
            return Fail(2017, kMsgEncryptedOpen);
        const std::wstring destinationPath = destination ? CFilePath::ToPlatform(destination) : std::wstring();
        const std::string chosen = serial ? serial : "";

        // The head: lengths that the rest of the file cannot hold end the operation here.
        CTqFileInput in;
        if (!in.Attach(encrypted))
            return Fail(2019, kMsgSerials);
        std::string list;
        CTqHead::Status status = CTqHead::ReadList(in, list);
        if (status != CTqHead::Status::Ok)
            return in.Failed() ? Fail(2019, kMsgSerials) : Fail(2018, kMsgSerials);
        const std::vector<std::string> serials = CTqHead::Split(list);
        int position = CTqHead::Find(serials, chosen);
        if (position < 0)
            return Fail(kNotListed, kMsgNotListed);
        std::vector<unsigned char> blob;
        if (CTqHead::ReadKeyRecords(in, serials.size(), static_cast<size_t>(position), blob) != CTqHead::Status::Ok)
            return Fail(2019, kMsgSerials);

        CCertContext cert = FindCertificate(chosen, true);
        if (!cert)
            return Fail(2019, kMsgDeleted);

        failureCode = 2027;
        failureMessage = kMsgException;
        CCryptProvider provider;
        DWORD keySpec = 0;
        if (!provider.AcquireForCertificate(cert, keySpec))
            return Fail(2020, kMsgPrivateKey);
        CCryptKey userKey;
        if (!provider.GetUserKey(keySpec, userKey))
            return Fail(2021, kMsgUserKey);
        CCryptKey sessionKey;
        if (!provider.ImportKey(blob.data(), static_cast<DWORD>(blob.size()), userKey, sessionKey))
            return Fail(2022, kMsgImport);

        CTempFile out;
        if (!out.Create(destinationPath))
            return Fail(2023, kMsgPlainOpen);

        // The content runs to the end of the file; knowing where it ends lets the final step,
        // and only it, get the last bytes, also when they fill a whole step.
        const uint64_t total = in.Remaining();
        // Padded content is whole blocks, at least one; anything else cannot decrypt (and the
        // platform must not be asked to unpad an empty final step: it reads before the buffer).
        if (total == 0 || total % kBlock != 0)
            return Fail(2025, kMsgDecrypt);
        uint64_t left = total;
        std::vector<BYTE> buffer(kCipherStep);
        do
        {
            DWORD want = left < kCipherStep ? static_cast<DWORD>(left) : kCipherStep;
            DWORD got = 0;
            if (!encrypted.ReadFull(buffer.data(), want, got) || got != want)
                return Fail(2024, kMsgReadCipher);
            left -= got;
            bool final = left == 0;
            DWORD length = got;
            if (!sessionKey.Decrypt(final, buffer.data(), length))
                return Fail(2025, kMsgDecrypt);
            if (!out.File().Write(buffer.data(), length))
                return Fail(2026, kMsgWritePlain);
            Report(total - left, total);
        } while (left);
        SecureZeroMemory(buffer.data(), buffer.size());

        encrypted.Close();
        if (!out.Finish())
            return Fail(2026, kMsgWritePlain);
        if (!out.Replace())
            return Fail(2023, kMsgPlainOpen);
        return 0;
    }
    catch (...)
    {
        return Fail(failureCode, failureMessage);
    }
}
