// The application object and the program's settings: its title, the trojan's name, the scan timer.
#include "app/ToolApp.h"
#include <stdio.h>
#include "app/MainDlg.h"
#include "app/MessagePump.h"
#include "app/RunEnd.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "app/Settings.h"
#include "engine/PathText.h"

char g_toolTitle[260] = "Sweepwright Ver 1.0";
char g_trojanName[260] = "W32/Drellmoxin";
int g_scanTimerId = 100;
int g_showRemovedTotal = 1;
CFont g_labelFont;

// Not the tool's title: the single-instance test would take a box with it for another copy.
static const char kBoxCaption[] = "Sweepwright command line";
static const char kUsage[] =
    "Sweepwright [/quiet] [/scanonly] [/log FILE] [/path FOLDER]... [/forcerestart] [/?]\n\n"
    "/quiet\t\tno window and no question; the report goes to the log\n"
    "/scanonly\tfind and report, change nothing\n"
    "/log FILE\tappend the report to FILE (with /quiet and without /log:\n"
    "\t\tSweepwright.log in the Windows folder)\n"
    "/path FOLDER\twalk this folder instead of every fixed drive (may be repeated)\n"
    "/forcerestart\trestart when a removal waits for the restart\n\n"
    "Exit codes:\n"
    "0\tnothing infected found\n"
    "1\tinfected files found and all removed\n"
    "2\tinfected files found, at least one left in place\n"
    "3\tsomething asked for could not be examined (\"not scanned\")\n"
    "3010\tremoval completes at the next restart\n"
    "1641\ta restart was started to finish the removal\n"
    "1223\tthe scan was terminated by the user\n"
    "1618\tanother copy is running\n"
    "87\tbad command line";
// Global\ reaches every session of a terminal server; systems without that namespace refuse
// the name, and take the plain one.
static const char* const kInstanceMutexes[] = {"Global\\Sweepwright.Instance", "Sweepwright.Instance"};
static const char kDefaultLogName[] = "\\Sweepwright.log";

BEGIN_MESSAGE_MAP(CToolApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

static void RefuseCommandLine() {
    if (g_commandLine.quiet) return;
    char text[sizeof kUsage + 100];
    _snprintf(text, sizeof text, "Unknown switch or missing value: %s\n\n%s", g_commandLine.badSwitch, kUsage);
    text[sizeof text - 1] = 0;
    MessageBoxA(NULL, text, kBoxCaption, MB_OK | MB_ICONERROR);
}

// A window with the whole title (FindWindowA ignores case) or the mutex of another copy:
// a quiet copy has no window to be found by.
bool CToolApp::AnotherCopyRuns() {
    if (FindWindowA(0, g_toolTitle)) return true;
    for (const char* name : kInstanceMutexes) {
        HANDLE mutex = CreateMutexA(NULL, FALSE, name);
        DWORD error = GetLastError();
        if (mutex == NULL) continue;
        m_instanceMutex.Attach(mutex);
        return error == ERROR_ALREADY_EXISTS;
    }
    return false;
}

// /log, or a quiet run's log in the Windows folder.
static void OpenLogOfRun() {
    if (g_commandLine.logPath[0] != 0) {
        OpenRunLog(g_commandLine.logPath);
        return;
    }
    char path[MAX_PATH];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (g_commandLine.quiet && length > 0 && length < sizeof path && AppendText(path, sizeof path, kDefaultLogName))
        OpenRunLog(path);
}

// The scan's receiver in a quiet run is a hidden window that does nothing with the channel's
// messages (the channel writes the log itself): the matcher and the registry cleanup report
// only to a scan that has a receiver, as in a windowed run.
static void ScanQuietly() {
    HWND receiver = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, NULL, NULL, AfxGetInstanceHandle(), NULL);
    PrepareScan(receiver);
    g_abortScan = 0;
    StartScan();
    DestroyWindow(receiver);
}

static void ScanInWindow(CWinApp* app) {
    CMainDlg dialog;
    app->m_pMainWnd = &dialog;
    dialog.DoModal();
    app->m_pMainWnd = 0;
}

// The platform's own controls already have the three-dimensional look on every system the
// program runs on, and no window hosts an embedded control, so neither needs switching on.
BOOL CToolApp::InitInstance() {
    // A drive without a disk or a share that cannot be reached answers the walk with an error
    // (a "not scanned" line), never with a system box that nobody may be there to answer.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    m_exitCode = Run();
    return FALSE;
}

// A bad command line is refused before anything else happens.
int CToolApp::Run() {
    if (!ParseCommandLine(GetCommandLineA(), &g_commandLine)) {
        RefuseCommandLine();
        return EXIT_BAD_COMMAND_LINE;
    }
    if (g_commandLine.help) {
        if (!g_commandLine.quiet) MessageBoxA(NULL, kUsage, kBoxCaption, MB_OK | MB_ICONINFORMATION);
        return EXIT_NOTHING_FOUND;
    }
    if (AnotherCopyRuns()) return EXIT_ALREADY_RUNNING;
    OpenLogOfRun();
    if (g_commandLine.quiet)
        ScanQuietly();
    else
        ScanInWindow(this);
    FinishRun();
    return RunExitCode();
}
