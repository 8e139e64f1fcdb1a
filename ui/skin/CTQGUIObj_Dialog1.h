// Base of the skinned dialogs: takes the system frame away at the first erase and paints the
// window itself (grey body, outline, black title band with a gradient, caption, close cross),
// gives it a shape with rounded top corners, drags it by the band and closes it by the cross.
#pragma once
#include "ui/framework/CDialog.h"

class CTQGUIObj_Dialog1 : public CDialog
{
public:
    CTQGUIObj_Dialog1(UINT templateId, CWnd* parent = nullptr);

    // The close rectangle of the last erase and the close state (0 normal, 3 hot).
    const RECT& CloseRect() const { return m_rcClose; }
    int CloseState() const { return m_nCloseState; }

protected:
    bool OnInitDialog() override;

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColorStatic(WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);

    void RemoveFrame();
    void Paint(HDC dc);
    // The window rectangle in client coordinates: (0, 0, W, H) once the frame is gone.
    RECT WindowRectInClient() const;

    // The region in force; the window owns it once handed over.
    HRGN m_hRgn = nullptr;
    RECT m_rcClose{};
    int m_nCloseState = 0;
};
