// The report channel: status texts and report lines sent from the scan to the main window,
// and the report lines also to the run's log when it has one.
#include "app/ReportChannel.h"
#include <stdarg.h>
#include <stdio.h>
#include "app/RunHost.h"

HWND g_hMainWnd;
char g_statusText[260];
char g_reportText[500];
unsigned char g_keepReport;

void ShowStatus(const char* text) {
    if (text != g_statusText) lstrcpynA(g_statusText, text, sizeof g_statusText);
    SendMessageA(g_hMainWnd, MSG_STATUS, 0, 0);
}

void AppendReportLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = vsnprintf(g_reportText, sizeof g_reportText, format, args);
    va_end(args);
    if (length < 0) g_reportText[0] = 0;
    g_reportText[sizeof g_reportText - 1] = 0;
    WriteRunLogLine(g_reportText);
    SendMessageA(g_hMainWnd, MSG_REPORT_LINE, 0, 0);
}
