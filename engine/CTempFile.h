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

    // Creates the file in the folder of `destination` (a platform path); false as well when an
    // existing destination could not be replaced (a folder, read-only, locked).
    bool Create(const std::wstring& destination);
    CFileHandle& File() { return m_file; }
    const std::wstring& Path() const { return m_path; }
    // Flushes and closes the file; false when its bytes may not all be on disk.
    bool Finish();
    // Moves the finished file over the destination in one step.
    bool Replace();
    // Closes and removes the file.
    void Discard();

private:
    CFileHandle m_file;
    std::wstring m_path;
    std::wstring m_destination;
};
