#include "ui/dialogs/CDirectoryQuery.h"

#include <memory>
#include <new>
#include <string>

#include "certs/CCertStoreQueries.h"
#include "certs/CLdapCertSearch.h"
#include "engine/CCertContext.h"
#include "engine/CCertStore.h"
#include "res/resource.h"
#include "settings/CSettingsFile.h"
#include "ui/dialogs/CshowDlg.h"

namespace
{
const char* const kCaption = "信息提示";

// Owner of a result array of the search.
class CSearchResults
{
public:
    explicit CSearchResults(berval** values) : m_values(values) {}
    ~CSearchResults() { CLdapCertSearch::FreeResults(m_values); }
    CSearchResults(const CSearchResults&) = delete;
    CSearchResults& operator=(const CSearchResults&) = delete;
    berval** Get() const { return m_values; }

private:
    berval** m_values;
};

// The wait notice: up from construction until Close (or the end of the scope), placed over the
// dialog and painted at once, because the thread will not paint it again while it blocks.
class CWaitNotice
{
public:
    explicit CWaitNotice(CEdlgcomm& owner)
    {
        std::unique_ptr<CshowDlg> notice(new CshowDlg(&owner));
        // A notice that cannot be made is no reason to refuse the query.
        if (!notice->Create(IDD_SHOWDLG, &owner))
            return;
        RECT client{}, window{};
        notice->GetClientRect(&client);
        owner.GetWindowRect(&window);
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        const int x = window.left + ((window.right - window.left) - width) / 2;
        const int y = window.top + ((window.bottom - window.top) - height) / 2;
        notice->MoveWindow(x, y, width, height, true);
        notice->ShowWindow(SW_SHOWNORMAL);
        notice->UpdateWindow();
        m_notice = std::move(notice);
    }
    ~CWaitNotice() { Close(); }
    CWaitNotice(const CWaitNotice&) = delete;
    CWaitNotice& operator=(const CWaitNotice&) = delete;

    void Close()
    {
        if (!m_notice)
            return;
        if (::IsWindow(m_notice->m_hWnd))
            m_notice->DestroyWindow();
        m_notice.reset();
    }

private:
    std::unique_ptr<CshowDlg> m_notice;
};
}  // namespace

void CDirectoryQuery::Message(const char* text)
{
    m_dialog.MessageBox(text, kCaption, MB_OK | MB_ICONINFORMATION);
}

void CDirectoryQuery::Run()
{
    // Typed paths and the typed address count from here on, even when the query is refused.
    m_dialog.UpdateData(true);
    const std::string query = m_dialog.QueryText();
    if (query.empty())
    {
        Message("请您必需输入要查询的电子邮件!");
        return;
    }
    // The address goes into the filter as typed; one that does not fit is refused, never cut.
    if (!CLdapCertSearch::FilterFits(kAttribute, query.c_str()))
    {
        Message("您输入的电子邮件太长,无法查询!");
        return;
    }

    CWaitNotice notice(m_dialog);
    CLdapCertSearch search;
    CListCtrl& list = m_dialog.CertificateList();
    int nextRow = list.GetItemCount();

    // Without the store the rows are still listed; nothing is imported.
    CCertStore store;
    store.OpenSystem("ADDRESSBOOK");

    const CSettingsFile::DirectorySettings directory = CSettingsFile::ReadDirectory();
    CSearchResults results(search.Search(directory.host.c_str(), directory.port, directory.dn.c_str(),
                                         directory.password.c_str(), kAttribute, query.c_str(),
                                         CLdapCertSearch::kTimeLimitSeconds));
    // Gone before any result is handled or any message shown.
    notice.Close();

    if (!results.Get())
    {
        Message("查找失败,可能是配置文件出错或网络不通!");
        return;
    }
    if (!results.Get()[0])
    {
        Message("查找失败!");
        return;
    }

    try
    {
        for (berval** value = results.Get(); *value; ++value)
        {
            CCertContext cert;
            // A value that is not a certificate names nobody: passed over.
            if (!cert.CreateFromEncoded((*value)->bv_val, (*value)->bv_len))
                continue;
            if (!CCertStoreQueries::HasEnciphermentUsage(cert))
                continue;
            const std::string issuer = cert.DisplayName(true);
            const std::string subject = cert.DisplayName(false);
            char serial[CCertStoreQueries::kSerialBufferSize] = {};
            CCertStoreQueries::SerialToText(cert, serial, sizeof(serial));
            // A serial too long for its text could not be named as a recipient.
            if (!serial[0] || m_dialog.IsSerialListed(serial))
                continue;

            const int row = list.InsertItem(nextRow, subject);
            if (row >= 0)
            {
                list.SetItemText(row, 1, issuer);
                list.SetItemText(row, 2, serial);
            }
            ++nextRow;

            if (store.IsOpen() && !store.AddAlways(cert))
                return;  // the row stays; no message
        }
        Message("查询成功,将所查询的证书写入列表中!");
    }
    catch (...)
    {
        Message("查询LDAP上可能加密证书时产生异常!");
    }
}
