// Depth-first walk of a search pattern: all files of a folder, then its subfolders, with the
// status line, the scanned count, the message pump and the Program Files bookkeeping.
#include "engine/DirectoryWalk.h"
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/PathText.h"
#include "engine/SignatureTable.h"
#include "framework/KernelHandles.h"
#include <windows.h>
#include <string.h>

unsigned long g_statusIntervalMs = 40;

const FileChecker g_fileCheckers[] = {
    {TROJAN_LABEL " ", CheckFile},
    {NULL, NULL},
};

namespace {

enum PassResult { kMalformed = -1, kAborted = 0, kPassDone = 1 };

const size_t kRootPatternChars = 6;   // "C:\*.*"
const int kStatusPathChars = 60;
const size_t kJoinedSize = 2 * MAX_PATH;   // a folder part and an entry name, each below MAX_PATH
const char kFileSuffix[] = "";
const char kFolderSuffix[] = "\\*.*";

bool PumpAndTestAbort() {
    PumpMessages();
    return g_abortScan != 0;
}

// g_statusText always holds the entry being looked at, but the status line, which repaints
// at once on every change (tens of microseconds under Wine), is set at most this often:
// nobody can read thousands of paths a second. Questions and the end of the scan show the
// buffer again through the channel.
DWORD s_lastStatusShown;
bool s_statusShown;

void ShowPathStatus(const char* path) {
    ShortenPath(path, g_statusText, kStatusPathChars);
    DWORD now = GetTickCount();
    if (s_statusShown && now - s_lastStatusShown < g_statusIntervalMs) return;
    s_statusShown = true;
    s_lastStatusShown = now;
    ShowStatus(g_statusText);
}

// The listing gives "?" for each character of a name that the system's code page cannot hold
// (no file name can hold a "?"): such a name opens nothing, and as a folder it is no pattern.
bool IsReadableName(const char* name) { return strchr(name, '?') == NULL; }

// The entry's path (with suffix) in a MAX_PATH buffer: with its long name when that is
// readable and fits, else with the 8.3 short name the system lists for it. Reports the entry
// when neither serves.
bool FitEntryPath(const char* pattern, int folderLength, const WIN32_FIND_DATAA& entry, const char* suffix,
                  char* path) {
    const bool readable = IsReadableName(entry.cFileName);
    const bool hasAlias = entry.cAlternateFileName[0] != 0;
    if (readable && JoinPatternPath(pattern, folderLength, entry.cFileName, suffix, path, MAX_PATH)) return true;
    if (hasAlias && JoinPatternPath(pattern, folderLength, entry.cAlternateFileName, suffix, path, MAX_PATH))
        return true;
    char joined[kJoinedSize];
    JoinPatternPath(pattern, folderLength, entry.cFileName, "", joined, sizeof joined);
    ReportNotScanned(joined, readable || hasAlias ? "Path too long" : "Name not readable");
    return false;
}

bool IsFolder(const WIN32_FIND_DATAA& entry) { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

bool IsDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

void RunCheckers(const char* path) {
    for (const FileChecker* checker = g_fileCheckers; checker->name != NULL; ++checker)
        if (checker->check(checker->name, path)) break;
}

// A drive root notes the drive's Program Files folder for the scan driver's second pass.
void NoteProgramFilesFolder(const char* pattern) {
    CopyText(g_pendingFolder, sizeof g_pendingFolder, pattern);
    char* colon = strchr(g_pendingFolder, ':');
    if (colon == NULL) return;
    colon[1] = 0;
    AppendText(g_pendingFolder, sizeof g_pendingFolder, "\\Program Files");
    if (WithRedirectionOff([] { return _access(g_pendingFolder, 0); }) != 0) return;
    g_pendingFolderSet = 1;
    AppendText(g_pendingFolder, sizeof g_pendingFolder, kFolderSuffix);
}

// In memory check mode the pattern is the one file's own path, and it is not counted.
void CheckEntry(const char* pattern, int folderLength, const WIN32_FIND_DATAA& entry) {
    if (g_memoryCheckMode == 1) {
        RunCheckers(pattern);
        return;
    }
    char path[MAX_PATH];
    if (!FitEntryPath(pattern, folderLength, entry, kFileSuffix, path)) return;
    ++g_filesScanned;
    bool sizeListed = entry.nFileSizeHigh == 0 && entry.nFileSizeLow <= 0x7FFFFFFFu;
    g_listedFileSize = sizeListed ? (long)entry.nFileSizeLow : -1;
    RunCheckers(path);
    g_listedFileSize = -1;
}

int VisitFileEntry(const char* pattern, const WIN32_FIND_DATAA& entry) {
    if (PumpAndTestAbort()) return kAborted;
    int folderLength = PatternFolderLength(pattern);
    char joined[kJoinedSize];
    if (g_memoryCheckMode == 1)
        CopyText(joined, sizeof joined, pattern);
    else if (folderLength < 0)
        return kMalformed;
    else
        JoinPatternPath(pattern, folderLength, entry.cFileName, kFileSuffix, joined, sizeof joined);
    ShowPathStatus(joined);
    if (!IsFolder(entry)) CheckEntry(pattern, folderLength, entry);
    return PumpAndTestAbort() ? kAborted : kPassDone;
}

int VisitFolderEntry(const char* pattern, const WIN32_FIND_DATAA& entry) {
    if (PumpAndTestAbort()) return kAborted;
    if (!IsFolder(entry) || IsDotEntry(entry.cFileName)) return kPassDone;
    int folderLength = PatternFolderLength(pattern);
    if (folderLength < 0) return kMalformed;
    char subPattern[MAX_PATH];
    if (!FitEntryPath(pattern, folderLength, entry, kFolderSuffix, subPattern)) return kPassDone;
    if (strstr(subPattern, "\\Program Files\\") != NULL) g_pendingFolderSeen = 1;
    if (WalkFolder(subPattern) == kMalformed) return kMalformed;
    // An abort below ends this level too, even when the subfolder was its last entry.
    return g_abortScan != 0 ? kAborted : kPassDone;
}

int EnumeratePattern(const char* pattern, const char* listed,
                     int (*visit)(const char* pattern, const WIN32_FIND_DATAA& entry)) {
    WIN32_FIND_DATAA entry;
    CFindHandle find(WithRedirectionOff([&] { return FindFirstFileA(listed, &entry); }));
    if (!find.IsValid()) return kPassDone;
    int result;
    do {
        result = visit(pattern, entry);
    } while (result == kPassDone && WithRedirectionOff([&] { return FindNextFileA(find, &entry); }));
    return result;
}

}   // namespace

int WalkFolder(const char* pattern) {
    g_memoryHit = 0;
    const bool singleFile = g_memoryCheckMode == 1;
    if (!singleFile && strlen(pattern) <= kRootPatternChars) NoteProgramFilesFolder(pattern);
    int result = EnumeratePattern(pattern, pattern, VisitFileEntry);
    // One file's path is not a pattern: it has no subfolders to visit.
    char folderPattern[MAX_PATH + 1];
    if (result == kPassDone && !singleFile && MakeFolderPattern(pattern, folderPattern, sizeof folderPattern))
        result = EnumeratePattern(pattern, folderPattern, VisitFolderEntry);
    return result == kPassDone ? g_filesScanned : result;
}
