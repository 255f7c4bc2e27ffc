// The application object and the program's settings: its title, the trojan's name, the scan timer.
#include "app/ToolApp.h"
#include <stdio.h>
#include "app/MainDlg.h"
#include "app/MessagePump.h"
#include "app/RunEnd.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "app/Settings.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RuntimeLink.h"
#include "engine/PathText.h"

char g_toolTitle[260] = "Sweepwright Ver 1.0";
char g_trojanName[260] = "W32/Drellmoxin";
int g_scanTimerId = 100;
int g_showRemovedTotal = 1;
CFont g_labelFont;

// Not the tool's title: the single-instance test would take a box with it for another copy.
static const char kBoxCaption[] = "Sweepwright command line";
static const char kUsage[] =
    "Sweepwright [/quiet] [/scanonly] [/log FILE] [/path FOLDER]... [/quick] [/forcerestart] [/?]\n\n"
    "/quiet\t\tno window and no question; the report goes to the log\n"
    "/scanonly\tfind and report, change nothing\n"
    "/log FILE\tappend the report to FILE (with /quiet and without /log:\n"
    "\t\tSweepwright.log in the Windows folder)\n"
    "/path FOLDER\twalk this folder instead of every fixed drive (may be repeated)\n"
    "/quick\t\tonly the places the trojan lives in and the files autorun\n"
    "\t\tentries and services start (not with /path)\n"
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
// Builtin Administrators (S-1-5-32-544) and LocalSystem (S-1-5-18) may open the instance mutex,
// so that a copy started by an administrator finds one started as SYSTEM (whose default
// descriptor would refuse it), and the other way round. Built from constants: it needs no
// security call, which Windows 95's libraries would not have; the 9x line ignores it.
// clang-format off
alignas(8) static const unsigned char kInstanceDescriptor[] = {
    1, 0, 0x04, 0x80,        // revision; control: DACL present, self-relative
    0, 0, 0, 0, 0, 0, 0, 0,  // no owner (the creator's default), no group
    0, 0, 0, 0, 20, 0, 0, 0, // no SACL; the DACL follows at 20
    2, 0, 52, 0, 2, 0, 0, 0, // ACL revision 2, 52 bytes, 2 entries
    0, 0, 24, 0, 0x01, 0x00, 0x1F, 0x00,   // allow: MUTEX_ALL_ACCESS
    1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0,   // S-1-5-32-544
    0, 0, 20, 0, 0x01, 0x00, 0x1F, 0x00,                     // the same
    1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                     // S-1-5-18
};
// clang-format on
static_assert(sizeof kInstanceDescriptor == 72, "header, ACL header and two entries");
// The quiet run's hidden window; not the tool's title either.
static const char kQuietWindowTitle[] = "Sweepwright quiet run";

BEGIN_MESSAGE_MAP(CToolApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// A box waits until someone answers it. Nobody can where the window station is not shown (a
// service's, or any made without WSF_VISIBLE), nor in session 0 from Vista on, where services
// run and no user works. The station calls are NT-only and ProcessIdToSessionId came with
// Terminal Server: each is looked up, and where none exists (Windows 95) boxes are seen.
static bool NobodyCanSeeBoxes() {
    typedef HWINSTA(WINAPI * GetProcessWindowStationFn)();
    typedef BOOL(WINAPI * GetUserObjectInformationFn)(HANDLE, int, PVOID, DWORD, LPDWORD);
    typedef BOOL(WINAPI * ProcessIdToSessionIdFn)(DWORD, DWORD*);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    GetProcessWindowStationFn station = LookUp<GetProcessWindowStationFn>(user32, "GetProcessWindowStation");
    GetUserObjectInformationFn information = LookUp<GetUserObjectInformationFn>(user32, "GetUserObjectInformationA");
    USEROBJECTFLAGS flags = {};
    DWORD size = 0;
    if (station && information && information(station(), UOI_FLAGS, &flags, sizeof flags, &size) &&
        !(flags.dwFlags & WSF_VISIBLE))
        return true;
    ProcessIdToSessionIdFn sessionOf = LookUpKernel32<ProcessIdToSessionIdFn>("ProcessIdToSessionId");
    DWORD session = 1;
    bool vistaOrLater = GetOsFamily() == OS_NT && GetNtGeneration() == NT_GEN_OTHER;
    return vistaOrLater && sessionOf && sessionOf(GetCurrentProcessId(), &session) && session == 0;
}

// No box in a quiet run, nor where nobody could answer it: a command line refused for a
// mistyped /quiet counts as quiet (CommandLine.h), so a deployment gets its 87 at once.
static bool MayShowBox() { return !g_commandLine.quiet && !NobodyCanSeeBoxes(); }

static void RefuseCommandLine(const char* reason, const char* word) {
    if (!MayShowBox()) return;
    char text[sizeof kUsage + kCommandPathSize + 100];
    _snprintf(text, sizeof text, "%s: %s\n\n%s", reason, word, kUsage);
    text[sizeof text - 1] = 0;
    MessageBoxA(NULL, text, kBoxCaption, MB_OK | MB_ICONERROR);
}

// Access denied also answers an account that may not make a name in the global namespace; only
// a name that exists is another copy's.
static bool MutexExists(const char* name) {
    CHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, name));
    return mutex.IsValid() || GetLastError() != ERROR_FILE_NOT_FOUND;
}

