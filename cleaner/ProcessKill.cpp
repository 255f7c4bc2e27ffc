// Ends the processes that run an infected file, so that the file can be deleted. Which way
// processes can be listed depends on the system: the toolhelp snapshot on the 9x line, the
// process-status library on NT 5, the registry's performance data on the other NT versions.
// Toolhelp and psapi are looked up at run time: NT 4 has no toolhelp, and the 9x line no psapi.
#include "cleaner/ProcessKill.h"

#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "cleaner/PerfData.h"

static bool QueryVersion(OSVERSIONINFOA* info)
{
    memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info;   // 148 bytes: the record without the service-pack fields
    return GetVersionExA(info) != 0;
}

int GetOsFamily()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(&info))
        return OS_QUERY_FAILED;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS: return OS_9X;
    case VER_PLATFORM_WIN32_NT: return OS_NT;
    default: return OS_OTHER;
    }
}

int GetNtGeneration()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return NT_GEN_OTHER;
    if (info.dwMajorVersion <= 4)
        return NT_GEN_4_OR_LOWER;
    return info.dwMajorVersion == 5 ? NT_GEN_5 : NT_GEN_OTHER;
}

int KillProcessByPath(const char* path)
{
    int result;
    switch (GetOsFamily()) {
    case OS_9X:
        result = KillByToolhelp(path);
        break;
    case OS_NT:
        // The module-path route answers true whenever it could list processes: no message there.
        if (GetNtGeneration() == NT_GEN_5)
            return KillByModulePath(path) ? 1 : 0;
        result = KillByPerfData(path);
        break;
    default:
        return 1;
    }
    if (!result)
        MessageBoxA(NULL, "Could not kill process", path, MB_OK);
    return result;
}

static const char* FileNamePart(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// GetProcAddress answers with a generic function pointer; the caller knows the real type.
template <typename Fn>
static Fn LookUp(HMODULE module, const char* name)
{
    return (Fn)(void*)GetProcAddress(module, name);
}

static bool TerminateById(DWORD processId, DWORD access)
{
    HANDLE process = OpenProcess(access, FALSE, processId);
    if (!process)
        return false;
    bool ended = TerminateProcess(process, 0) != 0;
    CloseHandle(process);
    return ended;
}

// ---- 9x line: toolhelp snapshot, matched by file name -------------------------------------

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD flags, DWORD processId);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE snapshot, PROCESSENTRY32* entry);

// Real 9x systems give the full image path in szExeFile, NT and Wine the base name: compare
// file names only.
static bool FindByFileName(HMODULE kernel, HANDLE snapshot, PROCESSENTRY32* entry, const char* fileName)
{
    ProcessWalkFn first = LookUp<ProcessWalkFn>(kernel, "Process32First");
    if (!first || !first(snapshot, entry))
        return false;
    for (;;) {
        if (_stricmp(FileNamePart(entry->szExeFile), fileName) == 0)
            return true;
        ProcessWalkFn next = LookUp<ProcessWalkFn>(kernel, "Process32Next");
        if (!next)
            return false;
        Sleep(100);
        BOOL more = next(snapshot, entry);
        Sleep(100);
        if (!more)
            return false;
    }
}

static int KillFirstInSnapshot(HMODULE kernel, const char* path)
{
    CreateSnapshotFn createSnapshot = LookUp<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    if (!createSnapshot)
        return 0;
    HANDLE snapshot = createSnapshot(TH32CS_SNAPPROCESS, 0);
    Sleep(100);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    int result = 0;
    if (FindByFileName(kernel, snapshot, &entry, FileNamePart(path))) {
        Sleep(50);
        result = TerminateById(entry.th32ProcessID, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION);
        Sleep(500);
    }
    CloseHandle(snapshot);
    return result;
}

int KillByToolhelp(const char* path)
{
    HMODULE kernel = LoadLibraryA("Kernel32.dll");
    Sleep(100);
    if (!kernel)
        return 0;
    int result = KillFirstInSnapshot(kernel, path);
    FreeLibrary(kernel);
    return result;
}

// ---- NT 5: process-status library, matched by full main-module path -----------------------

typedef BOOL(WINAPI* EnumProcessesFn)(DWORD* ids, DWORD size, DWORD* returned);
typedef DWORD(WINAPI* ModuleFileNameFn)(HANDLE process, HMODULE module, LPSTR name, DWORD size);

struct ProcessPath {
    ProcessPath* next;
    DWORD processId;
    char path[MAX_PATH];
};

static void FreeProcessPaths(ProcessPath* list)
{
    while (list) {
        ProcessPath* next = list->next;
        free(list);
        list = next;
    }
}

