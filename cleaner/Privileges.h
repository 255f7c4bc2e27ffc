// Enabling a privilege in the program's own token (NT line; the 9x line has no tokens).
#pragma once

// Enables a privilege the token holds (SeDebugPrivilege, SeShutdownPrivilege); true only when it
// is now enabled.
bool EnablePrivilege(const char* name);
