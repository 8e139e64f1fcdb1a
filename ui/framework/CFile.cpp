#include "ui/framework/CFile.h"

#include <windows.h>

#include "ui/framework/CFileException.h"

void CFile::Remove(const std::string& path)
{
    if (!::DeleteFileA(path.c_str()))
        CFileException::ThrowOsError(::GetLastError(), path);
}
