// The run's exit code and its records, written once, before a restart can cut them off.
#include "app/RunEnd.h"

#include <windows.h>

#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/Restart.h"
#include "framework/KernelHandles.h"

static const char kMarkerKey[] = "Software\\Sweepwright";
static bool s_restartStarted;
static bool s_finished;

// g_restartNeeded counts the removals that wait for the restart; an infected process that
// survived the memory scan goes with the restart too. A scan that left something it was asked
// to examine unexamined never ends as if it were complete, clean or cleaned.
int RunExitCode() {
    if (g_abortScan) return EXIT_TERMINATED;
    if (s_restartStarted) return EXIT_RESTART_STARTED;
    if (g_memoryRestartNeeded) return EXIT_RESTART_NEEDED;
    if (g_filesInfected > g_filesRemoved + g_restartNeeded) return EXIT_LEFT_IN_PLACE;
    if (g_restartNeeded) return EXIT_RESTART_NEEDED;
    if (g_notScanned > 0) return EXIT_NOT_ALL_EXAMINED;
    return g_filesInfected > 0 ? EXIT_ALL_REMOVED : EXIT_NOTHING_FOUND;
}

static void SetText(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, lstrlenA(text) + 1);
}

// STILL_ACTIVE, as GetExitCodeProcess says of a process that has not ended.
static const DWORD kRunNotFinished = 259;

static void SetNumber(HKEY key, const char* name, DWORD number) {
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number);
}

static void WriteRunMarker(DWORD result, bool logWritten) {
    CRegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMarkerKey, 0, NULL, 0, KEY_SET_VALUE, NULL, key.Receive(), NULL) !=
        ERROR_SUCCESS)
        return;
    char now[32];
    FormatLocalTime(now, sizeof now);
    SetText(key, "LastRun", now);
    SetNumber(key, "LastResult", result);
    SetNumber(key, "LogWritten", logWritten ? 1 : 0);
    SetText(key, "Version", g_programVersion);
}

void MarkRunStarted() {
    if (g_commandLine.quiet) WriteRunMarker(kRunNotFinished, false);
}

void FinishRun() {
    if (s_finished) return;
    s_finished = true;
    int exitCode = RunExitCode();
    CloseRunLog(exitCode);
    if (g_commandLine.quiet) WriteRunMarker((DWORD)exitCode, RunLogWritten());
}

// The records follow the request at once: a restart that began ends the program moments later,
// and only the request's answer says whether it began.
void RestartToFinish() {
    DWORD refused = MayRestart() ? RestartSystem(g_commandLine.quiet != 0) : ERROR_PRIVILEGE_NOT_HELD;
    s_restartStarted = refused == ERROR_SUCCESS;
    if (!s_restartStarted) {
        char reason[256];
        DescribeSystemError(refused, reason, sizeof reason);
        AppendReportLine("The restart could not begin (error %lu): %s", refused, reason);
    }
    FinishRun();
}

void EndRunEarly(bool restart) {
    if (restart) RestartToFinish();
    FinishRun();
    ExitProcess((UINT)RunExitCode());
}
