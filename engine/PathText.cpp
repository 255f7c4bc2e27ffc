// Bounded text operations on the engine's fixed path buffers.
#include "engine/PathText.h"
#include <string.h>

int CopyText(char* dest, size_t size, const char* source) {
    if (size == 0) return 0;
    size_t length = strlen(source);
    size_t copied = length < size ? length : size - 1;
    memcpy(dest, source, copied);
    dest[copied] = 0;
    return copied == length;
}

int AppendText(char* dest, size_t size, const char* source) {
    size_t used = strlen(dest);
    if (used >= size) return 0;
    return CopyText(dest + used, size - used, source);
}

int PatternFolderLength(const char* pattern) {
    const char* dot = strrchr(pattern, '.');
    if (dot == NULL) return -1;
    return dot == pattern ? 0 : (int)(dot - pattern) - 1;
}

int JoinPatternPath(const char* pattern, int folderLength, const char* name, const char* suffix, char* dest,
                    size_t size) {
    size_t nameLength = strlen(name);
    size_t suffixLength = strlen(suffix);
    if ((size_t)folderLength + nameLength + suffixLength >= size) {
        if (size > 0) dest[0] = 0;
        return 0;
    }
    memcpy(dest, pattern, folderLength);
    memcpy(dest + folderLength, name, nameLength);
    memcpy(dest + folderLength + nameLength, suffix, suffixLength + 1);
    return 1;
}

int MakeFolderPattern(const char* pattern, char* dest, size_t size) {
    const char* dot = strrchr(pattern, '.');
    size_t kept = dot != NULL ? (size_t)(dot - pattern) + 1 : strlen(pattern);
    if (kept + 1 >= size) {
        if (size > 0) dest[0] = 0;
        return 0;
    }
    memcpy(dest, pattern, kept);
    dest[kept] = '*';
    dest[kept + 1] = 0;
    return 1;
}

void ShortenPath(const char* source, char* dest, int maxLength) {
    size_t n = maxLength > 0 ? (size_t)maxLength : 0;
    size_t length = strlen(source);
    if (length <= n) {
        memcpy(dest, source, length + 1);
        return;
    }
    // Equal head and tail of n / 2 - 1 characters; the dots fill the rest (two for an even n).
    size_t half = n >= 2 ? n / 2 - 1 : 0;
    memcpy(dest, source, half);
    memset(dest + half, '.', n - 2 * half);
    memcpy(dest + n - half, source + length - half, half);
    dest[n] = 0;
}

int IsDriveRoot(const char* path) { return strlen(path) == 3 && path[1] == ':' && path[2] == '\\'; }

const char* LetterlessMountPath(const char* mountPaths, bool fixed) {
    if (!fixed) return NULL;
    for (const char* path = mountPaths; *path != 0; path += strlen(path) + 1)
        if (IsDriveRoot(path)) return NULL;
    return *mountPaths != 0 ? mountPaths : NULL;
}
