#include "cleaner/RegistryCleanup.h"

#include <stdio.h>
#include <string.h>

#include "app/ReportChannel.h"
#include "cleaner/AutorunRule.h"
#include "cleaner/ProcessKill.h"
#include "engine/FileMatcher.h"
#include "engine/PathText.h"
#include "engine/UuencodedCheck.h"

char g_autorunValueName[128];

static const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
static const char kTrojanUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
static const char kUninstallKeyUpper[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
static const char kRunKeyUpper[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kRegistryLine[] = "System Registry     %s removed";
static const char kTrojanLabel[] = "W32/Drellmoxin.Trojan";

static void ReportRegistryRemoval(const char* name) {
    if (g_hMainWnd != NULL) AppendReportLine(kRegistryLine, name);
}

// Reads a value of an open key as text. Data that would not fit the buffer together with its
// terminating zero is not read at all: the caller treats it as unreadable.
static int QueryValueText(HKEY key, const char* valueName, char* buffer, DWORD bufferSize) {
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName, NULL, NULL, NULL, &size) != ERROR_SUCCESS || size > bufferSize) return 0;
    memset(buffer, 0, bufferSize);
    if (RegQueryValueExA(key, valueName, NULL, NULL, (BYTE*)buffer, &size) != ERROR_SUCCESS) return 0;
    if (size == bufferSize && buffer[size - 1] != '\0') return 0;   // no room left for the terminator
    return 1;
}

int ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int read = QueryValueText(key, valueName, buffer, bufferSize);
    int closed = RegCloseKey(key) == ERROR_SUCCESS;
    return read && closed;
}

int DeleteRegistryValue(HKEY root, const char* subKey, const char* valueName) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    int deleted = RegDeleteValueA(key, valueName) == ERROR_SUCCESS;
    int closed = RegCloseKey(key) == ERROR_SUCCESS;
    return deleted && closed;
}

// A name that does not fit is not remembered: a cut name could be that of another value.
static void RememberValueName(const char* name) {
    if (strlen(name) < sizeof g_autorunValueName) CopyText(g_autorunValueName, sizeof g_autorunValueName, name);
}

void PurgeAutorunValues(HKEY root, const char* subKey) {
    if (strrchr(g_currentFilePath, '\\') == NULL) return;
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD valueCount = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &valueCount, NULL, NULL, NULL, NULL);
    static char name[16384];
    DWORD deletions = 0;
    for (DWORD counter = 0; counter < valueCount; counter++) {
        // The values after a deleted one have moved down by one.
        DWORD nameLength = sizeof name - 1;
        if (RegEnumValueA(key, counter - deletions, name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) continue;
        char data[264];
        if (!ReadRegistryString(root, subKey, name, data, sizeof data)) continue;
        char expanded[261];
        DWORD expandedLength = ExpandEnvironmentStringsA(data, expanded, sizeof expanded);
        if (expandedLength == 0 || expandedLength > sizeof expanded) continue;

        AutorunMatch match = MatchAutorunCommand(data, expanded, g_currentFilePath);
        if (match == AUTORUN_NO_MATCH) continue;
        // A full-path command is remembered even when this deletion fails, so the
        // next infected file tries the name again.
        if (match == AUTORUN_FULL_PATH) RememberValueName(name);
        if (!DeleteRegistryValue(root, subKey, name)) continue;
        if (match == AUTORUN_BARE_COMMAND) RememberValueName(name);
        ReportRegistryRemoval(kTrojanLabel);
        deletions++;
    }
    RegCloseKey(key);
}

// The hosts file lies below the system folder on the NT line and in the Windows folder on 9x.
static int GetHostsPath(char* path, int size) {
    int family = GetOsFamily();
    const char* suffix;
    UINT folderLength;
    if (family == OS_NT) {
        folderLength = GetSystemDirectoryA(path, size);
        suffix = "\\drivers\\etc\\hosts";
    } else if (family == OS_9X) {
        folderLength = GetWindowsDirectoryA(path, size);
        suffix = "\\hosts";
    } else {
        return 0;
    }
    return folderLength != 0 && folderLength < (UINT)size && AppendText(path, size, suffix);
}

int CleanAutorunEntries(const char* variantName) {
    char hostsPath[MAX_PATH];
    if (GetHostsPath(hostsPath, sizeof hostsPath)) CheckUuencodedFile("W32/Drellmoxin.Trojan ", hostsPath);

    if (g_autorunValueName[0] != '\0') {
        const char* keys[] = {kRunKey, kRunServicesKey, kTrojanUninstallKey};
        for (const char* key : keys) {
            if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, key, g_autorunValueName)) ReportRegistryRemoval(variantName);
        }
    }
    if (g_currentFilePath[0] != '\0') {
        PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
        PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunServicesKey);
    }
    return 1;
}

// Opens one key, deletes `valueName` when its data contain `marker`, and closes the key.
// Returns 0 when the key, the value or the deletion fails.
static int DeleteValueMarkedBy(const char* subKey, const char* valueName, const char* marker) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    char data[100];
    int ok = QueryValueText(key, valueName, data, sizeof data);
    if (ok && strstr(data, marker) != NULL) ok = RegDeleteValueA(key, valueName) == ERROR_SUCCESS;
    int closed = RegCloseKey(key) == ERROR_SUCCESS;
    return ok && closed;
}

int CleanUninstallEntry() {
    // The trojan's own autorun value is only looked at when its uninstall entry exists.
    if (!DeleteValueMarkedBy(kUninstallKeyUpper, "UninstallString", "uninstall.exe")) return 0;
    return DeleteValueMarkedBy(kRunKeyUpper, "SMrhcjg7j0e38v", "rhcjg7j0e38v.exe");
}
