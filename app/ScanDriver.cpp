// The scan driver: the memory scan, the walk of every fixed drive, the statistics and the restart question.
#include "app/ScanState.h"
#include <string.h>
#include <windows.h>
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/Settings.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/Restart.h"
#include "cleaner/Wow64.h"
#include "engine/DirectoryWalk.h"
#include "skin/MsgDlg.h"

static const char kAllFixedDrives[] = "!:";
// Before Vista nothing asks for the rights the program needs: a scan without them finds and
// reports, but every removal and registry deletion fails, and the report says why.
static const char kNoAdministratorLine[] =
    "Running without administrator rights: infected files and registry entries cannot be removed";
static const char kRestartQuestion[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

void PrepareScan(HWND mainWindow) {
    lstrcpynA(g_scanTarget, kAllFixedDrives, sizeof g_scanTarget);
    g_hMainWnd = mainWindow;
    g_action = ACTION_REMOVE;
}

// A drive's root pattern, then its Program Files folder when the walk did not enter it.
static void WalkDrive(const char* root) {
    char pattern[8];
    lstrcpynA(pattern, root, sizeof pattern);
    lstrcatA(pattern, "*.*");
    WalkFolder(pattern);
    if (g_pendingFolderSet == 1 && g_pendingFolderSeen == 0) {
        char secondPass[sizeof g_pendingFolder];
        lstrcpynA(secondPass, g_pendingFolder, sizeof secondPass);
        WalkFolder(secondPass);
        g_pendingFolderSet = 0;
    }
}

// Every fixed drive from C: to Z:; the floppy letters are never examined. The loop does not
// look at the abort flag: after a termination each later walk returns at its first look.
static void WalkFixedDrives() {
    char root[] = "C:\\";
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        root[0] = letter;
        if (GetDriveTypeA(root) == DRIVE_FIXED) WalkDrive(root);
    }
}

static void WriteStatistics() {
    g_keepReport = 1;
    if (g_filesInfected > 0) AppendReportLine(" ");
    AppendReportLine("Scanning statistics");
    AppendReportLine("------------------------------");
    AppendReportLine("Total files scanned\t\t:  %d", g_filesScanned);
    AppendReportLine("Total files infected\t\t:  %d", g_filesInfected);
    if (g_showRemovedTotal == 1) AppendReportLine("Total files removed\t\t:  %d", g_filesRemoved);
}

// The 32-bit build on a 64-bit Windows would see System32 as SysWOW64 (walking the one twice
// and the other never): with redirection off it walks and acts on the folders as they are.
// This is the one place that decides; elsewhere the guard does nothing.
static void WalkTarget() {
    CFsRedirectionOff foldersAsTheyAre;
    if (memcmp(g_scanTarget, kAllFixedDrives, sizeof kAllFixedDrives) == 0) WalkFixedDrives();
}

int StartScan() {
    if (GetOsFamily() == OS_NT && !RunsAsAdministrator()) AppendReportLine("%s", kNoAdministratorLine);
    ScanMemory();
    WalkTarget();
    WriteStatistics();
    ShowStatus(g_abortScan ? "Scanning terminated" : "Scanning completed");
    if (g_restartNeeded && ToolMessageBox(kRestartQuestion, g_toolTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
        RestartSystem();
    return 1;
}
