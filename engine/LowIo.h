// The runtime library's low-level file functions under their Windows names, so that the
// parsers built on them also compile natively on Linux for the sanitizer and fuzzing builds,
// and the one way the matcher opens and reads a file: through a handle that the removal then
// acts through (LowFile: a file handle on Windows, a descriptor natively).
#pragma once
#include <stdint.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include "cleaner/Wow64.h"
#include "framework/KernelHandles.h"

typedef HANDLE LowFile;
typedef CFileHandle CLowFile;

// The size of a file without opening it, from its attributes; false when that cannot be
// told cheaply (no GetFileAttributesExA, as on Windows 95, or a file of 2 GiB or more).
inline bool QuickFileSize(const char* path, long* size) {
    typedef BOOL(WINAPI * AttributesEx)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
    static AttributesEx attributesEx =
        (AttributesEx)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileAttributesExA");
    WIN32_FILE_ATTRIBUTE_DATA data;
    CFsRedirectionOff asItIs;
    if (!attributesEx || !attributesEx(path, GetFileExInfoStandard, &data)) return false;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > 0x7FFFFFFFu) return false;
    *size = (long)data.nFileSizeLow;
    return true;
}

// Opens a file to be examined and, if it is infected, acted on through the same handle.
// First with everything a removal needs, sharing only reading, so that nobody changes the
// file under the check, and without following a reparse point at the last component (the
// link itself is opened, not what it names). A file another program holds open without
// sharing deletion can still be examined, and its attributes reset, but not deleted through
// the handle. The last way is the 9x line's, which knows neither delete access nor reparse
// points. INVALID_HANDLE_VALUE, with the last error set, when no way opens it.
inline HANDLE OpenExaminedFile(const char* path) {
    static const struct {
        DWORD access, share, flags;
    } ways[] = {
        {GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, FILE_FLAG_OPEN_REPARSE_POINT},
        {GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_OPEN_REPARSE_POINT},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0},
    };
    CFsRedirectionOff asItIs;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (size_t way = 0; way < sizeof ways / sizeof ways[0] && file == INVALID_HANDLE_VALUE; ++way)
        file = CreateFileA(path, ways[way].access, ways[way].share, NULL, OPEN_EXISTING, ways[way].flags, NULL);
    return file;
}

// Why the last OpenExaminedFile failed, for the report; null when the file is no longer there
// (removed since it was listed), which leaves nothing to examine.
inline const char* OpenFailureReason() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return NULL;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "In use by another program";
        default:
            return "Cannot be opened";
    }
}

// The file's length, or -1 when it cannot be told or is 2 GiB or more.
inline long LowFileLength(LowFile file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1L;
    return high == 0 && low <= 0x7FFFFFFFu ? (long)low : -1L;
}

// A position beyond 2 GiB becomes a negative one, which the seek refuses like any other bad
// seek; the read must return all the bytes asked for.
inline bool LowReadAt(LowFile file, uint32_t position, void* buffer, unsigned length) {
    DWORD read = 0;
    return SetFilePointer(file, (LONG)position, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           ReadFile(file, buffer, length, &read, NULL) && read == length;
}
#else
#include <errno.h>
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

typedef int LowFile;
// Owns one descriptor, as CFileHandle owns a handle on Windows.
class CLowFile {
public:
    explicit CLowFile(int fd) : m_fd(fd) {}
    ~CLowFile() { Close(); }
    CLowFile(const CLowFile&) = delete;
    CLowFile& operator=(const CLowFile&) = delete;
    operator int() const { return m_fd; }
    bool IsValid() const { return m_fd != -1; }
    void Close() {
        if (m_fd != -1) close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

inline int OpenExaminedFile(const char* path) { return open(path, O_RDONLY); }
inline const char* OpenFailureReason() { return errno == ENOENT ? NULL : "Cannot be opened"; }
inline long LowFileLength(LowFile file) { return _filelength(file); }
inline bool LowReadAt(LowFile file, uint32_t position, void* buffer, unsigned length) {
    return lseek(file, (off_t)(int32_t)position, SEEK_SET) != -1 && read(file, buffer, length) == (ssize_t)length;
}
#endif
