// Entries whose joined path would not fit MAX_PATH: reached through their 8.3 short names
// when those fit, otherwise reported and passed over, never cut down to another path.
#include "app/ScanState.h"
#include "engine/DirectoryWalk.h"
#include "engine/PathText.h"
#include "tests/engine_scan/ScanDoubles.h"
#include "tests/engine_scan/ScanWorld.h"
#include <windows.h>
#include <algorithm>

namespace {

// Creates folders below `base` until the path is exactly `length` characters long.
std::string MakeLongFolder(const std::string& base, size_t length) {
    std::string path = base;
    EXPECT_TRUE(CreateDirectoryA(path.c_str(), NULL)) << path;
    while (path.size() < length) {
        size_t room = length - path.size() - 1;
        std::string name = room > 80 ? std::string(40, 'f') : std::string(room, 'g');
        if (room > 80) name.replace(0, 6, "level_");
        path += "\\" + name;
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), NULL)) << path.size() << " characters";
    }
    return path;
}

std::string ShortPathOf(const std::string& path) {
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    EXPECT_TRUE(length > 0 && length < sizeof shortPath) << path;
    return shortPath;
}

std::string ShortNameOf(const std::string& shortFolder, const std::string& name) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((shortFolder + "\\" + name).c_str(), &entry);
    EXPECT_NE(INVALID_HANDLE_VALUE, find) << name;
    if (find == INVALID_HANDLE_VALUE) return "";
    FindClose(find);
    EXPECT_NE(0, entry.cAlternateFileName[0]) << name;
    return entry.cAlternateFileName;
}

// The 8.3 name of a file or folder that the code page cannot name (8.3 names are ASCII).
std::string AliasOf(const std::wstring& path) {
    WIN32_FIND_DATAW entry = {};
    FindClose(FindFirstFileW(path.c_str(), &entry));
    return std::string(entry.cAlternateFileName, entry.cAlternateFileName + wcslen(entry.cAlternateFileName));
}

class LongPaths : public ::testing::Test {
protected:
    // Every entry reaches the status line, so that the tests can follow the walk.
    void SetUp() override {
        ResetScanDoubles();
        g_statusIntervalMs = 0;
    }
    void TearDown() override { ResetScanDoubles(); }
};

TEST_F(LongPaths, ShortNamesStandInAndWhatStillDoesNotFitIsReported) {
    TestFolder folder("LongPaths");
    const std::string sample = SamplePath("r10_one.exe");

    // 240 characters: a long name does not fit below it, its short name does.
    std::string fits = MakeLongFolder(folder.At("fits"), 240);
    std::string fitsShort = ShortPathOf(fits);
    const std::string longFile = "a_file_with_a_long_name_that_does_not_fit.exe";
    const std::string longFolder = "a_subfolder_with_a_long_name";
    ASSERT_TRUE(CopyFileA(sample.c_str(), (fitsShort + "\\" + longFile).c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA((fitsShort + "\\" + longFolder).c_str(), NULL));
    std::string fileAlias = ShortNameOf(fitsShort, longFile);
    std::string folderAlias = ShortNameOf(fitsShort, longFolder);
    ASSERT_TRUE(CopyFileA(sample.c_str(), (fitsShort + "\\" + folderAlias + "\\x.exe").c_str(), FALSE));

    // 250 characters: an 8.3 name has no shorter alias, and a subfolder's alias plus "\*.*"
    // is still too long.
    std::string tight = MakeLongFolder(folder.At("tight"), 250);
    std::string tightShort = ShortPathOf(tight);
    ASSERT_TRUE(CopyFileA(sample.c_str(), (tightShort + "\\abcdefgh.exe").c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryA((tightShort + "\\subfolder_x").c_str(), NULL));
    ASSERT_TRUE(CopyFileA(sample.c_str(), (tightShort + "\\subfolder_x\\y.exe").c_str(), FALSE));

    // Names the code page cannot hold: the listing shows them with "?", their 8.3 names serve.
    const std::wstring top(folder.Path().begin(), folder.Path().end()), wideSample(sample.begin(), sample.end());
    const std::wstring cyrillic = top + L"\\\x0444\x0430\x0439\x043B.exe", greek = top + L"\\\x0393\x03B5\x03B9\x03AC";
    ASSERT_TRUE(CopyFileW(wideSample.c_str(), cyrillic.c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryW(greek.c_str(), NULL));
    ASSERT_TRUE(CopyFileW(wideSample.c_str(), (greek + L"\\y.exe").c_str(), FALSE));

    int result = WalkFolder((folder.Path() + "\\*.*").c_str());

    const std::string viaAlias = fits + "\\" + fileAlias;
    const std::string belowAlias = fits + "\\" + folderAlias + "\\x.exe";
    ASSERT_LT(viaAlias.size(), (size_t)MAX_PATH);
    ASSERT_LT(belowAlias.size(), (size_t)MAX_PATH);
    std::vector<std::string> acted,
        expected{viaAlias, belowAlias, folder.At(AliasOf(cyrillic)), folder.At(AliasOf(greek) + "\\y.exe")};
    for (const ActionCall& call : g_actionCalls) acted.push_back(call.path);
    std::sort(acted.begin(), acted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, acted);
    EXPECT_EQ(4, g_filesScanned);
    EXPECT_EQ(4, result);
    EXPECT_EQ((std::vector<std::string>{tight + "\\abcdefgh.exe     Path too long, not scanned",
                                        tight + "\\subfolder_x     Path too long, not scanned"}),
              g_appendedLines);
    for (const std::string& line : g_appendedLines) EXPECT_LT(line.size(), 500u);
    EXPECT_EQ(2, g_notScanned) << "the run's result says so";

    // The status line shows the long form, shortened.
    char shown[61];
    ShortenPath((fits + "\\" + longFile).c_str(), shown, 60);
    EXPECT_NE(g_shownStatus.end(), std::find(g_shownStatus.begin(), g_shownStatus.end(), std::string(shown)));
}

}   // namespace
