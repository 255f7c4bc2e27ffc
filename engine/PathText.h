// Bounded text operations on the engine's fixed path buffers: copying, joining a search
// pattern's folder with an entry name, and the status line's shortened form of a path.
#pragma once
#include <stddef.h>

// Copies source into dest (size bytes, always terminated). Returns 1 when all of it fit;
// otherwise dest holds the cut text and the result is 0.
int CopyText(char* dest, size_t size, const char* source);
// Appends source to the text in dest, with the same rule.
int AppendText(char* dest, size_t size, const char* source);

// Length of a search pattern's folder part: the text before the character that precedes its
// last "." ("C:\dir\*.*" gives 7, the length of "C:\dir\"). -1 when the pattern has no ".".
int PatternFolderLength(const char* pattern);
// Writes the first folderLength characters of pattern, then name, then suffix, into dest.
// Returns 1 when the whole text fit into size bytes; otherwise dest is empty and the result 0.
int JoinPatternPath(const char* pattern, int folderLength, const char* name, const char* suffix, char* dest,
                    size_t size);
// The pattern that lists a folder's subfolders: everything after the last "." replaced by "*",
// or "*" appended when there is no ".". Returns 0 (dest empty) when it does not fit.
int MakeFolderPattern(const char* pattern, char* dest, size_t size);
// A path cut to at most maxLength characters for the status line and the report: unchanged
// when it fits, else its head and tail with dots between (dest holds maxLength + 1 bytes).
void ShortenPath(const char* source, char* dest, int maxLength);

// 1 for a drive's root folder as the system writes it ("C:\"), else 0.
int IsDriveRoot(const char* path);
// Of a volume's mount paths (each text ended by a zero, the list by an empty text, as the
// system lists them), the one under which the scan walks a fixed volume that no drive letter
// reaches: its first. Null when the volume is not fixed, has a drive letter (the walk of the
// drives reaches it) or is mounted nowhere.
const char* LetterlessMountPath(const char* mountPaths, bool fixed);
