#include "ui/dialogs/CDiaDenrylg.h"

#include <windows.h>

#include <new>
#include <optional>
#include <vector>

#include "certs/CCertStoreQueries.h"
#include "certs/CCertViewer.h"
#include "engine/CFileCipher.h"
#include "engine/CFileHandle.h"
#include "engine/CFilePath.h"
#include "engine/CTqFileInput.h"
#include "engine/CTqHead.h"
#include "res/resource.h"
#include "shell/CDestinationPath.h"
#include "ui/dialogs/CCaptionButton.h"
#include "ui/framework/CFileDialog.h"

namespace
{
// The head of the source is read through a buffer of this many bytes, terminator included.
constexpr size_t kSourcePathBuffer = 256;

const char kCaptionInfo[] = "信息提示";
const char kCaptionError[] = "出错提示";
const char kCaptionFailure[] = "错误提示";
const char kCaptionNotice[] = "提示信息";

// Searches go by whole characters of the multibyte text, so the trail byte of a double-byte
// character never matches.
size_t FindText(const std::string& text, const char* needle)
{
    const size_t n = strlen(needle);
    for (const char* p = text.c_str(); *p; p = ::CharNextExA(CP_ACP, p, 0))
        if (text.compare(static_cast<size_t>(p - text.c_str()), n, needle) == 0)
            return static_cast<size_t>(p - text.c_str());
    return std::string::npos;
}

size_t FindLastChar(const std::string& text, char c, size_t from = 0)
{
    size_t found = std::string::npos;
    const char* start = text.c_str();
    for (const char* p = start + from; *p; p = ::CharNextExA(CP_ACP, p, 0))
        if (*p == c && ::CharNextExA(CP_ACP, p, 0) == p + 1)
            found = static_cast<size_t>(p - start);
    return found;
}

size_t FindFirstChar(const std::string& text, char c, size_t from = 0)
{
    const char* start = text.c_str();
    for (const char* p = start + from; *p; p = ::CharNextExA(CP_ACP, p, 0))
        if (*p == c && ::CharNextExA(CP_ACP, p, 0) == p + 1)
            return static_cast<size_t>(p - start);
    return std::string::npos;
}

// The part of `text` from `start` on; empty when `start` lies beyond its end.
std::string From(const std::string& text, size_t start)
{
    return start < text.size() ? text.substr(start) : std::string();
}

// `text` from the character after the last "\" of `path` (from its start without one).
std::string AfterLastBackslash(const std::string& path, const std::string& text)
{
    const size_t slash = FindLastChar(path, '\\');
    return From(text, slash == std::string::npos ? 0 : slash + 1);
}

bool Exists(const std::string& path)
{
    const std::wstring platform = CFilePath::ToPlatform(path);
    return !platform.empty() && ::GetFileAttributesW(platform.c_str()) != INVALID_FILE_ATTRIBUTES;
}
}  // namespace

ZOZ_BEGIN_MESSAGE_MAP(CDiaDenrylg, CTQGUIObj_Dialog1)
    ZOZ_ON_COMMAND(IDC_DEC_CHOOSE_SOURCE, OnChooseSource)
    ZOZ_ON_COMMAND(IDC_DEC_CHOOSE_DEST, OnChooseDest)
    ZOZ_ON_COMMAND(IDC_DEC_VIEW, OnViewCertificate)
ZOZ_END_MESSAGE_MAP()

CDiaDenrylg::CDiaDenrylg(CWnd* parent) : CTQGUIObj_Dialog1(IDD_DIADENRYLG, parent)
{
}

CDiaDenrylg::~CDiaDenrylg() = default;

std::string CDiaDenrylg::SerialOfItem(const std::string& item)
{
    // The subject name may hold parentheses of its own ("张三(研发部)"); the serial text is
    // hexadecimal, so the last "(" is the one that opens it.
    const size_t open = FindLastChar(item, '(');
    if (open == std::string::npos)
        return item;
    const size_t close = FindFirstChar(item, ')', open + 1);
    if (close == std::string::npos)
        return std::string();
    return item.substr(open + 1, close - open - 1);
}

std::string CDiaDenrylg::DefaultDestination(const std::string& path)
{
    if (std::optional<std::string> dest = CDestinationPath::DecryptDestination(path))
        return *dest;
    const size_t q = FindLastChar(path, 'q');
    return q == std::string::npos || q < 2 ? std::string() : path.substr(0, q - 2);
}

void CDiaDenrylg::DoDataExchange(CDataExchange* dx)
{
    CTQGUIObj_Dialog1::DoDataExchange(dx);
    DDX_Text(dx, IDC_DEC_SOURCE, m_strSourcePath);
    DDX_Text(dx, IDC_DEC_DEST, m_strDestPath);
    DDX_Control(dx, IDC_DEC_CERTS, m_certBox);
    DDX_Control(dx, IDC_DEC_CHOOSE_SOURCE, m_btnChooseSource);
    DDX_Control(dx, IDC_DEC_CHOOSE_DEST, m_btnChooseDest);
    DDX_Control(dx, IDC_DEC_VIEW, m_btnView);
    DDX_Control(dx, IDOK, m_btnDecrypt);
    DDX_Control(dx, IDCANCEL, m_btnCancel);
}

bool CDiaDenrylg::OnInitDialog()
{
    CTQGUIObj_Dialog1::OnInitDialog();

    struct
    {
        CSkinBtn& button;
        int face;
        const char* caption;
    } buttons[] = {
        {m_btnDecrypt, IDB_SKIN_FACE, "解密"},
        {m_btnCancel, IDB_SKIN_FACE, "取消"},
        {m_btnChooseSource, IDB_SKIN_FACE, "选择..."},
        {m_btnChooseDest, IDB_SKIN_FACE, "选择..."},
        {m_btnView, IDB_SKIN_FACE_WIDE, "查看证书..."},
    };
    for (auto& b : buttons)
        CCaptionButton::SetUp(b.button, b.face, b.caption);

    if (!m_strSourcePath.empty() && !m_strDestPath.empty())
        FillCertificateCombo();
    return true;
}

