// Autorun values, the trojan's uninstall entry and its own autorun value, and the hosts check.
#pragma once
#include <windows.h>

extern char g_autorunValueName[128];

int CleanAutorunEntries(const char* variantName);
void PurgeAutorunValues(HKEY root, const char* subKey);
int CleanUninstallEntry();
int DeleteRegistryValue(HKEY root, const char* subKey, const char* valueName);
int ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize);
