// Deletion at the next start of Windows for a file that cannot be deleted now: one pending
// rename request on the NT line, a NUL= line in wininit.ini's [rename] section on the 9x line.
#include "engine/DeferredRemoval.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "cleaner/ProcessKill.h"
#include "cleaner/Wow64.h"
#include "engine/WininitEdit.h"

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

// The Windows folder followed by name, or false when it does not fit.
static bool WindowsFolderPath(const char* name, char* path, size_t size) {
    UINT length = GetWindowsDirectoryA(path, (UINT)size);
    if (length == 0 || length >= size) return false;
    int written = _snprintf(path + length, size - length, "%s", name);
    return written >= 0 && (size_t)written < size - length;
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
