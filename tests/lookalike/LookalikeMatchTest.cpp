// The scanner's own matcher takes the patched look-alike for W32/Drellmoxin.Pyz.Worm, and
// only at its exact size. Run by run_removal.py (scenario "matcher") in a throwaway prefix,
// with Lookalike.exe beside this program.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "app/ScanState.h"
#include "engine/FileMatcher.h"

static std::string Beside(const char* name) {
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string folder = self;
    return folder.substr(0, folder.rfind('\\') + 1) + name;
}

TEST(LookalikeMatch, MatcherNamesTheSampleInMemoryCheckMode) {
    std::string path = Beside("Lookalike.exe");
    g_memoryCheckMode = 1;
    g_memoryHit = 0;
    EXPECT_EQ(CheckFile("W32/Drellmoxin.Trojan ", path.c_str()), 1);
    EXPECT_EQ(g_memoryHit, 1);
    EXPECT_STREQ(g_detectedName, "W32/Drellmoxin.Pyz.Worm");
    EXPECT_TRUE(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) << "memory check mode acts on nothing";
}

TEST(LookalikeMatch, OneByteMoreIsClean) {
    std::string copy = Beside("Longer.exe");
    ASSERT_TRUE(CopyFileA(Beside("Lookalike.exe").c_str(), copy.c_str(), FALSE));
    HANDLE file = CreateFileA(copy.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFilePointer(file, 0, NULL, FILE_END);
    DWORD written = 0;
    WriteFile(file, "\0", 1, &written, NULL);
    CloseHandle(file);
    g_memoryCheckMode = 1;
    g_memoryHit = 0;
    EXPECT_EQ(CheckFile("W32/Drellmoxin.Trojan ", copy.c_str()), 0);
    EXPECT_EQ(g_memoryHit, 0);
}
