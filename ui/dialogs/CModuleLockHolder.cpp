#include "ui/dialogs/CModuleLockHolder.h"

#include "shell/CModuleLock.h"

CModuleLockHolder::CModuleLockHolder()
{
    CModuleLock::Lock();
}

CModuleLockHolder::~CModuleLockHolder()
{
    CModuleLock::Unlock();
}
