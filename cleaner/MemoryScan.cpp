// The memory scan: the image of every running process is checked and infected processes are ended.
#include "cleaner/MemoryScan.h"

#include <windows.h>
#include <string.h>

#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/RunEnd.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "app/Settings.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/Privileges.h"
#include "cleaner/Services.h"
#include "cleaner/Wow64.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/PathText.h"
#include "engine/SignatureTable.h"
#include "framework/KernelHandles.h"
#include "skin/MsgDlg.h"

int g_osFamily;
int g_memoryRestartNeeded = 0;

namespace {

const char kFoundInMemory[] =
    "W32/Drellmoxin.Trojan  found in memory! registry entries created by the worm are removed. "
    "You must restart the computer and run this program to continue scanning.\n\n"
    "Restart the computer now?";

// The counterpart of the matcher's "removed" line, for a process that is still running.
const char kNotEndedLine[] = "System Memory    " TROJAN_LABEL "  Unable to remove";
const char kNotExaminedLine[] = "System Memory    Running processes could not be examined, not scanned";
const char kNoDebugPrivilegeLine[] =
    "System Memory    The debug privilege could not be enabled: processes of other users and of the system may "
    "not be ended";

// Walks the image in memory check mode; true when the matcher recognised it. An image that
// cannot be read is not examined, so no earlier hit is taken for it. Its path names the file as
// it is: the 32-bit program looks with WOW64's redirection off, as the walk does.
bool ImageIsInfected(const char* path) {
    if (WithRedirectionOff([&] { return _access(path, 4); }) != 0) return false;
    WalkFolder(path);
    return g_memoryHit != 0;
}

// The second walk of the image of a process that has ended: the matcher now reports and
// applies the action. Ending the process and removing its image are one step: an abort asked
// for while the process was ended takes effect after it.
void RemoveImage(const char* path) {
    unsigned char abortAsked = g_abortScan;
    g_abortScan = 0;
    g_forcedAction = g_action;
    WalkFolder(path);
    g_forcedAction = 0;
    g_abortScan |= abortAsked;
}

// The process still runs, so its image stays: the drive walk meets the file and counts and
// reports it like any other, so the memory scan's count of it is taken back.
void LeaveImageToTheWalk() {
    AppendReportLine("%s", kNotEndedLine);
    --g_filesInfected;
}

// Every entry of the snapshot goes into the list; one that cannot be allocated empties it and
// stops the walk, so that nothing is examined.
bool ListEntry(const PROCESSENTRY32& entry, void* context) {
    CProcessList* list = (CProcessList*)context;
    if (list->Append(entry.th32ProcessID, entry.szExeFile)) return false;
    list->Clear();
    return true;
}

// The service of an image is named like its file without the extension.
void ServiceNameOf(const char* imagePath, char* name, int size) {
    const char* slash = strrchr(imagePath, '\\');
    CopyText(name, size, slash != nullptr ? slash + 1 : imagePath);
    char* dot = strrchr(name, '.');
    if (dot != nullptr) *dot = '\0';
}

// Stops the service that runs the image and deletes its keys; true when it stopped. A service
// of that name that runs another file is none of the scan's business: it is left alone.
bool StopServiceOfImage(const char* imagePath) {
    char serviceName[MAX_PATH];
    ServiceNameOf(imagePath, serviceName, sizeof serviceName);
    if (!ServiceRunsFile(serviceName, imagePath)) return false;
    bool stopped = StopService(serviceName);
    DeleteServiceKeys(serviceName);
    return stopped;
}

// Ends the process through one handle: opened by the id, its image read again through that
// handle (the id may belong to another process by now), ended and waited for.
bool EndVerifiedProcess(const ProcessEntry& entry) {
    CHandle process(OpenIfRunningFile(entry.id, entry.path));
    return process.IsValid() && EndAndWait(process);
}

// Ends one infected NT process. Returns true when a restart became necessary because neither
// the process nor its service could be ended.
bool EndInfectedProcess(const ProcessEntry& entry) {
    if (EndVerifiedProcess(entry)) {
        RemoveImage(entry.path);
        return false;
    }
    int generation = GetNtGeneration();
    if (generation != NT_GEN_4_OR_LOWER && generation != NT_GEN_5) {
        LeaveImageToTheWalk();
        return false;
    }
    if (StopServiceOfImage(entry.path)) {
        RemoveImage(entry.path);
        return false;
    }
    // The program ends before the drive walk: the image waits for the restart and the next run.
    AppendReportLine("%s", kNotEndedLine);
    g_memoryRestartNeeded = 1;
    return true;
}

}   // namespace

void ScanProcessesToolhelp() {
    CProcessList list;
    if (WalkSnapshot(ListEntry, &list, 0) != kSnapshotEnded) {
        AppendReportLine("%s", kNotExaminedLine);
        ++g_notScanned;
        return;
    }
    for (ProcessEntry* entry = list.First(); entry != nullptr; entry = entry->next) {
        if (!ImageIsInfected(entry->path) || g_action == ACTION_REPORT_ONLY) continue;
        if (EndProcessById(entry->id))
            RemoveImage(entry->path);
        else
            LeaveImageToTheWalk();
    }
}

// The privilege comes before the first process is opened: an open for the query rarely fails
// from Vista on, where ending a process of the system still needs it.
short ScanProcessesPsapi() {
    CProcessList list;
    if (!EnablePrivilege("SeDebugPrivilege")) AppendReportLine("%s", kNoDebugPrivilegeLine);
    if (!ListImagePaths(OpenForQuery, &list)) {
        AppendReportLine("%s", kNotExaminedLine);
        ++g_notScanned;
        return 0;
    }
    bool restartNeeded = false;
    for (ProcessEntry* entry = list.First(); entry != nullptr; entry = entry->next) {
        if (!ImageIsInfected(entry->path)) continue;
        if (g_action < ACTION_REMOVE || g_action > ACTION_REMOVE_TOO) continue;
        if (EndInfectedProcess(*entry)) restartNeeded = true;
    }
    return restartNeeded ? 1 : 0;
}

void ScanMemory() {
    g_osFamily = GetOsFamily();
    g_memoryCheckMode = 1;
    if (g_osFamily == OS_9X) {
        ScanProcessesToolhelp();
    } else if (g_osFamily == OS_NT && ScanProcessesPsapi() != 0) {
        // The drive walk waits for the next run, as the message tells the user.
        EndRunEarly(g_memoryRestartNeeded == 1 &&
                    ToolMessageBox(kFoundInMemory, g_toolTitle, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK);
    }
    g_memoryCheckMode = 0;
}
