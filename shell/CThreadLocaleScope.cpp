#include "shell/CThreadLocaleScope.h"

CThreadLocaleScope::CThreadLocaleScope(LCID locale)
    : m_previous(GetThreadLocale())
{
    SetThreadLocale(locale);
}

CThreadLocaleScope::~CThreadLocaleScope()
{
    SetThreadLocale(m_previous);
}
