// The trojan's autorun and uninstall registry entries, in every registry view, and the hosts file check.
#include "cleaner/RegistryCleanup.h"

#include <stdio.h>
#include <string.h>

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/AutorunRule.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RuntimeLink.h"
#include "cleaner/Wow64.h"
#include "engine/FileMatcher.h"
#include "engine/PathText.h"
#include "engine/SignatureTable.h"
#include "engine/UuencodedCheck.h"
#include "framework/KernelHandles.h"
#include "framework/SystemFolders.h"

char g_autorunValueName[128];
// The infected file whose autorun value gave g_autorunValueName its content.
static char s_rememberedFile[sizeof g_currentFilePath];

// The registry ignores case: "SOFTWARE\..." and "Software\..." name the same keys.
static const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
static const char kTrojanUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v";
static const char kRegistryLine[] = "System Registry     %s removed";

static void ReportRegistryRemoval(const char* name) {
    if (g_hMainWnd != NULL) AppendReportLine(kRegistryLine, name);
}

// `view` is 0 or one of the WOW64 view flags (see GetRegistryViews).
static bool OpenKey(CRegKey& key, HKEY root, const char* subKey, REGSAM access, REGSAM view) {
    return RegOpenKeyExA(root, subKey, 0, access | view, key.Receive()) == ERROR_SUCCESS;
}

// Closes the key at once, for the callers whose answer includes the close.
static bool CloseKey(CRegKey& key) { return RegCloseKey(key.Detach()) == ERROR_SUCCESS; }

// Reads a value of an open key as text. A text that does not fit the buffer together with its
// terminating zero counts as unreadable.
static int QueryValueText(const CRegKey& key, const char* valueName, char* buffer, DWORD bufferSize) {
    CRegValue value;
    return key.QueryValue(valueName, &value) == ERROR_SUCCESS && CopyText(buffer, bufferSize, value.Text());
}

int ReadRegistryString(HKEY root, const char* subKey, const char* valueName, char* buffer, DWORD bufferSize,
                       REGSAM view) {
    CRegKey key;
    if (!OpenKey(key, root, subKey, KEY_READ, view)) return 0;
    int read = QueryValueText(key, valueName, buffer, bufferSize);
    return CloseKey(key) && read;
}

int DeleteRegistryValue(HKEY root, const char* subKey, const char* valueName, REGSAM view) {
    CRegKey key;
    if (!OpenKey(key, root, subKey, KEY_ALL_ACCESS, view)) return 0;
    int deleted = RegDeleteValueA(key, valueName) == ERROR_SUCCESS;
    return CloseKey(key) && deleted;
}

// A name that does not fit is not remembered: a cut name could be that of another value.
static void RememberValueName(const char* name) {
    if (strlen(name) >= sizeof g_autorunValueName) return;
    CopyText(g_autorunValueName, sizeof g_autorunValueName, name);
    CopyText(s_rememberedFile, sizeof s_rememberedFile, g_currentFilePath);
}

typedef UINT(WINAPI* GetFolderFn)(LPSTR, UINT);

// A folder path, or "" where the system has no such folder or the path does not fit.
static void AskFolder(GetFolderFn getFolder, char* folder) {
    UINT length = getFolder ? getFolder(folder, MAX_PATH) : 0;
    if (length == 0 || length >= MAX_PATH) folder[0] = '\0';
}

// The system's own folders, asked once. GetSystemWow64DirectoryA exists from XP on and
// answers only on 64-bit Windows.
static SystemFolders AskSystemFolders() {
    static char system[MAX_PATH], windowsSystem[MAX_PATH], wow64[MAX_PATH];
    AskFolder(GetSystemDirectoryA, system);
    if (!WindowsFolderPath("\\System", windowsSystem, MAX_PATH)) windowsSystem[0] = '\0';
    AskFolder(LookUpKernel32<GetFolderFn>("GetSystemWow64DirectoryA"), wow64);
    return SystemFolders{system, windowsSystem, wow64};
}

