// Module-wide count of reasons to stay loaded: live objects, server locks and held class
// objects. COM may call the exports on any thread, so the count is interlocked.
#pragma once
#include <windows.h>

class CModuleLock
{
public:
    static void Lock();
    static void Unlock();
    static LONG Count();
};
