// The scan driver: the memory scan, the walk of every fixed drive (or of the /path folders,
// or of the quick scan's places), the statistics and the restart question.
#include "app/ScanState.h"
#include <string.h>
#include <windows.h>
#include "app/MessagePump.h"
#include "app/QuickScan.h"
#include "app/ReportChannel.h"
#include "app/RunEnd.h"
#include "app/RunHost.h"
#include "app/Settings.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/Restart.h"
#include "cleaner/RuntimeLink.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/PathText.h"
#include "framework/KernelHandles.h"
#include "skin/MsgDlg.h"

static const char kAllFixedDrives[] = "!:";
static const char kQuickPlaces[] = "?:";
// Before Vista nothing asks for the rights the program needs: a scan without them finds and
// reports, but every removal and registry deletion fails, and the report says why.
static const char kNoAdministratorLine[] =
    "Running without administrator rights: infected files and registry entries cannot be removed";
static const char kRestartQuestion[] =
    "The system has to be restarted to remove the virus completely from your system. \n\n Restart now?";

// With /path the target names its first folder; the walk takes them all from the command line.
void PrepareScan(HWND mainWindow) {
    const CommandLine& line = g_commandLine;
    const char* target = line.pathCount > 0 ? line.paths[0] : line.quick ? kQuickPlaces : kAllFixedDrives;
    lstrcpynA(g_scanTarget, target, sizeof g_scanTarget);
    g_hMainWnd = mainWindow;
    g_action = line.scanOnly ? ACTION_REPORT_ONLY : ACTION_REMOVE;
}

// A pattern, then its drive's Program Files folder when the pattern was a drive root whose
// walk did not enter it.
static void WalkPattern(const char* pattern) {
    WalkFolder(pattern);
    if (g_pendingFolderSet == 1 && g_pendingFolderSeen == 0) {
        char secondPass[sizeof g_pendingFolder];
        lstrcpynA(secondPass, g_pendingFolder, sizeof secondPass);
        WalkFolder(secondPass);
        g_pendingFolderSet = 0;
    }
}

static void WalkDrive(const char* root) {
    char pattern[8];
    lstrcpynA(pattern, root, sizeof pattern);
    lstrcatA(pattern, "*.*");
    WalkPattern(pattern);
}

// A folder, a drive root or a share, as /path or the quick scan gave it, walked whole or only
// its own files.
static void WalkNamedFolder(const char* folder, void (*walk)(const char* pattern) = WalkPattern) {
    char pattern[MAX_PATH];
    const char* separator = folder[strlen(folder) - 1] == '\\' ? "" : "\\";   // a drive root has its own
    bool fits = CopyText(pattern, sizeof pattern, folder) && AppendText(pattern, sizeof pattern, separator) &&
                AppendText(pattern, sizeof pattern, "*.*");
    if (fits)
        walk(pattern);
    else
        ReportNotScanned(folder, "Path too long");
}

static void WalkOwnFiles(const char* pattern) { WalkFolderFiles(pattern); }

