// The head reader's input over an open file, bounded by the file's size.
#pragma once
#include "engine/CFileHandle.h"
#include "engine/CTqHead.h"

class CTqFileInput : public ITqInput
{
public:
    // The file's size and position are taken once; false when they cannot be.
    bool Attach(const CFileHandle& file);
    bool Read(void* buffer, size_t n) override;
    bool Skip(uint64_t n) override;
    uint64_t Remaining() const override;
    bool Failed() const { return m_failed; }

private:
    const CFileHandle* m_file = nullptr;
    uint64_t m_size = 0;
    uint64_t m_pos = 0;
    bool m_failed = false;
};
