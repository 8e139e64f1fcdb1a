#include "ui/framework/CUserPrompts.h"

namespace
{
CUserPrompts g_platformPrompts;
CUserPrompts* g_current = &g_platformPrompts;
}

int CUserPrompts::MessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption, type);
}

BOOL CUserPrompts::GetOpenFileName(OPENFILENAMEA* ofn)
{
    return ::GetOpenFileNameA(ofn);
}

BOOL CUserPrompts::GetSaveFileName(OPENFILENAMEA* ofn)
{
    return ::GetSaveFileNameA(ofn);
}

CUserPrompts& CUserPrompts::Current()
{
    return *g_current;
}

CUserPrompts* CUserPrompts::Install(CUserPrompts* replacement)
{
    CUserPrompts* previous = g_current == &g_platformPrompts ? nullptr : g_current;
    g_current = replacement ? replacement : &g_platformPrompts;
    return previous;
}
