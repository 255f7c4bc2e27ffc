// WalkFolder on real folder trees under Wine, with the real matcher as its checker and the
// generated samples as infected files; ShortenPath and the pattern helpers by table.
#include "app/MessagePump.h"
#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "engine/DirectoryWalk.h"
#include "engine/FileMatcher.h"
#include "engine/PathText.h"
#include "engine/SignatureTable.h"
#include "tests/engine_scan/ScanDoubles.h"
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <algorithm>
#include <string.h>

namespace {

const char kInfected[] = "r10_one.exe";   // W32/Drellmoxin.A.Worm

class Walk : public ::testing::Test {
protected:
    // Every entry reaches the status line, so that the tests can follow the walk.
    void SetUp() override {
        ResetScanDoubles();
        g_statusIntervalMs = 0;
    }
    void TearDown() override { ResetScanDoubles(); }
};

std::string Shortened(const std::string& path) {
    char shown[61];
    ShortenPath(path.c_str(), shown, 60);
    return shown;
}

std::vector<std::string> ActedOn() {
    std::vector<std::string> paths;
    for (const ActionCall& call : g_actionCalls) paths.push_back(call.path);
    return paths;
}

size_t StatusIndex(const std::string& path) {
    auto found = std::find(g_shownStatus.begin(), g_shownStatus.end(), Shortened(path));
    return found == g_shownStatus.end() ? std::string::npos : (size_t)(found - g_shownStatus.begin());
}

TEST(CheckerTable, HoldsTheMatcherUnderItsNameAndEnds) {
    EXPECT_STREQ("W32/Drellmoxin.Trojan ", g_fileCheckers[0].name);
    EXPECT_EQ(&CheckFile, g_fileCheckers[0].check);
    EXPECT_EQ(NULL, g_fileCheckers[1].name);
}

TEST_F(Walk, FilesOfAFolderComeBeforeItsSubfoldersAndAreCounted) {
    TestFolder folder("Order");
    folder.MakeFolder("sub\\deeper");
    std::string top = folder.CopySample(kInfected, "top.exe");
    folder.WriteFile("a.txt", "text");
    folder.WriteFile("z.bin", std::string(100, '\x01'));
    std::string middle = folder.CopySample(kInfected, "sub\\middle.exe");
    std::string bottom = folder.CopySample(kInfected, "sub\\deeper\\bottom.exe");

    EXPECT_EQ(5, WalkFolder((folder.Path() + "\\*.*").c_str()));
    EXPECT_EQ(5, g_filesScanned);
    EXPECT_EQ(3, g_filesInfected);
    EXPECT_EQ((std::vector<std::string>{top, middle, bottom}), ActedOn());
    // Every entry of the top folder, the subfolder's own included, is shown before any below it.
    size_t lastTop = std::max({StatusIndex(top), StatusIndex(folder.At("a.txt")), StatusIndex(folder.At("z.bin")),
                               StatusIndex(folder.At("sub"))});
    EXPECT_LT(lastTop, StatusIndex(middle));
    EXPECT_LT(StatusIndex(middle), StatusIndex(folder.At("sub\\deeper\\.")));
    EXPECT_LT(StatusIndex(folder.At("sub\\deeper\\.")), StatusIndex(bottom));
    EXPECT_NE(std::string::npos, StatusIndex(folder.At(".")));
    EXPECT_NE(std::string::npos, StatusIndex(folder.At("sub\\..")));
}

// Subfolders are entered after the folder's last file, in the order the folder lists them,
// however many of their names the walk keeps from its one listing: all, the first few (the
// rest from a second listing), none. The window is pumped as often either way.
TEST_F(Walk, SubfoldersFollowTheLastFileInListingOrder) {
    TestFolder folder("Subfolders");
    for (int i = 0; i < 300; ++i) folder.WriteFile("file" + std::to_string(i) + ".txt", "x");
    for (int i = 0; i < 12; ++i) {
        folder.MakeFolder("sub" + std::to_string(i));
        folder.WriteFile("sub" + std::to_string(i) + "\\inner.txt", "");
    }
    std::vector<std::string> listed;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder.Path() + "\\*.*").c_str(), &entry);
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.')
            listed.push_back(folder.At(entry.cFileName) + "\\inner.txt");
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    const size_t keptLimit = g_subfolderNamesLimit;
    std::vector<int> pumps;
    for (size_t limit : {keptLimit, (size_t)64, (size_t)0}) {
        SCOPED_TRACE(limit);
        ResetScanDoubles();
        g_subfolderNamesLimit = limit;
        EXPECT_EQ(312, WalkFolder((folder.Path() + "\\*.*").c_str()));
        std::vector<std::string> inner;
        for (const std::string& shown : g_shownStatus)
            if (shown.size() > 10 && shown.compare(shown.size() - 10, 10, "\\inner.txt") == 0) inner.push_back(shown);
        EXPECT_EQ(listed, inner);
        size_t lastFile = 0;
        for (int i = 0; i < 300; ++i)
            lastFile = std::max(lastFile, StatusIndex(folder.At("file" + std::to_string(i) + ".txt")));
        EXPECT_LT(lastFile, StatusIndex(listed[0]));
        pumps.push_back(g_pumpCalls);
    }
    g_subfolderNamesLimit = keptLimit;
    EXPECT_EQ(std::vector<int>(3, pumps[0]), pumps);
}

