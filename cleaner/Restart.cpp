// The forced restart the user agreed to. On the NT line a process may only shut the system
// down with the shutdown privilege enabled in its token; the 9x line has no tokens.
#include "cleaner/Restart.h"

#include <windows.h>

#include "cleaner/ProcessKill.h"
#include "framework/KernelHandles.h"

// True only when the privilege is now enabled: AdjustTokenPrivileges also succeeds, with
// ERROR_NOT_ALL_ASSIGNED, for an account that does not hold it.
static bool EnableShutdownPrivilege() {
    CHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) return false;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
           AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL) && GetLastError() == ERROR_SUCCESS;
}

void RestartSystem() {
    if (GetOsFamily() != OS_9X && !EnableShutdownPrivilege()) return;
    ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}
