#include "shell/CDialogLauncher.h"

namespace
{
CDialogLauncher g_moduleLauncher;
CDialogLauncher* g_current = &g_moduleLauncher;
}

// The encryption and decryption dialogs arrive with the dialog workflows; until then there is
// nothing to open.
HRESULT CDialogLauncher::OpenEncryptDialog(const std::string&, const std::string&, HWND)
{
    return E_NOTIMPL;
}

HRESULT CDialogLauncher::OpenDecryptDialog(const std::string&, const std::string&)
{
    return E_NOTIMPL;
}

CDialogLauncher& CDialogLauncher::Current()
{
    return *g_current;
}

CDialogLauncher* CDialogLauncher::Install(CDialogLauncher* replacement)
{
    CDialogLauncher* previous = g_current == &g_moduleLauncher ? nullptr : g_current;
    g_current = replacement ? replacement : &g_moduleLauncher;
    return previous;
}
