/* Everything the release program must not be: a console program for Windows Vista that imports
   the process status library, the toolhelp snapshot and an ADVAPI32 token function directly.
   It only feeds the import check's own test; it is never run; its symbol table is left in. */
#define PSAPI_VERSION 1 /* the psapi.dll entry points, not the K32 ones of newer kernels */
#include <windows.h>
#include <tlhelp32.h>
#include <psapi.h>

int main(void) {
    DWORD ids[16], used = 0;
    PROCESSENTRY32 entry;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    entry.dwSize = sizeof(entry);
    Process32First(snapshot, &entry);
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &snapshot);
    return EnumProcesses(ids, sizeof(ids), &used) ? 0 : 1;
}
