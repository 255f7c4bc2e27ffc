// Ends the processes that run an infected file, so that the file can be deleted. Which way
// processes can be listed depends on the system: the toolhelp snapshot on the 9x line, the
// process-status library on NT 5, the registry's performance data on the other NT versions.
// Toolhelp and psapi are looked up at run time: NT 4 has no toolhelp, and the 9x line no psapi.
#include "cleaner/ProcessKill.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/RunHost.h"
#include "cleaner/RuntimeLink.h"
#include "cleaner/Wow64.h"
#include "framework/KernelHandles.h"

static bool QueryVersion(OSVERSIONINFOA* info) {
    memset(info, 0, sizeof *info);
    info->dwOSVersionInfoSize = sizeof *info;   // 148 bytes: the record without the service-pack fields
    return GetVersionExA(info) != 0;
}

int GetOsFamily() {
    OSVERSIONINFOA info;
    if (!QueryVersion(&info)) return OS_QUERY_FAILED;
    switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32_WINDOWS:
            return OS_9X;
        case VER_PLATFORM_WIN32_NT:
            return OS_NT;
        default:
            return OS_OTHER;
    }
}

int GetNtGeneration() {
    OSVERSIONINFOA info;
    if (!QueryVersion(&info) || info.dwPlatformId != VER_PLATFORM_WIN32_NT) return NT_GEN_OTHER;
    if (info.dwMajorVersion <= 4) return NT_GEN_4_OR_LOWER;
    return info.dwMajorVersion == 5 ? NT_GEN_5 : NT_GEN_OTHER;
}

int KillProcessByPath(const char* path) {
    int result;
    switch (GetOsFamily()) {
        case OS_9X:
            result = KillByToolhelp(path);
            break;
        case OS_NT:
            // The module-path route answers true whenever it could list processes: no message there.
            if (GetNtGeneration() == NT_GEN_5) return KillByModulePath(path) ? 1 : 0;
            result = KillByPerfData(path);
            break;
        default:
            return 1;
    }
    if (!result) ShowNotice("Could not kill process", path);
    return result;
}

static const char* FileNamePart(const char* path) {
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

bool TerminateById(DWORD processId, DWORD access) {
    CHandle process(OpenProcess(access, FALSE, processId));
    return process.IsValid() && TerminateProcess(process, 0) != 0;
}

static bool ShortForm(const char* path, char* shortPath, DWORD size) {
    DWORD length = GetShortPathNameA(path, shortPath, size);
    return length != 0 && length < size;
}

bool SameFilePath(const char* a, const char* b) {
    if (_stricmp(a, b) == 0) return true;
    char shortA[MAX_PATH], shortB[MAX_PATH];
    return ShortForm(a, shortA, sizeof shortA) && ShortForm(b, shortB, sizeof shortB) && _stricmp(shortA, shortB) == 0;
}

bool ExeFileMatches(const char* exeFile, const char* path) {
    if (!strchr(exeFile, '\\')) return _stricmp(exeFile, FileNamePart(path)) == 0;
    return SameFilePath(exeFile, path);
}

bool CProcessList::Append(DWORD id, const char* path) {
    ProcessEntry* entry = (ProcessEntry*)malloc(sizeof *entry);
    if (!entry) return false;
    entry->id = id;
    lstrcpynA(entry->path, path, sizeof entry->path);
    entry->next = NULL;
    *m_tail = entry;
    m_tail = &entry->next;
    return true;
}

void CProcessList::Clear() {
    while (m_head) {
        ProcessEntry* next = m_head->next;
        free(m_head);
        m_head = next;
    }
    m_tail = &m_head;
}

// ---- the process walks: toolhelp snapshot, process-status library --------------------------

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD flags, DWORD processId);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE snapshot, PROCESSENTRY32* entry);
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD* ids, DWORD size, DWORD* returned);
typedef DWORD(WINAPI* ModuleFileNameFn)(HANDLE process, HMODULE module, LPSTR name, DWORD size);

static void Pause(DWORD milliseconds) {
    if (milliseconds) Sleep(milliseconds);
}

static int VisitSnapshot(HMODULE kernel, HANDLE snapshot, SnapshotVisitor visit, void* context, DWORD pauseMs) {
    PROCESSENTRY32 entry;
    memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    ProcessWalkFn first = LookUp<ProcessWalkFn>(kernel, "Process32First");
    if (!first || !first(snapshot, &entry)) return kSnapshotFailed;
    for (;;) {
        if (visit(entry, context)) return kSnapshotStopped;
        ProcessWalkFn next = LookUp<ProcessWalkFn>(kernel, "Process32Next");
        if (!next) return kSnapshotFailed;
        Pause(pauseMs);
        BOOL more = next(snapshot, &entry);
        Pause(pauseMs);
        if (!more) return kSnapshotEnded;
    }
}

int WalkSnapshot(SnapshotVisitor visit, void* context, DWORD pauseMs) {
    CLibrary kernel(LoadLibraryA("Kernel32.dll"));
    Pause(pauseMs);
    CreateSnapshotFn createSnapshot = LookUp<CreateSnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    if (!createSnapshot) return kSnapshotFailed;
    CFileHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    Pause(pauseMs);
    if (!snapshot.IsValid()) return kSnapshotFailed;
    return VisitSnapshot(kernel, snapshot, visit, context, pauseMs);
}

HANDLE OpenForQuery(DWORD processId) {
    return OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
}

