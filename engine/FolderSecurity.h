// Whether only administrators and the system can change a folder, judged from its security
// descriptor alone: no system call, so that the judgement is the same wherever it runs.
#pragma once
#include <stddef.h>

// descriptor: a self-relative security descriptor of size bytes, with its owner and DACL, as
// GetFileSecurityA gives it. A folder is changed by renaming or deleting it (or an entry in it),
// by a new DACL or owner, or by whoever owns it; holdsTheFile adds new entries, by which a name
// can be taken again once its file is gone. True only when no identity but Administrators,
// SYSTEM and TrustedInstaller is granted any of that; a missing or null DACL grants everyone
// everything, and a descriptor that cannot be read to its end is judged changeable.
bool OnlyAdministratorsMayChange(const void* descriptor, size_t size, bool holdsTheFile);
