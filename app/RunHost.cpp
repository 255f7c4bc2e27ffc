// The run's log, its plain messages and the quiet run's answers.
#include "app/RunHost.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "framework/KernelHandles.h"
#include "framework/SystemFolders.h"

CommandLine g_commandLine;
const char g_programVersion[] = "1.0.0.0";

static const char kBlockStart[] = "========================================\r\n";
static const char kDefaultLogName[] = "\\Sweepwright.log";

// The log the block goes to, held for the whole run. The block is collected in memory and written
// in one piece at the end, so that the blocks of machines writing one log on a share never
// interleave; when memory runs out, what was collected is written at once and collecting starts
// again.
static CFileHandle s_log;
static bool s_appendOnly;
static bool s_logWritten;              // the block goes, so far whole, to the log it was meant for
static char s_logPath[MAX_PATH];
static char* s_block;
static size_t s_blockLength, s_blockCapacity;

void FormatLocalTime(char* text, size_t size) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    _snprintf(text, size, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    text[size - 1] = 0;
}

// Read through the handle that will write: an empty file, or one whose first line is a block's.
static bool StartsAsRunLog(HANDLE file) {
    char start[sizeof kBlockStart - 1];
    DWORD read = 0;
    if (!ReadFile(file, start, sizeof start, &read, NULL)) return false;
    return read == 0 || (read == sizeof start && memcmp(start, kBlockStart, sizeof start) == 0);
}

bool MayHoldRunLog(const char* path) {
    if (path[0] == 0) return true;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    CFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL));
    return !file.IsValid() || StartsAsRunLog(file);
}

