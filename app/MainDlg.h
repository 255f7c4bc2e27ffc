// The program's only main window: a captionless, bitmap-shaped dialog (template 141) with
// an idle, a scanning and a finished layout. The scan itself runs inside its timer handler.
#pragma once
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/ListBox.h"
#include "framework/Static.h"
#include "skin/ColorLabel.h"
#include "skin/ExButton.h"

extern CBrush g_whiteBrush;
extern int g_scanRunning;   // 1 from the SCAN click until the scan has returned

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(CWnd* pParent = 0);
    ~CMainDlg() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnStatusText(WPARAM, LPARAM);
    LRESULT OnReportLine(WPARAM, LPARAM);
    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    void OnScan();
    void OnCloseButton();
    void OnProductLink();
    void OnToolsLink();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    void OnLButtonDown(UINT nFlags, CPoint point);

    void UpdateReportExtent();
    void HoldReportPainting();
    void PaintReport();
    void CreateLabelFont();
    void CheckInstalledProduct();
    void LoadBackground();
    void LoadButtonBitmaps();
    void AskToTerminate(const char* caption);
    void ShowScanningLayout();

    CButton m_grpReport;
    CExButton m_btnLogo;
    CExButton m_btnToolsLink;
    CExButton m_btnProductLink;
    CStatic m_lblSearch;
    CStatic m_lblNotice;
    CStatic m_lblHeading;
    CStatic m_lblLegal;
    CColorLabel m_lblFamily;
    CExButton m_btnCancel;
    CButton m_grpStatus;
    CStatic m_lblStatus;
    CListBox m_lstReport;
    CExButton m_btnClose;
    CExButton m_btnDownload;
    CExButton m_btnScan;
    CExButton m_btnOK;

    HICON m_hIcon;
    CBitmap m_bmpBackground;   // outlives m_hMemDC, whose deletion lets it go free
    CDC m_hMemDC;
    BITMAP m_bmInfo;
    CFont m_searchFont;
    int m_widestReportLine;     // of the lines in the report list
    bool m_reportPaintHeld;     // the list has lines it has not painted yet

    DECLARE_MESSAGE_MAP()
};
