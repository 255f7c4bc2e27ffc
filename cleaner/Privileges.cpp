// Privileges the program's token holds but has not enabled: the NT line grants what they allow
// only once they are.
#include "cleaner/Privileges.h"

#include "cleaner/Advapi32.h"
#include "framework/KernelHandles.h"

// AdjustTokenPrivileges also succeeds, with ERROR_NOT_ALL_ASSIGNED, for an account that does
// not hold the privilege: only ERROR_SUCCESS says it is enabled.
bool EnablePrivilege(const char* name) {
    const Advapi32Functions& advapi = Advapi32();
    CHandle token;
    if (!advapi.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return advapi.lookupPrivilegeValueA(NULL, name, &privileges.Privileges[0].Luid) &&
           advapi.adjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL) && GetLastError() == ERROR_SUCCESS;
}
