// A push button drawn from face bitmaps: one face per state (normal, hover, pressed, disabled),
// the caption over the normal and hover faces, a hand cursor and a tooltip. Every draw is
// composed off screen on a copy of what lay under the button at its first erase.
#pragma once
#include <string>
#include <vector>

#include "ui/framework/CBitmapDC.h"
#include "ui/framework/CButton.h"
#include "ui/framework/CGdiObject.h"
#include "ui/framework/CToolTipCtrl.h"

class CSkinBtn : public CButton
{
public:
    enum State { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

    CSkinBtn();

    void SetBitmaps(int normalId, int hoverId, int pressedId, int disabledId);
    void SetToolTipText(const std::string& text);
    void SetTextPos(int x, int y, bool twoLines);
    void SetTextColors(COLORREF caption, COLORREF second);

    int GetState() const { return m_nState; }
    bool IsHovering() const { return m_bHover != 0; }
    CToolTipCtrl& ToolTip() { return m_toolTip; }

    // The caption's lines: two when the two-line rule applies (more than 10 bytes), the last
    // 4 bytes on the second line; the cut never falls inside a double-byte character.
    static std::vector<std::string> CaptionLines(const std::string& caption, bool twoLines);

    void DrawItem(DRAWITEMSTRUCT* dis) override;

protected:
    void PreSubclassWindow() override;

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnable(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);

    void Draw();
    bool PointerInside() const;

    CToolTipCtrl m_toolTip;
    CGdiObject<HBITMAP> m_faces[4];
    int m_nState = Normal;
    COLORREF m_captionColour = RGB(0, 0, 0);
    COLORREF m_secondColour = RGB(0xFF, 0xFF, 0xFF);
    BYTE m_bHover = 0;
    BYTE m_bEnabled = 1;
    CGdiObject<HFONT> m_font;
    BYTE m_bSnapshot = 0;
    int m_nTextX = 21;
    int m_nTextY = 0;
    CBitmapDC m_snapshot;
    BYTE m_bTwoLines = 1;
};
