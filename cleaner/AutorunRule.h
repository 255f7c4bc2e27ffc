// Whether the data of one autorun value starts a given infected file. Pure text work, so
// it also builds natively for the sanitizer tests and the fuzzer.
#pragma once
#include <stddef.h>

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

// Which file a command starts (an autorun value's, a win.ini or system.ini line's, a
// service's image path), read as the rule above reads one: one leading quote skipped (and a
// leading "\??\"), a name ending where the rule says. A bare name is looked for in the system's
// folders (the 32-bit one first in the 32-bit registry view). A quoted full path ends at its
// closing quote; one with blanks and no quotes is tried at each name end in turn, as the
// system itself tries it: the first text that isFile says is an existing file wins. Environment strings must be expanded already.
// Returns false (file empty) when no candidate names an existing file.
bool FindCommandFile(const char* command, const SystemFolders& folders, bool wow64View,
                     bool (*isFile)(const char* path), char* file, size_t size);
