// The restart the user agreed to. On the NT line a process may only shut the system down with
// the shutdown privilege enabled in its token; the 9x line has no tokens.
#include "cleaner/Restart.h"

#include <stdlib.h>

#include "cleaner/Advapi32.h"
#include "cleaner/Privileges.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RuntimeLink.h"
#include "framework/KernelHandles.h"

#ifndef EWX_FORCEIFHUNG
#define EWX_FORCEIFHUNG 0x00000010
#endif

// Other programs are asked to close, so that the user can save a document left open; from
// Windows 2000 on only a program that does not answer is forced. The 9x line and NT 4 do not
// know that flag.
UINT RestartFlags() {
    bool knowsForceIfHung = GetOsFamily() == OS_NT && GetNtGeneration() != NT_GEN_4_OR_LOWER;
    return knowsForceIfHung ? EWX_REBOOT | EWX_FORCEIFHUNG : EWX_REBOOT;
}

bool MayRestart() { return GetOsFamily() == OS_9X || EnablePrivilege("SeShutdownPrivilege"); }

// Decided from the version, not from the function's presence: Wine has it (as a stub that
// restarts nothing) whatever version it reports.
static bool KnowsShutdownReasons() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1));
}

// From Windows XP on, the call made for a program nobody watches (a service's, SYSTEM's in a
// session nobody sees), and it records why the system went down: the event log shows planned
// maintenance by an application.
typedef BOOL(WINAPI* InitiateSystemShutdownExFn)(LPSTR, LPSTR, DWORD, BOOL, BOOL, DWORD);
const DWORD kPlannedMaintenance = 0x80000000 | 0x00040000 | 0x00000001;   // planned; application: maintenance

DWORD RestartSystem(bool unattended) {
    InitiateSystemShutdownExFn initiate =
        unattended && KnowsShutdownReasons()
            ? LookUp<InitiateSystemShutdownExFn>(GetModuleHandleA("advapi32.dll"), "InitiateSystemShutdownExA")
            : NULL;
    BOOL begun = initiate ? initiate(NULL, NULL, 0, TRUE, TRUE, kPlannedMaintenance)
                          : ExitWindowsEx(unattended ? EWX_REBOOT | EWX_FORCE : RestartFlags(), 0);
    return begun ? ERROR_SUCCESS : GetLastError();
}

bool GroupsGrantAdministrator(const TOKEN_GROUPS& groups, PSID administrators) {
    for (DWORD i = 0; i < groups.GroupCount; ++i) {
        const SID_AND_ATTRIBUTES& group = groups.Groups[i];
        if (!Advapi32().equalSid(group.Sid, administrators)) continue;
        return (group.Attributes & SE_GROUP_ENABLED) != 0 && (group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0;
    }
    return false;
}

// Read from the token itself: NT 4 has no CheckTokenMembership.
bool RunsAsAdministrator() {
    const Advapi32Functions& advapi = Advapi32();
    CHandle token;
    if (!advapi.openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
    DWORD size = 0;
    advapi.getTokenInformation(token, TokenGroups, NULL, 0, &size);
    TOKEN_GROUPS* groups = size ? (TOKEN_GROUPS*)malloc(size) : NULL;
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID administrators = NULL;
    bool granted = groups && advapi.getTokenInformation(token, TokenGroups, groups, size, &size) &&
                   advapi.allocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                                   DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators) &&
                   GroupsGrantAdministrator(*groups, administrators);
    if (administrators) advapi.freeSid(administrators);
    free(groups);
    return granted;
}
