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
#include "engine/WininitEdit.h"

int ScheduleRemovalAtRestart(const char* path)
{
    switch (GetOsFamily()) {
    case OS_NT:
        return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    case OS_9X: {
        // wininit.ini is processed before Windows starts, where only 8.3 names exist: without
        // a short form (the file is gone, or it has none) a line could never be carried out.
        char shortPath[260];
        DWORD length = GetShortPathNameA(path, shortPath, sizeof shortPath);
        if (length == 0 || length >= sizeof shortPath)
            return 0;
        return AddWininitRename("NUL", shortPath) ? 1 : 0;
    }
    default:
        return 0;
    }
}

// The Windows folder followed by name, or false when it does not fit.
static bool WindowsFolderPath(const char* name, char* path, size_t size)
{
    UINT length = GetWindowsDirectoryA(path, (UINT)size);
    if (length == 0 || length >= size)
        return false;
    int written = _snprintf(path + length, size - length, "%s", name);
    return written >= 0 && (size_t)written < size - length;
}

struct FileText {
    char* text;
    size_t length;
};

static bool ReadWholeFile(const char* path, FileText* file)
{
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1)
        return false;
    long length = _filelength(fd);
    file->text = length >= 0 ? (char*)malloc((size_t)length + 1) : NULL;
    file->length = (size_t)length;
    bool read = file->text && _read(fd, file->text, (unsigned)length) == length;
    _close(fd);
    return read;
}

static bool WriteWholeFile(const char* path, const char* text, size_t length)
{
    int fd = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd == -1)
        return false;
    bool written = _write(fd, text, (unsigned)length) == (int)length;
    return _close(fd) == 0 && written;
}

// Puts source in target's place. The 9x line has no MoveFileExA; only there the old file is
// deleted first.
static bool PutInPlace(const char* source, const char* target)
{
    if (MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    DeleteFileA(target);
    return MoveFileA(source, target) != 0;
}

// The new content is built in memory and written to a file of its own beside wininit.ini,
// which then takes wininit.ini's place: a failure at any step leaves the old file as it was.
bool AddWininitRename(const char* key, const char* value)
{
    char iniPath[350], newPath[350];
    if (!WindowsFolderPath("\\wininit.ini", iniPath, sizeof iniPath) ||
        !WindowsFolderPath("\\wininit.new", newPath, sizeof newPath))
        return false;
    FileText old = { NULL, 0 };
    if (_access(iniPath, 0) == 0 && !ReadWholeFile(iniPath, &old)) {
        free(old.text);
        return false;
    }
    size_t capacity = RenameEntryCapacity(old.length, key, value);
    char* updated = (char*)malloc(capacity);
    size_t length = updated ? InsertRenameEntry(old.text, old.length, key, value, updated, capacity) : 0;
    bool replaced = length && WriteWholeFile(newPath, updated, length) && PutInPlace(newPath, iniPath);
    if (!replaced)
        DeleteFileA(newPath);
    free(updated);
    free(old.text);
    return replaced;
}
