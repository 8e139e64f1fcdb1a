#include "shell/CDialogLauncher.h"

#include <memory>

#include "res/resource.h"
#include "ui/dialogs/CDiaDenrylg.h"
#include "ui/dialogs/CEdlgcomm.h"

namespace
{
CDialogLauncher g_moduleLauncher;
CDialogLauncher* g_current = &g_moduleLauncher;

// Creates the dialog without a parent (the framework picks the owner), shows it, reads its boxes
// into its members, paints and centres it. Once its window exists the dialog frees itself when
// the window ends; a failure after that closes the window again before it is raised further.
template <class Dialog>
HRESULT Open(UINT templateId, const std::string& source, const std::string& dest)
{
    auto owned = std::make_unique<Dialog>();
    owned->m_strSourcePath = source;
    owned->m_strDestPath = dest;
    owned->SetAutoDelete(true);
    if (!owned->Create(templateId))
        return E_FAIL;
    Dialog* dialog = owned.release();
    const HWND hWnd = dialog->m_hWnd;
    try
    {
        dialog->ShowWindow(SW_SHOW);
        dialog->UpdateData(true);
        dialog->UpdateWindow();
        dialog->CenterWindow();
    }
    catch (...)
    {
        if (::IsWindow(hWnd))
            ::DestroyWindow(hWnd);
        throw;
    }
    return S_OK;
}
}  // namespace

HRESULT CDialogLauncher::OpenEncryptDialog(const std::string& source, const std::string& dest, HWND)
{
    return Open<CEdlgcomm>(IDD_EDLGCOMM, source, dest);
}

HRESULT CDialogLauncher::OpenDecryptDialog(const std::string& source, const std::string& dest)
{
    return Open<CDiaDenrylg>(IDD_DIADENRYLG, source, dest);
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
