// Paths in the Windows folder, for the program's files that live there on every version: the
// default log, wininit.ini, the 9x hosts file, WinHelp's cursor.
#pragma once
#include <windows.h>
#include <stdio.h>

// The Windows folder followed by name (which starts with a backslash, or is empty for the
// folder itself), or false when it does not fit.
inline bool WindowsFolderPath(const char* name, char* path, size_t size) {
    UINT length = GetWindowsDirectoryA(path, (UINT)size);
    if (length == 0 || length >= size) return false;
    int written = _snprintf(path + length, size - length, "%s", name);
    return written >= 0 && (size_t)written < size - length;
}
