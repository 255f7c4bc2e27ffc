// Whether the data of one autorun value starts a given infected file. Pure text work, so
// it also builds natively for the sanitizer tests and the fuzzer.
#pragma once

enum AutorunMatch {
    AUTORUN_NO_MATCH = 0,
    AUTORUN_BARE_COMMAND = 1,   // a bare command naming the file, which lies in a system folder
    AUTORUN_FULL_PATH = 2       // the command starts with the file's full path
};

// The system's own folders, full paths without a final backslash: the system folder, the
// Windows folder's System and, on 64-bit Windows, the 32-bit system folder ("" elsewhere).
struct SystemFolders {
    const char* system;
    const char* windowsSystem;
    const char* wow64;
};

// The registry view a value lies in, with the values of the registry's own view flags
// (KEY_WOW64_64KEY, KEY_WOW64_32KEY), so that the cleanup hands its view over as it is. The
// plain view is the one registry of a 32-bit Windows.
enum AutorunView { AUTORUN_PLAIN_VIEW = 0, AUTORUN_64BIT_VIEW = 0x0100, AUTORUN_32BIT_VIEW = 0x0200 };

// data: the value as stored; expanded: the same after environment expansion;
// infectedPath: full path of the infected file. The programs of the 32-bit view of a 64-bit
// Windows call the 32-bit system folder by the system folder's name, and their bare commands
// start files from it. Letter case is ignored throughout.
AutorunMatch MatchAutorunCommand(const char* data, const char* expanded, const char* infectedPath,
                                 const SystemFolders& folders, AutorunView view);
