// Sets the calling thread's locale for the lifetime of the object and puts the previous one
// back on every way out of the scope.
#pragma once
#include <windows.h>

class CThreadLocaleScope
{
public:
    explicit CThreadLocaleScope(LCID locale);
    ~CThreadLocaleScope();
    CThreadLocaleScope(const CThreadLocaleScope&) = delete;
    CThreadLocaleScope& operator=(const CThreadLocaleScope&) = delete;

private:
    LCID m_previous;
};
