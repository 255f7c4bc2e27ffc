// Operating-system tests, the walks of the running processes that the kill routes and the
// memory scan share, and the routes that end the processes running a file.
#pragma once
#include <windows.h>
#include <tlhelp32.h>
#include <stdlib.h>

enum { OS_QUERY_FAILED = 0, OS_OTHER = 1, OS_9X = 4, OS_NT = 5 };
enum { NT_GEN_OTHER = 0, NT_GEN_4_OR_LOWER = 5, NT_GEN_5 = 6 };

int GetOsFamily();
int GetNtGeneration();
int KillProcessByPath(const char* path);
int KillByToolhelp(const char* path);
// NT line: ends every process whose image, read through the very handle that ends it, is the
// file at path. True when the processes could be examined, whether or not one matched; false
// where no image path can be read (no process-status library, as on a stock NT 4).
bool KillByImagePath(const char* path);

// 9x line: opens the process by its id from the snapshot (its image cannot be read from a 9x
// process handle), ends it and waits for it; true when it has ended.
bool EndProcessById(DWORD processId);

// Ends the process through the given handle and waits until it has ended; true only then.
bool EndAndWait(HANDLE process);

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

// The toolhelp snapshot: every process in order until visit answers true. pauseMs is waited
// after loading the library, after taking the snapshot and before and after every
// Process32Next (the 9x kill route's pacing). Returns kSnapshotStopped when visit answered
// true, kSnapshotEnded after the last entry, kSnapshotFailed when the snapshot could not be
// taken or its first entry fetched, or Process32Next could not be looked up.
enum { kSnapshotFailed = -1, kSnapshotEnded = 0, kSnapshotStopped = 1 };
typedef bool (*SnapshotVisitor)(const PROCESSENTRY32& entry, void* context);
int WalkSnapshot(SnapshotVisitor visit, void* context, DWORD pauseMs);

// NT line: the ids of every running process, from the process-status library's EnumProcesses.
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD* ids, DWORD size, DWORD* returned);
class CProcessIds {
public:
    CProcessIds() : m_ids(NULL), m_count(0) {}
    ~CProcessIds() { free(m_ids); }
    CProcessIds(const CProcessIds&) = delete;
    CProcessIds& operator=(const CProcessIds&) = delete;
    // False when enumProcesses fails, no buffer can be allocated or no ids came back.
    bool List(EnumProcessesFn enumProcesses);
    DWORD Count() const { return m_count; }
    DWORD Id(DWORD index) const { return m_ids[index]; }

private:
    DWORD* m_ids;
    DWORD m_count;
};

// NT line: the image path of every process that open gives a handle for,
// read from the process itself; a 64-bit process seen from the 32-bit program is left out, as
// its path names files in the 64-bit view. False when no image path can be read or no ids came
// back. An entry that cannot be allocated leaves the list empty, so nothing is acted on.
typedef HANDLE (*OpenForQueryFn)(DWORD processId);
bool ListImagePaths(OpenForQueryFn open, CProcessList* list);
HANDLE OpenForQuery(DWORD processId);   // with the access the image path is read with

// A handle that may end the process and be waited on, when the image read through it is the
// file at path; null otherwise (no such process, access denied, another image).
HANDLE OpenIfRunningFile(DWORD processId, const char* path);
