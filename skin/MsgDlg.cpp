// The program's own message dialog: OK, OK/Cancel and Yes/No questions on the skinned background.
#include "skin/MsgDlg.h"
#include "app/MainWindowGlobals.h"
#include "app/RunHost.h"
#include "app/Settings.h"
#include "framework/App.h"
#include "res/resource.h"
#include "skin/LayoutMath.h"

// The dialog's and the static controls' background; the pictures are drawn on the same blue.
static const COLORREF kDialogBlue = RGB(207, 233, 254);

BEGIN_MESSAGE_MAP(CMsgDlg, CDialog)
    ON_COMMAND(IDC_OK_ONLY, OnOK)
    ON_COMMAND(IDYES, OnYes)
    ON_COMMAND(IDNO, OnNo)
    ON_WM_PAINT()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CMsgDlg::CMsgDlg(CWnd* pParent)
    : CDialog(IDD_MSGBOX, pParent),
      m_nIconId(IDB_WARNING),
      m_bOkOnly(FALSE),
      m_bOkCancel(FALSE),
      m_bYesNo(FALSE),
      m_strCaption("Hollowmere Ver 1.0") {}

void CMsgDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_MSG_PICTURE, m_stcIcon);
    DDX_Control(pDX, IDYES, m_btnYes);
    DDX_Control(pDX, IDOK, m_btnOk);
    DDX_Control(pDX, IDNO, m_btnNo);
    DDX_Control(pDX, IDC_OK_ONLY, m_btnOkOnly);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_MSG_TEXT, m_stcText);
}

// Positions come from window rectangles in screen coordinates and go to MoveWindow unconverted:
// the dialog stands at the screen origin meanwhile, so they differ only by its frame and caption,
// which the offsets below take into account.
void CMsgDlg::LayOut() {
    MessageGrowth growth = MessageGrowthFor(m_strText.GetLength());
    CRect rc;
    GetWindowRect(&rc);
    MoveWindow(0, 0, rc.Width() + growth.width, rc.Height() + growth.depth);
    GetWindowRect(&rc);
    int buttonTop = rc.bottom - 65;

    m_stcText.GetWindowRect(&rc);
    int textHeight = rc.Height() + growth.depth + (g_largeFonts ? 25 : 0);
    m_stcText.MoveWindow(rc.left, rc.top - 25, rc.Width() + growth.width, textHeight);
    int pictureTop = rc.top - 30;

    NCExButton* const buttons[] = {&m_btnOkOnly, &m_btnOk, &m_btnCancel, &m_btnYes, &m_btnNo};
    for (NCExButton* button : buttons) {
        button->GetWindowRect(&rc);
        button->MoveWindow(rc.left + ButtonShift(growth), buttonTop, rc.Width(), rc.Height());
    }
    m_btnOkOnly.ShowWindow(m_bOkOnly ? SW_SHOW : SW_HIDE);
    m_btnOk.ShowWindow(m_bOkCancel ? SW_SHOW : SW_HIDE);
    m_btnCancel.ShowWindow(m_bOkCancel ? SW_SHOW : SW_HIDE);
    m_btnYes.ShowWindow(m_bYesNo ? SW_SHOW : SW_HIDE);
    m_btnNo.ShowWindow(m_bYesNo ? SW_SHOW : SW_HIDE);

    NCExButton* const byLoadOrder[] = {&m_btnOk, &m_btnOkOnly, &m_btnCancel, &m_btnYes, &m_btnNo};
    for (NCExButton* button : byLoadOrder) button->LoadFromCaption(button->GetDlgCtrlID(), this);

    if (growth.height > 30) {   // three lines or more: the picture moves up with the text
        m_stcIcon.GetWindowRect(&rc);
        m_stcIcon.MoveWindow(rc.left, pictureTop, rc.Width(), rc.Height());
    }
}

BOOL CMsgDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LayOut();
    m_stcText.SetWindowText(m_strText);
    SetWindowText(m_strCaption.IsEmpty() ? g_toolTitle : (const char*)m_strCaption);
    if (g_pMainDlg) CenterWindow(g_pMainDlg);
    return TRUE;   // the platform focuses the first visible button, which then shows its focus image
}

// Enter reaches the dialog as the OK command in every mode; in a question it answers as the
// default YES would, as the system's message box does.
void CMsgDlg::OnOK() { EndDialog(m_bYesNo ? IDYES : IDOK); }
void CMsgDlg::OnCancel() { EndDialog(m_bYesNo ? IDNO : IDCANCEL); }
void CMsgDlg::OnYes() { EndDialog(IDYES); }
void CMsgDlg::OnNo() { EndDialog(IDNO); }

// The picture is drawn straight into the picture control, which paints nothing itself. The
// dialog's own paint request is only ended, so that the controls' requests stay theirs.
void CMsgDlg::OnPaint() {
    { CPaintDC validate(this); }
    CBitmap picture;
    if (!picture.LoadMappedBitmap(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIconId))) return;
    CClientDC control(&m_stcIcon);
    CRect area;
    m_stcIcon.GetClientRect(&area);
    CDC memory;
    if (!memory.CreateCompatibleDC(&control)) return;
    HGDIOBJ previous = memory.SelectObject(picture);
    control.BitBlt(0, 0, area.Width(), area.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(previous);
}

HBRUSH CMsgDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH brush = (HBRUSH)Default();
    pDC->SetBkMode(TRANSPARENT);
    if (nCtlColor != CTLCOLOR_DLG && nCtlColor != CTLCOLOR_STATIC) return brush;
    if (!m_brBackground.GetSafeHandle()) m_brBackground.CreateSolidBrush(kDialogBlue);
    return m_brBackground.GetSafeHandle() ? (HBRUSH)m_brBackground : brush;
}

// MB_ICONEXCLAMATION is two bits, so it is tested before the single-bit icons.
static int PictureForFlags(UINT flags, int initial) {
    if ((flags & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION) return IDB_WARNING;
    if (flags & MB_ICONASTERISK) return IDB_INFORMATION;
    if (flags & MB_ICONQUESTION) return IDB_QUESTION;
    if (flags & MB_ICONHAND) return IDB_ERROR;
    return initial;
}

int ToolMessageBox(const char* text, const char* caption, UINT flags) {
    if (g_commandLine.quiet) return QuietAnswer(text, flags);   // nobody is there to ask
    CMsgDlg dialog;
    dialog.m_strText = text;
    dialog.m_strCaption = caption;
    if (flags & MB_OKCANCEL)
        dialog.m_bOkCancel = TRUE;
    else if (flags & MB_YESNO)
        dialog.m_bYesNo = TRUE;
    else
        dialog.m_bOkOnly = TRUE;
    dialog.m_nIconId = PictureForFlags(flags, dialog.m_nIconId);
    return (int)dialog.DoModal();
}
