// Paths as the platform's wide-character file calls want them: converted from the process code
// page, made absolute, and given the long-path prefix, so no length limit applies.
#pragma once
#include <string>

class CFilePath
{
public:
    // Empty on a conversion failure.
    static std::wstring ToPlatform(const std::string& ansiPath);
    // The folder part of a platform path, with its trailing separator.
    static std::wstring Folder(const std::wstring& platformPath);
    static std::wstring Widen(const std::string& ansi);
};
