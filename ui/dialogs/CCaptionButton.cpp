#include "ui/dialogs/CCaptionButton.h"

#include "ui/skin/CSkinBtn.h"

void CCaptionButton::SetUp(CSkinBtn& button, int face, const char* caption)
{
    const COLORREF white = RGB(0xFF, 0xFF, 0xFF);
    button.SetBitmaps(face, face, face, face);
    button.SetToolTipText(caption);
    button.SetWindowText(caption);
    button.SetTextPos(0, 3, false);
    button.SetTextColors(white, white);
}
