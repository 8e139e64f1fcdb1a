// The seam between the context-menu commands and the dialogs they open. Each call opens one
// modeless dialog on the calling thread with its two paths filled in and returns at once; the
// dialog then lives on its own. Tests install a replacement that records what would be opened.
#pragma once
#include <windows.h>

#include <string>

class CDialogLauncher
{
public:
    virtual ~CDialogLauncher() = default;

    // The encryption dialog for source, proposing dest; invokingWindow is the window from
    // which the command was picked.
    virtual HRESULT OpenEncryptDialog(const std::string& source, const std::string& dest, HWND invokingWindow);
    // The decryption dialog for the encrypted file source, proposing dest.
    virtual HRESULT OpenDecryptDialog(const std::string& source, const std::string& dest);

    // The launcher in force for this process.
    static CDialogLauncher& Current();
    // Puts a replacement in force (nullptr: the module's own again); returns the one it replaced.
    static CDialogLauncher* Install(CDialogLauncher* replacement);
};
