// What the main window publishes for the message dialog and the family label.
#pragma once
class CWnd;

extern CWnd* g_pMainDlg;   // the main window object, once it initialises
extern int g_largeFonts;   // 1 when the screen has 120 or more logical pixels per inch
