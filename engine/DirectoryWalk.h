// Depth-first walk of a search pattern: all files of a folder, then its subfolders.
#pragma once

struct FileChecker {
    const char* name;
    int (*check)(const char* name, const char* path);
};

extern const FileChecker g_fileCheckers[];   // ended by an entry with a null name

// g_statusText always holds the entry being looked at; the status line is set from it at
// most this often (milliseconds).
extern unsigned long g_statusIntervalMs;

int WalkFolder(const char* pattern);
void ShortenPath(const char* source, char* dest, int maxLength);
