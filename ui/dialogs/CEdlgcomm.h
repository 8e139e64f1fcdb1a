// The encryption dialog: one plain file, encrypted for the user's default certificate and for
// the certificates ticked in the list of other people's certificates.
//
// Always made on the heap (new CEdlgcomm), given its two paths, then created modeless from
// IDD_EDLGCOMM; the object deletes itself once its window has ended. While it lives the module
// stays loaded.
//
// The handlers work on the stored text members, which are copied from the edit boxes only at
// fixed points (UpdateData(true) by the creator, by the directory query and when the dialog ends
// with OK). Button 1016 ("查询") runs the directory query (CDirectoryQuery), which works
// through QueryText, CertificateList and IsSerialListed.
#pragma once
#include <string>
#include <vector>

#include "certs/CertListing.h"
#include "ui/dialogs/CModuleLockHolder.h"
#include "ui/framework/CListCtrl.h"
#include "ui/skin/CSkinBtn.h"
#include "ui/skin/CTQGUIObj_Dialog1.h"

class CEdlgcomm : public CTQGUIObj_Dialog1
{
public:
    explicit CEdlgcomm(CWnd* parent = nullptr);
    ~CEdlgcomm() override;

    // Set by the creator before the window exists; edit boxes 1001 and 1003.
    std::string m_strSourcePath;
    std::string m_strDestPath;

    // The default-certificate dialog's report after its OK: the name field, edit 1005, an
    // immediate repaint and "查看证书" enabled.
    void ShowDefaultCertificate(const std::string& name);
    const std::string& DefaultCertificateName() const { return m_strCertName; }

    // For the directory query: the stored query text (edit 1014), the list of other people's
    // certificates, a new row at the end of it, and whether a row's serial text (column 2)
    // already equals `serial` without regard to case.
    const std::string& QueryText() const { return m_strQueryText; }
    CListCtrl& CertificateList() { return m_certList; }
    int AppendCertificateRow(const std::string& subject, const std::string& issuer, const std::string& serial);
    bool IsSerialListed(const std::string& serial) const;

    // Whether the advanced part has been opened (one way).
    bool IsExpanded() const { return m_bExpanded; }
    // Window height as laid out by the template, and down to the top of the "其他人证书" group,
    // both measured at start.
    int FullHeight() const { return m_nFullHeight; }
    int CollapsedHeight() const { return m_nCollapsedHeight; }

    // Whether two paths name the same file: equal full paths without regard to case, or one
    // file reached by both.
    static bool SameFile(const std::string& a, const std::string& b);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    // Buttons 1 and 1015: encrypt, then end.
    void OnOK() override;

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    void OnChooseSource();
    void OnChooseDest();
    void OnViewCertificate();
    void OnChangeCertificate();
    void OnAdvanced();
    void OnQuery();
    void SetUpButtons();

    CModuleLockHolder m_moduleLock;

    CSkinBtn m_btnChooseSource;  // 1002
    CSkinBtn m_btnChooseDest;    // 1004
    CSkinBtn m_btnView;          // 1006
    CSkinBtn m_btnChange;        // 1007
    CSkinBtn m_btnEncrypt2;      // 1015
    CSkinBtn m_btnCancel2;       // 1022
    CSkinBtn m_btnAdvanced;      // 1008
    CSkinBtn m_btnQuery;         // 1016
    CSkinBtn m_btnEncrypt;       // 1
    CSkinBtn m_btnCancel;        // 2

    int m_nFullHeight = 0;
    int m_nCollapsedHeight = 0;

    CListCtrl m_certList;        // 1010
    std::string m_strCertName;   // 1005
    std::string m_strQueryText;  // 1014

    CertListing m_addressBook;
    std::vector<std::string> m_recipientSerials;
    bool m_bExpanded = false;
};
