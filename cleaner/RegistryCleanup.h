// Autorun values, the trojan's uninstall entry and its own autorun value, and the hosts check.
#pragma once
#include <windows.h>

extern char g_autorunValueName[128];

int CleanAutorunEntries(const char* variantName);
int CleanUninstallEntry();

// `view` is 0 (the caller's own view) or a WOW64 view flag from GetRegistryViews.
void PurgeAutorunValues(HKEY root, const char* subKey, REGSAM view = 0);
int DeleteRegistryValue(HKEY root, const char* subKey, const char* valueName, REGSAM view = 0);
int ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize,
                       REGSAM view = 0);