// An autorun value's data as stored and after environment expansion.
struct AutorunData {
    char data[264];
    char expanded[261];
};

// 0 when the data cannot be read or expanded.
static int ReadAutorunData(HKEY root, const char* subKey, REGSAM view, const char* name, AutorunData* value) {
    if (!ReadRegistryString(root, subKey, name, value->data, sizeof value->data, view)) return 0;
    DWORD expandedLength = ExpandEnvironmentStringsA(value->data, value->expanded, sizeof value->expanded);
    if (expandedLength == 0) return 0;
    // An expansion too long for its buffer is not compared; the data itself still is.
    if (expandedLength > sizeof value->expanded) value->expanded[0] = '\0';
    return 1;
}

static_assert(AUTORUN_64BIT_VIEW == KEY_WOW64_64KEY && AUTORUN_32BIT_VIEW == KEY_WOW64_32KEY,
              "the rule takes the registry's view flags as they are");

const SystemFolders& TheSystemFolders() {
    static const SystemFolders folders = AskSystemFolders();
    return folders;
}

static AutorunMatch MatchAutorunData(const AutorunData& value, const char* infectedPath, REGSAM view) {
    return MatchAutorunCommand(value.data, value.expanded, infectedPath, TheSystemFolders(), (AutorunView)view);
}

void ForEachAutorunCommand(HKEY root, const char* subKey, REGSAM view,
                           void (*found)(const char* command, REGSAM view)) {
    CRegKey key;
    if (!OpenKey(key, root, subKey, KEY_READ, view)) return;
    static char name[16384];
    for (DWORD index = 0;; index++) {
        DWORD nameLength = sizeof name - 1;
        LONG listed = RegEnumValueA(key, index, name, &nameLength, NULL, NULL, NULL, NULL);
        if (listed != ERROR_SUCCESS && listed != ERROR_MORE_DATA) return;   // ERROR_NO_MORE_ITEMS at the end
        AutorunData value;
        if (listed == ERROR_SUCCESS && ReadAutorunData(root, subKey, view, name, &value)) found(value.expanded, view);
    }
}

// Examines one value of an autorun key and deletes it when it starts the infected file.
// Returns 1 when the value was deleted.
static int PurgeValue(HKEY root, const char* subKey, REGSAM view, const char* name) {
    AutorunData value;
    if (!ReadAutorunData(root, subKey, view, name, &value)) return 0;
    AutorunMatch match = MatchAutorunData(value, g_currentFilePath, view);
    if (match == AUTORUN_NO_MATCH) return 0;
    // A full-path command is remembered even when this deletion fails, so the
    // next infected file tries the name again.
    if (match == AUTORUN_FULL_PATH) RememberValueName(name);
    if (!DeleteRegistryValue(root, subKey, name, view)) return 0;
    if (match == AUTORUN_BARE_COMMAND) RememberValueName(name);
    ReportRegistryRemoval(TROJAN_LABEL);
    return 1;
}

