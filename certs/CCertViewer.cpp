#include "certs/CCertViewer.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace
{
CCertViewer::Starter g_starter;

void StartWithWinExec(const char* commandLine, UINT show)
{
    ::WinExec(commandLine, show);
}

struct HandleCloser
{
    using pointer = HANDLE;
    void operator()(HANDLE h) const
    {
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
};
using FileOwner = std::unique_ptr<void, HandleCloser>;

// The fixed part of the command line, without "%s".
constexpr size_t kCommandFixed = sizeof("rundll32.exe cryptext.dll CryptExtOpenCER ") - 1;
// Longest path whose command line still fits.
constexpr size_t kLongestPath = CCertViewer::kCommandBuffer - 1 - kCommandFixed;

// folder + "\" + name in a 260-byte path; false when it does not fit the command line.
bool BuildPath(const char* folder, const char* name, char (&path)[MAX_PATH])
{
    std::memset(path, 0, sizeof(path));
    size_t folderLen = std::strlen(folder);
    size_t nameLen = std::strlen(name);
    if (folderLen == 0)
        return false;
    // A drive root, and the temporary folder, come with their backslash already.
    bool slash = folder[folderLen - 1] != '\\';
    size_t total = folderLen + (slash ? 1 : 0) + nameLen;
    if (total > kLongestPath || total >= sizeof(path))
        return false;
    std::memcpy(path, folder, folderLen);
    if (slash)
        path[folderLen++] = '\\';
    std::memcpy(path + folderLen, name, nameLen);
    return true;
}

// Removes the file when the start of the viewer leaves by an exception.
class RemoveOnUnwind
{
public:
    explicit RemoveOnUnwind(const char* path) : m_path(path) {}
    ~RemoveOnUnwind()
    {
        if (m_path)
            ::DeleteFileA(m_path);
    }
    void Dismiss() { m_path = nullptr; }
    RemoveOnUnwind(const RemoveOnUnwind&) = delete;
    RemoveOnUnwind& operator=(const RemoveOnUnwind&) = delete;

private:
    const char* m_path;
};
}

CCertViewer::FileError::FileError(Operation operation, const std::string& path, DWORD lastError)
    : CFileException(path, lastError), m_operation(operation),
      m_text((operation == Create ? "cannot create " : operation == Write ? "cannot write " : "cannot remove ") + path)
{
}

CCertViewer::Starter CCertViewer::InstallStarter(Starter starter)
{
    return std::exchange(g_starter, std::move(starter));
}

void CCertViewer::ViewCertificate(const CCertContext& cert, const char* fileName)
{
    char windowsDir[MAX_PATH] = {};
    char tempDir[MAX_PATH] = {};
    UINT windowsLen = ::GetWindowsDirectoryA(windowsDir, sizeof(windowsDir));
    if (windowsLen >= sizeof(windowsDir))
        windowsDir[0] = '\0';
    DWORD tempLen = ::GetTempPathA(sizeof(tempDir), tempDir);
    if (tempLen >= sizeof(tempDir))
        tempDir[0] = '\0';

    // The Windows directory first; a standard user cannot write there, so the user's temporary
    // folder next.
    const char* folders[] = {windowsDir, tempDir};
    char path[MAX_PATH] = {};
    char lastPath[MAX_PATH] = {};
    DWORD lastError = ERROR_PATH_NOT_FOUND;
    FileOwner file;
    for (const char* folder : folders)
    {
        if (!BuildPath(folder, fileName, path))
        {
            if (folder[0])
                lastError = ERROR_FILENAME_EXCED_RANGE;
            continue;
        }
        // Created, or truncated when a file of that name is there already.
        file.reset(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() != INVALID_HANDLE_VALUE)
            break;
        lastError = ::GetLastError();
        std::memcpy(lastPath, path, sizeof(path));
        file.release();
        path[0] = '\0';
    }
    if (!path[0])
        throw FileError(FileError::Create, lastPath[0] ? lastPath : fileName, lastError);

    DWORD size = cert.EncodedSize();
    const BYTE* bytes = cert.Encoded();
    DWORD written = 0;
    bool ok = true;
    while (ok && written < size)
    {
        DWORD n = 0;
        ok = ::WriteFile(file.get(), bytes + written, size - written, &n, nullptr) && n > 0;
        written += n;
    }
    DWORD writeError = ok ? ERROR_SUCCESS : ::GetLastError();
    HANDLE h = file.release();
    if (!::CloseHandle(h) && ok)
    {
        ok = false;
        writeError = ::GetLastError();
    }
    if (!ok)
    {
        // Half a certificate helps nobody; the viewer is not started.
        ::DeleteFileA(path);
        throw FileError(FileError::Write, path, writeError);
    }

    char commandLine[kCommandBuffer] = {};
    std::snprintf(commandLine, sizeof(commandLine), kCommandFormat, path);
    {
        RemoveOnUnwind guard(path);
        // Whether the viewer started is not examined: the file goes either way.
        if (g_starter)
            g_starter(commandLine, SW_SHOW);
        else
            StartWithWinExec(commandLine, SW_SHOW);
        guard.Dismiss();
    }
    if (!::DeleteFileA(path))
        throw FileError(FileError::Remove, path, ::GetLastError());
}
