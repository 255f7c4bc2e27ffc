// Whether the data of one autorun value starts a given infected file. Pure text work, so
// it also builds natively for the sanitizer tests and the fuzzer.
#pragma once

enum AutorunMatch {
    AUTORUN_NO_MATCH = 0,
    AUTORUN_BARE_COMMAND = 1,   // a bare command naming the file, which lies in a system folder
    AUTORUN_FULL_PATH = 2       // the command starts with the file's full path
};

// data: the value as stored; expanded: the same after environment expansion;
// infectedPath: full path of the infected file. Letter case is ignored throughout.
AutorunMatch MatchAutorunCommand(const char* data, const char* expanded, const char* infectedPath);
