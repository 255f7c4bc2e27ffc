// The program's own message box: a light-blue dialog (template 142) with a picture, a text
// box that grows with the message, and bitmap buttons for OK, OK and Cancel, or YES and NO.
#pragma once
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/Static.h"
#include "skin/ExButton.h"

class CMsgDlg : public CDialog {
public:
    explicit CMsgDlg(CWnd* pParent = 0);

    CStatic m_stcIcon;
    NCExButton m_btnYes;
    NCExButton m_btnOk;
    NCExButton m_btnNo;
    NCExButton m_btnOkOnly;
    NCExButton m_btnCancel;
    CStatic m_stcText;
    int m_nIconId;    // bitmap resource of the picture
    BOOL m_bOkOnly;   // exactly one of the three modes is set before the dialog runs
    BOOL m_bOkCancel;
    BOOL m_bYesNo;
    CString m_strText;
    CString m_strCaption;   // empty: the title becomes g_toolTitle

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnYes();
    void OnNo();
    void OnPaint();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

private:
    void LayOut();
    CBrush m_brBackground;   // created at the first colour request
};

// Shows `text` in the message dialog. flags are the system message box's: 0x1 chooses OK and
// Cancel, else 0x4 YES and NO, else the single OK; the icon bits choose the picture. Returns
// IDOK, IDCANCEL, IDYES or IDNO, or -1 when the dialog cannot be created. A quiet run shows
// nothing and answers as QuietAnswer (app/RunHost.h) does.
int ToolMessageBox(const char* text, const char* caption, UINT flags);
