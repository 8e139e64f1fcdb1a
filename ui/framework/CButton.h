// A push button of a dialog. Owner-drawn buttons get their WM_DRAWITEM from the parent through
// DrawItem.
#pragma once
#include "ui/framework/CWnd.h"

class CButton : public CWnd
{
public:
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

protected:
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};
