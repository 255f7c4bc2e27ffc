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
// quarantine folder and its files, nobody else anything: a self-relative security descriptor
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
const char kQuarantineFolder[] = "Sweepwright.quarantine";

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

// The drive's quarantine folder, made by this run (one found there already might be anybody's).
bool MakeQuarantineFolder(const char* path, char* folder, size_t size) {
    static bool made['Z' - 'A' + 1];
    char letter = (char)(path[0] & ~0x20);
    if (letter < 'A' || letter > 'Z' || path[1] != ':' || path[2] != '\\') return false;
    int length = _snprintf(folder, size, "%c:\\%s", letter, kQuarantineFolder);
    if (length < 0 || (size_t)length >= size) return false;
    SECURITY_ATTRIBUTES adminOnly = {sizeof adminOnly, (void*)kAdminOnlyDescriptor, FALSE};
    if (!made[letter - 'A']) made[letter - 'A'] = CreateDirectoryA(folder, &adminOnly) != 0;
    return made[letter - 'A'];
}

// A removal left to the restart names a path that nobody without administrator rights can
// redirect: the file moves, through its handle, into the quarantine folder on its own volume,
// that path is scheduled, and the folder after it, so that the restart also takes the folder
// once it is empty. Where the file cannot move (no delete access, no drive letter, no folder)
// its own path is scheduled.
int DeferThroughHandle(CLowFile& file, const char* path) {
    static unsigned s_moved;
    char folder[MAX_PATH], moved[MAX_PATH];
    const char* name = strrchr(path, '\\');
    if (!MakeQuarantineFolder(path, folder, sizeof folder) || !name) return ScheduleRemovalAtRestart(path);
    int length = _snprintf(moved, sizeof moved, "%s\\%u %s", folder, ++s_moved, name + 1);
    if (length < 0 || length >= (int)sizeof moved || !MoveThroughHandle(file, moved))
        return ScheduleRemovalAtRestart(path);
    int requested = ScheduleRemovalAtRestart(moved);
    ScheduleRemovalAtRestart(folder);
    return requested;
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
int DeferByPath(CLowFile&, const char* path) { return ScheduleRemovalAtRestart(path); }

bool RenameThroughHandle(CLowFile& file, const char*, const char* newPath) { return MoveThroughHandle(file, newPath); }

// How the removal and the rename reach the file on this platform.
struct FileRoute {
    bool (*resetAttributes)(CLowFile& file, const char* path);
    bool (*remove)(CLowFile& file, const char* path);
    bool (*move)(CLowFile& file, const char* path, const char* newPath);
    int (*defer)(CLowFile& file, const char* path);
};

const FileRoute& Route() {
    static const FileRoute throughHandle = {ResetThroughHandle, DeleteThroughHandle, RenameThroughHandle,
                                            DeferThroughHandle};
    static const FileRoute byPath = {ResetAttributesByPath, DeleteByPath, MoveByPath, DeferByPath};
    return GetOsFamily() == OS_NT ? throughHandle : byPath;
}

// Every file line reads: path, five blanks, variant name, one blank, outcome.
void ReportFile(const char* path, const char* variantName, const char* outcome) {
    AppendReportLine("%s     %s %s", path, variantName, outcome);
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
    ReportFile(path, variantName, "Unable to remove");
    // One request made is enough for the restart offer; a later failed one must not take it back.
    if (route.defer(file, path)) ++g_restartNeeded;
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

// A file held open with no sharing at all cannot be read, but its attributes can still be
// reset, and its removal left to the restart.
HANDLE OpenForAttributes(const char* path) {
    CFsRedirectionOff asItIs;
    return CreateFileA(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT, NULL);
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

void ApplyAction(const char* path, const char* variantName) {
    CLowFile file(OpenExaminedFile(path));
    if (!file.IsValid()) file.Attach(OpenForAttributes(path));
    ApplyExaminedAction(file, path, variantName);
}

void ApplyReducedAction(const char* path, const char* variantName) {
    CLowFile none(INVALID_HANDLE_VALUE);
    Apply(none, path, variantName, DeleteInfectedFile, MoveByPath, "Not Disinfected As Per User's Selection");
}
