/* HoldOpen.exe FILE: opens FILE with no sharing and keeps it open until it is ended, so that
 * another process's DeleteFileA on FILE fails with ERROR_SHARING_VIOLATION (32). Exit code 2
 * when FILE cannot be opened. */
#include <windows.h>

static char g_path[MAX_PATH];

/* The first argument after the program's own name, without the quotes around it. */
static const char* FirstArgument(const char* line) {
    char quote = 0;
    for (; *line && (quote || *line != ' '); ++line)
        if (*line == '"') quote = !quote;
    while (*line == ' ') ++line;
    char end = ' ';
    if (*line == '"') {
        end = '"';
        ++line;
    }
    int n = 0;
    while (line[n] && line[n] != end && n < MAX_PATH - 1) {
        g_path[n] = line[n];
        ++n;
    }
    g_path[n] = 0;
    return g_path;
}

void HoldOpenMain(void) {
    const char* path = FirstArgument(GetCommandLineA());
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) ExitProcess(2);
    for (;;) Sleep(1000);
}
