// A new file next to a destination that replaces the destination only when committed; removed
// again on every other path, so a failure never leaves half a file or touches the destination.
#pragma once
#include <string>

#include "engine/CFileHandle.h"

class CTempFile
{
public:
    CTempFile() = default;
    ~CTempFile();
    CTempFile(const CTempFile&) = delete;
    CTempFile& operator=(const CTempFile&) = delete;

    // Creates the file in the folder of `destination` (a platform path).
    bool Create(const std::wstring& destination);
    CFileHandle& File() { return m_file; }
    const std::wstring& Path() const { return m_path; }
    // Flushes, closes and moves the file over the destination in one step.
    bool Commit();
    // Closes and removes the file.
    void Discard();

private:
    CFileHandle m_file;
    std::wstring m_path;
    std::wstring m_destination;
};