static bool ReadModulePath(HANDLE process, ModuleFileNameFn moduleFileName, char* path, DWORD size) {
    if (IsForeign64BitProcess(process)) return false;
    DWORD length = moduleFileName(process, NULL, path, size);
    path[size - 1] = 0;   // a cut name is not always terminated
    return length != 0;
}

static void ListProcesses(const DWORD* ids, DWORD count, OpenForQueryFn open, ModuleFileNameFn moduleFileName,
                          CProcessList* list) {
    for (DWORD i = 0; i < count; ++i) {
        CHandle process(open(ids[i]));
        char path[MAX_PATH];
        if (!process.IsValid() || !ReadModulePath(process, moduleFileName, path, sizeof path)) continue;
        if (!list->Append(ids[i], path)) {
            list->Clear();
            return;
        }
    }
}

bool ListModulePaths(OpenForQueryFn open, CProcessList* list) {
    CLibrary psapi(LoadLibraryA("psapi.dll"));
    EnumProcessesFn enumProcesses = LookUp<EnumProcessesFn>(psapi, "EnumProcesses");
    DWORD ids[1024];
    DWORD bytes = 0;
    memset(ids, 0, sizeof ids);
    if (!enumProcesses || !enumProcesses(ids, sizeof ids, &bytes) || bytes / sizeof ids[0] == 0) return false;
    ModuleFileNameFn moduleFileName = LookUp<ModuleFileNameFn>(psapi, "GetModuleFileNameExA");
    if (!moduleFileName) return false;
    ListProcesses(ids, bytes / sizeof ids[0], open, moduleFileName, list);
    return true;
}

// ---- 9x line: toolhelp snapshot, the first process running the file -----------------------

struct FirstMatch {
    const char* path;
    DWORD processId;
};

static bool RunsTheFile(const PROCESSENTRY32& entry, void* context) {
    FirstMatch* match = (FirstMatch*)context;
    if (!ExeFileMatches(entry.szExeFile, match->path)) return false;
    match->processId = entry.th32ProcessID;
    return true;
}

int KillByToolhelp(const char* path) {
    FirstMatch match = {path, 0};
    if (WalkSnapshot(RunsTheFile, &match, 100) != kSnapshotStopped) return 0;
    Sleep(50);
    int result = TerminateById(match.processId, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION) ? 1 : 0;
    Sleep(500);
    return result;
}

// ---- NT 5: process-status library, matched by full main-module path -----------------------

bool KillByModulePath(const char* path) {
    CProcessList list;
    if (!ListModulePaths(OpenForQuery, &list)) return false;
    for (ProcessEntry* entry = list.First(); entry; entry = entry->next) {
        if (_stricmp(entry->path, path) == 0 && TerminateById(entry->id, PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION))
            Sleep(500);
    }
    return true;
}

// ---- other NT versions: performance data, matched by leading instance-name characters -----

static const char kPerflibKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
static const int kEnglishLanguage = 9;

static bool WideToAnsi(const uint16_t* text, int count, char* out, int outSize) {
    int length = WideCharToMultiByte(CP_ACP, 0, (LPCWSTR)text, count, out, outSize - 1, NULL, NULL);
    if (length <= 0) return false;
    out[length] = 0;
    return true;
}

// NT 4, 2000 and XP keep the list in "Counters"; Vista and later name the value "Counter".
static const char* const kCounterValueNames[] = {"Counters", "Counter"};

bool ReadProcessCounterNames(const CRegKey& languageKey, ProcessCounterNames* names) {
    for (const char* valueName : kCounterValueNames) {
        CRegValue counters;
        if (languageKey.QueryValue(valueName, &counters) == ERROR_SUCCESS)
            return counters.Size() && FindProcessCounters(counters.Text(), counters.Size(), names);
    }
    return false;
}

static bool ReadSystemCounterNames(ProcessCounterNames* names) {
    char keyName[128];
    _snprintf(keyName, sizeof keyName, "%s\\%03x", kPerflibKey, kEnglishLanguage);
    keyName[sizeof keyName - 1] = 0;
    CRegKey key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS &&
           ReadProcessCounterNames(key, names);
}

static long QueryPerformanceValue(void* valueName, unsigned char* buffer, uint32_t* size) {
    DWORD length = *size;
    long status = RegQueryValueExA(HKEY_PERFORMANCE_DATA, (const char*)valueName, NULL, NULL, buffer, &length);
    *size = length;
    return status;
}

// Fills the task table from the process object of the performance data; returns the count.
static int CollectPerfTasks(TaskEntry* tasks, int capacity) {
    ProcessCounterNames names;
    if (!ReadSystemCounterNames(&names)) return 0;
    uint32_t size = 0;
    unsigned char* data = QueryGrowingBuffer(QueryPerformanceValue, names.objectIndex, &size);
    int count = data ? ParseProcessTasks(data, size, names.idTitleIndex, WideToAnsi, tasks, capacity) : 0;
    free(data);
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    return count;
}

int KillByPerfData(const char* path) {
    char target[MAX_PATH];
    if (!PerfTargetName(path, target, sizeof target)) return 0;
    TaskEntry tasks[kMaxTasks + 1];
    memset(tasks, 0, sizeof tasks);
    int count = CollectPerfTasks(tasks, kMaxTasks);
    int result = 0;
    for (int i = 0; i < count; ++i) {
        if (!TaskMatchesTarget(tasks[i], target)) continue;
        if (TerminateById(tasks[i].processId, PROCESS_TERMINATE)) result = 1;
        Sleep(500);
    }
    return result;
}
