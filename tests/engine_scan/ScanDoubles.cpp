// Recording doubles for the report channel, the pump, the disinfection and the registry cleanup.
#include "tests/engine_scan/ScanDoubles.h"
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/Disinfect.h"
#include "engine/FileMatcher.h"
#include "engine/SignatureTable.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

HWND g_hMainWnd;
char g_statusText[260];
char g_reportText[500];
unsigned char g_keepReport;
unsigned char g_abortScan;

int g_filesRenamed;
char g_autorunValueName[128];

std::vector<std::string> g_shownStatus;
std::vector<std::string> g_appendedLines;
std::vector<ActionCall> g_actionCalls;
std::vector<AutorunCall> g_autorunCalls;
int g_pumpCalls;
std::function<void()> g_onPump;
std::function<void()> g_onAutorunCleanup;

void ShowStatus(const char* text) {
    snprintf(g_statusText, sizeof g_statusText, "%s", text);
    g_shownStatus.push_back(text);
}

// Records the whole line, even one longer than g_reportText, so a test sees what a sender
// would have overrun.
void AppendReportLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = vsnprintf(NULL, 0, format, args);
    va_end(args);
    std::string line(length > 0 ? length + 1 : 1, 0);
    va_start(args, format);
    vsnprintf(&line[0], line.size(), format, args);
    va_end(args);
    snprintf(g_reportText, sizeof g_reportText, "%s", line.c_str());
    g_appendedLines.push_back(line.c_str());
}

void PumpMessages() {
    ++g_pumpCalls;
    if (g_onPump) g_onPump();
}

// The matcher hands over the file it examined, still open.
void ApplyExaminedAction(CLowFile& file, const char* path, const char* variantName) {
    g_actionCalls.push_back(
        {path, variantName, g_action, g_statusText, g_detectedName, g_currentFilePath, file.IsValid()});
}

int CleanAutorunEntries(const char* variantName) {
    g_autorunCalls.push_back({variantName, g_currentFilePath, g_filesInfected});
    if (g_onAutorunCleanup) g_onAutorunCleanup();
    return 1;
}

void ResetScanDoubles() {
    g_hMainWnd = NULL;
    memset(g_statusText, 0, sizeof g_statusText);
    memset(g_reportText, 0, sizeof g_reportText);
    g_abortScan = 0;
    g_action = ACTION_REMOVE;
    g_filesScanned = g_filesInfected = g_filesRemoved = g_restartNeeded = g_notScanned = 0;
    memset(g_pendingFolder, 0, sizeof g_pendingFolder);
    g_pendingFolderSet = g_pendingFolderSeen = 0;
    memset(g_autorunValueName, 0, sizeof g_autorunValueName);
    g_memoryCheckMode = 0;
    g_memoryHit = 0;
    g_forcedAction = 0;
    memset(g_currentFilePath, 0, sizeof g_currentFilePath);
    memset(g_detectedName, 0, sizeof g_detectedName);
    g_currentFileSize = 0;
    g_activeSignatureTable = g_signatureTable;
    g_listedFile = kNothingListed;
    g_shownStatus.clear();
    g_appendedLines.clear();
    g_actionCalls.clear();
    g_autorunCalls.clear();
    g_pumpCalls = 0;
    g_onPump = nullptr;
    g_onAutorunCleanup = nullptr;
}
