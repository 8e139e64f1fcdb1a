// The platform's open-file and save-file choosers, shown through the user-prompt seam.
// The filter is given as "shown text|pattern|shown text|pattern" (a trailing "||" is allowed).
// Every chooser also gets OFN_EXPLORER and OFN_NOCHANGEDIR: a chooser inside the shell's process
// must not change the shell's current directory.
#pragma once
#include <string>
#include <windows.h>
#include <commdlg.h>

class CWnd;

class CFileDialog
{
public:
    CFileDialog(bool openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                DWORD flags = 0, const char* filter = nullptr, CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    void SetTitle(const std::string& title) { m_title = title; }
    // IDOK when the user chose a file, IDCANCEL otherwise.
    int DoModal();
    // The chosen full path.
    std::string GetPathName() const { return m_file; }

    OPENFILENAMEA m_ofn;

private:
    bool m_open;
    std::string m_defExt;
    std::string m_filter;  // pairs separated by NULs, ending with two NULs
    std::string m_title;
    std::string m_file;
    HWND m_owner;
};
