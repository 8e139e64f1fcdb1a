// A modeless dialog made from a template of the resource module. Its window is subclassed, so
// every message runs through the message maps; WM_INITDIALOG reaches OnInitDialog. While it is
// open, the keys of its controls get the dialog keyboard interface (Tab, Enter, Esc).
//
// Ownership: an object created with SetAutoDelete(true) (the dialogs of the system, which live on
// the heap and are not kept by their creator) deletes itself once its window has ended. Until
// Create succeeds the object is its creator's.
#pragma once
#include <exception>

#include "ui/framework/CDataExchange.h"
#include "ui/framework/CWnd.h"

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    ~CDialog() override;

    // Creates the window from the template, not yet visible unless the template says so.
    // Owner: the given parent; without one the application's main window, and without that the
    // window active on this thread at this moment (none: no owner). Returns false when the
    // window cannot be made; re-raises an exception that the start-up (OnInitDialog) raised,
    // after destroying the half-made window.
    bool Create(UINT templateId, CWnd* parent = nullptr);
    bool Create() { return Create(m_nIDTemplate, m_pParentWnd); }

    // Runs the data exchange in one direction: save = true reads the controls into the members.
    bool UpdateData(bool save = true);

    void SetAutoDelete(bool autoDelete) { m_bAutoDelete = autoDelete; }
    // IDOK or IDCANCEL once the dialog has ended, 0 before.
    int Result() const { return m_nResult; }

protected:
    // Start of the dialog; the framework's part refreshes the controls from the members.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    // End with the OK result: read the controls, then close the window.
    virtual void OnOK();
    // End with the cancel result: close the window.
    virtual void OnCancel();
    // Closes the window of a modeless dialog with the given result.
    void EndDialog(int result);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    ZOZ_DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void JoinKeyboardFilter();
    void LeaveKeyboardFilter();

    bool m_bAutoDelete = false;
    bool m_bCreating = false;
    bool m_bKeyboardFilter = false;
    int m_nResult = 0;
    std::exception_ptr m_startError;
};
