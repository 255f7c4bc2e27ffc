// What walking a tree costs on this system, one part of the scan's per-file work at a time;
// run under Wine by tools/benchmark.py.
//
//   WalkCost.exe MODE PATTERN        for example: WalkCost.exe floor D:\*.*
//
//   floor       FindFirstFileA/FindNextFileA, the files of a folder before its subfolders,
//               each folder listed once: its subfolders' names are kept for after its files
//   floor-twice the same with each folder listed twice, once for its files and once for its
//               subfolders (how the scan walked before it kept the names)
//   attributes  the floor plus GetFileAttributesExA of every file
//   open        the floor plus _open, a 64-byte _read and _close of every file
//   status      the floor plus the status line of every entry: the shortened path set with
//               SetWindowTextA on a visible static control
//   peek        the floor plus two PeekMessageA looks at the queue per entry
//   pump        the floor plus two calls of the program's PumpMessages per entry
//   check       the floor plus the program's CheckFile of every file, given its listed size
//               as the scan gives it: only the files of a record's size are opened
//   scan        the program's own WalkFolder with its status line in a visible window,
//               reporting only (no file is changed)
//   scan-every  the same with the status line set for every entry
//
// Prints one line: "MODE files=N entries=E ms=T".
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include <string>

#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/PathText.h"

namespace {

const int kStatusChars = 60;   // as on the program's status line

HWND s_status;
long s_files;
long s_entries;

typedef void (*EntryCost)(const char* path, bool isFile);

void NoCost(const char*, bool) {}

void AttributesCost(const char* path, bool isFile) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (isFile) GetFileAttributesExA(path, GetFileExInfoStandard, &data);
}

void OpenCost(const char* path, bool isFile) {
    if (!isFile) return;
    int fd = _open(path, _O_RDONLY | _O_BINARY);
    if (fd == -1) return;
    char head[64];
    _read(fd, head, sizeof head);
    _close(fd);
}

void StatusCost(const char* path, bool) {
    char shown[kStatusChars + 1];
    ShortenPath(path, shown, kStatusChars);
    SetWindowTextA(s_status, shown);
}

