// Pieces of the removal tests under Wine beyond the shared harness: a folder of each test's
// own, the look-alike and file-holding helper programs, and deferrals checked after a restart.
#pragma once
#include <memory>

#include "engine/Disinfect.h"
#include "tests/lib/Win32Harness.h"

int UninstallCleanups();
int PumpCalls();   // message pump calls since the test began

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
// A program built beside this test program (Lookalike.exe, HoldOpen.exe).
std::string HelperProgram(const char* name);
// Records a file whose deletion was deferred, for the check after the prefix restarts.
void ExpectGoneAfterRestart(const std::string& path);

// The action on a file opened as the matcher opens it (the matching itself is not under test).
void ApplyAction(const char* path, const char* variantName);

// Copies the look-alike to path and runs it until its image is loaded.
::testing::AssertionResult StartLookalikeAt(const std::string& path, std::unique_ptr<ChildProcess>* child);

// Waits until another process holds path open without sharing.
::testing::AssertionResult WaitUntilHeld(const std::string& path);

const char kPyzName[] = "W32/Drellmoxin.Pyz.Worm";
