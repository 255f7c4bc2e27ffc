// The program-wide settings and main-window globals the skin reads, as the program sets them.
#include "app/MainWindowGlobals.h"
#include "app/Settings.h"

char g_toolTitle[260] = "Sweepwright Ver 1.0";
CFont g_labelFont;
CWnd* g_pMainDlg;
int g_largeFonts;