TEST_F(Walk, PumpsTwiceAroundEachFileEntryAndOnceForEachFolderEntry) {
    TestFolder folder("Pumps");
    folder.WriteFile("a", "1");
    folder.WriteFile("b", "2");
    folder.WriteFile("c", "3");
    EXPECT_EQ(3, WalkFolder((folder.Path() + "\\*.*").c_str()));
    // Entries ".", "..", a, b, c: two pumps each in the file pass, one in the folder pass.
    EXPECT_EQ(5u, g_shownStatus.size());
    EXPECT_EQ(15, g_pumpCalls);
}

TEST_F(Walk, StatusLineIsSetAtMostEveryIntervalButTheBufferFollowsEveryEntry) {
    TestFolder folder("Throttle");
    for (int i = 0; i < 200; ++i) folder.WriteFile("f" + std::to_string(i), "x");
    std::string infected = folder.CopySample(kInfected, "f_infected.exe");
    g_statusIntervalMs = 60000;
    EXPECT_EQ(201, WalkFolder((folder.Path() + "\\*.*").c_str()));
    // Only the first entry reached the line within a minute, and the infected file at once;
    // the buffer followed the walk to its last listed file.
    EXPECT_EQ((std::vector<std::string>{folder.At("."), infected}), g_shownStatus);
    EXPECT_EQ(0u, std::string(g_statusText).rfind(folder.At("f"), 0)) << g_statusText;
}

