// The switches of a run, parsed once at start-up into one plain structure. Nothing here calls
// the system, so the parser is built and tested natively too.
#pragma once

enum { kMaxScanPaths = 16, kCommandPathSize = 260, kSwitchNameSize = 64 };

struct CommandLine {
    int quiet;                                     // /quiet: no window, no box, no question
    int scanOnly;                                  // /scanonly: find and report, change nothing
    int forceRestart;                              // /forcerestart: restart when a removal waits for it
    int help;                                      // /?: show the switches, scan nothing
    int quick;                                     // /quick: the quick scan's places instead of every fixed drive
    char logPath[kCommandPathSize];                // /log FILE; empty without it
    int pathCount;                                 // /path FOLDER, each in turn; 0: every fixed drive
    char paths[kMaxScanPaths][kCommandPathSize];   // without a trailing backslash unless a drive root
    char badSwitch[kSwitchNameSize];               // the first word refused (cut to fit)
    const char* arguments;                         // everything after the program's name, for the log:
                                                   // a view into the command line parsed
};

// Parses a whole command line as the system hands it over, the program's own name first.
// Switches start with '/' or '-' and ignore case; double quotes group a word (and are
// dropped), backslashes are always plain characters, so that "D:\" names a drive root.
// Returns 1 when every word is understood. Otherwise 0, and badSwitch names the first word
// refused: an unknown word, a switch missing its value (also when a switch stands in its
// place: "/log /quiet" is /log without a value, then /quiet), a value too long, a /path too many,
// or /quick beside /path (named "/quick": the two choose what to walk, each its own way).
// quiet is read from every word, also from those after a refused one, and a refused word that
// reads as an attempt at it (--quiet, /quite, /quiet/scanonly, /silent, /qn) sets it too.
// A /path inside another one given, or given twice, is kept once (case, '/' for '\' and a
// trailing backslash do not matter), so that each file is walked once.
int ParseCommandLine(const char* commandLine, CommandLine* parsed);
