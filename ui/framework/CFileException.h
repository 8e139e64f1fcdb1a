// A failed file operation, raised by the framework's file helpers and reported to the user by
// the framework's generic error report (a message box through the user-prompt seam).
#pragma once
#include <stdexcept>
#include <string>
#include <windows.h>

class CFileException : public std::runtime_error
{
public:
    CFileException(std::string path, DWORD osError);

    const std::string& Path() const { return m_path; }
    DWORD OsError() const { return m_osError; }

    // The text of the generic report: which file, and the system's words for the error.
    std::string ReportText() const;
    // Shows the generic report, owned by the given window.
    int ReportError(HWND owner, UINT type = MB_OK | MB_ICONERROR) const;

    [[noreturn]] static void ThrowOsError(DWORD osError, const std::string& path);

private:
    std::string m_path;
    DWORD m_osError;
};
