// The runtime library's low-level file functions under their Windows names, so that the
// parsers built on them also compile natively on Linux for the sanitizer and fuzzing builds,
// and the one way the matcher opens and reads a file: through a handle that the removal then
// acts through (LowFile: a file handle on Windows, a descriptor natively).
#pragma once
#include <stdint.h>

// Reparse points that a storage feature puts on a file or folder whose data stays in its
// place (compressed, deduplicated, held by a cloud or hierarchical-storage provider, served from
// an image): opened normally they read as the file, and such a folder holds its own entries.
// Any other reparse point names another place (a junction, mount point or symbolic link, none
// of which sets this table's tags' name-surrogate bit 0x20000000) or is unknown, and is not
// followed; nor is tag 0, which Wine lists for a Unix symbolic link to a folder. The values
// are Microsoft's (ntifs.h, and the reparse-tag table of the file-system control codes).
inline bool HoldsDataInPlace(uint32_t reparseTag) {
    static const uint32_t kTags[] = {
        0xC0000004u,   // IO_REPARSE_TAG_HSM: hierarchical storage management
        0x80000006u,   // IO_REPARSE_TAG_HSM2: hierarchical storage management
        0x80000007u,   // IO_REPARSE_TAG_SIS: single-instance storage
        0x80000008u,   // IO_REPARSE_TAG_WIM: a file served from a mounted WIM image
        0x80000013u,   // IO_REPARSE_TAG_DEDUP: data deduplication
        0x80000015u,   // IO_REPARSE_TAG_FILE_PLACEHOLDER: Windows 8.1 OneDrive placeholders
        0x80000017u,   // IO_REPARSE_TAG_WOF: Windows Overlay Filter (compressed system files)
        0x9000001Cu,   // IO_REPARSE_TAG_PROJFS: Projected File System
        0x8000001Eu,   // IO_REPARSE_TAG_STORAGE_SYNC: Azure File Sync cloud tiering
        0x90000027u,   // IO_REPARSE_TAG_STORAGE_SYNC_FOLDER: its folders
    };
    // IO_REPARSE_TAG_CLOUD (0x9000001A) and its variants IO_REPARSE_TAG_CLOUD_1 to _F
    // (0x9000101A to 0x9000F01A), the cloud files of OneDrive and other sync providers.
    if ((reparseTag & 0xFFFF0FFFu) == 0x9000001Au) return true;
    for (uint32_t tag : kTags)
        if (tag == reparseTag) return true;
    return false;
}

// A file whose data is not on this machine (offline, or only in the cloud): opening or reading
// it would fetch it over the network or from tape (FILE_ATTRIBUTE_OFFLINE,
// FILE_ATTRIBUTE_RECALL_ON_OPEN, FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS).
const uint32_t kDataElsewhereAttributes = 0x1000u | 0x40000u | 0x400000u;

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include "cleaner/Wow64.h"
#include "framework/KernelHandles.h"

typedef HANDLE LowFile;
typedef CFileHandle CLowFile;

inline int64_t WholeSize(DWORD high, DWORD low) { return (int64_t)((uint64_t)high << 32 | low); }

// The whole size of a file as a directory listing gives it.
inline int64_t ListedSize(const WIN32_FIND_DATAA& entry) { return WholeSize(entry.nFileSizeHigh, entry.nFileSizeLow); }

// The reparse tag of a listed entry, 0 when it is no reparse point.
inline uint32_t ListedReparseTag(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? entry.dwReserved0 : 0;
}

// The size of a file without opening it, from its attributes; false when that cannot be
// told cheaply (no GetFileAttributesExA, as on Windows 95).
inline bool QuickFileSize(const char* path, int64_t* size) {
    typedef BOOL(WINAPI * AttributesEx)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
    static AttributesEx attributesEx =
        (AttributesEx)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileAttributesExA");
    WIN32_FILE_ATTRIBUTE_DATA data;
    CFsRedirectionOff asItIs;
    if (!attributesEx || !attributesEx(path, GetFileExInfoStandard, &data)) return false;
    *size = WholeSize(data.nFileSizeHigh, data.nFileSizeLow);
    return true;
}

// Opens a file to be examined and, if it is infected, acted on through the same handle.
// First with everything a removal needs, sharing only reading, so that nobody changes the
// file under the check, and without following a reparse point at the last component (the
// link itself is opened, not what it names), unless the caller knows that the reparse point
// holds the file's data in place (HoldsDataInPlace): opened as a link, such a file would read
// as its stub. A file another program holds open without sharing deletion can still be
// examined, and its attributes reset, but not deleted through the handle. The last way is the
// 9x line's, which knows neither delete access nor reparse points. INVALID_HANDLE_VALUE, with
// the last error set, when no way opens it.
inline HANDLE OpenExaminedFile(const char* path, bool throughData = false) {
    const DWORD atLink = throughData ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    const struct {
        DWORD access, share, flags;
    } ways[] = {
        {GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, atLink},
        {GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, atLink},
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

// The file's whole length, or -1 when it cannot be told.
inline int64_t LowFileLength(LowFile file) {
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return WholeSize(high, low);
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
inline bool QuickFileSize(const char* path, int64_t* size) {
    struct stat st;
    if (stat(path, &st) != 0) return false;
    *size = (int64_t)st.st_size;
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

inline int OpenExaminedFile(const char* path, bool = false) { return open(path, O_RDONLY); }
inline const char* OpenFailureReason() { return errno == ENOENT ? NULL : "Cannot be opened"; }
inline int64_t LowFileLength(LowFile file) { return _filelength(file); }
inline bool LowReadAt(LowFile file, uint32_t position, void* buffer, unsigned length) {
    return lseek(file, (off_t)(int32_t)position, SEEK_SET) != -1 && read(file, buffer, length) == (ssize_t)length;
}
#endif
