// Shared pieces of the cleaning tests under Wine: the recorded report lines, the helper
// processes and services, registry keys and values of the throwaway prefix.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

// --- Doubles of the parts outside the cleaning code (CleaningDoubles.cpp) ---
struct MessageBoxCall {
    std::string text, caption;
    unsigned flags;
};
extern int g_messageBoxAnswer;                    // what ToolMessageBox answers
extern std::vector<MessageBoxCall> g_messageBoxCalls;
extern int g_restartRequests;                     // RestartSystem calls

// --- Report channel: a hidden window that keeps every line sent to it ---
void InstallReportWindow();
std::vector<std::string>& ReportLines();
int CountLines(const std::string& line);

// Fresh scan state before each case: action 100, counters zero, no remembered value name.
void ResetScanState(int action = 100);

// Requires the Windows version that the runner selected for this group.
::testing::AssertionResult RunsAs(const char* version);

// --- Files ---
bool FileExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
std::string SystemFolder();
std::string WindowsFolder();

// --- Helper processes: copies of the look-alike CleaningHelper.exe ---
// Copies the helper to C:\swclean\run\<name> and returns that path.
std::string HelperCopy(const std::string& name);
struct Child {
    HANDLE process = NULL;
    DWORD id = 0;
    std::string image;
    bool Running() const;
};
// Starts `image` with one argument (sleep, guard or hide) and waits until it is idle.
Child StartChild(const std::string& image, const char* argument);
// Ends every helper copy (swmem*, swsvc*), guarded and hidden ones included.
void EndHelperProcesses();

// --- Services (registered by the runner with `sc create`) ---
bool StartServiceAndWait(const std::string& name);
DWORD ServiceState(const std::string& name);
DWORD ServiceProcessId(const std::string& name);

// --- Registry, all below HKEY_LOCAL_MACHINE unless a root is given ---
bool CreateMachineKey(const std::string& path);
bool MachineKeyExists(const std::string& path);
void DeleteMachineTree(const std::string& path);
void SetValue(const std::string& key, const std::string& name, const std::string& data, DWORD type = REG_SZ);
bool ValueExists(const std::string& key, const std::string& name);
std::vector<std::string> ValueNames(const std::string& key);
// Every key path and value (with data) below a key, for before/after comparisons.
std::vector<std::string> Snapshot(const std::string& key);

extern const char kRunKey[];
extern const char kRunServicesKey[];
extern const char kUninstallKey[];
