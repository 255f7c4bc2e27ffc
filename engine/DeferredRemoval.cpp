// Deletion at the next start of Windows for a file that cannot be deleted now: one pending
// rename request on the NT line, a NUL= line in wininit.ini's [rename] section on the 9x line.
#include "engine/DeferredRemoval.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string.h>

#include "cleaner/ProcessKill.h"
#include "cleaner/RuntimeLink.h"
#include "cleaner/Wow64.h"
#include "engine/FolderSecurity.h"
#include "engine/WininitEdit.h"
#include "framework/KernelHandles.h"
#include "framework/SystemFolders.h"

static const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

int ScheduleRemovalAtRestart(const char* path) {
    switch (GetOsFamily()) {
        case OS_NT: {
            CFsRedirectionOff asItIs;
            return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
        }
        case OS_9X: {
            // wininit.ini is processed before Windows starts, where only 8.3 names exist: without
            // a short form (the file is gone, or it has none) a line could never be carried out.
            char shortPath[260];
            DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
            if (length == 0 || length >= sizeof shortPath) return 0;
            return AddWininitRename("NUL", shortPath) ? 1 : 0;
        }
        default:
            return 0;
    }
}

struct FileText {
    char* text;
    size_t length;
};

static bool ReadWholeFile(const char* path, FileText* file) {
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1) return false;
    long length = _filelength(fd);
    file->text = length >= 0 ? (char*)malloc((size_t)length + 1) : NULL;
    file->length = (size_t)length;
    bool read = file->text && _read(fd, file->text, (unsigned)length) == length;
    _close(fd);
    return read;
}

static bool WriteWholeFile(const char* path, const char* text, size_t length) {
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd == -1) return false;
    bool written = _write(fd, text, (unsigned)length) == (int)length;
    return _close(fd) == 0 && written;
}

// Puts source in target's place on the 9x line, which has no MoveFileExA. The old target is
// first renamed to backup, so that it stays readable until the new one is in place, and is
// put back when the new one cannot be moved there. backup is null when there is no target.
static bool PutInPlace(const char* source, const char* target, const char* backup) {
    if (backup) {
        DeleteFileA(backup);   // left over from an earlier edit; MoveFileA replaces nothing
        if (!MoveFileA(target, backup)) return false;
    }
    if (MoveFileA(source, target)) {
        if (backup) DeleteFileA(backup);
        return true;
    }
    if (backup) MoveFileA(backup, target);
    return false;
}

// The new content is built in memory and written to a file of its own beside wininit.ini,
// which then takes wininit.ini's place: a failure at any step leaves the old file as it was.
// Only the 9x line reads wininit.ini, so only its calls lead here.
bool AddWininitRename(const char* key, const char* value) {
    char iniPath[350], newPath[350], backupPath[350];
    if (!WindowsFolderPath("\\wininit.ini", iniPath, sizeof iniPath) ||
        !WindowsFolderPath("\\wininit.new", newPath, sizeof newPath) ||
        !WindowsFolderPath("\\wininit.old", backupPath, sizeof backupPath))
        return false;
    FileText old = {NULL, 0};
    const bool exists = _access(iniPath, 0) == 0;
    if (exists && !ReadWholeFile(iniPath, &old)) {
        free(old.text);
        return false;
    }
    size_t capacity = RenameEntryCapacity(old.length, key, value);
    char* updated = (char*)malloc(capacity);
    size_t length = updated ? InsertRenameEntry(old.text, old.length, key, value, updated, capacity) : 0;
    bool replaced =
        length && WriteWholeFile(newPath, updated, length) && PutInPlace(newPath, iniPath, exists ? backupPath : NULL);
    if (!replaced) DeleteFileA(newPath);
    free(updated);
    free(old.text);
    return replaced;
}

// A subst letter is a link to a folder ("\??\C:\folder"); a disk's letter names a device.
static bool IsSubstLetter(char letter) {
    typedef DWORD(WINAPI * QueryDosDeviceFn)(LPCSTR, LPSTR, DWORD);
    static const QueryDosDeviceFn queryDosDevice = LookUpKernel32<QueryDosDeviceFn>("QueryDosDeviceA");
    char device[3] = {letter, ':', 0}, target[MAX_PATH];
    return queryDosDevice && queryDosDevice(device, target, sizeof target) && strncmp(target, "\\??\\", 4) == 0;
}

