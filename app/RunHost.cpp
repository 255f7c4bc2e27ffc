// The run's log, its plain messages and the quiet run's answers.
#include "app/RunHost.h"

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

#include "framework/KernelHandles.h"

CommandLine g_commandLine;
const char g_programVersion[] = "1.0.0.0";

// Owned for the whole run; every write goes to the end, so that a block never overwrites
// another run's, even one written in between by hand.
static CFileHandle s_log;

void FormatLocalTime(char* text, size_t size) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    _snprintf(text, size, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    text[size - 1] = 0;
}

void WriteRunLogLine(const char* text) {
    if (!s_log.IsValid()) return;
    DWORD written = 0;
    SetFilePointer(s_log, 0, NULL, FILE_END);
    WriteFile(s_log, text, lstrlenA(text), &written, NULL);
    WriteFile(s_log, "\r\n", 2, &written, NULL);
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

static void WriteHeader() {
    char started[32];
    FormatLocalTime(started, sizeof started);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD computerSize = sizeof computer;
    GetComputerNameA(computer, &computerSize);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    WriteRunLogLine("========================================");
    WriteFormattedLine("Sweepwright %s started %s", g_programVersion, started);
    WriteFormattedLine("Computer: %s", computer);
    WriteFormattedLine("Windows: %s %lu.%lu build %lu %s", version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT" : "9x",
                       version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber & 0xFFFF,
                       version.szCSDVersion);
    WriteFormattedLine("Switches: %s", g_commandLine.arguments);
}

void OpenRunLog(const char* path) {
    s_log.Attach(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    WriteHeader();
}

void CloseRunLog(int exitCode) {
    char ended[32];
    FormatLocalTime(ended, sizeof ended);
    WriteFormattedLine("Ended %s with exit code %d", ended, exitCode);
    s_log.Close();
}

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
