// The main window: its idle and scanning layouts, SCAN, OK and CANCEL, the status line and the report list.
#include "app/MainDlg.h"
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include "app/MainWindowGlobals.h"
#include "framework/App.h"
#include "framework/KernelHandles.h"
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ReportRules.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "app/Settings.h"
#include "res/resource.h"
#include "skin/MsgDlg.h"
#include "skin/Region.h"

CWnd* g_pMainDlg;
CBrush g_whiteBrush;
int g_largeFonts;
int g_scanRunning;

static const char kProductPage[] = "http://www.corvanel.com/products/varnholt2000/";
static const char kToolsPage[] = "http://www.corvanel.com/support/removal-tools/";
static const char kLegalNotice[] = "Copyright (C) 2004 Corvanel Software. All rights reserved.";
static const char kProductNotice[] = "This program is a part of Varnholt antivirus software.";
static const char kProductKey[] = "Software\\Corvanel\\Varnholt 2000";

// The layout is designed for this client size; the window shows the background's outline.
static const int kDesignClientWidth = 600, kDesignClientHeight = 337;
static const int kWindowWidth = 600, kWindowHeight = 462;
static const COLORREF kTransparentKey = RGB(255, 0, 255);
// A report line that the list paints, with its scroll bars, as it comes costs milliseconds
// under a themed window system, and lines can come by the hundred: while they come, the list
// paints at most this often, from its own timer.
static const UINT_PTR kReportPaintTimer = 1;
static const UINT kReportPaintMs = 100;

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
    ON_MESSAGE(MSG_STATUS, OnStatusText)
    ON_MESSAGE(MSG_REPORT_LINE, OnReportLine)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_SCAN, OnScan)
    ON_BN_CLICKED(IDC_CLOSE_X, OnCloseButton)
    ON_BN_CLICKED(IDC_DOWNLOAD, OnProductLink)
    ON_WM_CTLCOLOR()
    ON_WM_LBUTTONDOWN()
    ON_BN_CLICKED(IDC_OK, CDialog::OnOK)
    ON_BN_CLICKED(IDC_DLINK, OnProductLink)
    ON_BN_CLICKED(IDC_ULINK, OnToolsLink)
END_MESSAGE_MAP()

CMainDlg::CMainDlg(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_bmInfo(), m_widestReportLine(0), m_reportPaintHeld(false) {
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_APP));
}

CMainDlg::~CMainDlg() {
    if (g_pMainDlg == this) g_pMainDlg = 0;
}

void CMainDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GRP_REPORT, m_grpReport);
    DDX_Control(pDX, IDC_LOGO, m_btnLogo);
    DDX_Control(pDX, IDC_ULINK, m_btnToolsLink);
    DDX_Control(pDX, IDC_DLINK, m_btnProductLink);
    DDX_Control(pDX, IDC_SEARCH_LABEL, m_lblSearch);
    DDX_Control(pDX, IDC_NOTICE, m_lblNotice);
    DDX_Control(pDX, IDC_HEADING, m_lblHeading);
    DDX_Control(pDX, IDC_LEGAL, m_lblLegal);
    DDX_Control(pDX, IDC_FAMILY_LABEL, m_lblFamily);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDC_GRP_STATUS, m_grpStatus);
    DDX_Control(pDX, IDC_STATUS, m_lblStatus);
    DDX_Control(pDX, IDC_REPORT_LIST, m_lstReport);
    DDX_Control(pDX, IDC_CLOSE_X, m_btnClose);
    DDX_Control(pDX, IDC_DOWNLOAD, m_btnDownload);
    DDX_Control(pDX, IDC_SCAN, m_btnScan);
    DDX_Control(pDX, IDC_OK, m_btnOK);
}

// The window's own font, bold and 15 high, for the family label on the blue band.
void CMainDlg::CreateLabelFont() {
    HFONT font = GetFont();
    if (!font) font = (HFONT)GetStockObject(SYSTEM_FONT);
    LOGFONTA logFont;
    if (!GetObjectA(font, sizeof logFont, &logFont)) return;
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    logFont.lfUnderline = FALSE;
    logFont.lfItalic = FALSE;
    g_labelFont.CreateFontIndirect(&logFont);
}

// Only whether the value can be read matters, whatever its length: its text is never used.
static bool IsProductInstalled() {
    CRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return false;
    CRegValue folder;
    bool read = key.QueryValue("Installed Folder", &folder) == ERROR_SUCCESS;
    bool closed = RegCloseKey(key.Detach()) == ERROR_SUCCESS;   // a failed close counts too
    return read && closed;
}

