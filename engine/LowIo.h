// The runtime library's low-level file functions under their Windows names, so that the
// parsers built on them also compile natively on Linux for the sanitizer and fuzzing builds.
#pragma once
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// The size of a file without opening it, from its attributes; false when that cannot be
// told cheaply (no GetFileAttributesExA, as on Windows 95, or a file of 2 GiB or more).
inline bool QuickFileSize(const char* path, long* size) {
    typedef BOOL(WINAPI * AttributesEx)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
    static AttributesEx attributesEx =
        (AttributesEx)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileAttributesExA");
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!attributesEx || !attributesEx(path, GetFileExInfoStandard, &data)) return false;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 0x7FFFFFFFu) return false;
    *size = (long)data.nFileSizeLow;
    return true;
}
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define _O_RDONLY O_RDONLY
#define _O_WRONLY O_WRONLY
#define _O_APPEND O_APPEND
#define _O_CREAT O_CREAT
#define _O_BINARY 0
#define _S_IREAD S_IRUSR
#define _S_IWRITE S_IWUSR
#define _open open
#define _close close
#define _read read
#define _write write
#define _lseek lseek
#define _access access
inline bool QuickFileSize(const char* path, long* size) {
    struct stat st;
    if (stat(path, &st) != 0 || st.st_size > 0x7FFFFFFF) return false;
    *size = (long)st.st_size;
    return true;
}
inline long _filelength(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? (long)st.st_size : -1L;
}
#endif
