// CheckFile where Wine's own file system is needed: a file held open without sharing, and
// the forced action with its one-second pause.
#include "app/ScanState.h"
#include "engine/FileMatcher.h"
#include "engine/SignatureTable.h"
#include "tests/engine_scan/MatcherChecks.h"
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <string.h>

namespace {

TEST_F(Matcher, AFileThatCannotBeOpenedIsNamedAndNotCountedAsScanned) {
    TestFolder folder("Unopenable");
    std::string locked = folder.CopySample("r10_one.exe", "locked.exe");
    strcpy(g_currentFilePath, "previous");
    g_currentFileSize = 1234;
    strcpy(g_statusText, "untouched");

    // Removed since it was listed: nothing to examine, nothing to say.
    std::string missing = folder.At("missing.exe");
    EXPECT_EQ(0, CheckFile(kCheckerName, missing.c_str()));
    EXPECT_TRUE(g_appendedLines.empty());

    // An infected file that another handle holds without sharing, counted by the walk.
    HANDLE held = CreateFileA(locked.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    g_filesScanned = 1;
    EXPECT_EQ(0, CheckFile(kCheckerName, locked.c_str()));
    CloseHandle(held);
    EXPECT_EQ(std::vector<std::string>({locked + "     In use by another program, not scanned"}), g_appendedLines);
    EXPECT_EQ(0, g_filesScanned) << "not counted as scanned, so not as clean";

    EXPECT_STREQ("previous", g_currentFilePath);
    EXPECT_EQ(1234, g_currentFileSize);
    EXPECT_STREQ("untouched", g_statusText);
    EXPECT_EQ(0, g_filesInfected);
    EXPECT_TRUE(g_actionCalls.empty());

    // Released again, the same file is found.
    EXPECT_TRUE(MatchedAs(locked, g_signatureTable[9].name, CheckFile(kCheckerName, locked.c_str())));
}

TEST_F(Matcher, TheListedSizeDecidesWhetherTheFileIsOpened) {
    TestFolder folder("Listed");
    std::string sample = folder.CopySample("r10_one.exe", "listed.exe");
    // A size no record accepts, as a listing would give it: the file is not even opened. Nor
    // is one of 4 GiB and more whose low 32 bits are the record's size, nor one whose data is
    // offline or in the cloud, which alone is named, and not counted as scanned.
    const int64_t size = g_signatureTable[9].fileSize;
    const struct {
        int64_t size;
        uint32_t attributes;
        const char* line;
    } rows[] = {
        {1000, 0, nullptr},
        {(int64_t)1 << 32 | size, 0, nullptr},
        {1000, FILE_ATTRIBUTE_OFFLINE, nullptr},
        {size, FILE_ATTRIBUTE_OFFLINE, "Offline or only in the cloud, not downloaded, not scanned"},
        {size, 0x400000 /* FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS */, "Offline or only in the cloud, not downloaded, not scanned"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size << " bytes, attributes " << row.attributes);
        ResetScanDoubles();
        g_filesScanned = 1;
        g_listedFile = {row.size, row.attributes, 0};
        EXPECT_EQ(0, CheckFile(kCheckerName, sample.c_str()));
        EXPECT_EQ(0, g_filesInfected);
        EXPECT_EQ(row.line ? std::vector<std::string>{sample + "     " + row.line} : std::vector<std::string>{},
                  g_appendedLines);
        EXPECT_EQ(row.line ? 0 : 1, g_filesScanned);
        EXPECT_EQ(row.line ? 0 : row.size, g_currentFileSize);
    }
    // Without a listed size the file's own attributes are asked, and the sample is found.
    g_listedFile = kNothingListed;
    EXPECT_TRUE(MatchedAs(sample, g_signatureTable[9].name, CheckFile(kCheckerName, sample.c_str())));
}

// What the path leads to after the pause is examined again: a clean file there is left alone.
TEST_F(Matcher, ForcedActionActsAfterTheSystemMemoryLineOnlyOnAFileThatStillMatches) {
    TestFolder folder("Forced");
    std::string clean = folder.WriteFile("clean.exe", "not a program");
    std::string sample = folder.CopySample("r10_one.exe", "image.exe");
    g_hMainWnd = (HWND)0x1234;   // set by SCAN; the channel itself is a double here
    g_forcedAction = ACTION_REPORT_ONLY;
    strcpy(g_currentFilePath, "previous");
    DWORD start = GetTickCount();
    EXPECT_EQ(0, CheckFile(kCheckerName, clean.c_str()));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 950u);
    EXPECT_LT(elapsed, 3000u);
    EXPECT_EQ(ACTION_REPORT_ONLY, g_action);
    EXPECT_EQ(std::vector<std::string>({"System Memory    W32/Drellmoxin.Trojan  removed",
                                        clean + "     " + kCheckerName + " no longer matches, left in place"}),
              g_appendedLines);
    EXPECT_TRUE(g_actionCalls.empty());
    EXPECT_EQ(0, CheckFile(kCheckerName, sample.c_str()));
    ASSERT_EQ(1u, g_actionCalls.size());
    EXPECT_EQ(sample, g_actionCalls[0].path);
    EXPECT_EQ(kCheckerName, g_actionCalls[0].variantName);
    EXPECT_EQ(ACTION_REPORT_ONLY, g_actionCalls[0].action);
    EXPECT_TRUE(g_actionCalls[0].fileOpen) << "acted on through the handle it was matched through";
    EXPECT_EQ(0, g_filesInfected);
    EXPECT_TRUE(g_autorunCalls.empty());
    EXPECT_TRUE(AllZero(g_currentFilePath, sizeof g_currentFilePath));
}

}   // namespace
