// The text edit behind the 9x line's deferred removal: one key=value line added to the
// [rename] section of a wininit.ini held in memory. No file or system calls, so that it also
// builds natively for the sanitizer and fuzzing builds.
#pragma once
#include <stddef.h>

// Room InsertRenameEntry needs for a text of the given length: the text itself, a line end
// for an unterminated last line, the section header and the entry line.
size_t RenameEntryCapacity(size_t length, const char* key, const char* value);

// Writes to out the text with the line key=value inserted as the last line of the first
// section whose header line starts with "[rename]" (any case), just before the next section's
// header; without such a section the header and the line are appended. Every original byte,
// line ends included, is kept as it was; the new lines end in "\r\n". Returns the length
// written, or 0 when out (outSize bytes) is too small.
size_t InsertRenameEntry(const char* text, size_t length, const char* key, const char* value, char* out,
                         size_t outSize);