// The loop looks at the abort flag only to skip the looks at places after a termination.
static void WalkQuickPlaces(const QuickPlaceList& places) {
    for (int i = 0; i < places.Count() && !g_abortScan; ++i) {
        const QuickPlace& place = places[i];
        if (place.kind == PLACE_FILE)
            WalkFile(place.path);
        else
            WalkNamedFolder(place.path, place.kind == PLACE_TREE ? WalkPattern : WalkOwnFiles);
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

// The volume functions, from Windows 2000 (the mount paths from XP), looked up at run time.
typedef HANDLE(WINAPI* FindFirstVolumeFn)(LPSTR, DWORD);
typedef BOOL(WINAPI* FindNextVolumeFn)(HANDLE, LPSTR, DWORD);
typedef BOOL(WINAPI* FindVolumeCloseFn)(HANDLE);
typedef BOOL(WINAPI* VolumePathNamesFn)(LPCSTR, LPSTR, DWORD, PDWORD);

// A volume search is only ever open where FindFirstVolumeA was found, and FindVolumeClose
// came with it.
struct VolumeSearchTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { LookUpKernel32<FindVolumeCloseFn>("FindVolumeClose")(h); }
};
typedef COwnedHandle<HANDLE, VolumeSearchTraits> CVolumeSearch;

// Room for a volume's mount paths: far more folders than a volume is ever mounted in.
static char s_mountPaths[32 * 1024];

// Fixed volumes that no drive letter reaches (mounted only in a folder, as on many servers;
// the walk of the drive that holds the folder does not enter a mount point): each once, under
// the first folder it is mounted in, after the lettered drives. Before XP nothing names a
// volume's mount folders, and the walk of the drives is all there is.
static void WalkLetterlessVolumes() {
    FindFirstVolumeFn findFirst = LookUpKernel32<FindFirstVolumeFn>("FindFirstVolumeA");
    FindNextVolumeFn findNext = LookUpKernel32<FindNextVolumeFn>("FindNextVolumeA");
    VolumePathNamesFn pathNames = LookUpKernel32<VolumePathNamesFn>("GetVolumePathNamesForVolumeNameA");
    if (findFirst == NULL || findNext == NULL || pathNames == NULL) return;
    char volume[MAX_PATH];
    CVolumeSearch search(findFirst(volume, sizeof volume));
    if (!search.IsValid()) return;
    do {
        DWORD length = 0;
        if (!pathNames(volume, s_mountPaths, sizeof s_mountPaths, &length)) continue;
        const char* path = LetterlessMountPath(s_mountPaths, GetDriveTypeA(volume) == DRIVE_FIXED);
        if (path != NULL) WalkNamedFolder(path);
    } while (findNext(search, volume, sizeof volume));
}

// The quick scan's places, gathered before anything else so that the log lists them in its
// header; null in any other scan.
static const QuickPlaceList* s_quickPlaces;

static void WriteStatistics() {
    g_keepReport = 1;
    if (g_filesInfected > 0) AppendReportLine(" ");
    AppendReportLine("Scanning statistics");
    AppendReportLine("------------------------------");
    AppendReportLine("Total files scanned\t\t:  %d", g_filesScanned);
    AppendReportLine("Total files infected\t\t:  %d", g_filesInfected);
    if (g_showRemovedTotal == 1) AppendReportLine("Total files removed\t\t:  %d", g_filesRemoved);
    if (s_quickPlaces) AppendReportLine("Quick scan, places examined\t:  %d", s_quickPlaces->Count());
}

// The 32-bit build on a 64-bit Windows would see System32 as SysWOW64 (walking the one twice
// and the other never): the walk's own file-system calls switch redirection off, each for
// itself (cleaner/Wow64.h), so that it walks and acts on the folders as they are.
static void WalkTarget() {
    if (memcmp(g_scanTarget, kAllFixedDrives, sizeof kAllFixedDrives) == 0) {
        WalkFixedDrives();
        WalkLetterlessVolumes();
        return;
    }
    if (s_quickPlaces) {
        WalkQuickPlaces(*s_quickPlaces);
        return;
    }
    for (int i = 0; i < g_commandLine.pathCount; ++i) WalkNamedFolder(g_commandLine.paths[i]);
}

int StartScan() {
    bool quick = memcmp(g_scanTarget, kQuickPlaces, sizeof kQuickPlaces) == 0;
    s_quickPlaces = quick ? &GatherQuickPlaces() : NULL;
    if (GetOsFamily() == OS_NT && !RunsAsAdministrator()) AppendReportLine("%s", kNoAdministratorLine);
    ScanMemory();
    WalkTarget();
    WriteStatistics();
    if (quick)
        ShowStatus(g_abortScan ? "Quick scan terminated" : "Quick scan completed");
    else
        ShowStatus(g_abortScan ? "Scanning terminated" : "Scanning completed");
    // A quiet run asked to end (a close request, a logoff) ends: its /forcerestart no longer stands.
    bool askRestart = g_restartNeeded && !(g_commandLine.quiet && g_abortScan);
    if (askRestart && ToolMessageBox(kRestartQuestion, g_toolTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
        RestartToFinish();
    return 1;
}
