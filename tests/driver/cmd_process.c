/* Process commands: a program run to its end, with its whole exit code (the shell that starts
   wine sees only its low 8 bits). */
#include "swdriver.h"

/* run TIMEOUT_MS COMMAND_LINE [STATION]: starts the command line, waits for its end and prints
   its exit code; a program still running after the timeout is ended and the command fails.
   With STATION the program runs on the desktop Default of that window station, which is made
   without WSF_VISIBLE when it does not exist yet: a station nobody sees, as a service's. */
int cmd_run(int argc, char** argv) {
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD timeout = parse_num(argv[0]), code = 0, waited;
    char desktop[MAX_PATH];
    HWINSTA station = NULL;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (argc > 2) {
        station = CreateWindowStationA(argv[2], 0, WINSTA_ALL_ACCESS, NULL);
        if (!station) return fail("CreateWindowStation failed, error %lu", GetLastError());
        wsprintfA(desktop, "%.200s\\Default", argv[2]);
        startup.lpDesktop = desktop;
    }
    if (!CreateProcessA(NULL, argv[1], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return fail("CreateProcess failed, error %lu", GetLastError());
    waited = WaitForSingleObject(process.hProcess, timeout);
    if (waited == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (station) CloseWindowStation(station);
    if (waited != WAIT_OBJECT_0) return fail("still running after %lu ms: ended", timeout);
    out_key("exit");
    out_int(code);
    return 1;
}
