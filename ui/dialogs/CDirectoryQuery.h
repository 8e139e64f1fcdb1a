// The directory query of the encryption dialog (button "查询"): looks the typed e-mail address
// up in the LDAP directory named by the settings file, lists every certificate found that allows
// encipherment and is not listed yet (unticked), and imports it into the current user's
// ADDRESSBOOK store. The wait notice covers the dialog while the directory is asked; the thread
// blocks until the search returns or its time limit runs out.
//
// One object per click: CDirectoryQuery(dialog).Run().
#pragma once
#include "ui/dialogs/CEdlgcomm.h"

class CDirectoryQuery
{
public:
    explicit CDirectoryQuery(CEdlgcomm& dialog) : m_dialog(dialog) {}
    CDirectoryQuery(const CDirectoryQuery&) = delete;
    CDirectoryQuery& operator=(const CDirectoryQuery&) = delete;

    // The LDAP attribute the query text is matched against.
    static constexpr const char* kAttribute = "mail";

    void Run();

private:
    void Message(const char* text);

    CEdlgcomm& m_dialog;
};
