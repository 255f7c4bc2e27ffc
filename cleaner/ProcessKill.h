// Operating-system tests, the one walk of the running processes that the kill routes and the
// memory scan share, and the three routes that end the processes running a file.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include "cleaner/PerfData.h"
#include "framework/KernelHandles.h"

enum { OS_QUERY_FAILED = 0, OS_OTHER = 1, OS_9X = 4, OS_NT = 5 };
enum { NT_GEN_OTHER = 0, NT_GEN_4_OR_LOWER = 5, NT_GEN_5 = 6 };

int GetOsFamily();
int GetNtGeneration();
int KillProcessByPath(const char* path);
int KillByToolhelp(const char* path);
int KillByPerfData(const char* path);
bool KillByModulePath(const char* path);

// Opens the process with the given access and terminates it with exit code 0.
bool TerminateById(DWORD processId, DWORD access);

// True when both paths name one file: equal as written, or equal in their short (8.3) forms,
// case ignored. A path that names no existing file has no short form.
bool SameFilePath(const char* a, const char* b);

// Whether a toolhelp entry's szExeFile is the image at path. The 9x line gives a full path,
// often in 8.3 form: it is compared with SameFilePath. A bare file name (NT, Wine) can only be
// compared with path's file name.
bool ExeFileMatches(const char* exeFile, const char* path);

// The process list in enumeration order: id and image path of each process.
struct ProcessEntry {
    DWORD id;
    char path[MAX_PATH];
    ProcessEntry* next;
};

class CProcessList {
public:
    CProcessList() : m_head(NULL), m_tail(&m_head) {}
    ~CProcessList() { Clear(); }
    CProcessList(const CProcessList&) = delete;
    CProcessList& operator=(const CProcessList&) = delete;
    bool Append(DWORD id, const char* path);   // false when no entry could be allocated
    void Clear();
    ProcessEntry* First() const { return m_head; }

private:
    ProcessEntry* m_head;
    ProcessEntry** m_tail;
};

// The toolhelp snapshot: every process in order until visit answers true. pauseMs is slept
// after loading the library, after taking the snapshot and before and after every
// Process32Next (the 9x kill route's pacing). Returns kSnapshotStopped when visit answered
// true, kSnapshotEnded after the last entry, kSnapshotFailed when the snapshot could not be
// taken or its first entry fetched, or Process32Next could not be looked up.
enum { kSnapshotFailed = -1, kSnapshotEnded = 0, kSnapshotStopped = 1 };
typedef bool (*SnapshotVisitor)(const PROCESSENTRY32& entry, void* context);
int WalkSnapshot(SnapshotVisitor visit, void* context, DWORD pauseMs);

// The process-status library: the main-module path of every process (the first 1024 ids) that
// open gives a handle for. False when psapi or one of its functions is missing or no ids came
// back. An entry that cannot be allocated leaves the list empty, so nothing is acted on.
typedef HANDLE (*OpenForQueryFn)(DWORD processId);
bool ListModulePaths(OpenForQueryFn open, CProcessList* list);
HANDLE OpenForQuery(DWORD processId);   // PROCESS_QUERY_INFORMATION | PROCESS_VM_READ

// The names of the process object and its id counter, from the list of an open
// Perflib\<language> key: its "Counters" value (NT 4 to XP) or, where that is missing, its
// "Counter" value (Vista and later).
bool ReadProcessCounterNames(const CRegKey& languageKey, ProcessCounterNames* names);
