#include "cleaner/MemoryScan.h"

#include <windows.h>
#include <tlhelp32.h>
#include <stdlib.h>
#include <string.h>

#include "app/ScanState.h"
#include "app/Settings.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/Restart.h"
#include "cleaner/Services.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/PathText.h"
#include "skin/MsgDlg.h"

int g_osFamily;
int g_memoryRestartNeeded = 0;

namespace {

struct ProcessEntry {
    DWORD id;
    char path[MAX_PATH];
    ProcessEntry* next;
};

// The list in enumeration order: `tail` points at the link the next entry goes into.
struct ProcessList {
    ProcessEntry* head = nullptr;
    ProcessEntry** tail = &head;

    bool Append(DWORD id, const char* path) {
        ProcessEntry* entry = (ProcessEntry*)malloc(sizeof(ProcessEntry));
        if (entry == nullptr) return false;
        entry->id = id;
        CopyText(entry->path, sizeof entry->path, path);
        entry->next = nullptr;
        *tail = entry;
        tail = &entry->next;
        return true;
    }
    ~ProcessList() {
        while (head != nullptr) {
            ProcessEntry* next = head->next;
            free(head);
            head = next;
        }
    }
};

// GetProcAddress answers with a generic function pointer; the caller knows the real type.
template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
    return (Fn)(void*)GetProcAddress(module, name);
}

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE, HMODULE, LPSTR, DWORD);

const char kFoundInMemory[] =
    "W32/Drellmoxin.Trojan  found in memory! registry entries created by the worm are removed. "
    "You must restart the computer and run this program to continue scanning.\n\n"
    "Restart the computer now?";

// Walks the image in memory check mode; true when the matcher recognised it. An image that
// cannot be read is not examined, so no earlier hit is taken for it.
bool ImageIsInfected(const char* path) {
    if (_access(path, 4) != 0) return false;
    WalkFolder(path);
    return g_memoryHit != 0;
}

// The second walk of a dealt-with image: the matcher now reports and applies the action.
void RemoveImage(const char* path) {
    g_forcedAction = g_action;
    WalkFolder(path);
    g_forcedAction = 0;
}

bool TerminateById(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id);
    if (process == NULL) return false;
    bool ended = TerminateProcess(process, 0) != 0;
    CloseHandle(process);
    return ended;
}

// Lets the NT scan open processes of other users.
void EnableDebugPrivilege() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        MessageBoxA(NULL, "false", "TEMP", 0);
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

HANDLE OpenForQuery(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    // Only a failed open is answered by the privilege: a successful one may leave an older
    // access-denied error behind.
    if (process == NULL && GetLastError() == ERROR_ACCESS_DENIED) {
        EnableDebugPrivilege();
        process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    }
    return process;
}

// The service of an image is named like its file without the extension.
void ServiceNameOf(const char* imagePath, char* name, int size) {
    const char* slash = strrchr(imagePath, '\\');
    CopyText(name, size, slash != nullptr ? slash + 1 : imagePath);
    char* dot = strrchr(name, '.');
    if (dot != nullptr) *dot = '\0';
}

// Ends one infected NT process. Returns true when a restart became necessary because neither
// the process nor its service could be ended.
bool EndInfectedProcess(const ProcessEntry& entry) {
    bool firstEnded = TerminateById(entry.id);
    if (TerminateById(entry.id)) {
        RemoveImage(entry.path);
        return false;
    }
    int generation = GetNtGeneration();
    bool restartNeeded = false;
    if (generation == NT_GEN_4_OR_LOWER || generation == NT_GEN_5) {
        char serviceName[MAX_PATH];
        ServiceNameOf(entry.path, serviceName, sizeof serviceName);
        if (StopService(serviceName)) {
            DeleteServiceKeys(serviceName);
            RemoveImage(entry.path);
            return false;
        }
        DeleteServiceKeys(serviceName);
        // The second attempt also fails for a process that the first one ended; only a
        // process that survived both still runs until the restart.
        restartNeeded = !firstEnded;
        if (restartNeeded) g_memoryRestartNeeded = 1;
    }
    if (firstEnded) RemoveImage(entry.path);
    return restartNeeded;
}

}  // namespace

