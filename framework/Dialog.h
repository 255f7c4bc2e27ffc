// Modal dialogs from templates. The dialog window is subclassed at WM_INITDIALOG, so its
// message map sees its messages like any window's; data exchange binds control members
// to their controls by subclassing.
#pragma once
#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, bool bSaveAndValidate) : m_pDlgWnd(pDlgWnd), m_bSaveAndValidate(bSaveAndValidate) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Binds rControl to the dialog's control nIDC, once.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = 0);
    // Runs the dialog; its owner is the given parent, else the application's main window.
    // Returns the EndDialog result, or -1 when the dialog cannot be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }
    bool UpdateData(bool bSaveAndValidate = true);

protected:
    // The base runs the data exchange; returning true lets the platform set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(CDataExchange* pDX) {}

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Centres a dialog that was hidden and did not move while it initialised.
    void CenterIfUnmoved(const RECT& before, DWORD styleBefore);
    DECLARE_MESSAGE_MAP()
};