void CMainDlg::CheckInstalledProduct() {
    if (IsProductInstalled()) {
        m_btnProductLink.EnableWindow(FALSE);
        m_btnProductLink.ShowWindow(SW_HIDE);
        m_btnDownload.EnableWindow(FALSE);
    } else {
        m_lblNotice.ShowWindow(SW_HIDE);
    }
}

void CMainDlg::LoadBackground() {
    m_bmpBackground.LoadMappedBitmap(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_BACKGROUND));
    CRgn shape;
    shape.Attach(RegionFromBitmap(m_bmpBackground, kTransparentKey, TRUE));
    if (shape.GetSafeHandle() && SetWindowRgn(shape, TRUE)) shape.Detach();   // the system owns it once set
    m_bmpBackground.GetBitmap(&m_bmInfo);
    m_hMemDC.CreateCompatibleDC(0);
    if (m_bmpBackground.GetSafeHandle()) m_hMemDC.SelectObject(m_bmpBackground);
}

void CMainDlg::LoadButtonBitmaps() {
    CExButton* const inOrder[] = {&m_btnOK,    &m_btnCancel,    &m_btnScan,        &m_btnDownload,
                                  &m_btnClose, &m_btnToolsLink, &m_btnProductLink, &m_btnLogo};
    for (CExButton* button : inOrder) button->LoadFromCaption(button->GetDlgCtrlID(), this);
    CExButton* const withHand[] = {&m_btnScan,   &m_btnClose,       &m_btnDownload, &m_btnOK,
                                   &m_btnCancel, &m_btnProductLink, &m_btnToolsLink};
    for (CExButton* button : withHand) button->LoadHandCursor();
}

BOOL CMainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWnd* const hiddenAtStart[] = {&m_lblStatus, &m_grpStatus, &m_lblSearch, &m_lstReport, &m_grpReport, &m_btnCancel};
    for (CWnd* control : hiddenAtStart) control->ShowWindow(SW_HIDE);
    m_btnOK.EnableWindow(FALSE);
    m_btnOK.ShowWindow(SW_HIDE);
    g_pMainDlg = this;
    CreateLabelFont();

    CString heading(g_toolTitle);
    heading += " - Tool to detect and remove all the variants of ";
    heading += g_trojanName;
    heading += " Trojan ";
    m_lblHeading.SetWindowText(heading);
    char family[300];
    _snprintf(family, sizeof family - 1, "for %s Trojan ", g_trojanName);
    family[sizeof family - 1] = 0;
    m_lblFamily.SetWindowText(family);
    m_lblLegal.SetWindowText(kLegalNotice);
    m_lblNotice.SetWindowText(kProductNotice);

    {
        CClientDC screen(this);
        g_largeFonts = screen.GetDeviceCaps(LOGPIXELSX) >= 120 ? 1 : 0;
    }
    ScaleChildWindows(m_hWnd, kDesignClientWidth, kDesignClientHeight);
    // The template stands at (0, 0) too, so the window counts as unmoved and is centred.
    MoveWindow(0, 0, kWindowWidth, kWindowHeight);
    CheckInstalledProduct();
    g_whiteBrush.CreateSolidBrush(RGB(255, 255, 255));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);
    LoadBackground();
    LoadButtonBitmaps();
    SetWindowText(g_toolTitle);
    return TRUE;
}

void CMainDlg::OnOK() {}

void CMainDlg::AskToTerminate(const char* caption) {
    if (AskToTerminateScan(caption) != IDYES) return;
    m_btnCancel.ShowWindow(SW_HIDE);
    m_btnOK.ShowWindow(SW_SHOW);
    g_abortScan = 1;
}

void CMainDlg::OnCancel() {
    if (!g_scanRunning)
        EndDialog(IDCANCEL);
    else
        AskToTerminate(g_toolTitle);
}

void CMainDlg::OnCloseButton() {
    if (!g_scanRunning)
        EndDialog(IDCANCEL);
    else
        AskToTerminate("DialogBoxTitle");
}

LRESULT CMainDlg::OnStatusText(WPARAM, LPARAM) {
    m_lblStatus.SetWindowText(g_statusText);
    return 0;
}

LRESULT CMainDlg::OnReportLine(WPARAM, LPARAM) {
    HoldReportPainting();
    if (ReportMustEmpty(m_lstReport.GetCount(), g_keepReport != 0)) {
        m_lstReport.ResetContent();
        m_widestReportLine = 0;
    }
    m_lstReport.AddString(g_reportText);
    m_lstReport.SetCurSel(ReportSelection(m_lstReport.GetCount()));
    UpdateReportExtent();
    return 0;
}

