// Stand-ins for what the cleaning code calls outside the engine: the message dialog, the
// restart, the message pump and the scan driver's settings and counters. The dialog and the
// restart also write a line to stderr, so a death test can read them from the ended process.
#include <stdio.h>

#include "app/MessagePump.h"
#include "app/ScanState.h"
#include "cleaner/Restart.h"
#include "skin/MsgDlg.h"
#include "tests/cleaning/CleaningTestSupport.h"

char g_toolTitle[260] = "Sweepwright Ver 1.0";
unsigned char g_abortScan;

int g_messageBoxAnswer = IDCANCEL;
std::vector<MessageBoxCall> g_messageBoxCalls;
int g_restartRequests;

DWORD g_longestPumpGapMs;
std::function<void()> g_onPump;
static DWORD s_lastPump;

// The window answers only as often as the pump runs: the longest time between two calls.
void PumpMessages() {
    DWORD now = GetTickCount();
    if (s_lastPump != 0 && now - s_lastPump > g_longestPumpGapMs) g_longestPumpGapMs = now - s_lastPump;
    s_lastPump = now;
    if (g_onPump) g_onPump();
}

void ResetPumpGap() {
    g_longestPumpGapMs = 0;
    s_lastPump = 0;
    g_onPump = nullptr;
}

int ToolMessageBox(const char* text, const char* caption, unsigned flags) {
    g_messageBoxCalls.push_back({text, caption, flags});
    std::string shown;
    for (const char* c = text; *c; c++) shown += (*c == '\n') ? std::string("\\n") : std::string(1, *c);
    fprintf(stderr, "ToolMessageBox[%s|%s|0x%x] answered %d\n", shown.c_str(), caption, flags, g_messageBoxAnswer);
    fflush(stderr);
    return g_messageBoxAnswer;
}

bool g_mayRestart;
bool MayRestart() { return g_mayRestart; }

DWORD g_restartRefusal;
DWORD RestartSystem(bool) {
    ++g_restartRequests;
    fprintf(stderr, "RestartSystem called\n");
    fflush(stderr);
    return g_restartRefusal;
}
