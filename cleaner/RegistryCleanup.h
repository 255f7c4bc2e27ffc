// Autorun values, the trojan's uninstall entry and its own autorun value, and the hosts check.
#pragma once
#include <windows.h>
#include "cleaner/AutorunRule.h"

extern char g_autorunValueName[128];

int CleanAutorunEntries(const char* variantName);
int CleanUninstallEntry();

// `view` is 0 (the caller's own view) or a WOW64 view flag from GetRegistryViews.
void PurgeAutorunValues(HKEY root, const char* subKey, REGSAM view = 0);
int DeleteRegistryValue(HKEY root, const char* subKey, const char* valueName, REGSAM view = 0);
// The system's own folders, as the autorun rule compares them, asked once.
const SystemFolders& TheSystemFolders();
// Hands the command of every readable value of one autorun key, environment strings
// expanded, to `found`.
void ForEachAutorunCommand(HKEY root, const char* subKey, REGSAM view, void (*found)(const char* command, REGSAM view));

int ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize,
                       REGSAM view = 0);