// The main-module path of every process that can be opened, in the order of the id list;
// false when an entry could not be allocated (what was listed is then freed).
static bool ListProcessPaths(const DWORD* ids, DWORD count, ModuleFileNameFn moduleFileName, ProcessPath** list)
{
    ProcessPath** tail = list;
    *list = NULL;
    for (DWORD i = 0; i < count; ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (!process)
            continue;
        char path[MAX_PATH];
        DWORD length = moduleFileName(process, NULL, path, sizeof path);
        CloseHandle(process);
        if (!length)
            continue;
        ProcessPath* entry = (ProcessPath*)malloc(sizeof *entry);
        if (!entry) {
            FreeProcessPaths(*list);
            *list = NULL;
            return false;
        }
        entry->next = NULL;
        entry->processId = ids[i];
        lstrcpynA(entry->path, path, sizeof entry->path);
        *tail = entry;
        tail = &entry->next;
    }
    return true;
}

static bool KillListedByPath(HMODULE psapi, const char* path)
{
    EnumProcessesFn enumProcesses = LookUp<EnumProcessesFn>(psapi, "EnumProcesses");
    if (!enumProcesses)
        return false;
    DWORD ids[1024];
    DWORD bytes = 0;
    memset(ids, 0, sizeof ids);
    if (!enumProcesses(ids, sizeof ids, &bytes) || bytes / sizeof ids[0] == 0)
        return false;
    ModuleFileNameFn moduleFileName = LookUp<ModuleFileNameFn>(psapi, "GetModuleFileNameExA");
    if (!moduleFileName)
        return false;
    ProcessPath* list;
    if (!ListProcessPaths(ids, bytes / sizeof ids[0], moduleFileName, &list))
        return true;
    for (ProcessPath* entry = list; entry; entry = entry->next) {
        if (_stricmp(entry->path, path) == 0 &&
            TerminateById(entry->processId, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION))
            Sleep(500);
    }
    FreeProcessPaths(list);
    return true;
}

bool KillByModulePath(const char* path)
{
    HMODULE psapi = LoadLibraryA("psapi.dll");
    if (!psapi)
        return false;
    bool result = KillListedByPath(psapi, path);
    FreeLibrary(psapi);
    return result;
}

// ---- other NT versions: performance data, matched by leading instance-name characters -----

static const char kPerflibKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
static const int kEnglishLanguage = 9;

static bool WideToAnsi(const uint16_t* text, int count, char* out, int outSize)
{
    int length = WideCharToMultiByte(CP_ACP, 0, (LPCWSTR)text, count, out, outSize - 1, NULL, NULL);
    if (length <= 0)
        return false;
    out[length] = 0;
    return true;
}

static bool ReadCounterNames(ProcessCounterNames* names)
{
    char keyName[128];
    _snprintf(keyName, sizeof keyName, "%s\\%03x", kPerflibKey, kEnglishLanguage);
    keyName[sizeof keyName - 1] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = false;
    DWORD size = 0;
    if (RegQueryValueExA(key, "Counters", NULL, NULL, NULL, &size) == ERROR_SUCCESS && size) {
        char* counters = (char*)calloc(size, 1);
        if (counters && RegQueryValueExA(key, "Counters", NULL, NULL, (BYTE*)counters, &size) == ERROR_SUCCESS)
            found = FindProcessCounters(counters, size, names);
        free(counters);
    }
    RegCloseKey(key);
    return found;
}

static long QueryPerformanceValue(void* valueName, unsigned char* buffer, uint32_t* size)
{
    DWORD length = *size;
    long status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, (const char*)valueName, NULL, NULL, buffer, &length);
    *size = length;
    return status;
}

// Fills the task table from the process object of the performance data; returns the count.
static int CollectPerfTasks(TaskEntry* tasks, int capacity)
{
    ProcessCounterNames names;
    if (!ReadCounterNames(&names))
        return 0;
    uint32_t size = 0;
    unsigned char* data = QueryGrowingBuffer(QueryPerformanceValue, names.objectIndex, &size);
    int count = data ? ParseProcessTasks(data, size, names.idTitleIndex, WideToAnsi, tasks, capacity) : 0;
    free(data);
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    return count;
}

int KillByPerfData(const char* path)
{
    char target[MAX_PATH];
    if (!PerfTargetName(path, target, sizeof target))
        return 0;
    TaskEntry tasks[kMaxTasks + 1];
    memset(tasks, 0, sizeof tasks);
    int count = CollectPerfTasks(tasks, kMaxTasks);
    int result = 0;
    for (int i = 0; i < count; ++i) {
        if (!TaskMatchesTarget(tasks[i], target))
            continue;
        if (TerminateById(tasks[i].processId, PROCESS_TERMINATE))
            result = 1;
        Sleep(500);
    }
    return result;
}
