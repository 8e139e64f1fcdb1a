// The decryption dialog: one encrypted file, where its plain text goes, and the certificate of
// the user's personal store that unlocks it. Modeless; it ends after Cancel and after a
// successful decryption, and stays open after every other message so the user can correct
// the paths or choose another certificate.
#pragma once
#include <string>

#include "ui/dialogs/CModuleLockHolder.h"
#include "ui/framework/CComboBox.h"
#include "ui/skin/CSkinBtn.h"
#include "ui/skin/CTQGUIObj_Dialog1.h"

class CDiaDenrylg : public CTQGUIObj_Dialog1
{
public:
    explicit CDiaDenrylg(CWnd* parent = nullptr);
    ~CDiaDenrylg() override;

    // The serial text of a certificate item "name(serial)": between the item's last "(" and the
    // first ")" after it; the whole text without "(", empty without a closing ")".
    static std::string SerialOfItem(const std::string& item);
    // The plain file proposed for an encrypted one: the path cut before the two characters that
    // precede its last "q"; empty when there is no such cut.
    static std::string DefaultDestination(const std::string& path);

private:
    // The module stays loaded while the dialog lives.
    CModuleLockHolder m_moduleLock;
    // Buttons 1024, 1026, 1028, 1 and 2.
    CSkinBtn m_btnChooseSource;
    CSkinBtn m_btnChooseDest;
    CSkinBtn m_btnView;
    CSkinBtn m_btnDecrypt;
    CSkinBtn m_btnCancel;
    CComboBox m_certBox;

public:
    // The certificate item last taken by Decrypt or View.
    std::string m_strCertItem;
    // Edit 1023: the encrypted file; edit 1025: where the plain file is written. The handlers
    // work on these, which change only through the creator, the choosers and reading the boxes.
    std::string m_strSourcePath;
    std::string m_strDestPath;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    bool OnInitDialog() override;
    // Decrypt; the dialog ends only when it succeeds.
    void OnOK() override;

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    void FillCertificateCombo();
    void OnChooseSource();
    void OnChooseDest();
    void OnViewCertificate();
    // The text of the selected item into m_strCertItem; false when nothing is selected.
    bool TakeSelectedItem();
};
