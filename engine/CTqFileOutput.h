// The head writer's output into an open file.
#pragma once
#include "engine/CFileHandle.h"
#include "engine/CTqHead.h"

class CTqFileOutput : public ITqOutput
{
public:
    explicit CTqFileOutput(const CFileHandle& file) : m_file(file) {}
    bool Write(const void* data, size_t n) override;

private:
    const CFileHandle& m_file;
};
