// Recording doubles for what the scanning core calls outside the engine: the report channel,
// the message pump, the disinfection and the registry cleanup, plus the scan counters.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct ActionCall {
    std::string path, variantName;
    int action;
    std::string statusText, detectedName, currentFilePath;
    bool fileOpen = false;   // handed the handle the file was examined through
};

struct AutorunCall {
    std::string variantName, currentFilePath;
    int filesInfected;
};

extern std::vector<std::string> g_shownStatus;     // every ShowStatus text, in order
extern std::vector<std::string> g_appendedLines;   // every report line, in order
extern std::vector<ActionCall> g_actionCalls;
extern std::vector<AutorunCall> g_autorunCalls;
extern int g_pumpCalls;
extern std::function<void()> g_onPump;             // runs inside every PumpMessages call
extern std::function<void()> g_onAutorunCleanup;   // runs inside every CleanAutorunEntries call

// Back to a scan's start: counters and modes zeroed, records emptied, the real table active.
void ResetScanDoubles();