// A window with the whole title (FindWindowA ignores case) or the mutex of another copy:
// a quiet copy has no window to be found by. A mutex that this account may not open is another
// copy's too (one of another account), or another program's that holds the name.
bool CToolApp::AnotherCopyRuns() {
    if (FindWindowA(0, g_toolTitle)) return true;
    SECURITY_ATTRIBUTES adminsAndSystem = {sizeof adminsAndSystem, (void*)kInstanceDescriptor, FALSE};
    for (const char* name : kInstanceMutexes) {
        HANDLE mutex = CreateMutexA(&adminsAndSystem, FALSE, name);
        DWORD error = GetLastError();
        if (mutex != NULL) {
            m_instanceMutex.Attach(mutex);
            return error == ERROR_ALREADY_EXISTS;
        }
        if (error == ERROR_ACCESS_DENIED && MutexExists(name)) return true;
    }
    return false;
}

// /log, or a quiet run's log in the Windows folder. The NT line appends only, sharing the file
// with other machines that write it.
static void OpenLogOfRun() {
    if (g_commandLine.logPath[0] != 0 || g_commandLine.quiet) OpenRunLog(g_commandLine.logPath, GetOsFamily() == OS_NT);
}

// The scan's receiver in a quiet run: a hidden top-level window that does nothing with the
// channel's messages (the channel writes the log itself; the matcher and the registry cleanup
// report only to a scan that has a receiver, as in a windowed run). Being top-level, it is
// where a polite close (taskkill without /f) and the end of the session arrive. A close ends
// the scan after its current step, as Esc answered Yes does in a window. When the session
// ends the process may be ended as soon as the message is answered: the records go first.
class CQuietWindow : public CWnd {
public:
    ~CQuietWindow() override {
        if (HWND window = UnsubclassWindow()) DestroyWindow(window);
    }
    void Create() {
        SubclassWindow(CreateWindowA("STATIC", kQuietWindowTitle, 0, 0, 0, 0, 0, NULL, NULL, AfxGetInstanceHandle(), NULL));
    }

private:
    LRESULT OnCloseRequest(WPARAM, LPARAM) {
        g_abortScan = 1;
        return 0;
    }
    LRESULT OnEndSession(WPARAM ending, LPARAM) {
        if (!ending) return 0;
        g_abortScan = 1;
        FinishRun();
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CQuietWindow, CWnd)
    ON_MESSAGE(WM_CLOSE, OnCloseRequest)
    ON_MESSAGE(WM_ENDSESSION, OnEndSession)
END_MESSAGE_MAP()

static void ScanQuietly() {
    g_abortScan = 0;
    CQuietWindow receiver;
    receiver.Create();
    PrepareScan(receiver);
    StartScan();
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
        RefuseCommandLine("Unknown switch or missing value", g_commandLine.badSwitch);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (g_commandLine.help) {
        if (MayShowBox()) MessageBoxA(NULL, kUsage, kBoxCaption, MB_OK | MB_ICONINFORMATION);
        return EXIT_NOTHING_FOUND;
    }
    if (!MayHoldRunLog(g_commandLine.logPath)) {
        RefuseCommandLine("Not a log of this program", g_commandLine.logPath);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (AnotherCopyRuns()) return EXIT_ALREADY_RUNNING;
    OpenLogOfRun();
    MarkRunStarted();
    if (g_commandLine.quiet)
        ScanQuietly();
    else
        ScanInWindow(this);
    FinishRun();
    return RunExitCode();
}
