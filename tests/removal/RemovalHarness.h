// Shared pieces of the removal tests that run under Wine: the recorded report lines, real
// files in a folder of each test's own, real helper processes, and a watcher that answers the
// plain "Could not kill process" message box the kill routes may raise.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Disinfect.h"

// Report channel and counters of the test doubles.
const std::vector<std::string>& ReportLines();
int UninstallCleanups();
void ResetScanState(int action);

// The report line of a file: path, five blanks, variant name, blank, outcome.
std::string FileLine(const std::string& path, const std::string& name, const std::string& outcome);

// C:\removal\<suite>.<test>: the running test's own folder.
std::string TestFolder();

// Fresh counters, action 100 and an empty folder of the test's own for every test.
class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override;
    std::string m_folder;
};
// A file of the given size in the test folder; returns its full path.
std::string MakeFile(const std::string& name, size_t size = 64);
bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A program built beside this test program (Lookalike.exe, HoldOpen.exe).
std::string HelperProgram(const char* name);
// Records a file whose deletion was deferred, for the check after the prefix restarts.
void ExpectGoneAfterRestart(const std::string& path);
// The system's pending-rename list as one string, empty when the value is missing.
std::string PendingRenames();

// A process started from a file, ended at the latest when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::string& image, const std::string& argument = "");
    ~ChildProcess();
    bool Started() const { return m_info.hProcess != NULL; }
    DWORD Id() const { return m_info.dwProcessId; }
    // True once the process has ended, waiting up to the given time.
    bool Ended(DWORD milliseconds = 5000) const;
    DWORD ExitCode() const;
    HANDLE Handle() const { return m_info.hProcess; }

private:
    PROCESS_INFORMATION m_info;
};

// Waits until the process's main module is known, as the module-path route will ask for it.
::testing::AssertionResult WaitUntilLoaded(const ChildProcess& child);

// Copies the look-alike to path and runs it until its image is loaded.
::testing::AssertionResult StartLookalikeAt(const std::string& path, std::unique_ptr<ChildProcess>* child);

// Waits until another process holds path open without sharing.
::testing::AssertionResult WaitUntilHeld(const std::string& path);

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

const char kPyzName[] = "W32/Drellmoxin.Pyz.Worm";