void PeekOnce() {
    MSG msg;
    if (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void PeekCost(const char*, bool) {
    PeekOnce();
    PeekOnce();
}

void PumpCost(const char*, bool) {
    PumpMessages();
    PumpMessages();
}

void CheckCost(const char* path, bool isFile) {
    if (isFile) CheckFile("W32/Drellmoxin.Trojan ", path);
}

bool IsDotEntry(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// Joins a folder prefix ("D:\a\") and a name into a MAX_PATH buffer; false when it does not fit.
bool Join(char* dest, const char* folder, const char* name, const char* suffix) {
    int written = _snprintf(dest, MAX_PATH, "%s%s%s", folder, name, suffix);
    dest[MAX_PATH - 1] = 0;
    return written >= 0 && written < MAX_PATH;
}

bool IsSubfolder(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsDotEntry(entry.cFileName);
}

// Every entry of the folder to the cost; the subfolders' names, each ended by a zero, into
// `subfolders` when it is given.
void ListEntries(const char* folder, EntryCost cost, std::string* subfolders) {
    char pattern[MAX_PATH];
    if (!Join(pattern, folder, "*.*", "")) return;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        char path[MAX_PATH];
        bool isFile = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        ++s_entries;
        if (isFile) ++s_files;
        // The size as listed, which the matcher takes instead of asking again, as in the scan.
        g_listedFile = {ListedSize(entry), entry.dwFileAttributes, ListedReparseTag(entry)};
        if (Join(path, folder, entry.cFileName, "")) cost(path, isFile);
        g_listedFile = kNothingListed;
        if (subfolders != NULL && IsSubfolder(entry)) subfolders->append(entry.cFileName, strlen(entry.cFileName) + 1);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

// The walk the scan needs at the least: every entry of the folder, then its subfolders, from
// the names the one listing kept.
void Walk(const char* folder, EntryCost cost) {
    std::string subfolders;
    ListEntries(folder, cost, &subfolders);
    for (size_t at = 0; at < subfolders.size(); at += strlen(subfolders.c_str() + at) + 1) {
        char sub[MAX_PATH];
        if (Join(sub, folder, subfolders.c_str() + at, "\\")) Walk(sub, cost);
    }
}

// The same order from two listings of each folder: its entries, then its subfolders.
void WalkListingTwice(const char* folder, EntryCost cost) {
    ListEntries(folder, cost, NULL);
    char pattern[MAX_PATH];
    if (!Join(pattern, folder, "*.*", "")) return;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        char sub[MAX_PATH];
        if (IsSubfolder(entry) && Join(sub, folder, entry.cFileName, "\\")) WalkListingTwice(sub, cost);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == g_hMainWnd && message == MSG_STATUS) {
        SetWindowTextA(s_status, g_statusText);
        return 0;
    }
    if (window == g_hMainWnd && message == MSG_REPORT_LINE) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible window with a static control of the status line's size.
HWND CreateStatusWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = "WalkCostWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Walk cost", WS_POPUP | WS_VISIBLE, 200, 150, 600, 460,
                                  NULL, NULL, windowClass.hInstance, NULL);
    s_status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 30, 150, 454, 18, window, NULL,
                               windowClass.hInstance, NULL);
    UpdateWindow(window);
    return window;
}

void FlushQueue() {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The scan's own walk over a root pattern, acting on nothing it finds.
void ProgramWalk(const char* pattern, unsigned long statusInterval) {
    g_statusIntervalMs = statusInterval;
    WalkFolder(pattern);
    s_files = g_filesScanned;
}

// The folder part of a pattern ("D:\*.*" gives "D:\").
bool FolderOf(const char* pattern, char* folder) {
    const char* slash = strrchr(pattern, '\\');
    if (slash == NULL || slash - pattern + 2 > MAX_PATH) return false;
    size_t length = (size_t)(slash - pattern) + 1;
    memcpy(folder, pattern, length);
    folder[length] = 0;
    return true;
}

struct Mode {
    const char* name;
    EntryCost cost;   // null: the program's walk
    void (*walk)(const char* folder, EntryCost cost);
    bool needsWindow;
};

const Mode kModes[] = {
    {"floor", NoCost, Walk, false},
    {"floor-twice", NoCost, WalkListingTwice, false},
    {"attributes", AttributesCost, Walk, false},
    {"open", OpenCost, Walk, false},
    {"status", StatusCost, Walk, true},
    {"peek", PeekCost, Walk, false},
    {"pump", PumpCost, Walk, false},
    {"check", CheckCost, Walk, false},
    {"scan", NULL, NULL, true},
    {"scan-every", NULL, NULL, true},
};

}   // namespace

int main(int argc, char** argv) {
    const Mode* mode = NULL;
    for (const Mode& candidate : kModes)
        if (argc == 3 && strcmp(argv[1], candidate.name) == 0) mode = &candidate;
    char folder[MAX_PATH];
    if (mode == NULL || !FolderOf(argv[2], folder)) {
        fprintf(stderr,
                "usage: WalkCost.exe MODE PATTERN, MODE one of floor, floor-twice, attributes, open, status,"
                " peek, pump, check, scan, scan-every\n");
        return 2;
    }
    if (mode->needsWindow) g_hMainWnd = CreateStatusWindow();
    g_memoryCheckMode = 0;
    g_action = ACTION_REPORT_ONLY;
    FlushQueue();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (mode->cost != NULL)
        mode->walk(folder, mode->cost);
    else
        ProgramWalk(argv[2], strcmp(mode->name, "scan") == 0 ? g_statusIntervalMs : 0);
    QueryPerformanceCounter(&end);
    double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    printf("%s files=%ld entries=%ld ms=%.1f\n", mode->name, s_files, s_entries, ms);
    return 0;
}
