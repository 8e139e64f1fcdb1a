// The default-certificate dialog: lists the user's own certificates of "My" that are fit for
// encryption; OK stores the selected one in the settings file and shows it in the encryption
// dialog that opened this one.
//
// Always made on the heap; the object deletes itself once its window has ended. While it lives
// the module stays loaded. The encryption dialog is handed over at construction and found again
// through its window at OK, so a dialog closed in between is left alone.
#pragma once
#include <string>

#include "certs/CertListing.h"
#include "ui/dialogs/CModuleLockHolder.h"
#include "ui/framework/CListCtrl.h"
#include "ui/skin/CSkinBtn.h"
#include "ui/skin/CTQGUIObj_Dialog1.h"

class CEdlgcomm;

class CDlgSet : public CTQGUIObj_Dialog1
{
public:
    explicit CDlgSet(CEdlgcomm* owner = nullptr);
    ~CDlgSet() override;

    // Serial text of the selected row, taken by OK.
    std::string m_strChosenSerial;

    CListCtrl& CertificateList() { return m_certList; }

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    void OnCancel() override;

private:
    // The encryption dialog, while its window lives; nullptr otherwise.
    CEdlgcomm* OwnerDialog() const;

    CModuleLockHolder m_moduleLock;

    CSkinBtn m_btnOk;      // 1
    CSkinBtn m_btnCancel;  // 2
    CListCtrl m_certList;  // 1020
    CertListing m_my;
    HWND m_hOwnerDialog = nullptr;
};
