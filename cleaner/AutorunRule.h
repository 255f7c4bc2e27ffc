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

// data: the value as stored; expanded: the same after environment expansion;
// infectedPath: full path of the infected file. wow64View: the value lies in the 32-bit
// registry view of a 64-bit Windows, whose programs call the 32-bit system folder by the
// system folder's name. Letter case is ignored throughout.
AutorunMatch MatchAutorunCommand(const char* data, const char* expanded, const char* infectedPath,
                                 const SystemFolders& folders, bool wow64View);
