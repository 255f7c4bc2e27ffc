// Pieces of the cleaning tests under Wine beyond the shared harness: the doubles' records, the
// report window, the look-alike helper's processes and services.
#pragma once
#include <functional>
#include <memory>

#include "tests/lib/Win32Harness.h"

// --- Doubles of the parts outside the cleaning code (CleaningDoubles.cpp) ---
struct MessageBoxCall {
    std::string text, caption;
    unsigned flags;
};
extern int g_messageBoxAnswer;   // what ToolMessageBox answers
extern std::vector<MessageBoxCall> g_messageBoxCalls;
extern int g_restartRequests;            // RestartSystem calls
extern bool g_mayRestart;                // what MayRestart answers
extern DWORD g_restartRefusal;           // what RestartSystem answers: 0, the restart began
extern DWORD g_longestPumpGapMs;         // the longest time between two message pump calls
extern std::function<void()> g_onPump;   // run by every message pump call
void ResetPumpGap();

// --- Report channel: a hidden window that keeps every line sent to it ---
void InstallReportWindow();
int CountLines(const std::string& line);

// --- Helper processes: copies of the look-alike CleaningHelper.exe ---
// Copies the helper to C:\swclean\run\<name> and returns that path.
std::string HelperCopy(const std::string& name);
// Starts `image` with one argument (sleep, guard or hide) and waits until it is idle.
std::unique_ptr<ChildProcess> StartChild(const std::string& image, const char* argument);
// Ends every helper copy (swmem*, swsvc*), guarded, hidden and service ones included.
void EndHelperProcesses();

// --- Services (registered by the runner with `sc create`) ---
bool StartServiceAndWait(const std::string& name);
DWORD ServiceState(const std::string& name);

extern const char kRunKey[];
extern const char kRunServicesKey[];
extern const char kUninstallKey[];
