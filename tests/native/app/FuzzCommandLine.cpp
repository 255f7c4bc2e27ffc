// The switch parser on arbitrary command lines: every text it keeps ends inside its field (the
// arguments it hands the log lie inside the line), a refusal always names a word, and a line it
// accepts means what it says: written back out from the parsed switches, it parses to the same
// run.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "app/CommandLine.h"

static bool Ends(const char* text, size_t size) { return memchr(text, 0, size) != nullptr; }

static std::string WrittenBack(const CommandLine& parsed) {
    std::string line = "sw.exe";
    if (parsed.quiet) line += " /quiet";
    if (parsed.scanOnly) line += " -scanonly";
    if (parsed.forceRestart) line += " /FORCERESTART";
    if (parsed.help) line += " /?";
    if (parsed.quick) line += " -Quick";
    if (parsed.logPath[0]) line += std::string(" /log \"") + parsed.logPath + "\"";
    for (int i = 0; i < parsed.pathCount; ++i) line += std::string(" /path \"") + parsed.paths[i] + "\"";
    return line;
}

static bool SameRun(const CommandLine& a, const CommandLine& b) {
    if (a.quiet != b.quiet || a.scanOnly != b.scanOnly || a.forceRestart != b.forceRestart || a.help != b.help || a.quick != b.quick ||
        strcmp(a.logPath, b.logPath) != 0 || a.pathCount != b.pathCount)
        return false;
    for (int i = 0; i < a.pathCount; ++i)
        if (strcmp(a.paths[i], b.paths[i]) != 0) return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();   // up to the first zero byte, as the system hands a command line over
    CommandLine parsed;
    memset(&parsed, 0xBD, sizeof parsed);
    int ok = ParseCommandLine(line.c_str(), &parsed);
    const char* text = line.c_str();
    bool argumentsInside = (parsed.arguments >= text && parsed.arguments <= text + line.size()) || !*parsed.arguments;
    if (!Ends(parsed.logPath, sizeof parsed.logPath) || !Ends(parsed.badSwitch, sizeof parsed.badSwitch) ||
        !argumentsInside || parsed.pathCount < 0 || parsed.pathCount > kMaxScanPaths)
        abort();
    for (int i = 0; i < parsed.pathCount; ++i)
        if (!Ends(parsed.paths[i], sizeof parsed.paths[i]) || parsed.paths[i][0] == 0) abort();
    if (ok != (parsed.badSwitch[0] == 0)) abort();
    if (!ok) return 0;
    CommandLine again;
    if (ParseCommandLine(WrittenBack(parsed).c_str(), &again) != 1 || !SameRun(parsed, again)) abort();
    return 0;
}