void CDiaDenrylg::FillCertificateCombo()
{
    m_certBox.ResetContent();
    std::vector<CDecryptionCandidate> candidates;
    bool read = false;
    try
    {
        // Only the list length and the list are read; the bounded input refuses a length that
        // the rest of the file cannot hold before anything is allocated for it.
        CFileHandle file;
        CTqFileInput in;
        std::string list;
        if (m_strSourcePath.size() < kSourcePathBuffer && file.OpenRead(CFilePath::ToPlatform(m_strSourcePath)) &&
            in.Attach(file) && CTqHead::ReadList(in, list) == CTqHead::Status::Ok)
        {
            candidates = CCertStoreQueries::ListDecryptionCandidates(CTqHead::Split(list));
            read = true;
        }
    }
    catch (const std::bad_alloc&)
    {
        read = false;
    }
    if (!read)
    {
        MessageBox("获取用于解密的数字证书是产生异常!", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
        return;
    }
    for (const CDecryptionCandidate& c : candidates)
        m_certBox.AddString(c.subject + "(" + c.serial + ")");
    if (m_certBox.GetCount() > 0)
        m_certBox.SetCurSel(0);
}

void CDiaDenrylg::OnChooseSource()
{
    CFileDialog chooser(true, nullptr, nullptr, 0, "(*.tq)|*.tq", this);
    chooser.SetTitle("请你选择用于解密的文件!");
    if (chooser.DoModal() != IDOK)
    {
        MessageBox("您已经取消了解密选择的操作!", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
        return;
    }
    m_strSourcePath = chooser.GetPathName();
    m_strDestPath = DefaultDestination(m_strSourcePath);
    UpdateData(false);
    FillCertificateCombo();
}

void CDiaDenrylg::OnChooseDest()
{
    if (m_strSourcePath.empty())
    {
        MessageBox("请你先选择待解密的文件!", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const size_t extension = FindText(m_strSourcePath, ".tq");
    if (extension == std::string::npos || extension == 0)
    {
        MessageBox("该文件没有被加密,无需解密!", kCaptionError, MB_OK | MB_ICONWARNING);
        return;
    }
    // The default stays in force also when the user cancels the chooser.
    m_strDestPath = DefaultDestination(m_strSourcePath);

    const std::string initial = AfterLastBackslash(m_strSourcePath, m_strDestPath);
    CFileDialog chooser(false, nullptr, initial.c_str(), 0, nullptr, this);
    chooser.SetTitle("更改密文保存于:");
    if (chooser.DoModal() != IDOK)
    {
        MessageBox("您已经取消了解密文件后选择保存路径的操作!", kCaptionInfo, MB_OK | MB_ICONWARNING);
        return;
    }
    m_strDestPath = chooser.GetPathName();
    UpdateData(false);
}

bool CDiaDenrylg::TakeSelectedItem()
{
    const int selected = m_certBox.GetCurSel();
    if (selected == CB_ERR)
        return false;
    m_strCertItem = m_certBox.GetLBText(selected);
    return true;
}

void CDiaDenrylg::OnOK()
{
    if (m_strSourcePath.empty())
    {
        MessageBox("不能解密文件,您没有选择待解密的文件!", kCaptionError, MB_OK | MB_ICONERROR);
        return;
    }
    if (m_strDestPath.empty())
    {
        MessageBox("不能解密文件,您没有选择解密后明文保存路径!", kCaptionError, MB_OK | MB_ICONERROR);
        return;
    }
    if (Exists(m_strDestPath) &&
        MessageBox("您所指定解密后的文件已经存在,是否要覆盖它?", kCaptionNotice, MB_YESNO | MB_ICONQUESTION) != IDYES)
    {
        const std::string initial = AfterLastBackslash(m_strDestPath, m_strDestPath);
        CFileDialog chooser(false, nullptr, initial.c_str(), 0, nullptr, this);
        if (chooser.DoModal() != IDOK)
            return;
        m_strDestPath = chooser.GetPathName();
    }
    if (!TakeSelectedItem())
    {
        MessageBox("没有证书可用来解密!", kCaptionInfo, MB_OK | MB_ICONERROR);
        return;
    }
    const std::string serial = SerialOfItem(m_strCertItem);

    CFileCipher cipher;
    if (cipher.DecryptFile(m_strSourcePath.c_str(), m_strDestPath.c_str(), serial.c_str()) != 0)
    {
        MessageBox(cipher.Message(), kCaptionFailure, MB_OK | MB_ICONINFORMATION);
        return;
    }
    MessageBox("解密成功!", kCaptionInfo, MB_OK | MB_ICONINFORMATION);
    // Reads the boxes and closes the window; this object may be gone afterwards.
    CTQGUIObj_Dialog1::OnOK();
}

void CDiaDenrylg::OnViewCertificate()
{
    if (!TakeSelectedItem())
    {
        MessageBox("没有可用于解密的证书，不能查看!", kCaptionFailure, MB_OK | MB_ICONINFORMATION);
        return;
    }
    CCertContext cert = CCertStoreQueries::FindMyCertificate(SerialOfItem(m_strCertItem));
    if (!cert)
        return;
    try
    {
        CCertViewer::ViewCertificate(cert, CCertViewer::kDecryptionFile);
    }
    catch (const CFileException&)
    {
        // The viewer's file could not be made or removed: nothing to show, nothing changed.
    }
}
