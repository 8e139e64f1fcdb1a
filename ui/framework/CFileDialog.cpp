#include "ui/framework/CFileDialog.h"

#include <vector>

#include "ui/framework/CUserPrompts.h"
#include "ui/framework/CWnd.h"

CFileDialog::CFileDialog(bool openFileDialog, const char* defExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_ofn{}, m_open(openFileDialog), m_defExt(defExt ? defExt : ""), m_file(fileName ? fileName : ""),
      m_owner(parent ? parent->m_hWnd : nullptr)
{
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (filter && *filter)
    {
        m_filter = filter;
        while (m_filter.size() >= 2 && m_filter.compare(m_filter.size() - 2, 2, "||") == 0)
            m_filter.pop_back();
        for (char& c : m_filter)
            if (c == '|')
                c = '\0';
        m_filter.append(2, '\0');
    }
}

int CFileDialog::DoModal()
{
    std::vector<char> file(MAX_PATH, '\0');
    m_file.copy(file.data(), file.size() - 1);
    m_ofn.hwndOwner = m_owner ? m_owner : ::GetActiveWindow();
    m_ofn.lpstrFile = file.data();
    m_ofn.nMaxFile = static_cast<DWORD>(file.size());
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    m_ofn.lpstrDefExt = m_defExt.empty() ? nullptr : m_defExt.c_str();
    m_ofn.lpstrTitle = m_title.empty() ? nullptr : m_title.c_str();
    CUserPrompts& prompts = CUserPrompts::Current();
    BOOL chosen = m_open ? prompts.GetOpenFileName(&m_ofn) : prompts.GetSaveFileName(&m_ofn);
    m_ofn.lpstrFile = nullptr;
    if (!chosen)
        return IDCANCEL;
    m_file.assign(file.data(), strnlen(file.data(), file.size()));
    return IDOK;
}
