#include "DialogsEncTestSupport.h"

#include "engine/CTqHead.h"
#include "res/resource.h"
#include "shell/CModuleLock.h"
#include "ui/UiTestSupport.h"

namespace dlgtest
{
void ClearSettingsPath(const std::string& path)
{
    if (path.empty())
        return;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    {
        EXPECT_TRUE(::RemoveDirectoryA(path.c_str())) << path;
        return;
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(::DeleteFileA(path.c_str())) << path;
}

void ClearSettings()
{
    ClearSettingsPath(CSettingsFile::MachinePath());
    ClearSettingsPath(CSettingsFile::UserPath());
    // The profile functions may keep a file cached; make them forget it.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, CSettingsFile::MachinePath().c_str());
}

void WriteSettings(const char* flag, const char* name, const char* serial)
{
    const std::string path = CSettingsFile::MachinePath();
    const char* section = CSettingsFile::kSection;
    if (flag)
    {
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kSetCertFlag, flag, path.c_str()));
    }
    if (name)
    {
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kCertName, name, path.c_str()));
    }
    if (serial)
    {
        ASSERT_TRUE(::WritePrivateProfileStringA(section, CSettingsFile::kCertSerial, serial, path.c_str()));
    }
}

void BlockSettings()
{
    ClearSettings();
    ASSERT_TRUE(::CreateDirectoryA(CSettingsFile::MachinePath().c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(CSettingsFile::UserPath().c_str(), nullptr));
}

std::string ItemText(HWND hWnd, int id)
{
    char text[1024] = {};
    ::GetDlgItemTextA(hWnd, id, text, sizeof(text));
    return text;
}

void Click(HWND dialog, int id)
{
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    uitest::Pump(30);
}

bool Enabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

bool Visible(HWND dialog, int id)
{
    return (::GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

int WindowHeight(HWND hWnd)
{
    RECT r{};
    ::GetWindowRect(hWnd, &r);
    return r.bottom - r.top;
}

int RowCount(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string CellText(HWND list, int row, int column)
{
    char text[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int RowOfSerial(HWND list, const std::string& serial)
{
    for (int row = 0; row < RowCount(list); ++row)
        if (CellText(list, row, 2) == serial)
            return row;
    return -1;
}

void Tick(HWND list, int row)
{
    ASSERT_GE(row, 0);
    LVITEMA item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Select(HWND list, int row)
{
    ASSERT_GE(row, 0);
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string RecipientListOf(const std::string& tqPath)
{
    std::string bytes;
    EXPECT_TRUE(CTestFolder::Read(tqPath, bytes)) << tqPath;
    CTqMemoryInput in(bytes.data(), bytes.size());
    std::string list;
    EXPECT_EQ(CTqHead::Status::Ok, CTqHead::ReadList(in, list)) << tqPath;
    return list;
}

namespace
{
struct Search
{
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND hWnd, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    if (::GetWindow(hWnd, GW_OWNER) == search->owner && dynamic_cast<CDlgSet*>(CWnd::FromHandlePermanent(hWnd)))
    {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindDefaultCertificateDialog(HWND owner)
{
    Search search{owner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DialogTest::SetUp()
{
    ASSERT_TRUE(m_lock.Held());
    ClearSettings();
    baseLocks = CModuleLock::Count();
}

void DialogTest::TearDown()
{
    // Whatever a failed case left open goes, and takes its owned dialogs with it.
    if (dialog && !deleted && ::IsWindow(dialog->m_hWnd))
        ::DestroyWindow(dialog->m_hWnd);
    uitest::Pump(20);
    ClearSettings();
}

HWND DialogTest::OpenEncryptDialog(const std::string& source, const std::string& dest)
{
    deleted = false;
    dialog = new CObservedEdlgcomm(&deleted);
    dialog->m_strSourcePath = source;
    dialog->m_strDestPath = dest;
    EXPECT_TRUE(dialog->Create(IDD_EDLGCOMM));
    dialog->ShowWindow(SW_SHOW);
    dialog->UpdateData(true);
    dialog->UpdateWindow();
    dialog->CenterWindow();
    uitest::Pump(100);
    return dialog->m_hWnd;
}

HWND DialogTest::Expand(HWND hWnd)
{
    Click(hWnd, IDC_ENC_ADVANCED);
    uitest::Pump(50);
    return ::GetDlgItem(hWnd, IDC_ENC_CERTLIST);
}

HWND DialogTest::OpenDefaultCertificateDialog(HWND hWnd)
{
    Click(hWnd, IDC_ENC_CHANGE);
    uitest::Pump(100);
    HWND set = FindDefaultCertificateDialog(hWnd);
    EXPECT_NE(set, nullptr);
    return set;
}

CEdlgcomm* DialogTest::Dialog(HWND hWnd) const
{
    return dynamic_cast<CEdlgcomm*>(CWnd::FromHandlePermanent(hWnd));
}

CTestCertificates::Certificate DialogTest::AddMine(const std::string& subject, const std::string& serial)
{
    CTestCertificates::Options o;
    o.subject = subject;
    o.issuer = "测试根证书";
    o.serial = serial;
    o.store = CTestCertificates::Store::My;
    return certs.Add(o);
}

CTestCertificates::Certificate DialogTest::AddOther(const std::string& subject, CTestCertificates::Usage usage,
                                                    const std::string& serial)
{
    CTestCertificates::Options o;
    o.subject = subject;
    o.issuer = "测试根证书";
    o.serial = serial;
    o.usage = usage;
    o.store = CTestCertificates::Store::AddressBook;
    o.linkPrivateKey = false;
    return certs.Add(o);
}
}  // namespace dlgtest
