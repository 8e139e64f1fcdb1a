// Keeps the module loaded for as long as the holder lives: a dialog window lives on after the
// command that opened it has returned, so its code must not be unloaded under it.
#pragma once

class CModuleLockHolder
{
public:
    CModuleLockHolder();
    ~CModuleLockHolder();
    CModuleLockHolder(const CModuleLockHolder&) = delete;
    CModuleLockHolder& operator=(const CModuleLockHolder&) = delete;
};