TEST_F(Walk, HiddenSystemAndExtensionlessFilesAreCheckedToo) {
    TestFolder folder("Attributes");
    std::string plain = folder.CopySample(kInfected, "noextension");
    std::string hidden = folder.CopySample(kInfected, "hidden.exe");
    std::string system = folder.CopySample(kInfected, "system.dll");
    std::string both = folder.CopySample(kInfected, "both.sys");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(
        SetFileAttributesA(both.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(GetFileAttributesA(system.c_str()) & FILE_ATTRIBUTE_SYSTEM);

    EXPECT_EQ(4, WalkFolder((folder.Path() + "\\*.*").c_str()));
    std::vector<std::string> acted = ActedOn();
    std::sort(acted.begin(), acted.end());
    std::vector<std::string> expected{plain, hidden, system, both};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, acted);
}

TEST_F(Walk, DriveRootNotesItsProgramFilesFolder) {
    TestFolder drive("", "E:\\");   // the drive root itself, emptied before and after
    CreateDirectoryA("E:\\Program Files", NULL);
    CreateDirectoryA("E:\\Program Files\\Tool", NULL);
    ASSERT_TRUE(CopyFileA(SamplePath(kInfected).c_str(), "E:\\Program Files\\Tool\\tool.exe", FALSE));

    WalkFolder("E:\\*.*");
    EXPECT_EQ(1, g_pendingFolderSet);
    EXPECT_STREQ("E:\\Program Files\\*.*", g_pendingFolder);
    EXPECT_EQ(1, g_pendingFolderSeen);
    EXPECT_EQ(std::vector<std::string>{"E:\\Program Files\\Tool\\tool.exe"}, ActedOn());

    // A longer pattern, even the Program Files folder's own, leaves the pending folder alone;
    // it is seen again when the walk enters a folder below it.
    ResetScanDoubles();
    strcpy(g_pendingFolder, "sentinel");
    WalkFolder("E:\\Program Files\\*.*");
    EXPECT_STREQ("sentinel", g_pendingFolder);
    EXPECT_EQ(0, g_pendingFolderSet);
    EXPECT_EQ(1, g_pendingFolderSeen);
}

TEST_F(Walk, DriveRootWithoutProgramFilesLeavesTheFlagAlone) {
    TestFolder drive("", "F:\\");
    CreateDirectoryA("F:\\Other", NULL);
    WalkFolder("F:\\*.*");
    EXPECT_EQ(0, g_pendingFolderSet);
    EXPECT_STREQ("F:\\Program Files", g_pendingFolder);
    EXPECT_EQ(0, g_pendingFolderSeen);
}

TEST_F(Walk, ProgramFilesIsSeenOnlyInItsOwnSpelling) {
    TestFolder upper("UpperCase");
    upper.MakeFolder("PROGRAM FILES\\inner");
    WalkFolder((upper.Path() + "\\*.*").c_str());
    EXPECT_EQ(0, g_pendingFolderSeen);

    TestFolder exact("ExactCase");
    exact.MakeFolder("Program Files");
    WalkFolder((exact.Path() + "\\*.*").c_str());
    EXPECT_EQ(1, g_pendingFolderSeen);
}

TEST_F(Walk, StatusLineShowsEachEntryShortenedToSixtyCharacters) {
    TestFolder folder("Status");
    // A file whose full path is 70 characters long.
    std::string name(70 - folder.Path().size() - 1, 'n');
    name.replace(name.size() - 4, 4, ".txt");
    std::string path = folder.WriteFile(name, "x");
    ASSERT_EQ(70u, path.size());
    WalkFolder((folder.Path() + "\\*.*").c_str());
    std::string expected = path.substr(0, 29) + ".." + path.substr(41);
    EXPECT_NE(g_shownStatus.end(), std::find(g_shownStatus.begin(), g_shownStatus.end(), expected));
    for (const std::string& text : g_shownStatus) EXPECT_LE(text.size(), 60u) << text;
}

TEST_F(Walk, AnAbortDuringADeepFileStopsTheWholeWalk) {
    TestFolder folder("Abort");
    folder.MakeFolder("one\\two");
    folder.MakeFolder("other");
    std::string target = folder.CopySample(kInfected, "one\\two\\target.exe");
    folder.CopySample(kInfected, "one\\two\\neighbour.exe");
    folder.CopySample(kInfected, "other\\elsewhere.exe");
    folder.CopySample(kInfected, "one\\beside.exe");
    // The user confirms the termination while the deep file is being removed.
    g_onPump = [&] {
        if (!g_actionCalls.empty() && g_actionCalls.back().path == target) g_abortScan = 1;
    };
    EXPECT_EQ(0, WalkFolder((folder.Path() + "\\*.*").c_str()));
    ASSERT_FALSE(g_actionCalls.empty());
    EXPECT_EQ(target, g_actionCalls.back().path);
    EXPECT_EQ(Shortened(target), g_shownStatus.back());   // nothing shown after it

    // A later walk returns at its first look at the flag.
    g_shownStatus.clear();
    g_pumpCalls = 0;
    EXPECT_EQ(0, WalkFolder((folder.Path() + "\\*.*").c_str()));
    EXPECT_EQ(1, g_pumpCalls);
    EXPECT_TRUE(g_shownStatus.empty());
}

TEST_F(Walk, AnAbortInTheLastSubfolderStillEndsTheWalkWithZero) {
    TestFolder folder("AbortLast");
    folder.MakeFolder("only");
    std::string target = folder.CopySample(kInfected, "only\\target.exe");
    g_onPump = [&] {
        if (!g_actionCalls.empty()) g_abortScan = 1;
    };
    EXPECT_EQ(0, WalkFolder((folder.Path() + "\\*.*").c_str()));
    EXPECT_EQ(1, g_filesScanned);
}

TEST_F(Walk, APatternWithoutADotEndsTheWalkWithMinusOne) {
    TestFolder folder("NoDot");
    folder.CopySample(kInfected, "inside.exe");
    EXPECT_EQ(-1, WalkFolder(folder.Path().c_str()));   // lists the folder itself, then cannot join
    EXPECT_TRUE(g_shownStatus.empty());
    EXPECT_TRUE(g_actionCalls.empty());

    g_filesScanned = 5;
    EXPECT_EQ(5, WalkFolder((folder.Path() + "_missing").c_str()));   // nothing listed: nothing to join
}

TEST_F(Walk, AFolderThatCannotBeListedIsPassedOver) {
    // A folder asked for that is not there, or is a file, is named as such; an empty drive
    // root has nothing to list and nothing to say.
    TestFolder root("", "F:\\");
    std::string file = root.WriteFile("file.exe", "MZ");
    g_filesScanned = 2;
    EXPECT_EQ(2, WalkFolder("D:\\does_not_exist_here\\*.*"));
    EXPECT_EQ(2, WalkFolder((file + "\\*.*").c_str()));
    EXPECT_EQ(2, WalkFolder("Q:\\*.*"));
    DeleteFileA(file.c_str());
    EXPECT_EQ(2, WalkFolder("F:\\*.*"));
    EXPECT_TRUE(g_shownStatus.empty());
    EXPECT_EQ((std::vector<std::string>{"D:\\does_not_exist_here     Not found, not scanned",
                                        file + "     Not a folder, not scanned", "Q:\\     Not found, not scanned"}),
              g_appendedLines);
    EXPECT_EQ(3, g_notScanned);
    g_appendedLines.clear();

    // One that exists but is refused (held open without sharing) is named with the reason.
    TestFolder folder("Refused");
    std::string held = folder.MakeFolder("held");
    folder.CopySample(kInfected, "held\\inside.exe");
    HANDLE hold = CreateFileA(held.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hold);
    EXPECT_EQ(2, WalkFolder((folder.Path() + "\\*.*").c_str()));
    CloseHandle(hold);
    EXPECT_EQ(std::vector<std::string>{held + "\\     In use by another program, not scanned"}, g_appendedLines);
    EXPECT_TRUE(g_actionCalls.empty());
}

// Links are not entered; a folder whose reparse point keeps its entries in place is.
TEST(WalkedSubfolder, DependsOnTheReparseTag) {
    const struct {
        DWORD attributes, tag;
        const char* name;
        bool walked;
    } rows[] = {
        {FILE_ATTRIBUTE_DIRECTORY, 0, "plain", true},
        {FILE_ATTRIBUTE_DIRECTORY, 0, ".", false},
        {FILE_ATTRIBUTE_ARCHIVE, 0, "a file", false},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, 0x9000001A, "a cloud file", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0, "Wine's Unix link", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0xA0000003, "junction, mount point", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0xA000000C, "symbolic link", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x0000BEEF, "unknown", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x9000001A, "cloud", true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x9000F01A, "cloud F", true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x9000F01B, "next to cloud F", false},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x80000013, "deduplication", true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0xC0000004, "HSM", true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x80000017, "WOF", true},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, 0x80000007, "SIS", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WIN32_FIND_DATAA entry = {};
        entry.dwFileAttributes = row.attributes;
        entry.dwReserved0 = row.tag;
        strcpy(entry.cFileName, row.name);
        EXPECT_EQ(row.walked, IsWalkedSubfolder(entry));
    }
}

