#include "ui/dialogs/CEdlgcomm.h"

#include <commctrl.h>

#include <memory>
#include <stdexcept>

#include "certs/CCertStoreQueries.h"
#include "certs/CCertViewer.h"
#include "engine/CFileCipher.h"
#include "engine/CTqHead.h"
#include "res/resource.h"
#include "settings/CSettingsFile.h"
#include "ui/dialogs/CCaptionButton.h"
#include "ui/dialogs/CDirectoryQuery.h"
#include "ui/dialogs/CDlgSet.h"
#include "ui/framework/CFile.h"
#include "ui/framework/CFileDialog.h"
#include "ui/framework/CFileException.h"

namespace
{
const char* const kErrorCaption = "出错提示";
const char* const kErrorInfoCaption = "出错信息";
const char* const kCancelledText = "您已经取消了加密文件的操作!";

// The path as the file system resolves it, upper-cased as it compares names; empty when the
// platform cannot resolve it.
std::wstring ComparablePath(const std::string& path)
{
    if (path.empty())
        return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
    DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return std::wstring();
    std::wstring full(size, L'\0');
    DWORD got = ::GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
    if (got == 0 || got >= size)
        return std::wstring();
    full.resize(got);
    ::CharUpperBuffW(&full[0], got);
    return full;
}

struct CloseFile
{
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};

// Volume and file index of an existing file, opened without any access to its content.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE h = ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::unique_ptr<void, CloseFile> file(h);
    return ::GetFileInformationByHandle(file.get(), &info) != FALSE;
}
}  // namespace

ZOZ_BEGIN_MESSAGE_MAP(CEdlgcomm, CTQGUIObj_Dialog1)
    ZOZ_ON_COMMAND(IDC_ENC_ENCRYPT2, OnOK)
    ZOZ_ON_COMMAND(IDC_ENC_CANCEL2, OnCancel)
    ZOZ_ON_COMMAND(IDC_ENC_CHOOSE_SOURCE, OnChooseSource)
    ZOZ_ON_COMMAND(IDC_ENC_CHOOSE_DEST, OnChooseDest)
    ZOZ_ON_COMMAND(IDC_ENC_VIEW, OnViewCertificate)
    ZOZ_ON_COMMAND(IDC_ENC_CHANGE, OnChangeCertificate)
    ZOZ_ON_COMMAND(IDC_ENC_ADVANCED, OnAdvanced)
    ZOZ_ON_COMMAND(IDC_ENC_QUERY_BUTTON, OnQuery)
ZOZ_END_MESSAGE_MAP()

CEdlgcomm::CEdlgcomm(CWnd* parent) : CTQGUIObj_Dialog1(IDD_EDLGCOMM, parent)
{
    // Nobody keeps the dialog: it goes with its window.
    SetAutoDelete(true);
}

CEdlgcomm::~CEdlgcomm() = default;

void CEdlgcomm::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_ENC_CERTLIST, m_certList);
    DDX_Text(dx, IDC_ENC_SOURCE, m_strSourcePath);
    DDX_Text(dx, IDC_ENC_DEST, m_strDestPath);
    DDX_Text(dx, IDC_ENC_CERTNAME, m_strCertName);
    DDX_Text(dx, IDC_ENC_QUERY, m_strQueryText);
    DDX_Control(dx, IDC_ENC_CHOOSE_SOURCE, m_btnChooseSource);
    DDX_Control(dx, IDC_ENC_CHOOSE_DEST, m_btnChooseDest);
    DDX_Control(dx, IDC_ENC_VIEW, m_btnView);
    DDX_Control(dx, IDC_ENC_CHANGE, m_btnChange);
    DDX_Control(dx, IDC_ENC_ENCRYPT2, m_btnEncrypt2);
    DDX_Control(dx, IDC_ENC_CANCEL2, m_btnCancel2);
    DDX_Control(dx, IDC_ENC_ADVANCED, m_btnAdvanced);
    DDX_Control(dx, IDC_ENC_QUERY_BUTTON, m_btnQuery);
    DDX_Control(dx, IDOK, m_btnEncrypt);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
}