// The 9x line cannot append only, and shares reading only, as two writers positioning and then
// writing could overwrite each other.
static DWORD OpenLogFile(const char* path) {
    DWORD access = s_appendOnly ? FILE_READ_DATA | FILE_APPEND_DATA : GENERIC_READ | GENERIC_WRITE;
    DWORD sharing = s_appendOnly ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    s_log.Attach(CreateFileA(path, access, sharing, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!s_log.IsValid()) return GetLastError();
    if (StartsAsRunLog(s_log)) return ERROR_SUCCESS;
    s_log.Close();
    return ERROR_INVALID_DATA;
}

// The position is taken with its high half: past 4 GB the low half alone fails, and the block
// would land at the start over the old log. An append-only handle writes at the end anyway.
static DWORD WriteAtEnd(const char* text, size_t length) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    if (SetFilePointer(s_log, 0, &high, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return GetLastError();
    DWORD written = 0;
    if (!WriteFile(s_log, text, (DWORD)length, &written, NULL)) return GetLastError();
    return written == length ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

static bool MakeRoom(size_t length) {
    if (s_blockLength + length <= s_blockCapacity) return true;
    size_t capacity = s_blockCapacity ? s_blockCapacity : 16384;
    while (capacity < s_blockLength + length) capacity *= 2;
    char* grown = (char*)realloc(s_block, capacity);
    if (grown == NULL) return false;
    s_block = grown;
    s_blockCapacity = capacity;
    return true;
}

static void WriteBlock();

static void AppendToBlock(const char* text, size_t length) {
    if (!s_log.IsValid()) return;
    if (!MakeRoom(length)) WriteBlock();   // memory ran out: what was collected goes now
    if (MakeRoom(length)) {
        memcpy(s_block + s_blockLength, text, length);
        s_blockLength += length;
    } else if (WriteAtEnd(text, length) != ERROR_SUCCESS) {
        s_logWritten = false;
    }
}

void WriteRunLogLine(const char* text) {
    AppendToBlock(text, lstrlenA(text));
    AppendToBlock("\r\n", 2);
}

static void WriteFormattedLine(const char* format, ...) {
    char line[600];
    va_list args;
    va_start(args, format);
    _vsnprintf(line, sizeof line, format, args);
    va_end(args);
    line[sizeof line - 1] = 0;
    WriteRunLogLine(line);
}

// The default log takes the block of a log that could not (unless it was that log itself).
static void FallBackToDefaultLog() {
    s_logWritten = false;
    s_log.Close();
    char path[MAX_PATH];
    if (WindowsFolderPath(kDefaultLogName, path, sizeof path) && lstrcmpiA(path, s_logPath) != 0) OpenLogFile(path);
}

void DescribeSystemError(DWORD error, char* text, size_t size) {
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text, (DWORD)size,
                        NULL))
        text[0] = 0;
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
    text[length] = 0;
    for (char* c = text; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';
}

static void WriteWhyLogNotWritten(DWORD error) {
    char reason[256] = "it is not a log of this program";
    if (error != ERROR_INVALID_DATA) DescribeSystemError(error, reason, sizeof reason);
    WriteFormattedLine("Log not written to %s (error %lu): %s", s_logPath, error, reason);
}

// What was collected, in one write. A log that fails it gives way to the default log, which
// gets the collection with the line saying why.
static void WriteBlock() {
    DWORD error = WriteAtEnd(s_block, s_blockLength);
    if (error != ERROR_SUCCESS && s_logWritten) {
        FallBackToDefaultLog();
        WriteWhyLogNotWritten(error);
        if (s_log.IsValid()) WriteAtEnd(s_block, s_blockLength);
    }
    s_blockLength = 0;
}

static void WriteHeader() {
    char started[32];
    FormatLocalTime(started, sizeof started);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD computerSize = sizeof computer;
    GetComputerNameA(computer, &computerSize);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    AppendToBlock(kBlockStart, sizeof kBlockStart - 1);
    WriteFormattedLine("Sweepwright %s started %s", g_programVersion, started);
    WriteFormattedLine("Computer: %s", computer);
    WriteFormattedLine("Windows: %s %lu.%lu build %lu %s", version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT" : "9x",
                       version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber & 0xFFFF,
                       version.szCSDVersion);
    AppendToBlock("Switches: ", 10);
    WriteRunLogLine(g_commandLine.arguments);   // whole, however long
}

void OpenRunLog(const char* path, bool appendOnly) {
    s_appendOnly = appendOnly;
    if (path[0] != 0)
        lstrcpynA(s_logPath, path, sizeof s_logPath);
    else if (!WindowsFolderPath(kDefaultLogName, s_logPath, sizeof s_logPath))
        return;
    DWORD error = OpenLogFile(s_logPath);
    s_logWritten = error == ERROR_SUCCESS;
    if (!s_logWritten) FallBackToDefaultLog();
    WriteHeader();
    if (!s_logWritten) WriteWhyLogNotWritten(error);
}

void CloseRunLog(int exitCode) {
    char ended[32];
    FormatLocalTime(ended, sizeof ended);
    WriteFormattedLine("Ended %s with exit code %d", ended, exitCode);
    if (s_log.IsValid()) WriteBlock();
    s_log.Close();
    free(s_block);
    s_block = NULL;
    s_blockLength = s_blockCapacity = 0;
}

bool RunLogWritten() { return s_logWritten; }

void ShowNotice(const char* text, const char* caption) {
    if (g_commandLine.quiet)
        WriteFormattedLine("%s: %s", caption, text);
    else
        MessageBoxA(NULL, text, caption, MB_OK);
}

int QuietAnswer(const char* question, unsigned flags) {
    bool yes = g_commandLine.forceRestart != 0;
    int answer;
    if (flags & MB_OKCANCEL)
        answer = yes ? IDOK : IDCANCEL;
    else if (flags & MB_YESNO)
        answer = yes ? IDYES : IDNO;
    else
        answer = IDOK;
    char flat[600];
    lstrcpynA(flat, question, sizeof flat);
    for (char* c = flat; *c; ++c)
        if (*c == '\n') *c = ' ';   // one question, one line of the log
    WriteFormattedLine("Question: %s", flat);
    WriteFormattedLine("Answered: %s", answer == IDOK ? "OK" : answer == IDCANCEL ? "Cancel" : yes ? "Yes" : "No");
    return answer;
}
