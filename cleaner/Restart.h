// The restart once the user agreed, with the shutdown privilege on the NT line, and whether the
// program holds the administrator rights that its removals need there.
#pragma once
#include <windows.h>

// Whether the program may restart the system: on the 9x line always, on the NT line once the
// shutdown privilege is enabled in its token, which this does.
bool MayRestart();
// Asks for the restart, once MayRestart has said yes: ERROR_SUCCESS when it has begun, else the
// system's reason (a shutdown already under way, a machine locked against an unforced one). The user who agreed to it is
// asked by the other programs whether to save a document left open; an unattended restart (a
// quiet run's) closes them unasked, so that none can refuse a restart said to have begun.
DWORD RestartSystem(bool unattended);

// The ExitWindowsEx flags of the restart on this system.
UINT RestartFlags();

// NT line: whether the program's token holds the Administrators group for use, not only for
// deny (a filtered token from Vista on).
bool RunsAsAdministrator();
// The same test over a token's groups, given the Administrators group's identifier.
bool GroupsGrantAdministrator(const TOKEN_GROUPS& groups, PSID administrators);
