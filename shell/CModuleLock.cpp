#include "shell/CModuleLock.h"

namespace
{
volatile LONG g_lockCount = 0;
}

void CModuleLock::Lock()
{
    InterlockedIncrement(&g_lockCount);
}

void CModuleLock::Unlock()
{
    InterlockedDecrement(&g_lockCount);
}

LONG CModuleLock::Count()
{
    return InterlockedCompareExchange(&g_lockCount, 0, 0);
}
