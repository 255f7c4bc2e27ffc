// Depth-first walk of a search pattern: all files of a folder, then its subfolders.
#pragma once
#include <stddef.h>

struct FileChecker {
    const char* name;
    int (*check)(const char* name, const char* path);
};

extern const FileChecker g_fileCheckers[];   // ended by an entry with a null name

// g_statusText always holds the entry being looked at; the status line is set from it at
// most this often (milliseconds).
extern unsigned long g_statusIntervalMs;

// Each folder's listing keeps its subfolders' names, for after its files, in at most this many
// bytes; a folder whose subfolders need more lists the rest a second time.
extern size_t g_subfolderNamesLimit;

// Walks the pattern's folder (a drive root, a /path folder, a process image in memory check
// mode); a folder asked for that cannot be listed, or is missing, is reported "not scanned".
int WalkFolder(const char* pattern);
// A folder's own files, none of its subfolders, listed as WalkFolder lists each folder.
int WalkFolderFiles(const char* pattern);
// One file by its full path, examined as WalkFolder examines a listed file. A path with a
// wildcard, a folder and a missing file are skipped; a file the system refuses to list is
// named as not scanned.
int WalkFile(const char* path);

// Whether the walk enters a folder that a listing gave: not "." or "..", and no link.
struct _WIN32_FIND_DATAA;
bool IsWalkedSubfolder(const _WIN32_FIND_DATAA& entry);
