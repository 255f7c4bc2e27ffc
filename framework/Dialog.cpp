// Dialogs from templates: modal runs, OK and Cancel, data exchange and centring.
#include "framework/Dialog.h"
#include "framework/App.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (!rControl.m_hWnd) rControl.SubclassDlgItem(nIDC, pDX->m_pDlgWnd);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : 0;
    if (!owner && AfxGetMainWnd() != this) owner = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : 0;
    return DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), owner, DlgProc, (LPARAM)this);
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return true;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::CenterIfUnmoved(const RECT& before, DWORD styleBefore) {
    if (styleBefore & (WS_VISIBLE | WS_CHILD)) return;
    if (IsWindowVisible()) return;
    RECT after;
    GetWindowRect(&after);
    if (after.left == before.left && after.top == before.top) CenterWindow();
}

// Everything but WM_INITDIALOG reaches the message map through the subclassed window
// procedure; here only the dialog's own default processing remains (return false).
INT_PTR CALLBACK CDialog::DlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    CDialog* dialog = (CDialog*)lParam;
    if (!dialog->SubclassWindow(hWnd)) return TRUE;
    RECT before;
    ::GetWindowRect(hWnd, &before);
    DWORD styleBefore = (DWORD)GetWindowLongA(hWnd, GWL_STYLE);
    BOOL result = dialog->OnInitDialog();
    dialog->CenterIfUnmoved(before, styleBefore);
    return result;
}
