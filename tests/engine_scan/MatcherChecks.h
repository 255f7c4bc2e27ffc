// What one CheckFile call must leave behind for a file that matches, or for a clean one.
#pragma once
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "engine/FileMatcher.h"
#include "tests/engine_scan/SampleFiles.h"
#include "tests/engine_scan/ScanDoubles.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>

class Matcher : public ::testing::Test {
protected:
    void SetUp() override { ResetScanDoubles(); }
    void TearDown() override { ResetScanDoubles(); }
};

// One check of a file that must match record `name`: the counters, the two calls out and
// what the shared buffers hold at each step.
inline ::testing::AssertionResult MatchedAs(const std::string& path, const std::string& name, int result) {
    if (result != 1) return ::testing::AssertionFailure() << "CheckFile returned " << result;
    if (g_filesInfected != 1) return ::testing::AssertionFailure() << "g_filesInfected " << g_filesInfected;
    if (g_autorunCalls.size() != 1 || g_autorunCalls[0].variantName != name ||
        g_autorunCalls[0].currentFilePath != path)
        return ::testing::AssertionFailure() << "CleanAutorunEntries calls: " << g_autorunCalls.size();
    if (g_actionCalls.size() != 1) return ::testing::AssertionFailure() << g_actionCalls.size() << " actions";
    const ActionCall& call = g_actionCalls[0];
    if (call.path != path || call.variantName != name || call.statusText != path || call.detectedName != name)
        return ::testing::AssertionFailure() << "action (" << call.path << ", " << call.variantName << ") status "
                                             << call.statusText << " detected " << call.detectedName;
    if (!call.fileOpen) return ::testing::AssertionFailure() << "the action was not handed the examined file";
    if (!AllZero(g_currentFilePath, sizeof g_currentFilePath))
        return ::testing::AssertionFailure() << "g_currentFilePath kept " << g_currentFilePath;
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult LeftClean(const std::string& path, long size, int result) {
    if (result != 0) return ::testing::AssertionFailure() << "CheckFile returned " << result;
    if (g_filesInfected != 0 || !g_actionCalls.empty() || !g_autorunCalls.empty() || !g_appendedLines.empty())
        return ::testing::AssertionFailure() << "a clean file was acted on";
    if (strcmp(g_statusText, "untouched") != 0) return ::testing::AssertionFailure() << "status " << g_statusText;
    if (g_currentFileSize != size) return ::testing::AssertionFailure() << "g_currentFileSize " << g_currentFileSize;
    if (!AllZero(g_currentFilePath, sizeof g_currentFilePath))
        return ::testing::AssertionFailure() << "g_currentFilePath kept " << g_currentFilePath;
    return ::testing::AssertionSuccess();
}
