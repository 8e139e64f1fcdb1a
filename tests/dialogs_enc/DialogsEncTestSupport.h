// Shared pieces of the encryption-dialog tests: the settings files of the prefix, the dialogs
// opened the way the context-menu command opens them, and clicks.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "settings/CPrefixFileLock.h"
#include "settings/CSettingsFile.h"
#include "support/CRecordingPrompts.h"
#include "support/CTestCertificates.h"
#include "support/CTestFolder.h"
#include "ui/dialogs/CDlgSet.h"
#include "ui/dialogs/CEdlgcomm.h"

namespace dlgtest
{
// An encryption dialog that tells when it has been freed.
class CObservedEdlgcomm : public CEdlgcomm
{
public:
    explicit CObservedEdlgcomm(bool* deleted) : m_deleted(deleted) {}
    ~CObservedEdlgcomm() override { *m_deleted = true; }

private:
    bool* m_deleted;
};

// Removes whatever stands at the settings paths (file, read-only file or folder).
void ClearSettingsPath(const std::string& path);
void ClearSettings();
// Writes the machine file's default-certificate keys; a null value leaves the key out.
void WriteSettings(const char* flag, const char* name, const char* serial);
// Folders in place of both settings files: nothing can be written anywhere.
void BlockSettings();

std::string ItemText(HWND hWnd, int id);
void Click(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
bool Visible(HWND dialog, int id);
int WindowHeight(HWND hWnd);

// List-view helpers on the control's window.
int RowCount(HWND list);
std::string CellText(HWND list, int row, int column);
int RowOfSerial(HWND list, const std::string& serial);
void Tick(HWND list, int row);
void Select(HWND list, int row);

// The recipient list at the head of an encrypted file; fails the test when it does not parse.
std::string RecipientListOf(const std::string& tqPath);

// The top-level window of this thread owned by `owner` that a CDlgSet object runs.
HWND FindDefaultCertificateDialog(HWND owner);

// Base fixture: the prefix's settings files held and emptied, prompts recorded, a fresh folder.
class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens an encryption dialog as the context-menu command does.
    HWND OpenEncryptDialog(const std::string& source, const std::string& dest);
    // Opens the advanced part and returns the certificate list.
    HWND Expand(HWND dialog);
    // Clicks "更改..." and returns the default-certificate dialog.
    HWND OpenDefaultCertificateDialog(HWND dialog);
    CEdlgcomm* Dialog(HWND hWnd) const;

    // A MY certificate with a private key, good for encryption.
    CTestCertificates::Certificate AddMine(const std::string& subject, const std::string& serial = "");
    CTestCertificates::Certificate AddOther(const std::string& subject,
                                            CTestCertificates::Usage usage = CTestCertificates::Usage::KeyEncipherment,
                                            const std::string& serial = "");

    CPrefixFileLock m_lock;
    CRecordingPrompts prompts;
    CTestCertificates certs;
    CTestFolder folder;
    bool deleted = false;
    CObservedEdlgcomm* dialog = nullptr;
    LONG baseLocks = 0;
};
}  // namespace dlgtest
