// The one channel through which scanning and cleaning code reaches the screen and the log:
// write the shared buffer, then send message 10 (status line) or 11 (report line); a report
// line also goes to the run's log (app/RunHost.h).
#pragma once
#include <windows.h>

enum { MSG_STATUS = 10, MSG_REPORT_LINE = 11 };   // the platform's WM_ENABLE and WM_SETREDRAW numbers

extern HWND g_hMainWnd;              // null until a scan is prepared
extern char g_statusText[260];       // at most 259 characters
extern char g_reportText[500];       // at most 499 characters
extern unsigned char g_keepReport;   // 1 once the statistics begin: the list is no longer emptied

void ShowStatus(const char* text);
void AppendReportLine(const char* format, ...);
