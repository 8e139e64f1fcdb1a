// Shows a certificate in the platform's viewer: the encoded certificate goes into a short-lived
// file, the viewer program is started on it, and the file is removed as soon as the start call
// returns. The file lives in the Windows directory; where that cannot be written (a standard
// user), in the user's temporary folder.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "engine/CCertContext.h"
#include "ui/framework/CFileException.h"

class CCertViewer
{
public:
    // Fixed file names, one per dialog.
    static constexpr const char* kDecryptionFile = "sne.cer";
    static constexpr const char* kEncryptionFile = "see.cer";
    static constexpr const char* kCommandFormat = "rundll32.exe cryptext.dll CryptExtOpenCER %s";
    // The command line is built in this many bytes, terminator included.
    static constexpr size_t kCommandBuffer = 256;

    // Raised when the temporary file cannot be created, written or removed again (no usable
    // folder, a path too long for the command line, a full disk, a file held open by another).
    // A file error of the framework, so a handler that lets it pass gets the generic report.
    class FileError : public CFileException
    {
    public:
        enum Operation
        {
            Create,
            Write,
            Remove
        };
        FileError(Operation operation, const std::string& path, DWORD lastError);
        Operation What() const { return m_operation; }
        DWORD LastError() const { return OsError(); }
        const char* what() const noexcept override { return m_text.c_str(); }

    private:
        Operation m_operation;
        std::string m_text;
    };

    // Starts the viewer process with a command line and show state; the result is not examined.
    using Starter = std::function<void(const char* commandLine, UINT show)>;

    // Writes the certificate's encoded bytes to the temporary file `fileName`, starts the viewer
    // on it with SW_SHOW and removes the file. The caller keeps the certificate. Throws FileError.
    static void ViewCertificate(const CCertContext& cert, const char* fileName);

    // Replaces how the viewer is started (an empty starter: WinExec again); returns the previous.
    static Starter InstallStarter(Starter starter);
};
