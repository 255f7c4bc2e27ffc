// What happens to an infected file, by g_action, and the report line of every outcome.
#pragma once
#include <stddef.h>
#include "engine/LowIo.h"

extern int g_filesRenamed;

// Acts on a file that was examined through `file` (OpenExaminedFile): on the NT line every
// change is made through that handle, so that nothing put in the file's place on its path
// after the examination receives it. The handle may be closed here.
void ApplyExaminedAction(CLowFile& file, const char* path, const char* variantName);
// The name a rename gives: the first character after the last "." of the file name becomes
// "V" (a.exe: a.Vxe), a name ending in "." gets "V" appended. False when the file name has no
// "." or the result does not fit in size bytes.
bool MakeRenamedPath(const char* path, char* renamed, size_t size);
// The lighter form used by the uuencoded check: one delete, no attribute reset, no deferral.
void ApplyReducedAction(const char* path, const char* variantName);
