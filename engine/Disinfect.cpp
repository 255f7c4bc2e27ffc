// The action g_action asks for on an infected file, and the one report line of its outcome.
// On the NT line the file is reset, deleted, renamed or moved aside through the handle it was
// examined through; the 9x line, which has no reparse points, acts by path.
#include "engine/Disinfect.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RegistryCleanup.h"
#include "cleaner/RuntimeLink.h"
#include "cleaner/Wow64.h"
#include "engine/DeferredRemoval.h"
#include "engine/FileMatcher.h"

int g_filesRenamed = 0;

namespace {

// NtSetInformationFile sets a file's attributes, disposition and name through a handle on
// every NT version (SetFileInformationByHandle, which wraps it, came only with Vista). ntdll is
// in every NT process, so it is looked up, never imported.
typedef LONG NtStatus;
struct IoStatusBlock {
    union {
        NtStatus status;
        void* pointer;
    };
    ULONG_PTR information;
};
typedef NtStatus(WINAPI* SetInformationFileFn)(HANDLE, IoStatusBlock*, void*, ULONG, int);
const int kFileBasicInformation = 4;
const int kFileRenameInformation = 10;
const int kFileDispositionInformation = 13;
struct BasicInformation {
    LARGE_INTEGER creation, lastAccess, lastWrite, change;   // 0: left as they are
    ULONG attributes;
};
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG nameLength;   // in bytes
    WCHAR name[MAX_PATH + 4];
};

// Builtin Administrators (S-1-5-32-544) and LocalSystem (S-1-5-18) may do anything in the
// holding folder and its file, nobody else anything: a self-relative security descriptor
// whose DACL is protected, so that no entry of the drive root's (which lets users create and
// change folders) is inherited. Built from constants: it needs no security call, which Windows
// 95's libraries would not have.
// clang-format off
alignas(8) const unsigned char kAdminOnlyDescriptor[] = {
    1, 0, 0x04, 0x90,        // revision; control: DACL present, DACL protected, self-relative
    0, 0, 0, 0, 0, 0, 0, 0,  // no owner (the creator's default), no group
    0, 0, 0, 0, 20, 0, 0, 0, // no SACL; the DACL follows at 20
    2, 0, 52, 0, 2, 0, 0, 0, // ACL revision 2, 52 bytes, 2 entries
    0, 3, 24, 0, 0xFF, 0x01, 0x1F, 0x00,   // allow, inherited by files and folders: FILE_ALL_ACCESS
    1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0,   // S-1-5-32-544
    0, 3, 20, 0, 0xFF, 0x01, 0x1F, 0x00,                     // the same
    1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                     // S-1-5-18
};
// clang-format on
// The holding folder's name ends in a number nobody can tell in advance; a name that is taken
// all the same costs another try.
const char kHoldingFolderFormat[] = "%c:\\Sweepwright.restart-%08lX";
const int kHoldingFolderTries = 16;

bool SetInformation(HANDLE file, void* information, ULONG size, int informationClass) {
    static const SetInformationFileFn setInformation =
        LookUp<SetInformationFileFn>(GetModuleHandleA("ntdll.dll"), "NtSetInformationFile");
    IoStatusBlock status;
    return setInformation && setInformation(file, &status, information, size, informationClass) >= 0;
}

// Archive alone clears read-only, hidden and system, any of which keeps a file from going.
bool ResetThroughHandle(CLowFile& file, const char*) {
    BasicInformation basic = {};
    basic.attributes = FILE_ATTRIBUTE_ARCHIVE;
    return file.IsValid() && SetInformation(file, &basic, sizeof basic, kFileBasicInformation);
}

// The file goes when the last handle to it closes: ours, at once, unless another program
// still holds it open (sharing deletion), as after DeleteFileA.
bool DeleteThroughHandle(CLowFile& file, const char*) {
    BOOLEAN deleteFile = TRUE;
    return file.IsValid() && SetInformation(file, &deleteFile, sizeof deleteFile, kFileDispositionInformation);
}