void PurgeAutorunValues(HKEY root, const char* subKey, REGSAM view) {
    if (strrchr(g_currentFilePath, '\\') == NULL) return;
    CRegKey key;
    if (!OpenKey(key, root, subKey, KEY_READ, view)) return;
    DWORD valueCount = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &valueCount, NULL, NULL, NULL, NULL);
    static char name[16384];
    DWORD deletions = 0;
    for (DWORD counter = 0; counter < valueCount; counter++) {
        // The values after a deleted one have moved down by one.
        DWORD nameLength = sizeof name - 1;
        if (RegEnumValueA(key, counter - deletions, name, &nameLength, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        deletions += PurgeValue(root, subKey, view, name);
    }
}

// The hosts file lies below the system folder on the NT line and in the Windows folder on 9x.
static int GetHostsPath(char* path, int size) {
    switch (GetOsFamily()) {
        case OS_NT: {
            UINT length = GetSystemDirectoryA(path, size);
            return length != 0 && length < (UINT)size && AppendText(path, size, "\\drivers\\etc\\hosts");
        }
        case OS_9X:
            return WindowsFolderPath("\\hosts", path, size) ? 1 : 0;
        default:
            return 0;
    }
}

// Another program may use the remembered name, in another key or registry view: a value of
// that name in Run or RunServices is the trojan's only when it starts the infected file at
// hand or the one the name was found for.
static bool StartsInfectedFile(const char* subKey, REGSAM view) {
    AutorunData value;
    if (!ReadAutorunData(HKEY_LOCAL_MACHINE, subKey, view, g_autorunValueName, &value)) return false;
    return MatchAutorunData(value, g_currentFilePath, view) != AUTORUN_NO_MATCH ||
           MatchAutorunData(value, s_rememberedFile, view) != AUTORUN_NO_MATCH;
}

// The value name remembered from an earlier infected file, tried in three keys of one view;
// in the trojan's own uninstall key whatever its data.
static void DeleteRememberedName(REGSAM view, const char* variantName) {
    const char* keys[] = {kRunKey, kRunServicesKey, kTrojanUninstallKey};
    for (const char* key : keys) {
        if (key != kTrojanUninstallKey && !StartsInfectedFile(key, view)) continue;
        if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, key, g_autorunValueName, view)) ReportRegistryRemoval(variantName);
    }
}

// On a 64-bit system each registry view has its own autorun and uninstall keys: a 32-bit
// trojan writes to one, a 64-bit one to the other. Every step is done in each view.
int CleanAutorunEntries(const char* variantName) {
    char hostsPath[MAX_PATH];
    if (GetHostsPath(hostsPath, sizeof hostsPath)) CheckUuencodedFile(TROJAN_LABEL " ", hostsPath);
    // A report-only scan changes nothing, in the registry neither.
    if (g_action == ACTION_REPORT_ONLY) return 1;

    REGSAM views[2];
    int viewCount = GetRegistryViews(views);
    // The remembered name goes from every view before this file's purge can remember a new one.
    if (g_autorunValueName[0] != '\0') {
        for (int i = 0; i < viewCount; i++) DeleteRememberedName(views[i], variantName);
    }
    if (g_currentFilePath[0] != '\0') {
        for (int i = 0; i < viewCount; i++) {
            PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey, views[i]);
            PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunServicesKey, views[i]);
        }
    }
    return 1;
}

// Opens one key, deletes `valueName` when its data contain `marker`, and closes the key.
// Returns 0 when the key, the value or the deletion fails.
static int DeleteValueMarkedBy(const char* subKey, const char* valueName, const char* marker, REGSAM view) {
    CRegKey key;
    if (!OpenKey(key, HKEY_LOCAL_MACHINE, subKey, KEY_ALL_ACCESS, view)) return 0;
    char data[100];
    int ok = QueryValueText(key, valueName, data, sizeof data);
    if (ok && strstr(data, marker) != NULL) ok = RegDeleteValueA(key, valueName) == ERROR_SUCCESS;
    return CloseKey(key) && ok;
}

// The trojan's own autorun value is only looked at when its uninstall entry exists.
static int CleanUninstallView(REGSAM view) {
    if (!DeleteValueMarkedBy(kTrojanUninstallKey, "UninstallString", "uninstall.exe", view)) return 0;
    return DeleteValueMarkedBy(kRunKey, "SMrhcjg7j0e38v", "rhcjg7j0e38v.exe", view);
}

// 1 when the entry went through both keys in at least one view: the trojan registers in one.
int CleanUninstallEntry() {
    REGSAM views[2];
    int viewCount = GetRegistryViews(views);
    int cleaned = 0;
    for (int i = 0; i < viewCount; i++) cleaned |= CleanUninstallView(views[i]);
    return cleaned;
}
