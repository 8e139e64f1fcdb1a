#include "ui/dialogs/CDlgSet.h"

#include <commctrl.h>

#include "certs/CCertStoreQueries.h"
#include "res/resource.h"
#include "settings/CSettingsFile.h"
#include "ui/dialogs/CCaptionButton.h"
#include "ui/dialogs/CEdlgcomm.h"

CDlgSet::CDlgSet(CEdlgcomm* owner)
    : CTQGUIObj_Dialog1(IDD_DLGSET), m_hOwnerDialog(owner ? owner->m_hWnd : nullptr)
{
    // Nobody keeps the dialog: it goes with its window.
    SetAutoDelete(true);
}

CDlgSet::~CDlgSet() = default;

void CDlgSet::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_SET_CERTLIST, m_certList);
    DDX_Control(dx, IDOK, m_btnOk);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
}

bool CDlgSet::OnInitDialog()
{
    CTQGUIObj_Dialog1::OnInitDialog();

    CCaptionButton::SetUp(m_btnOk, IDB_SKIN_FACE, "确定");
    CCaptionButton::SetUp(m_btnCancel, IDB_SKIN_FACE, "取消");

    m_certList.SetExtendedStyle(m_certList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_certList.InsertColumn(0, "颁发给", LVCFMT_CENTER, 150);
    m_certList.InsertColumn(1, "颁发者", LVCFMT_LEFT, 150);
    m_certList.InsertColumn(2, "证书序列号", LVCFMT_LEFT, 150);

    CCertStoreQueries::ListEncryptionCertificates("My", m_my);
    for (size_t i = 0; i < m_my.issuedTo.size(); ++i)
    {
        const int row = static_cast<int>(i);
        m_certList.InsertItem(row, m_my.issuedTo[i]);
        m_certList.SetItemText(row, 1, m_my.issuers[i]);
        m_certList.SetItemText(row, 2, m_my.serials[i]);
    }
    return true;
}

CEdlgcomm* CDlgSet::OwnerDialog() const
{
    if (!m_hOwnerDialog || !::IsWindow(m_hOwnerDialog))
        return nullptr;
    return dynamic_cast<CEdlgcomm*>(CWnd::FromHandlePermanent(m_hOwnerDialog));
}

void CDlgSet::OnOK()
{
    // Several rows may be selected: the lowest one wins.
    for (int row = 0; row < m_certList.GetItemCount(); ++row)
    {
        if (m_certList.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            m_strChosenSerial = m_certList.GetItemText(row, 2);
    }
    if (m_strChosenSerial.empty())
    {
        MessageBox("请你选择一个证书!", "出错提示", MB_OK);
        return;
    }

    // A certificate removed from "My" since the list was filled changes nothing.
    CCertContext cert = CCertStoreQueries::FindMyCertificate(m_strChosenSerial);
    if (cert)
    {
        const std::string name = cert.DisplayName(false);
        cert.Reset();
        if (CSettingsFile::WriteDefaultCertificate(name.c_str(), m_strChosenSerial.c_str()) ==
            CSettingsFile::SaveResult::Failed)
        {
            // Every later encryption would still use the old choice: do not show the new one.
            MessageBox("默认证书设置保存失败!", "出错提示", MB_OK | MB_ICONERROR);
        }
        else if (CEdlgcomm* owner = OwnerDialog())
        {
            owner->ShowDefaultCertificate(name);
        }
    }
    // The object is gone after this line.
    CTQGUIObj_Dialog1::OnOK();
}

void CDlgSet::OnCancel()
{
    MessageBox("您已经取消更改默认数字证书的操作!", "信息提示", MB_OK | MB_ICONWARNING);
    CTQGUIObj_Dialog1::OnCancel();
}
