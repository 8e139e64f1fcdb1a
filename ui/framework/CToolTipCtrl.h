// A tooltip window for the tools (whole windows) of one parent. The object owns its window.
#pragma once
#include "ui/framework/CWnd.h"

class CToolTipCtrl : public CWnd
{
public:
    bool Create(CWnd* parent, DWORD style = 0);
    // Registers the whole window of tool as a tool with the given text.
    bool AddTool(CWnd* tool, const char* text);
    void DelTool(CWnd* tool);
    void UpdateTipText(const char* text, CWnd* tool);
    void Activate(bool activate);
    void SetDelayTime(DWORD which, int milliseconds);
    void RelayEvent(MSG* msg);
};
