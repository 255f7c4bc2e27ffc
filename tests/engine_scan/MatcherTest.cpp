// CheckFile on the generated samples, under Wine and natively: which record a file is
// reported under, what a match or a clean file leaves in the shared state, the modes.
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "engine/SignatureTable.h"
#include "tests/engine_scan/MatcherChecks.h"
#include <stdint.h>
#include <set>
#include <string.h>

namespace {

TEST_F(Matcher, EveryGeneratedSampleGivesItsExpectedResult) {
    std::vector<ManifestEntry> manifest = ReadManifest();
    ASSERT_GT(manifest.size(), 46u * 15);
    std::set<int> recordsMatched;
    for (const ManifestEntry& entry : manifest) {
        SCOPED_TRACE(entry.file);
        ResetScanDoubles();
        strcpy(g_statusText, "untouched");
        std::string path = SamplePath(entry.file);
        int result = CheckFile(kCheckerName, path.c_str());
        if (entry.expected != 0) {
            EXPECT_TRUE(MatchedAs(path, entry.name, result));
            EXPECT_STREQ(entry.name.c_str(), g_detectedName);
            EXPECT_EQ(entry.size, g_currentFileSize);
            recordsMatched.insert(entry.expected);
        } else {
            EXPECT_TRUE(LeftClean(path, entry.size, result));
        }
    }
    EXPECT_EQ(46u, recordsMatched.size());
}

TEST_F(Matcher, OverlappingRecordsReportTheFirstInTableOrderOnce) {
    // Files that carry the signatures of several records of one size.
    const struct {
        const char* file;
        int first;
    } cases[] = {
        {"combo_09_13_20.exe", 9},   // A.Worm before Qml and Qmq
        {"combo_13_20.exe", 13},     // Qml before Qmq
        {"combo_11_19.exe", 11},     // A.Worm before Qmq
        {"combo_07_39_41_43.exe", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ResetScanDoubles();
        std::string path = SamplePath(c.file);
        EXPECT_TRUE(MatchedAs(path, g_signatureTable[c.first - 1].name, CheckFile(kCheckerName, path.c_str())));
    }
}

// A copy of a real record with another name and size test, for a table of the test's own.
SignatureRecord Variant(int number, const char* name, int sizeTest, int fileSize) {
    SignatureRecord record = g_signatureTable[number - 1];
    memset(record.name, 0, sizeof record.name);
    strcpy(record.name, name);
    record.sizeTest = sizeTest;
    record.fileSize = fileSize;
    return record;
}

TEST_F(Matcher, RecordsThirtyNineAndFortyBothFitOneFileUnderATolerantSizeTest) {
    // 39 and 40 differ in size by one byte: only a tolerant size test lets both fit.
    std::string path = SamplePath("combo_39_40.exe");
    const int size = g_signatureTable[38].fileSize;
    SignatureRecord forward[] = {Variant(39, "first", 2, size), Variant(40, "second", 2, size + 1), {}};
    g_activeSignatureTable = forward;
    EXPECT_TRUE(MatchedAs(path, "first", CheckFile(kCheckerName, path.c_str())));

    ResetScanDoubles();
    SignatureRecord backward[] = {Variant(40, "second", 2, size + 1), Variant(39, "first", 2, size), {}};
    g_activeSignatureTable = backward;
    EXPECT_TRUE(MatchedAs(path, "second", CheckFile(kCheckerName, path.c_str())));

    // With the real exact sizes only record 39 fits this 112128-byte file.
    ResetScanDoubles();
    EXPECT_TRUE(MatchedAs(path, g_signatureTable[38].name, CheckFile(kCheckerName, path.c_str())));
}

TEST_F(Matcher, SizeTestsOfEveryKind) {
    const std::string path = SamplePath("r10_one.exe");
    const int size = g_signatureTable[9].fileSize;   // 165888
    const struct {
        int sizeTest, fileSize, matches;
    } rows[] = {
        {1, size, 1},                                             // 1: exact
        {1, size + 1, 0},    {1, size - 1, 0},    {2, size, 1},   // 2: difference strictly inside 4096
        {2, size + 4095, 1}, {2, size - 4095, 1}, {2, size + 4096, 0},
        {2, size - 4096, 0}, {2, INT32_MIN, 0},   // a difference beyond 32 bits does not wrap into range
        {3, 0, 1},                                // 3: any size
        {3, INT32_MAX, 1},   {0, size, 0},        // anything else: never
        {4, size, 0},        {-1, size, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(testing::Message() << "row " << i << ": sizeTest " << rows[i].sizeTest << " fileSize "
                                        << rows[i].fileSize);
        ResetScanDoubles();
        SignatureRecord table[] = {Variant(10, "under test", rows[i].sizeTest, rows[i].fileSize), {}};
        g_activeSignatureTable = table;
        int result = CheckFile(kCheckerName, path.c_str());
        EXPECT_EQ(rows[i].matches, result);
        EXPECT_EQ(rows[i].matches, g_filesInfected);
        EXPECT_EQ((size_t)rows[i].matches, g_actionCalls.size());
    }
}

TEST_F(Matcher, ARecordOfAnotherSizeTestDoesNotHideALaterMatch) {
    const std::string path = SamplePath("r10_one.exe");
    const int size = g_signatureTable[9].fileSize;
    // The first record passes its size test (any size) but not its signatures.
    SignatureRecord table[] = {Variant(1, "wrong signatures", 3, 0), Variant(10, "right", 1, size), {}};
    g_activeSignatureTable = table;
    EXPECT_TRUE(MatchedAs(path, "right", CheckFile(kCheckerName, path.c_str())));
}

TEST_F(Matcher, APathBeyondTheStatusBufferIsNotTaken) {
    std::string path = "D:\\" + std::string(300, 'x') + ".exe";
    strcpy(g_currentFilePath, "previous");
    EXPECT_EQ(0, CheckFile(kCheckerName, path.c_str()));
    EXPECT_STREQ("previous", g_currentFilePath);
}

TEST_F(Matcher, MemoryCheckModeOnlyRecordsTheMatch) {
    std::string path = SamplePath("r17_multi.exe");
    const char* name = g_signatureTable[16].name;
    g_memoryCheckMode = 1;
    EXPECT_EQ(1, CheckFile(kCheckerName, path.c_str()));
    EXPECT_EQ(1, g_memoryHit);
    EXPECT_EQ(1, g_filesInfected);
    ASSERT_EQ(1u, g_autorunCalls.size());
    EXPECT_EQ(name, g_autorunCalls[0].variantName);
    EXPECT_TRUE(g_actionCalls.empty());
    EXPECT_TRUE(g_appendedLines.empty());
    EXPECT_STREQ(name, g_detectedName);
    EXPECT_STREQ(path.c_str(), g_statusText);
    EXPECT_STREQ(path.c_str(), g_currentFilePath);   // kept for the memory scan

    // A clean file does not clear the hit (the walk does) and leaves the path emptied.
    EXPECT_EQ(0, CheckFile(kCheckerName, SamplePath("r17_sig2_byte.exe").c_str()));
    EXPECT_EQ(1, g_memoryHit);
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_TRUE(AllZero(g_currentFilePath, sizeof g_currentFilePath));
}

TEST_F(Matcher, ForcedActionWithoutTheMainWindowIsAnOrdinaryCheck) {
    std::string path = SamplePath("r05_one.exe");
    g_forcedAction = ACTION_REMOVE;
    EXPECT_TRUE(MatchedAs(path, g_signatureTable[4].name, CheckFile(kCheckerName, path.c_str())));
    EXPECT_TRUE(g_appendedLines.empty());
}

TEST_F(Matcher, AutorunValueNameIsClearedOnlyWhileNoFileIsInfected) {
    std::string infected = SamplePath("r22_one.exe");
    std::string clean = SamplePath("r22_size_plus1.exe");
    strcpy(g_autorunValueName, "left over");
    EXPECT_EQ(0, CheckFile(kCheckerName, clean.c_str()));
    EXPECT_TRUE(AllZero(g_autorunValueName, sizeof g_autorunValueName));

    // The cleanup of the first infected file finds a value; later checks keep its name.
    g_onAutorunCleanup = [] { strcpy(g_autorunValueName, "SMvalue"); };
    EXPECT_EQ(1, CheckFile(kCheckerName, infected.c_str()));
    g_onAutorunCleanup = nullptr;
    EXPECT_EQ(0, CheckFile(kCheckerName, clean.c_str()));
    EXPECT_STREQ("SMvalue", g_autorunValueName);
    ASSERT_EQ(1u, g_autorunCalls.size());
    EXPECT_EQ(1, g_autorunCalls[0].filesInfected);   // the match is counted before the cleanup runs
}

LowFile OpenSample(const std::string& file) { return OpenExaminedFile(SamplePath(file).c_str()); }

TEST_F(Matcher, HeaderReadersOnEachKindOfHeader) {
    const struct {
        const char* file;
        bool headers, sections;
        unsigned position, sectionCount;
    } rows[] = {
        {"r10_one.exe", true, true, 0x80, 1},
        {"r10_multi.exe", true, true, 0x80, 3},
        {"r10_nosections.exe", true, true, 0x80, 0},
        {"r10_sections21.exe", true, false, 0x80, 21},
        {"r10_pe64k.exe", false, false, 0x0080, 0},   // 0x10080 read as its low 16 bits
        {"r10_no_pe_signature.exe", false, false, 0x80, 0},
        {"r10_truncated_header.exe", true, false, 0x80, 1},
        {"r10_truncated_dos.exe", false, false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        CLowFile fd(OpenSample(row.file));
        ASSERT_TRUE(fd.IsValid());
        memset(g_sectionHeaders, 0xBD, sizeof g_sectionHeaders);
        EXPECT_EQ(row.headers, ReadPeHeaders(fd));
        EXPECT_EQ(row.position, g_peHeaderPos);
        if (row.headers) {
            EXPECT_EQ(row.sectionCount, g_fileHeader[2] | g_fileHeader[3] << 8u);
            EXPECT_EQ(row.sections, ReadSectionTable(fd));
        }
        if (row.sections) {
            // The table is zeroed before the read, so entries beyond the file's are empty.
            EXPECT_TRUE(AllZero(g_sectionHeaders[row.sectionCount], (20 - row.sectionCount) * 40));
            if (row.sectionCount) {
                EXPECT_EQ(0, memcmp(g_sectionHeaders[0], ".text", 5));
            }
        }
    }
}

TEST_F(Matcher, AFileNoRecordsSizeFitsLeavesTheStateOfAFailedHeaderRead) {
    // Reading a real header first shows that the skipped file resets it.
    std::string infected = SamplePath("r10_one.exe");
    ASSERT_EQ(1, CheckFile(kCheckerName, infected.c_str()));
    ASSERT_EQ(0x80, g_peHeaderPos);
    ResetScanDoubles();
    strcpy(g_statusText, "untouched");
    std::string path = SamplePath("r10_size_plus1.exe");
    EXPECT_TRUE(LeftClean(path, 165889, CheckFile(kCheckerName, path.c_str())));
    EXPECT_EQ(0, g_peHeaderPos);
    EXPECT_TRUE(AllZero(g_fileHeader, sizeof g_fileHeader));
}

}   // namespace
