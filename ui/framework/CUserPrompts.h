// The one seam for everything that blocks on the user: message boxes and the file choosers.
// Production shows the platform's own windows; tests install a replacement that records what
// would have been shown and answers it.
#pragma once
#include <windows.h>
#include <commdlg.h>

class CUserPrompts
{
public:
    virtual ~CUserPrompts() = default;

    virtual int MessageBox(HWND owner, const char* text, const char* caption, UINT type);
    virtual BOOL GetOpenFileName(OPENFILENAMEA* ofn);
    virtual BOOL GetSaveFileName(OPENFILENAMEA* ofn);

    // The prompts in force for this process.
    static CUserPrompts& Current();
    // Puts a replacement in force (nullptr: the platform's own again); returns the one it replaced.
    static CUserPrompts* Install(CUserPrompts* replacement);
};
