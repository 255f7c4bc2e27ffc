// Depth-first walk of a search pattern: all files of a folder, then its subfolders, with the
// status line, the scanned count, the message pump and the Program Files bookkeeping. Each
// folder is listed once: the subfolders its listing meets are entered after its last file.
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
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

unsigned long g_statusIntervalMs = 40;
size_t g_subfolderNamesLimit = 32 * 1024;

const FileChecker g_fileCheckers[] = {
    {TROJAN_LABEL " ", CheckFile},
    {NULL, NULL},
};

namespace {

enum PassResult { kMalformed = -1, kAborted = 0, kPassDone = 1, kNotListed = 2 };

const size_t kRootPatternChars = 6;   // "C:\*.*"
const int kStatusPathChars = 60;
const size_t kJoinedSize = 2 * MAX_PATH;   // a folder part and an entry name, each below MAX_PATH
const size_t kFirstNamesSize = 512;        // room for most folders' subfolders; doubled as needed
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

// A place (a folder, or a file named by itself) the system refuses to list (access denied, as
// System Volume Information is on XP, or held open without sharing, or a drive without a disk)
// is named with the reason. Below the place asked for, nothing to list is no refusal: a folder
// gone since its parent was listed, a pattern that matches nothing.
void ReportRefused(const char* place, DWORD error) {
    if (g_memoryCheckMode == 1 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_NO_MORE_FILES)
        return;
    char reason[64];
    if (error == ERROR_ACCESS_DENIED)
        CopyText(reason, sizeof reason, "Access denied");
    else if (error == ERROR_SHARING_VIOLATION)
        CopyText(reason, sizeof reason, "In use by another program");
    else if (error == ERROR_NOT_READY)
        CopyText(reason, sizeof reason, "No disk in the drive");
    else
        _snprintf(reason, sizeof reason, "Cannot be listed (error %lu)", error);
    reason[sizeof reason - 1] = 0;
    ReportNotScanned(place, reason);
}

// The folder a walk was asked for (a drive, a /path folder) is looked at itself when it
// cannot be listed, since the listing's error may only say that nothing matched: a name that
// leads nowhere or to a file is named as such, with the path as it was given (no backslash
// after it, but after a drive letter). Returns false when it is a folder, as an empty drive
// root is, or when the system will not say (no disk in the drive, access denied): the
// listing's own error then stands.
bool ReportAskedForFolder(const char* folder) {
    char path[kJoinedSize];
    CopyText(path, sizeof path, folder);
    size_t length = strlen(path);
    if (length > 0 && path[length - 1] == '\\' && !IsDriveRoot(path)) path[length - 1] = 0;
    DWORD attributes = WithRedirectionOff([&] { return GetFileAttributesA(path); });
    const char* problem = "Not found";
    if (attributes != INVALID_FILE_ATTRIBUTES)
        problem = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? NULL : "Not a folder";
    else if (GetLastError() == ERROR_NOT_READY || GetLastError() == ERROR_ACCESS_DENIED)
        problem = NULL;
    if (problem != NULL) ReportNotScanned(path, problem);
    return problem != NULL;
}

// A pattern's folder, as ReportRefused names it; the folder asked for is looked at first.
void ReportUnlisted(const char* pattern, DWORD error, bool askedFor) {
    if (g_memoryCheckMode == 1) return;
    int folderLength = PatternFolderLength(pattern);
    char folder[kJoinedSize];
    JoinPatternPath(pattern, folderLength < 0 ? (int)strlen(pattern) : folderLength, "", "", folder, sizeof folder);
    if (askedFor && ReportAskedForFolder(folder)) return;
    ReportRefused(folder, error);
}

// The listing gives "?" for each character of a name that the system's code page cannot hold
// (no file name can hold a "?"): such a name opens nothing, and as a folder it is no pattern.
bool IsReadableName(const char* name) { return strchr(name, '?') == NULL; }

// The entry's path (with suffix) in a MAX_PATH buffer: with its long name when that is
// readable and fits, else with the 8.3 short name the system lists for it. Reports the entry
// when neither serves.
bool FitEntryPath(const char* pattern, int folderLength, const char* name, const char* alias, const char* suffix,
                  char* path) {
    const bool readable = IsReadableName(name);
    const bool hasAlias = alias[0] != 0;
    if (readable && JoinPatternPath(pattern, folderLength, name, suffix, path, MAX_PATH)) return true;
    if (hasAlias && JoinPatternPath(pattern, folderLength, alias, suffix, path, MAX_PATH)) return true;
    char joined[kJoinedSize];
    JoinPatternPath(pattern, folderLength, name, "", joined, sizeof joined);
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
    if (!FitEntryPath(pattern, folderLength, entry.cFileName, entry.cAlternateFileName, kFileSuffix, path)) return;
    ++g_filesScanned;
    g_listedFile = {ListedSize(entry), entry.dwFileAttributes, ListedReparseTag(entry)};
    RunCheckers(path);
    g_listedFile = kNothingListed;
}

// An entry listed by a pattern whose folder part is folderLength characters long.
int VisitEntryIn(const char* pattern, int folderLength, const WIN32_FIND_DATAA& entry) {
    if (PumpAndTestAbort()) return kAborted;
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

int VisitFileEntry(const char* pattern, const WIN32_FIND_DATAA& entry) {
    return VisitEntryIn(pattern, PatternFolderLength(pattern), entry);
}

// The subfolders a folder's listing met, kept to be entered after its last file: for each,
// its place in the listing, its name and its 8.3 name, packed into one buffer that grows to
// at most g_subfolderNamesLimit bytes. Past that the list is full, and the folder is listed a
// second time from the first entry that did not fit. So each folder on the current path holds
// a bounded amount, freed as the walk leaves it.
struct KeptSubfolder {
    unsigned long place;
    const char* name;
    const char* alias;
};

class SubfolderList {
public:
    // A list that keeps nothing is full from the start: its folder's subfolders all come from
    // a second listing.
    explicit SubfolderList(bool keeping)
        : m_text(NULL), m_used(0), m_size(0), m_entries(0), m_resumeAt(keeping ? kNotFull : 0) {}
    ~SubfolderList() { free(m_text); }
    SubfolderList(const SubfolderList&) = delete;
    SubfolderList& operator=(const SubfolderList&) = delete;

    // Counts one entry of the listing and keeps it when it is a subfolder and there is room.
    void Note(const WIN32_FIND_DATAA& entry) {
        unsigned long place = m_entries++;
        if (Full() || !IsWalkedSubfolder(entry)) return;
        size_t nameSize = strlen(entry.cFileName) + 1, aliasSize = strlen(entry.cAlternateFileName) + 1;
        if (!Reserve(sizeof place + nameSize + aliasSize)) {
            m_resumeAt = place;
            return;
        }
        Append(&place, sizeof place);
        Append(entry.cFileName, nameSize);
        Append(entry.cAlternateFileName, aliasSize);
    }
    // Reads the subfolder kept at offset (from 0 to End()); returns the next one's offset.
    size_t Read(size_t offset, KeptSubfolder* kept) const {
        memcpy(&kept->place, m_text + offset, sizeof kept->place);
        kept->name = m_text + offset + sizeof kept->place;
        kept->alias = kept->name + strlen(kept->name) + 1;
        return (size_t)(kept->alias + strlen(kept->alias) + 1 - m_text);
    }
    size_t End() const { return m_used; }
    unsigned long Entries() const { return m_entries; }
    bool Full() const { return m_resumeAt != kNotFull; }
    // When full: the place of the first entry that was not kept.
    unsigned long ResumeAt() const { return m_resumeAt; }

private:
    static const unsigned long kNotFull = 0xFFFFFFFFul;

    bool Reserve(size_t needed) {
        if (m_used + needed <= m_size) return true;
        size_t size = m_size != 0 ? m_size : kFirstNamesSize;
        while (size < m_used + needed) size *= 2;
        if (size > g_subfolderNamesLimit) size = g_subfolderNamesLimit;
        if (m_used + needed > size) return false;
        char* grown = (char*)realloc(m_text, size);
        if (grown == NULL) return false;
        m_text = grown;
        m_size = size;
        return true;
    }
    void Append(const void* bytes, size_t length) {
        memcpy(m_text + m_used, bytes, length);
        m_used += length;
    }

    char* m_text;
    size_t m_used;
    size_t m_size;
    unsigned long m_entries;
    unsigned long m_resumeAt;
};

int WalkTree(const char* pattern, bool askedFor);

// Hands each entry of a listing to visit until it answers other than kPassDone; kNotListed
// when the listing cannot start, the system's reason then in GetLastError.
template <class Visit>
int EnumerateListing(const char* listed, Visit visit) {
    WIN32_FIND_DATAA entry;
    CFindHandle find(WithRedirectionOff([&] { return FindFirstFileA(listed, &entry); }));
    if (!find.IsValid()) return kNotListed;
    int result;
    do {
        result = visit(entry);
    } while (result == kPassDone && WithRedirectionOff([&] { return FindNextFileA(find, &entry); }));
    return result;
}

// The file pass, the folder's one listing: every entry to the status line, every file to the
// checkers, every subfolder noted for later.
int ListFolder(const char* pattern, SubfolderList& subfolders, bool askedFor) {
    int result = EnumerateListing(pattern, [&](const WIN32_FIND_DATAA& entry) {
        int visited = VisitFileEntry(pattern, entry);
        subfolders.Note(entry);
        return visited;
    });
    if (result != kNotListed) return result;
    ReportUnlisted(pattern, GetLastError(), askedFor);
    return kPassDone;
}

int EnterSubfolder(const char* pattern, const char* name, const char* alias) {
    int folderLength = PatternFolderLength(pattern);
    if (folderLength < 0) return kMalformed;
    char subPattern[MAX_PATH];
    if (!FitEntryPath(pattern, folderLength, name, alias, kFolderSuffix, subPattern)) return kPassDone;
    if (strstr(subPattern, "\\Program Files\\") != NULL) g_pendingFolderSeen = 1;
    if (WalkTree(subPattern, false) == kMalformed) return kMalformed;
    // An abort below ends this level too, even when the subfolder was its last entry.
    return g_abortScan != 0 ? kAborted : kPassDone;
}

// The window is pumped once for every entry of the listing, as the subfolders go by.
bool PumpThrough(unsigned long* pumped, unsigned long place) {
    for (; *pumped < place; ++*pumped)
        if (PumpAndTestAbort()) return false;
    return true;
}

// A second listing of the folder's subfolders, from the entry at place `first` on.
int ListSubfoldersFrom(const char* pattern, unsigned long first) {
    char folderPattern[MAX_PATH + 1];
    if (!MakeFolderPattern(pattern, folderPattern, sizeof folderPattern)) return kPassDone;
    unsigned long place = 0;
    int result = EnumerateListing(folderPattern, [&](const WIN32_FIND_DATAA& entry) {
        if (place++ < first) return (int)kPassDone;
        if (PumpAndTestAbort()) return (int)kAborted;
        return IsWalkedSubfolder(entry) ? EnterSubfolder(pattern, entry.cFileName, entry.cAlternateFileName) : kPassDone;
    });
    return result == kNotListed ? kPassDone : result;
}

// The kept subfolders in listing order, then those that did not fit from a second listing.
int WalkSubfolders(const char* pattern, const SubfolderList& subfolders) {
    unsigned long pumped = 0;
    KeptSubfolder kept;
    for (size_t at = 0; at < subfolders.End();) {
        at = subfolders.Read(at, &kept);
        if (!PumpThrough(&pumped, kept.place + 1)) return kAborted;
        int result = EnterSubfolder(pattern, kept.name, kept.alias);
        if (result != kPassDone) return result;
    }
    if (!subfolders.Full()) return PumpThrough(&pumped, subfolders.Entries()) ? kPassDone : kAborted;
    if (!PumpThrough(&pumped, subfolders.ResumeAt())) return kAborted;
    return ListSubfoldersFrom(pattern, subfolders.ResumeAt());
}

// A pattern that is its own folder pattern ("*.*") lists all of its folder's subfolders; the
// subfolders of any other come from a second listing.
bool ListsAllSubfolders(const char* pattern) {
    char folderPattern[MAX_PATH + 1];
    return MakeFolderPattern(pattern, folderPattern, sizeof folderPattern) && strcmp(folderPattern, pattern) == 0;
}

int WalkTree(const char* pattern, bool askedFor) {
    g_memoryHit = 0;
    const bool singleFile = g_memoryCheckMode == 1;
    if (!singleFile && strlen(pattern) <= kRootPatternChars) NoteProgramFilesFolder(pattern);
    SubfolderList subfolders(ListsAllSubfolders(pattern));
    int result = ListFolder(pattern, subfolders, askedFor);
    // One file's path has no subfolders to visit.
    if (result != kPassDone || singleFile) return result;
    return WalkSubfolders(pattern, subfolders);
}

}   // namespace

// A folder link (junction, symbolic link, mount point) is not entered: two links back to a
// parent would make the walk endless, one elsewhere would have a tree scanned and counted
// twice, or a network share walked and cleaned. What a link on a fixed drive points to is
// walked under its own path, a volume mounted only in a folder by the scan driver. A folder
// whose reparse point keeps its entries in place (a cloud or deduplicated folder) is no link.
bool IsWalkedSubfolder(const WIN32_FIND_DATAA& entry) {
    return IsFolder(entry) && !IsDotEntry(entry.cFileName) &&
           ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 || HoldsDataInPlace(ListedReparseTag(entry)));
}

int WalkFolder(const char* pattern) {
    int result = WalkTree(pattern, true);
    return result == kPassDone ? g_filesScanned : result;
}

int WalkFolderFiles(const char* pattern) {
    SubfolderList none(false);
    int result = ListFolder(pattern, none, true);
    return result == kPassDone ? g_filesScanned : result;
}

// The listing of the path itself gives the file's entry, its size and 8.3 name among them.
int WalkFile(const char* path) {
    const char* lastSlash = strrchr(path, '\\');
    if (lastSlash == NULL || strpbrk(path, "*?") != NULL) return kMalformed;
    int folderLength = (int)(lastSlash + 1 - path);
    int result = EnumerateListing(path, [&](const WIN32_FIND_DATAA& entry) {
        return IsFolder(entry) ? (int)kPassDone : VisitEntryIn(path, folderLength, entry);
    });
    if (result == kNotListed) ReportRefused(path, GetLastError());
    return result == kPassDone || result == kNotListed ? g_filesScanned : result;
}
