// The dialogs' skin buttons all look alike: one face for every state, the caption as both text
// and tooltip, white single-line text 3 pixels down.
#pragma once

class CSkinBtn;

class CCaptionButton
{
public:
    static void SetUp(CSkinBtn& button, int face, const char* caption);
};
