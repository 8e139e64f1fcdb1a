#include "ui/framework/CFileException.h"

#include "ui/framework/CUserPrompts.h"

CFileException::CFileException(std::string path, DWORD osError)
    : std::runtime_error("file error"), m_path(std::move(path)), m_osError(osError)
{
}

std::string CFileException::ReportText() const
{
    std::string text = "操作文件 " + m_path + " 时出错";
    char* system = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, m_osError, 0, reinterpret_cast<char*>(&system), 0, nullptr);
    if (n && system)
    {
        std::string reason(system, n);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == ' '))
            reason.pop_back();
        text += ":\n" + reason;
    }
    else
    {
        text += "(错误代码 " + std::to_string(m_osError) + ")";
    }
    if (system)
        ::LocalFree(system);
    return text + "!";
}

int CFileException::ReportError(HWND owner, UINT type) const
{
    return CUserPrompts::Current().MessageBox(owner, ReportText().c_str(), "出错提示", type);
}

void CFileException::ThrowOsError(DWORD osError, const std::string& path)
{
    throw CFileException(path, osError);
}