void ScanProcessesToolhelp() {
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    if (kernel == NULL) return;
    CreateSnapshotFn createSnapshot = LookUp<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    ProcessWalkFn first = LookUp<ProcessWalkFn>(kernel, "Process32First");
    PROCESSENTRY32* record = (PROCESSENTRY32*)calloc(1, sizeof(PROCESSENTRY32));
    HANDLE snapshot = INVALID_HANDLE_VALUE;
    if (createSnapshot != nullptr && first != nullptr && record != nullptr)
        snapshot = createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        record->dwSize = sizeof(PROCESSENTRY32);
        ProcessList list;
        bool listed = first(snapshot, record) && list.Append(record->th32ProcessID, record->szExeFile);
        while (listed) {
            ProcessWalkFn next = LookUp<ProcessWalkFn>(kernel, "Process32Next");
            if (next == nullptr) listed = false;
            else if (!next(snapshot, record)) break;
            else listed = list.Append(record->th32ProcessID, record->szExeFile);
        }
        for (ProcessEntry* entry = listed ? list.head : nullptr; entry != nullptr; entry = entry->next) {
            if (!ImageIsInfected(entry->path) || g_action == ACTION_REPORT_ONLY) continue;
            TerminateById(entry->id);
            RemoveImage(entry->path);
        }
        CloseHandle(snapshot);
    }
    free(record);
    FreeLibrary(kernel);
}

short ScanProcessesPsapi() {
    HMODULE psapi = LoadLibraryA("psapi.dll");
    if (psapi == NULL) return 0;
    EnumProcessesFn enumProcesses = LookUp<EnumProcessesFn>(psapi, "EnumProcesses");
    DWORD ids[1024] = {};
    DWORD bytes = 0;
    if (enumProcesses == nullptr || !enumProcesses(ids, sizeof ids, &bytes)) bytes = 0;
    GetModuleFileNameExFn moduleFileName = LookUp<GetModuleFileNameExFn>(psapi, "GetModuleFileNameExA");
    DWORD count = bytes / sizeof(DWORD);
    if (moduleFileName == nullptr || count == 0) {
        FreeLibrary(psapi);
        return 0;
    }
    ProcessList list;
    bool listed = true;
    for (DWORD i = 0; i < count && listed; i++) {
        HANDLE process = OpenForQuery(ids[i]);
        if (process == NULL) continue;
        char path[MAX_PATH] = {};
        if (moduleFileName(process, NULL, path, sizeof path) != 0) {
            path[sizeof path - 1] = '\0';   // a cut name is not always terminated
            listed = list.Append(ids[i], path);
        }
        CloseHandle(process);
    }
    bool restartNeeded = false;
    for (ProcessEntry* entry = listed ? list.head : nullptr; entry != nullptr; entry = entry->next) {
        if (!ImageIsInfected(entry->path)) continue;
        if (g_action < ACTION_REMOVE || g_action > ACTION_REMOVE_TOO) continue;
        if (EndInfectedProcess(*entry)) restartNeeded = true;
    }
    FreeLibrary(psapi);
    return restartNeeded ? 1 : 0;
}

void ScanMemory() {
    g_osFamily = GetOsFamily();
    g_memoryCheckMode = 1;
    if (g_osFamily == OS_9X) {
        ScanProcessesToolhelp();
    } else if (g_osFamily == OS_NT && ScanProcessesPsapi() != 0) {
        if (g_memoryRestartNeeded == 1 && ToolMessageBox(kFoundInMemory, g_toolTitle, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK)
            RestartSystem();
        // The drive walk waits for the next run, as the message tells the user.
        ExitProcess(0);
    }
    g_memoryCheckMode = 0;
}