void CEdlgcomm::SetUpButtons()
{
    struct Row
    {
        CSkinBtn* button;
        int bitmap;
        const char* caption;
    };
    const Row rows[] = {
        {&m_btnChange, IDB_SKIN_FACE, "更改..."},
        {&m_btnEncrypt2, IDB_SKIN_FACE, "加密"},
        {&m_btnCancel2, IDB_SKIN_FACE, "取消"},
        {&m_btnAdvanced, IDB_SKIN_FACE_WIDE, "高级设置..."},
        {&m_btnQuery, IDB_SKIN_FACE, "查询"},
        {&m_btnEncrypt, IDB_SKIN_FACE, "加密"},
        {&m_btnCancel, IDB_SKIN_FACE, "取消"},
        {&m_btnChooseSource, IDB_SKIN_FACE, "选择..."},
        {&m_btnChooseDest, IDB_SKIN_FACE, "选择..."},
        {&m_btnView, IDB_SKIN_FACE, "查看证书"},
    };
    for (const Row& row : rows)
        CCaptionButton::SetUp(*row.button, row.bitmap, row.caption);
}

bool CEdlgcomm::OnInitDialog()
{
    CTQGUIObj_Dialog1::OnInitDialog();
    SetUpButtons();

    // The name is shown, never typed: it comes from the default-certificate dialog.
    ::EnableWindow(GetDlgItem(IDC_ENC_CERTNAME), FALSE);
    if (CSettingsFile::ReadInt(CSettingsFile::kSetCertFlag) == 1)
    {
        m_strCertName = CSettingsFile::ReadString(CSettingsFile::kCertName);
        UpdateData(false);
    }
    else
    {
        m_btnView.EnableWindow(false);
    }

    m_certList.SetExtendedStyle(m_certList.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES |
                                LVS_EX_FULLROWSELECT);
    m_certList.InsertColumn(0, "颁发给", LVCFMT_CENTER, 130);
    m_certList.InsertColumn(1, "颁发者", LVCFMT_LEFT, 130);
    m_certList.InsertColumn(2, "证书序列号", LVCFMT_LEFT, 130);

    RECT window{}, group{};
    GetWindowRect(&window);
    ::GetWindowRect(GetDlgItem(IDC_ENC_OTHERS_GROUP), &group);
    m_nFullHeight = window.bottom - window.top;
    m_nCollapsedHeight = group.top - window.top;

    // Collapsed: only what lies above "其他人证书".
    MoveWindow(window.left, window.top, window.right - window.left, m_nCollapsedHeight, true);
    return true;
}

void CEdlgcomm::OnAdvanced()
{
    // One way: a second command (not a click, the button is disabled by then) would list the
    // address book twice.
    if (m_bExpanded)
        return;
    m_btnEncrypt2.ShowWindow(SW_HIDE);
    m_btnCancel2.ShowWindow(SW_HIDE);
    m_btnAdvanced.SetBitmaps(IDB_SKIN_FACE_ADVANCED, IDB_SKIN_FACE_ADVANCED, IDB_SKIN_FACE_ADVANCED,
                             IDB_SKIN_FACE_ADVANCED);
    // There is no way back to the collapsed layout.
    m_btnAdvanced.EnableWindow(false);
    m_bExpanded = true;

    RECT window{};
    GetWindowRect(&window);
    MoveWindow(window.left, window.top, window.right - window.left, m_nFullHeight - 25, true);

    CCertStoreQueries::ListEncryptionCertificates("ADDRESSBOOK", m_addressBook);
    for (size_t i = 0; i < m_addressBook.issuedTo.size(); ++i)
    {
        const int row = static_cast<int>(i);
        m_certList.InsertItem(row, m_addressBook.issuedTo[i]);
        m_certList.SetItemText(row, 1, m_addressBook.issuers[i]);
        m_certList.SetItemText(row, 2, m_addressBook.serials[i]);
    }
}

void CEdlgcomm::OnQuery()
{
    CDirectoryQuery(*this).Run();
}

int CEdlgcomm::AppendCertificateRow(const std::string& subject, const std::string& issuer, const std::string& serial)
{
    const int row = m_certList.InsertItem(m_certList.GetItemCount(), subject);
    if (row >= 0)
    {
        m_certList.SetItemText(row, 1, issuer);
        m_certList.SetItemText(row, 2, serial);
    }
    return row;
}

bool CEdlgcomm::IsSerialListed(const std::string& serial) const
{
    for (int row = 0; row < m_certList.GetItemCount(); ++row)
    {
        if (CTqHead::SerialEquals(m_certList.GetItemText(row, 2), serial))
            return true;
    }
    return false;
}

void CEdlgcomm::OnChooseSource()
{
    CFileDialog chooser(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr, this);
    chooser.SetTitle("请你选择用于加密的文件!");
    if (chooser.DoModal() != IDOK)
    {
        MessageBox(kCancelledText, "信息提示", MB_OK | MB_ICONWARNING);
        return;
    }
    m_strSourcePath = chooser.GetPathName();
    m_strDestPath = m_strSourcePath + ".tq";
    UpdateData(false);
}

