// Hands a file that cannot be deleted now to the system for deletion at the next start.
#pragma once

int ScheduleRemovalAtRestart(const char* path);
bool AddWininitRename(const char* key, const char* value);