TEST_F(Walk, MemoryCheckModeChecksTheOneFileWithoutCountingIt) {
    TestFolder folder("Memory");
    std::string image = folder.CopySample(kInfected, "image.exe");
    // A folder that the image's name turned into a pattern ("image.*") would list.
    folder.MakeFolder("image.dir");
    folder.CopySample(kInfected, "image.dir\\inner.exe");
    g_memoryCheckMode = 1;
    g_filesScanned = 7;
    g_memoryHit = 1;
    EXPECT_EQ(7, WalkFolder(image.c_str()));
    EXPECT_EQ(7, g_filesScanned);
    EXPECT_EQ(1, g_memoryHit);
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_TRUE(g_actionCalls.empty());
    ASSERT_EQ(1u, g_autorunCalls.size());
    EXPECT_EQ(image, g_autorunCalls[0].currentFilePath);
    EXPECT_EQ((std::vector<std::string>{Shortened(image), image}), g_shownStatus);   // walked, matched
    EXPECT_EQ(2, g_pumpCalls);

    // Each walk starts with the hit cleared: a clean image leaves it 0.
    std::string clean = folder.WriteFile("clean.exe", "MZ");
    EXPECT_EQ(7, WalkFolder(clean.c_str()));
    EXPECT_EQ(0, g_memoryHit);
}

}   // namespace
