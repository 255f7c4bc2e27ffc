// Hands a file that cannot be deleted now to the system for deletion at the next start, and
// tells what that deletion can rely on.
#pragma once

int ScheduleRemovalAtRestart(const char* path);
bool AddWininitRename(const char* key, const char* value);

// Whether the restart's deletion can reach the path: Session Manager (and wininit.ini's
// processing on the 9x line) runs before the network and before subst drives exist.
bool RestartReaches(const char* path);
// Whether the path's volume keeps access control lists (NTFS does, FAT does not).
bool HasAccessControl(const char* path);
// Whether no folder on the path can be changed by anyone but administrators and the system
// (OnlyAdministratorsMayChange over each folder's descriptor); false when one cannot be read.
bool OnlyAdministratorsMayRedirect(const char* path);
// Whether the file is already to be deleted at the next start: a pending deletion of its
// path on the NT line, a NUL= line of its short path in wininit.ini on the 9x line.
bool IsWaitingForRestart(const char* path);