bool RestartReaches(const char* path) {
    if (path[0] == '\\' && path[1] == '\\') return false;
    bool lettered = path[0] != 0 && path[1] == ':';
    char root[4] = {path[0], ':', '\\', 0};
    if (GetDriveTypeA(lettered ? root : NULL) == DRIVE_REMOTE) return false;
    return !lettered || !IsSubstLetter(path[0]);
}

bool HasAccessControl(const char* path) {
    char root[4] = {path[0], ':', '\\', 0};
    DWORD flags = 0;
    return path[1] == ':' && GetVolumeInformationA(root, NULL, 0, NULL, NULL, &flags, NULL, 0) &&
           (flags & FS_PERSISTENT_ACLS) != 0;
}

static bool FolderOnlyAdministratorsMayChange(const char* folder, bool holdsTheFile) {
    typedef BOOL(WINAPI * GetFileSecurityFn)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
    static const GetFileSecurityFn getFileSecurity =
        LookUp<GetFileSecurityFn>(GetModuleHandleA("advapi32.dll"), "GetFileSecurityA");
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    CFsRedirectionOff asItIs;
    DWORD size = 0;
    if (!getFileSecurity) return false;
    getFileSecurity(folder, wanted, NULL, 0, &size);
    void* descriptor = size ? malloc(size) : NULL;
    bool only = descriptor && getFileSecurity(folder, wanted, descriptor, size, &size) &&
                OnlyAdministratorsMayChange(descriptor, size, holdsTheFile);
    free(descriptor);
    return only;
}

// Every folder from the drive's root to the file's own: a path is redirected by changing any
// one of them.
bool OnlyAdministratorsMayRedirect(const char* path) {
    char folder[MAX_PATH];
    const char* last = strrchr(path, '\\');
    if (!last || last - path >= MAX_PATH || path[1] != ':') return false;
    for (const char* end = strchr(path, '\\'); end; end = strchr(end + 1, '\\')) {
        size_t length = (size_t)(end - path) + (end == path + 2);   // the root keeps its backslash
        memcpy(folder, path, length);
        folder[length] = 0;
        if (!FolderOnlyAdministratorsMayChange(folder, end == last)) return false;
    }
    return true;
}

// The list holds pairs, source and target; an empty target deletes the source, which is
// stored as given, or with the "\??\" that MoveFileExA puts before it.
static bool PendingDeletionOf(const char* path) {
    CRegKey key;
    CRegValue value;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS ||
        key.QueryValue("PendingFileRenameOperations", &value) != ERROR_SUCCESS)
        return false;
    const char* end = value.Text() + value.Size();
    for (const char* source = value.Text(); source < end && *source;) {
        const char* target = source + strlen(source) + 1;
        const char* named = strncmp(source, "\\??\\", 4) == 0 ? source + 4 : source;
        if (target < end && *target == 0 && lstrcmpiA(named, path) == 0) return true;
        source = target + strlen(target) + 1;
    }
    return false;
}

// wininit.ini's lines are compared whole, so that one short path is not taken for another
// that starts like it.
static bool WininitDeletes(const char* path) {
    char shortPath[260], iniPath[350], line[270];
    DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (length == 0 || length >= sizeof shortPath || !WindowsFolderPath("\\wininit.ini", iniPath, sizeof iniPath))
        return false;
    _snprintf(line, sizeof line, "NUL=%s", shortPath);
    line[sizeof line - 1] = 0;
    FileText ini = {NULL, 0};
    bool found = false;
    if (ReadWholeFile(iniPath, &ini)) {
        ini.text[ini.length] = 0;
        size_t lineLength = strlen(line);
        // strchr finds the terminating zero too: the file's last line needs no line end.
        for (const char* at = ini.text; at && !found; at = strchr(at, '\n'), at = at ? at + 1 : NULL)
            found = _strnicmp(at, line, lineLength) == 0 && strchr("\r\n", at[lineLength]) != NULL;
    }
    free(ini.text);
    return found;
}

bool IsWaitingForRestart(const char* path) {
    switch (GetOsFamily()) {
        case OS_NT:
            return PendingDeletionOf(path);
        case OS_9X:
            return WininitDeletes(path);
        default:
            return false;
    }
}
