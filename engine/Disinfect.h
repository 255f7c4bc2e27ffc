// What happens to an infected file, by g_action, and the report line of every outcome.
#pragma once
#include <stddef.h>

extern int g_filesRenamed;

void ApplyAction(const char* path, const char* variantName);
// The name a rename gives: the first character after the last "." of the file name becomes
// "V" (a.exe: a.Vxe), a name ending in "." gets "V" appended. False when the file name has no
// "." or the result does not fit in size bytes.
bool MakeRenamedPath(const char* path, char* renamed, size_t size);
// The lighter form used by the uuencoded check: one delete, no attribute reset, no deferral.
void ApplyReducedAction(const char* path, const char* variantName);