// Measured in the list's own device context as the platform hands it out. Lines are only
// ever added (or all taken away), so the widest so far and the new one give the widest.
void CMainDlg::UpdateReportExtent() {
    {
        CClientDC dc(&m_lstReport);
        SIZE size = dc.GetTextExtent(g_reportText, lstrlenA(g_reportText));
        if (size.cx > m_widestReportLine) m_widestReportLine = size.cx;
    }
    int current = m_lstReport.GetHorizontalExtent();
    int extent = ReportExtent(current, m_widestReportLine);
    if (extent >= 0 && extent != current) m_lstReport.SetHorizontalExtent(extent);
}

void CMainDlg::HoldReportPainting() {
    if (m_reportPaintHeld) return;
    m_lstReport.SetRedraw(FALSE);
    m_reportPaintHeld = true;
    SetTimer(kReportPaintTimer, kReportPaintMs);
}

// The list with all its lines, scrolled to the newest, and its scroll bars as they now are.
void CMainDlg::PaintReport() {
    if (!m_reportPaintHeld) return;
    KillTimer(kReportPaintTimer);
    m_reportPaintHeld = false;
    m_lstReport.SetRedraw(TRUE);
    m_lstReport.RedrawWindow(RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

void CMainDlg::ShowScanningLayout() {
    m_btnScan.EnableWindow(FALSE);
    m_btnToolsLink.EnableWindow(FALSE);
    m_btnToolsLink.ShowWindow(SW_HIDE);
    m_btnProductLink.EnableWindow(FALSE);
    m_btnProductLink.ShowWindow(SW_HIDE);
    m_btnCancel.EnableWindow(TRUE);
    m_btnCancel.ShowWindow(SW_SHOW);
    m_btnOK.EnableWindow(TRUE);
    CWnd* const idleOnly[] = {&m_lblHeading, &m_lblNotice, &m_lblLegal};
    for (CWnd* control : idleOnly) control->ShowWindow(SW_HIDE);
    CWnd* const scanning[] = {&m_lblSearch, &m_lstReport, &m_lblStatus, &m_grpStatus, &m_grpReport};
    for (CWnd* control : scanning) control->ShowWindow(SW_SHOW);
    m_grpStatus.SetWindowText(g_commandLine.quick ? "Quick scan" : "Scanning");
    m_btnCancel.ShowWindow(SW_SHOW);
}

void CMainDlg::OnScan() {
    g_scanRunning = 1;
    ShowScanningLayout();
    CString search("Searching for ");
    search += g_trojanName;
    search += " Trojan and its variants";
    m_lblSearch.SetWindowText(search);
    LOGFONTA logFont = {};
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    logFont.lfPitchAndFamily = FF_SWISS;
    lstrcpynA(logFont.lfFaceName, "Arial", sizeof logFont.lfFaceName);
    m_searchFont.CreateFontIndirect(&logFont);
    m_lblSearch.SetFont(&m_searchFont, TRUE);
    PrepareScan(m_hWnd);
    // Cleared here, not when the timer fires: a termination confirmed in between must count.
    g_abortScan = 0;
    SetTimer(g_scanTimerId, 100);
}

void CMainDlg::OnTimer(UINT_PTR nIDEvent) {
    Default();
    if (nIDEvent == kReportPaintTimer) {
        PaintReport();
        return;
    }
    KillTimer(g_scanTimerId);
    StartScan();
    PaintReport();
    m_btnCancel.ShowWindow(SW_HIDE);
    m_btnOK.ShowWindow(SW_SHOW);
    m_lblSearch.ShowWindow(SW_HIDE);
    m_grpStatus.SetWindowText("");
    g_scanRunning = 0;
}

void CMainDlg::OnPaint() {
    CPaintDC dc(this);
    dc.BitBlt(0, 0, m_bmInfo.bmWidth, m_bmInfo.bmHeight, &m_hMemDC, 0, 0, SRCCOPY);
}

void CMainDlg::OnProductLink() { ShellExecuteA(0, "open", kProductPage, 0, 0, SW_SHOWNORMAL); }

void CMainDlg::OnToolsLink() { ShellExecuteA(0, "open", kToolsPage, 0, 0, SW_SHOWNORMAL); }

HBRUSH CMainDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    pDC->SetBkMode(TRANSPARENT);
    if (pWnd && pWnd->GetDlgCtrlID() == IDC_FAMILY_LABEL) return brush;
    if (nCtlColor == CTLCOLOR_DLG || nCtlColor == CTLCOLOR_STATIC) return g_whiteBrush;
    return brush;
}

// Clicks on the window itself (and on the texts, which let them through) drag it.
void CMainDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
    Default();
}
