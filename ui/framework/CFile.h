// File operations of the dialogs that raise a CFileException when the platform refuses.
#pragma once
#include <string>

class CFile
{
public:
    // Deletes the file; raises CFileException with the platform's error when it cannot.
    static void Remove(const std::string& path);
};
