// Stand-ins for the parts the removal code reports to and reads from: the report channel keeps
// every line it is sent, the uninstall cleanup and the message pump only count their calls.
#include <stdarg.h>
#include <stdio.h>

#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "tests/removal/RemovalHarness.h"

char g_statusText[260];
char g_reportText[500];
char g_detectedName[260];
int g_action = ACTION_REMOVE;
int g_filesRemoved;
int g_restartNeeded;

static std::vector<std::string> g_lines;
static int g_uninstallCleanups;
static int g_pumpCalls;

void PumpMessages() { ++g_pumpCalls; }
int PumpCalls() { return g_pumpCalls; }

void AppendReportLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(g_reportText, sizeof g_reportText, format, args);
    va_end(args);
    g_lines.push_back(g_reportText);
}

int CleanUninstallEntry() {
    ++g_uninstallCleanups;
    return 1;
}

std::vector<std::string>& ReportLines() { return g_lines; }
int UninstallCleanups() { return g_uninstallCleanups; }

void ResetScanState(int action) {
    g_lines.clear();
    g_uninstallCleanups = 0;
    g_pumpCalls = 0;
    g_action = action;
    g_filesRemoved = 0;
    g_filesRenamed = 0;
    g_restartNeeded = 0;
    g_statusText[0] = 0;
    g_detectedName[0] = 0;
}
