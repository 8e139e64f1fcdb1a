// The wait notice shown over the encryption dialog while a directory query blocks the thread:
// borderless, partly transparent, no buttons.
#pragma once
#include "ui/framework/CDialog.h"

class CshowDlg : public CDialog
{
public:
    explicit CshowDlg(CWnd* parent = nullptr);
    ~CshowDlg() override;

    // Opacity of the notice, out of 255.
    static constexpr BYTE kAlpha = 200;

protected:
    bool OnInitDialog() override;

    ZOZ_DECLARE_MESSAGE_MAP()
};
