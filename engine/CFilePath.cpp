#include "engine/CFilePath.h"

#include <windows.h>

std::wstring CFilePath::Widen(const std::string& ansi)
{
    if (ansi.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

std::wstring CFilePath::ToPlatform(const std::string& ansiPath)
{
    std::wstring wide = Widen(ansiPath);
    if (wide.empty())
        return wide;
    if (wide.compare(0, 4, L"\\\\?\\") == 0)
        return wide;
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return std::wstring();
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
    if (n == 0 || n >= full.size())
        return std::wstring();
    full.resize(n);
    // Short paths stay as they are; long ones need the prefix to pass MAX_PATH.
    if (full.size() < MAX_PATH - 12)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring CFilePath::Folder(const std::wstring& platformPath)
{
    size_t cut = platformPath.find_last_of(L"\\/");
    if (cut == std::wstring::npos)
        return std::wstring();
    return platformPath.substr(0, cut + 1);
}
