// The shared pieces of the test programs that run under Wine: real files, real child
// processes, keys and values of the throwaway prefix's registry, and a watcher that answers
// the plain message boxes the code under test may raise.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

// Each test program's doubles keep the report lines and reset the scan state.
std::vector<std::string>& ReportLines();
void ResetScanState(int action = 100);

// Requires the Windows version that the runner selected (SW_WINDOWS_VERSION).
::testing::AssertionResult RunsAs(const char* version);

// --- Files ---
bool FileExists(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
std::string SystemFolder();
std::string WindowsFolder();

// --- Processes ---
// A process started from a file, ended at the latest when the object goes: the handle from
// CreateProcess keeps every right, even after the child denied them to everyone else.
class ChildProcess {
public:
    explicit ChildProcess(const std::string& image, const std::string& argument = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Started() const { return m_info.hProcess != NULL; }
    DWORD Id() const { return m_info.dwProcessId; }
    // True once the process has ended, waiting up to the given time.
    bool Ended(DWORD milliseconds = 5000) const;
    DWORD ExitCode() const;
    HANDLE Handle() const { return m_info.hProcess; }

private:
    PROCESS_INFORMATION m_info;
};

// Waits until the process's main module is known, as the module-path walk will ask for it.
// How many 50 ms looks a wait for a helper program to start takes: under a loaded machine a
// program can need several seconds to start under Wine, and the wait ends at the first success.
const int kStartLooks = 600;
::testing::AssertionResult WaitUntilLoaded(const ChildProcess& child);

// Closes every message box whose caption is the given text (as soon as it appears) and keeps
// the texts they showed.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const std::string& caption);
    ~MessageBoxWatcher();
    std::vector<std::string> Texts();

private:
    void Watch();
    std::string m_caption;
    std::atomic<bool> m_stop;
    std::mutex m_lock;
    std::vector<std::string> m_texts;
    std::thread m_thread;
};

// --- Registry, all below HKEY_LOCAL_MACHINE ---
bool CreateMachineKey(const std::string& path);
bool MachineKeyExists(const std::string& path);
void DeleteMachineTree(const std::string& path);
// Strings are stored with one more terminator, binary data as given.
void SetValue(const std::string& key, const std::string& name, const std::string& data, DWORD type = REG_SZ);
bool ValueExists(const std::string& key, const std::string& name);
// The value's data as stored, empty when it is missing.
std::string ValueData(const std::string& key, const std::string& name);
std::vector<std::string> ValueNames(const std::string& key);
// Every key path and value (with data) below a key, for before/after comparisons.
std::vector<std::string> Snapshot(const std::string& key);
// The system's pending-rename list as one string, empty when the value is missing.
std::string PendingRenames();
