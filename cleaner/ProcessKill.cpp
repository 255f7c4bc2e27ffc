// Ends the processes that run an infected file, so that the file can be deleted. The 9x line
// lists them with the toolhelp snapshot; the NT line with the process-status library, and there
// a process is ended only through a handle whose image path, read from the process itself, is
// the file: a same-named program elsewhere (a look-alike of lsass.exe in a user's folder makes
// the real one a namesake) is never touched. Toolhelp, psapi and QueryFullProcessImageNameA are
// looked up at run time: NT 4 has no toolhelp, the 9x line no psapi, and only Vista and later
// the last.
#include "cleaner/ProcessKill.h"

#include <stdlib.h>
#include <string.h>

#include "app/MessagePump.h"
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
            result = KillByImagePath(path) ? 1 : 0;
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

// How long a terminated process may take to end before it counts as still running.
static const DWORD kEndWaitMs = 5000;

bool EndAndWait(HANDLE process) { return TerminateProcess(process, 0) && WaitPumping(process, kEndWaitMs); }

bool EndProcessById(DWORD processId) {
    CHandle process(OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, processId));
    return process.IsValid() && EndAndWait(process);
}

// The paths compared are the walk's and the process images', which name files as they are: the
// 32-bit program looks them up with WOW64's redirection off.
static bool ShortForm(const char* path, char* shortPath, DWORD size) {
    DWORD length = WithRedirectionOff([&] { return GetShortPathNameA(path, shortPath, size); });
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
typedef DWORD(WINAPI* ModuleFileNameFn)(HANDLE process, HMODULE module, LPSTR name, DWORD size);

static void Pause(DWORD milliseconds) {
    if (milliseconds) WaitPumping(NULL, milliseconds);
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

// ---- NT line: process ids from the process-status library, image paths from each process --

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

typedef BOOL(WINAPI* QueryFullImageNameFn)(HANDLE process, DWORD flags, LPSTR name, PDWORD size);

// A buffer for this many ids holds the processes of most machines at the first call. Sixteen
// million ids are far more than any Windows runs at once, and their byte count is far from
// what a DWORD can hold.
enum { kFirstProcessIds = 1024, kMostProcessIds = 1 << 24 };

// EnumProcesses says nothing of the ids that did not fit: a buffer it fills to the last byte
// may have been too small, so it is asked again with one twice as large.
bool CProcessIds::List(EnumProcessesFn enumProcesses) {
    for (DWORD capacity = kFirstProcessIds; capacity <= kMostProcessIds; capacity *= 2) {
        free(m_ids);
        m_ids = (DWORD*)malloc(capacity * sizeof *m_ids);
        DWORD bytes = 0;
        if (!m_ids || !enumProcesses(m_ids, capacity * sizeof *m_ids, &bytes)) return false;
        if (bytes < capacity * sizeof *m_ids) {
            m_count = bytes / sizeof *m_ids;
            return m_count != 0;
        }
    }
    return false;
}

// Vista and later read the image path with the least access there is, which also reaches
// processes of other users and a 64-bit process from the 32-bit program. Before, psapi reads
// the main module's path out of the process's memory. Decided from the version, not from the
// function's presence: Wine has it whatever version it reports.
static bool ReadsFullImageName() { return GetOsFamily() == OS_NT && GetNtGeneration() == NT_GEN_OTHER; }

static DWORD ImageQueryAccess() {
    return ReadsFullImageName() ? PROCESS_QUERY_LIMITED_INFORMATION : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}

HANDLE OpenForQuery(DWORD processId) { return OpenProcess(ImageQueryAccess(), FALSE, processId); }

// The process ids and the function that reads a process's image path, for one use.
class CProcessImages {
public:
    CProcessImages()
        : m_psapi(LoadLibraryA("psapi.dll")),
          m_queryFull(ReadsFullImageName() ? LookUpKernel32<QueryFullImageNameFn>("QueryFullProcessImageNameA") : 0),
          m_moduleFileName(m_queryFull ? 0 : LookUp<ModuleFileNameFn>(m_psapi, "GetModuleFileNameExA")) {}
    // False when no image path can be read here or no ids came back.
    bool ListIds() {
        EnumProcessesFn enumProcesses = LookUp<EnumProcessesFn>(m_psapi, "EnumProcesses");
        return (m_queryFull || m_moduleFileName) && enumProcesses && m_ids.List(enumProcesses);
    }
    DWORD Count() const { return m_ids.Count(); }
    DWORD Id(DWORD index) const { return m_ids.Id(index); }

    // A 64-bit process's modules cannot be read from the 32-bit program; its full image name can.
    bool ReadPath(HANDLE process, char* path, DWORD size) const {
        DWORD length = size;
        if (m_queryFull) return m_queryFull(process, 0, path, &length) && length != 0 && length < size;
        if (!m_moduleFileName || IsForeign64BitProcess(process)) return false;
        length = m_moduleFileName(process, NULL, path, size);
        path[size - 1] = 0;   // a cut name is not always terminated
        return length != 0;
    }

private:
    CLibrary m_psapi;
    QueryFullImageNameFn m_queryFull;
    ModuleFileNameFn m_moduleFileName;
    CProcessIds m_ids;
};

static void ListProcesses(const CProcessImages& images, OpenForQueryFn open, CProcessList* list) {
    for (DWORD i = 0; i < images.Count(); ++i) {
        CHandle process(open(images.Id(i)));
        char path[MAX_PATH];
        if (!process.IsValid() || IsForeign64BitProcess(process) || !images.ReadPath(process, path, sizeof path))
            continue;
        if (!list->Append(images.Id(i), path)) {
            list->Clear();
            return;
        }
    }
}

bool ListImagePaths(OpenForQueryFn open, CProcessList* list) {
    CProcessImages images;
    if (!images.ListIds()) return false;
    ListProcesses(images, open, list);
    return true;
}

static HANDLE OpenIfRunning(const CProcessImages& images, DWORD processId, const char* path) {
    CHandle process(OpenProcess(ImageQueryAccess() | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    char image[MAX_PATH];
    if (!process.IsValid() || !images.ReadPath(process, image, sizeof image) || !SameFilePath(image, path)) return NULL;
    return process.Detach();
}

HANDLE OpenIfRunningFile(DWORD processId, const char* path) {
    CProcessImages images;
    return OpenIfRunning(images, processId, path);
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
    WaitPumping(NULL, 50);
    return EndProcessById(match.processId) ? 1 : 0;
}

// ---- NT line: every process whose image is the file ---------------------------------------

bool KillByImagePath(const char* path) {
    CProcessImages images;
    if (!images.ListIds()) return false;
    for (DWORD i = 0; i < images.Count(); ++i) {
        CHandle process(OpenIfRunning(images, images.Id(i), path));
        if (process.IsValid()) EndAndWait(process);
    }
    return true;
}
