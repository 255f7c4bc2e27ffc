/* Helper process of the cleaning tests. Its image carries the W32/Drellmoxin.Pyz.Worm size and
 * signatures (written by tests/lookalike/patch_lookalike.py), so the real matcher takes every
 * copy of it for the sample.
 *
 * With an argument it is a plain process:
 *   sleep   sleeps until ended
 *   guard   the same, but its own security denies PROCESS_TERMINATE to everyone
 *   hide    denies PROCESS_TERMINATE, PROCESS_QUERY_INFORMATION and PROCESS_VM_READ
 * Without one it runs as a service (registered by the tests with `sc create`); the file name
 * chooses how it answers the stop control, and it always denies PROCESS_TERMINATE:
 *   ..quick..    stops at once
 *   ..pending..  reports STOP_PENDING four times, 700 ms apart, then stops
 *   ..refuse..   does not accept the stop control
 *   ..stuck..    reports STOP_PENDING for ever
 *
 * Built without the C runtime: the entry function lies in ".text$y", directly before the pad in
 * ".text$zpad", so that the signature positions (312 and 63234 bytes past the entry point) fall
 * into the pad; everything else is in plain ".text", which the linker puts first. */
#include <windows.h>
#include <aclapi.h>

static SERVICE_STATUS_HANDLE g_statusHandle;
static SERVICE_STATUS g_status;
static char g_mode[MAX_PATH];

static int Contains(const char* text, const char* part) {
    for (; *text; text++) {
        const char* a = text;
        const char* b = part;
        while (*b && (*a | 0x20) == (*b | 0x20)) {
            a++;
            b++;
        }
        if (!*b) return 1;
    }
    return 0;
}

/* Everyone may do everything with this process except what `denied` names. */
static void Protect(DWORD denied) {
    static SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    static DWORD aclBuffer[64];
    PSID everyone;
    PACL acl = (PACL)aclBuffer;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, denied, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, PROCESS_ALL_ACCESS & ~denied, everyone);
    SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL, acl, NULL);
    FreeSid(everyone);
}

static void Report(DWORD state) {
    g_status.dwCurrentState = state;
    g_status.dwCheckPoint++;
    SetServiceStatus(g_statusHandle, &g_status);
}

static DWORD WINAPI FinishStop(void* unused) {
    int i;
    (void)unused;
    if (Contains(g_mode, "stuck")) {
        for (;;) {
            Sleep(500);
            Report(SERVICE_STOP_PENDING);
        }
    }
    for (i = 0; i < 4; i++) {
        Sleep(700);
        Report(SERVICE_STOP_PENDING);
    }
    Report(SERVICE_STOPPED);
    return 0;
}

static void WINAPI Control(DWORD control) {
    if (control != SERVICE_CONTROL_STOP) {
        SetServiceStatus(g_statusHandle, &g_status);
        return;
    }
    if (Contains(g_mode, "quick")) {
        Report(SERVICE_STOPPED);
        return;
    }
    Report(SERVICE_STOP_PENDING);
    g_status.dwWaitHint = 1000;
    CloseHandle(CreateThread(NULL, 0, FinishStop, NULL, 0, NULL));
}

static void WINAPI ServiceMain(DWORD argc, char** argv) {
    (void)argc;
    g_statusHandle = RegisterServiceCtrlHandlerA(argv[0], Control);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwControlsAccepted = Contains(g_mode, "refuse") ? 0 : SERVICE_ACCEPT_STOP;
    Report(SERVICE_RUNNING);
}

static void RunService(void) {
    static char name[] = "";
    SERVICE_TABLE_ENTRYA table[2] = {{name, ServiceMain}, {NULL, NULL}};
    Protect(PROCESS_TERMINATE);
    StartServiceCtrlDispatcherA(table);
    /* Under Wine, a process that ends right after reporting "stopped" breaks the pipe on which
     * the stop control is still being answered, and ControlService fails with error 109. */
    Sleep(1000);
}

static void RunPlain(const char* argument) {
    if (Contains(argument, "guard")) Protect(PROCESS_TERMINATE);
    if (Contains(argument, "hide")) Protect(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
    for (;;) Sleep(1000);
}

/* The argument after the program name, if any (the name may be quoted). */
static const char* Argument(const char* line) {
    int quoted = 0;
    for (; *line && (quoted || *line != ' '); line++)
        if (*line == '"') quoted = !quoted;
    while (*line == ' ') line++;
    return line;
}

__attribute__((section(".text$y"))) void CleaningHelperMain(void) {
    const char* argument = Argument(GetCommandLineA());
    GetModuleFileNameA(NULL, g_mode, sizeof g_mode);
    if (*argument)
        RunPlain(argument);
    else
        RunService();
    ExitProcess(0);
}

__attribute__((section(".text$zpad"), used)) static const unsigned char g_signaturePad[65536] = {[0 ... 65535] = 0x5A};