// Moves the open file to newPath (not replacing a file there).
bool MoveThroughHandle(CLowFile& file, const char* newPath) {
    RenameInformation rename = {};
    char ntPath[MAX_PATH + 4];
    if (!file.IsValid() || _snprintf(ntPath, sizeof ntPath, "\\??\\%s", newPath) < 0) return false;
    ntPath[sizeof ntPath - 1] = 0;
    int length = MultiByteToWideChar(CP_ACP, 0, ntPath, -1, rename.name, MAX_PATH + 4);
    if (length <= 1) return false;
    rename.nameLength = (ULONG)(length - 1) * sizeof(WCHAR);
    CFsRedirectionOff asItIs;   // the new name is a path, which WOW64 would redirect
    return SetInformation(file, &rename, sizeof rename, kFileRenameInformation);
}

unsigned long UnforeseeableNumber() {
    static unsigned long s_drawn;
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return (counter.LowPart * 2654435761u) ^ (GetCurrentProcessId() << 16) ^ GetTickCount() ^ (++s_drawn * 40503u);
}

// A folder of this run's own at the root of the file's drive, for this one file. One found
// under the name might be anybody's: it is never used, nor touched.
bool MakeHoldingFolder(const char* path, char* folder, size_t size) {
    char letter = (char)(path[0] & ~0x20);
    if (letter < 'A' || letter > 'Z' || path[1] != ':' || path[2] != '\\') return false;
    SECURITY_ATTRIBUTES adminOnly = {sizeof adminOnly, (void*)kAdminOnlyDescriptor, FALSE};
    for (int tries = 0; tries < kHoldingFolderTries; ++tries) {
        int length = _snprintf(folder, size, kHoldingFolderFormat, letter, UnforeseeableNumber());
        if (length < 0 || (size_t)length >= size) return false;
        if (CreateDirectoryA(folder, &adminOnly)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// The file moves, through its handle, into a holding folder on its own drive, and is scheduled
// there, with the folder after it, which is empty by then. A folder that holds nothing goes at
// once; so does a file whose request failed, back to where it was.
bool MoveIntoHoldingFolder(CLowFile& file, const char* path, char* moved, size_t size) {
    char folder[MAX_PATH];
    const char* name = strrchr(path, '\\');
    if (!name || !MakeHoldingFolder(path, folder, sizeof folder)) return false;
    int length = _snprintf(moved, size, "%s%s", folder, name);
    if (length >= 0 && (size_t)length < size && MoveThroughHandle(file, moved)) {
        if (ScheduleRemovalAtRestart(moved)) {
            ScheduleRemovalAtRestart(folder);
            return true;
        }
        MoveThroughHandle(file, path);
    }
    RemoveDirectoryA(folder);
    return false;
}

// Every file line reads: path, five blanks, variant name, one blank, outcome.
void ReportFile(const char* path, const char* variantName, const char* outcome) {
    AppendReportLine("%s     %s %s", path, variantName, outcome);
}

// One request made is enough for the restart offer; a later failed one must not take it back.
void ReportWaiting(const char* path, const char* variantName, const char* outcome) {
    ++g_restartNeeded;
    ReportFile(path, variantName, outcome);
}

void DeferByPath(CLowFile&, const char* path, const char* variantName) {
    if (ScheduleRemovalAtRestart(path))
        ReportWaiting(path, variantName, "Unable to remove now: removed at the restart");
    else
        ReportFile(path, variantName, "Unable to remove");
}

// Where the restart's deletion goes through a path, nobody but administrators may be able to
// redirect that path before then (a folder on it swapped for a link would have the system
// delete whatever the link leads to): the file is scheduled in a holding folder of its own, or
// by its own path when no folder on that path can be changed by others, or else left in place.
// A volume without access control has no such boundary to keep.
void DeferThroughHandle(CLowFile& file, const char* path, const char* variantName) {
    char moved[MAX_PATH], outcome[MAX_PATH + 64];
    if (!HasAccessControl(path)) {
        DeferByPath(file, path, variantName);
    } else if (MoveIntoHoldingFolder(file, path, moved, sizeof moved)) {
        _snprintf(outcome, sizeof outcome, "Unable to remove now: waits in %s, removed at the restart", moved);
        outcome[sizeof outcome - 1] = 0;
        ReportWaiting(path, variantName, outcome);
    } else if (OnlyAdministratorsMayRedirect(path)) {
        DeferByPath(file, path, variantName);
    } else {
        ReportFile(path, variantName, "Unable to remove, left in place: its folder can be changed by other users");
    }
}

// The 9x line (and any other platform) by path: the file is closed first, since the 9x line
// can neither delete nor rename an open file.
bool ResetAttributesByPath(CLowFile& file, const char* path) {
    file.Close();
    return SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE) != 0;
}
bool DeleteByPath(CLowFile&, const char* path) { return DeleteFileA(path) != 0; }
bool MoveByPath(CLowFile& file, const char* path, const char* newPath) {
    file.Close();
    return MoveFileA(path, newPath) != 0;
}

bool RenameThroughHandle(CLowFile& file, const char*, const char* newPath) { return MoveThroughHandle(file, newPath); }

// How the removal and the rename reach the file on this platform.
struct FileRoute {
    bool (*resetAttributes)(CLowFile& file, const char* path);
    bool (*remove)(CLowFile& file, const char* path);
    bool (*move)(CLowFile& file, const char* path, const char* newPath);
    void (*defer)(CLowFile& file, const char* path, const char* variantName);
};

const FileRoute& Route() {
    static const FileRoute throughHandle = {ResetThroughHandle, DeleteThroughHandle, RenameThroughHandle,
                                            DeferThroughHandle};
    static const FileRoute byPath = {ResetAttributesByPath, DeleteByPath, MoveByPath, DeferByPath};
    return GetOsFamily() == OS_NT ? throughHandle : byPath;
}

void CountRemoval(const char* path, const char* variantName) {
    ++g_filesRemoved;
    CleanUninstallEntry();
    ReportFile(path, variantName, "removed");
}

void RemoveInfectedFile(CLowFile& file, const char* path, const char* variantName) {
    const FileRoute& route = Route();
    if (!route.resetAttributes(file, path)) {
        ReportFile(g_statusText, g_detectedName, "Unable to remove");
        return;
    }
    if (route.remove(file, path) || (KillProcessByPath(path) && route.remove(file, path))) {
        file.Close();
        CountRemoval(path, variantName);
        return;
    }
    if (IsWaitingForRestart(path))
        ReportWaiting(path, variantName, "Unable to remove now: already to be removed at the restart");
    else if (!RestartReaches(path))
        ReportFile(path, variantName, "Unable to remove, left in place: the restart cannot reach its drive");
    else
        route.defer(file, path, variantName);
}

typedef bool (*MoveFn)(CLowFile& file, const char* path, const char* newPath);

void RenameInfectedFile(CLowFile& file, const char* path, const char* variantName, MoveFn move) {
    char renamed[MAX_PATH];
    if (MakeRenamedPath(path, renamed, sizeof renamed) && move(file, path, renamed)) {
        ++g_filesRenamed;
        ReportFile(path, variantName, "renamed");
    } else
        ReportFile(path, variantName, "Rename failed");
}

// The uuencoded check's file (the hosts file) is not a program, and it is not held open: it is
// deleted or renamed by path.
void DeleteInfectedFile(CLowFile&, const char* path, const char* variantName) {
    if (DeleteFileA(path))
        CountRemoval(path, variantName);
    else
        ReportFile(path, variantName, "Remove failed");
}

typedef void (*RemoveFn)(CLowFile& file, const char* path, const char* variantName);

void Apply(CLowFile& file, const char* path, const char* variantName, RemoveFn remove, MoveFn move,
           const char* notDisinfected) {
    switch (g_action) {
        case ACTION_REMOVE:
        case ACTION_REMOVE_TOO:
            remove(file, path, variantName);
            break;
        case ACTION_RENAME:
            RenameInfectedFile(file, path, variantName, move);
            break;
        case ACTION_REPORT_ONLY:
            ReportFile(g_statusText, g_detectedName, notDisinfected);
            break;
    }
}

}   // namespace

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

void ApplyExaminedAction(CLowFile& file, const char* path, const char* variantName) {
    Apply(file, path, variantName, RemoveInfectedFile, Route().move, "not disinfected as per user's selection");
}

void ApplyReducedAction(const char* path, const char* variantName) {
    CLowFile none(INVALID_HANDLE_VALUE);
    Apply(none, path, variantName, DeleteInfectedFile, MoveByPath, "Not Disinfected As Per User's Selection");
}
