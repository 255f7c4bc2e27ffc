// The application object and the program's settings: its title, the trojan's name, the scan timer.
#include "app/ToolApp.h"
#include "app/MainDlg.h"
#include "app/Settings.h"

char g_toolTitle[260] = "Sweepwright Ver 1.0";
char g_trojanName[260] = "W32/Drellmoxin";
int g_scanTimerId = 100;
int g_showRemovedTotal = 1;
CFont g_labelFont;

BEGIN_MESSAGE_MAP(CToolApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// The platform's own controls already have the three-dimensional look on every system the
// program runs on, and no window hosts an embedded control, so neither needs switching on.
BOOL CToolApp::InitInstance() {
    // FindWindowA compares whole titles without regard to case, over every top-level window.
    if (FindWindowA(0, g_toolTitle)) return FALSE;
    CMainDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = 0;
    return FALSE;
}