void CEdlgcomm::OnChooseDest()
{
    CFileDialog chooser(false, nullptr, nullptr, 0, "(*.tq)|*.tq", this);
    chooser.SetTitle("更改密文保存于:");
    if (chooser.DoModal() != IDOK)
    {
        MessageBox(kCancelledText, "信息提示", MB_OK | MB_ICONWARNING);
        return;
    }
    m_strDestPath = chooser.GetPathName() + ".tq";
    UpdateData(false);
}

bool CEdlgcomm::SameFile(const std::string& a, const std::string& b)
{
    const std::wstring fullA = ComparablePath(a);
    const std::wstring fullB = ComparablePath(b);
    // A path the platform cannot resolve may still name the other file: count it as the same,
    // so that nobody is asked to delete what may be the only copy left.
    if (fullA.empty() || fullB.empty() || fullA == fullB)
        return true;
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    return FileIdentity(a, infoA) && FileIdentity(b, infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

void CEdlgcomm::OnOK()
{
    m_recipientSerials.clear();
    if (m_strSourcePath.empty())
    {
        MessageBox("不能加密文件,您没有选择待加密的文件!", kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    if (m_strDestPath.empty())
    {
        MessageBox("不能加密文件,您没有选择加密后文件保存路径!", kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    if (m_strCertName.empty())
    {
        MessageBox("不能加密文件,您没有选择用于加密的证书!", kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }

    for (int row = 0; row < m_certList.GetItemCount(); ++row)
    {
        if (m_certList.GetCheck(row))
            m_recipientSerials.push_back(m_certList.GetItemText(row, 2));
    }
    std::string recipients = CSettingsFile::ReadString(CSettingsFile::kCertSerial);
    if (!recipients.empty())
        recipients += "&";
    for (const std::string& serial : m_recipientSerials)
        recipients += serial + "&";

    int result = 0;
    {
        CFileCipher cipher;
        result = cipher.EncryptFile(m_strSourcePath.c_str(), m_strDestPath.c_str(), recipients.c_str());
        if (result != 0)
            MessageBox(cipher.Message(), kErrorInfoCaption, MB_OK | MB_ICONERROR);
    }

    // Encrypted onto its own path, the "plain file" is now the encrypted one: nothing to offer.
    if (result == 0 && !SameFile(m_strSourcePath, m_strDestPath) &&
        MessageBox("加密成功,是否要将原来明文删除?", "提示信息", MB_YESNO | MB_ICONQUESTION) == IDYES)
    {
        try
        {
            CFile::Remove(m_strSourcePath);
        }
        catch (const CFileException& e)
        {
            // The encrypted file stays; so does the dialog.
            e.ReportError(m_hWnd);
            return;
        }
    }
    // The object is gone after this line.
    CTQGUIObj_Dialog1::OnOK();
}

void CEdlgcomm::OnViewCertificate()
{
    if (m_strCertName.empty())
    {
        MessageBox("您没有用于加密的证书!", kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    const std::string serial = CSettingsFile::ReadString(CSettingsFile::kCertSerial);
    if (serial.empty())
    {
        MessageBox("证书序列号为空,请查看配置文件是否则出错!", kErrorInfoCaption, MB_OK | MB_ICONERROR);
        return;
    }
    CCertContext cert = CCertStoreQueries::FindMyCertificate(serial);
    if (!cert)
    {
        MessageBox("没有找到设置的证书,可能证书已经被你删除!", kErrorInfoCaption, MB_OK | MB_ICONERROR);
        return;
    }
    // A file error of the viewer reaches the framework's generic error report.
    CCertViewer::ViewCertificate(cert, CCertViewer::kEncryptionFile);
}

void CEdlgcomm::OnChangeCertificate()
{
    // Owned by this dialog; both stay usable.
    std::unique_ptr<CDlgSet> dialog(new CDlgSet(this));
    if (!dialog->Create(IDD_DLGSET, this))
        throw std::runtime_error("default-certificate dialog cannot be created");
    CDlgSet* shown = dialog.release();  // its own from now on
    shown->ShowWindow(SW_SHOW);
    shown->CenterWindow();
}

void CEdlgcomm::ShowDefaultCertificate(const std::string& name)
{
    m_strCertName = name;
    SetDlgItemText(IDC_ENC_CERTNAME, name);
    Invalidate(true);
    UpdateWindow();
    m_btnView.EnableWindow(true);
}
