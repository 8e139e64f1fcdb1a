// The user's whole road through the menu: encrypt a file in the encryption dialog for the
// default certificate and a ticked colleague's, then decrypt it in the decryption dialog with
// each of the two certificates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "DialogDriver.h"
#include "res/resource.h"
#include "settings/CSettingsFile.h"
#include "shell/CModuleLock.h"
#include "support/CRecordingPrompts.h"
#include "support/CTestCertificates.h"
#include "support/CTestFolder.h"
#include "tests/ui/UiTestSupport.h"

using dlgtest::Click;
using dlgtest::ComboItems;

namespace
{
// Removes the default-certificate keys again, from both settings files.
class CDefaultCertificateSettings
{
public:
    CDefaultCertificateSettings(const std::string& name, const std::string& serial)
    {
        m_ok = CSettingsFile::WriteDefaultCertificate(name.c_str(), serial.c_str()) != CSettingsFile::SaveResult::Failed;
    }
    ~CDefaultCertificateSettings()
    {
        for (const std::string& path : {CSettingsFile::MachinePath(), CSettingsFile::UserPath()})
            if (!path.empty())
                for (const char* key : {CSettingsFile::kSetCertFlag, CSettingsFile::kCertName, CSettingsFile::kCertSerial})
                    ::WritePrivateProfileStringA(CSettingsFile::kSection, key, nullptr, path.c_str());
    }
    bool Saved() const { return m_ok; }

private:
    bool m_ok;
};

std::string Cell(HWND list, int row, int column)
{
    char text[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST(EndToEnd, EncryptForTheDefaultAndATickedCertificateThenDecryptWithEach)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const LONG locksBefore = CModuleLock::Count();
    {
        dlgtest::CShellWindow shell;
        CRecordingPrompts prompts;
        CTestCertificates certs;
        CTestFolder dir;

        CTestCertificates::Options mine;
        mine.subject = "默认证书";
        CTestCertificates::Certificate me = certs.Add(mine);
        // A colleague's certificate in the address book that this user can also open in MY.
        CTestCertificates::Options theirs;
        theirs.subject = "同事";
        theirs.keyName = "colleague";
        CTestCertificates::Certificate colleague = certs.Add(theirs);
        theirs.serial = colleague.serial;
        theirs.store = CTestCertificates::Store::AddressBook;
        certs.Add(theirs);
        CDefaultCertificateSettings settings("默认证书", me.serial);
        ASSERT_TRUE(settings.Saved());

        const std::string plainBytes = CTestFolder::Pattern(70000, 7);
        const std::string plain = dir / "报告.doc";
        ASSERT_TRUE(CTestFolder::Write(plain, plainBytes));

        // Encrypt: expand, tick the colleague, encrypt, delete the plain file.
        HWND enc = dlgtest::InvokeFromMenu(shell, plain, 0, "加密文件");
        ASSERT_NE(nullptr, enc);
        EXPECT_EQ(plain + ".tq", dlgtest::ItemText(enc, IDC_ENC_DEST));
        EXPECT_EQ("默认证书", dlgtest::ItemText(enc, IDC_ENC_CERTNAME));
        Click(enc, IDC_ENC_ADVANCED);
        HWND list = ::GetDlgItem(enc, IDC_ENC_CERTLIST);
        int row = -1;
        const int rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int r = 0; r < rows; ++r)
            if (Cell(list, r, 2) == colleague.serial)
                row = r;
        ASSERT_GE(row, 0) << "the colleague is listed";
        LVITEMA tick{};
        tick.stateMask = LVIS_STATEIMAGEMASK;
        tick.state = INDEXTOSTATEIMAGEMASK(2);
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&tick));
        prompts.messageAnswers = {IDYES};
        Click(enc, IDOK);
        ASSERT_EQ(1u, prompts.messages.size());
        EXPECT_EQ("加密成功,是否要将原来明文删除?", prompts.messages[0].text);
        EXPECT_FALSE(::IsWindow(enc));
        EXPECT_FALSE(CTestFolder::Exists(plain));
        ASSERT_TRUE(CTestFolder::Exists(plain + ".tq"));

        // Decrypt with each certificate; the second run replaces the first one's output.
        const std::vector<std::string> expectedItems = {"同事(" + colleague.serial + ")", "默认证书(" + me.serial + ")"};
        for (size_t i = 0; i < expectedItems.size(); ++i)
        {
            SCOPED_TRACE(expectedItems[i]);
            prompts.messages.clear();
            HWND dec = dlgtest::InvokeFromMenu(shell, plain + ".tq", 1, "解密文件");
            ASSERT_NE(nullptr, dec);
            std::vector<std::string> items = ComboItems(dec, IDC_DEC_CERTS);
            ASSERT_EQ(2u, items.size());
            EXPECT_TRUE((items == expectedItems) || (items == std::vector<std::string>{expectedItems[1], expectedItems[0]}));
            const LRESULT index = ::SendMessageA(::GetDlgItem(dec, IDC_DEC_CERTS), CB_FINDSTRINGEXACT,
                                                 static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(expectedItems[i].c_str()));
            ASSERT_NE(CB_ERR, index);
            ::SendMessageA(::GetDlgItem(dec, IDC_DEC_CERTS), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            prompts.messageAnswers = {IDYES};
            Click(dec, IDOK);
            ASSERT_FALSE(prompts.messages.empty());
            EXPECT_EQ("解密成功!", prompts.messages.back().text);
            EXPECT_EQ(i == 0 ? 1u : 2u, prompts.messages.size()) << "the second run is asked to overwrite";
            EXPECT_FALSE(::IsWindow(dec));
            std::string back;
            ASSERT_TRUE(CTestFolder::Read(plain, back));
            EXPECT_TRUE(back == plainBytes);
            if (i == 0)
            {
                ASSERT_TRUE(CTestFolder::Write(plain, "stale"));
            }
        }
    }
    uitest::Pump(20);
    EXPECT_EQ(locksBefore, CModuleLock::Count());
    CoUninitialize();
}
}  // namespace
