// The action g_action asks for on an infected file, and the one report line of its outcome.
#include "engine/Disinfect.h"

#include <windows.h>
#include <string.h>

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RegistryCleanup.h"
#include "cleaner/Wow64.h"
#include "engine/DeferredRemoval.h"
#include "engine/FileMatcher.h"

int g_filesRenamed = 0;

// Every file line reads: path, five blanks, variant name, one blank, outcome.
static void ReportFile(const char* path, const char* variantName, const char* outcome) {
    AppendReportLine("%s     %s %s", path, variantName, outcome);
}

static void CountRemoval(const char* path, const char* variantName) {
    ++g_filesRemoved;
    CleanUninstallEntry();
    ReportFile(path, variantName, "removed");
}

// Ending processes loads the process-status library, which needs WOW64's file-system
// redirection on even while the walk has it off.
static int KillRunningProcesses(const char* path) {
    CFsRedirectionOn libraryLoads;
    return KillProcessByPath(path);
}

static void RemoveInfectedFile(const char* path, const char* variantName) {
    // Archive alone clears read-only, hidden and system, any of which makes DeleteFileA fail.
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE)) {
        ReportFile(g_statusText, g_detectedName, "Unable to remove");
        return;
    }
    if (DeleteFileA(path) || (KillRunningProcesses(path) && DeleteFileA(path))) {
        CountRemoval(path, variantName);
        return;
    }
    ReportFile(path, variantName, "Unable to remove");
    // One request made is enough for the restart offer; a later failed one must not take it back.
    if (ScheduleRemovalAtRestart(path)) ++g_restartNeeded;
}

static void DeleteInfectedFile(const char* path, const char* variantName) {
    if (DeleteFileA(path))
        CountRemoval(path, variantName);
    else
        ReportFile(path, variantName, "Remove failed");
}

// A file name without "." would keep its name: that is no rename.
bool MakeRenamedPath(const char* path, char* renamed, size_t size) {
    size_t length = strlen(path);
    const char* slash = strrchr(path, '\\');
    const char* dot = strrchr(path, '.');
    if (!dot || (slash && dot < slash)) return false;
    bool appends = dot[1] == 0;
    if (length + 1 + appends > size) return false;
    memcpy(renamed, path, length + 1);
    size_t changed = (size_t)(dot - path) + 1;
    renamed[changed] = 'V';
    if (appends) renamed[changed + 1] = 0;
    return true;
}

static void RenameInfectedFile(const char* path, const char* variantName) {
    char renamed[MAX_PATH];
    if (MakeRenamedPath(path, renamed, sizeof renamed) && MoveFileA(path, renamed)) {
        ++g_filesRenamed;
        ReportFile(path, variantName, "renamed");
    } else
        ReportFile(path, variantName, "Rename failed");
}

typedef void (*RemoveFn)(const char* path, const char* variantName);

static void Apply(const char* path, const char* variantName, RemoveFn remove, const char* notDisinfected) {
    switch (g_action) {
        case ACTION_REMOVE:
        case ACTION_REMOVE_TOO:
            remove(path, variantName);
            break;
        case ACTION_RENAME:
            RenameInfectedFile(path, variantName);
            break;
        case ACTION_REPORT_ONLY:
            ReportFile(g_statusText, g_detectedName, notDisinfected);
            break;
    }
}

void ApplyAction(const char* path, const char* variantName) {
    Apply(path, variantName, RemoveInfectedFile, "not disinfected as per user's selection");
}

void ApplyReducedAction(const char* path, const char* variantName) {
    Apply(path, variantName, DeleteInfectedFile, "Not Disinfected As Per User's Selection");
}
