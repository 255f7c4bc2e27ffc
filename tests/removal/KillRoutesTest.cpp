// The operating-system tests and the kill routes, each under the emulated Windows versions
// that select it, against real running look-alikes.
#include "tests/removal/RemovalHarness.h"

#include <stdlib.h>

#include "app/ScanState.h"
#include "cleaner/ProcessKill.h"
#include "engine/DeferredRemoval.h"
#include "framework/KernelHandles.h"

using Lines = std::vector<std::string>;

// Every run names the version Wine emulates; the two tests must read it back.
TEST(Versions, FamilyAndGenerationFollowTheEmulatedVersion) {
    struct Row {
        const char* version;
        int family;
        int generation;
    };
    static const Row rows[] = {
        {"win98", OS_9X, NT_GEN_OTHER}, {"win95", OS_9X, NT_GEN_OTHER},    {"nt40", OS_NT, NT_GEN_4_OR_LOWER},
        {"win2k", OS_NT, NT_GEN_5},     {"winxp", OS_NT, NT_GEN_5},        {"win7", OS_NT, NT_GEN_OTHER},
        {"win10", OS_NT, NT_GEN_OTHER}, {"win31", OS_OTHER, NT_GEN_OTHER},
    };
    const char* version = getenv("SW_WINDOWS_VERSION");
    ASSERT_TRUE(version != NULL) << "run through run_removal.py, which sets the version";
    for (const Row& row : rows) {
        if (strcmp(row.version, version) != 0) continue;
        EXPECT_EQ(GetOsFamily(), row.family);
        EXPECT_EQ(GetNtGeneration(), row.generation);
        return;
    }
    FAIL() << "no expectation for " << version;
}

// ---- Windows 98: toolhelp -----------------------------------------------------------------

using Toolhelp = RemovalTest;

// Wine's snapshot gives bare file names, so only the file names can be compared.
TEST_F(Toolhelp, MatchesTheFileNameOnlyIgnoringCase) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\a").c_str(), NULL));
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\a\\foo.exe", &running));

    EXPECT_EQ(KillByToolhelp("d:\\x\\FOO.EXE"), 1);
    EXPECT_TRUE(running->Ended());
    EXPECT_EQ(running->ExitCode(), 0u);
}

TEST_F(Toolhelp, EndsOnlyTheFirstOfTwoProcessesOfThatName) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\a").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\b").c_str(), NULL));
    std::unique_ptr<ChildProcess> one, two;
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\a\\twin.exe", &one));
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\b\\twin.exe", &two));

    EXPECT_EQ(KillByToolhelp((m_folder + "\\a\\twin.exe").c_str()), 1);

    bool oneEnded = one->Ended(2000), twoEnded = two->Ended(2000);
    EXPECT_NE(oneEnded, twoEnded) << "exactly one of the two is ended";
}

TEST_F(Toolhelp, NoProcessOfThatNameAnswers0AndTheRouteShowsTheMessage) {
    std::string path = m_folder + "\\notrunning.exe";
    EXPECT_EQ(KillByToolhelp(path.c_str()), 0);

    MessageBoxWatcher boxes(path);
    EXPECT_EQ(KillProcessByPath(path.c_str()), 0);
    EXPECT_EQ(boxes.Texts(), Lines({"Could not kill process"}));
}

// A 9x snapshot names the image by its full path, often in 8.3 form; Wine's by its file name.
TEST_F(Toolhelp, SnapshotEntryMatchesTheSameFileOnly) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\Long Folder").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\b").c_str(), NULL));
    std::string image = MakeFile("Long Folder\\LongFileName.exe");
    std::string other = MakeFile("b\\LongFileName.exe");
    char shortImage[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(image.c_str(), shortImage, sizeof shortImage), 0u);
    struct Row {
        std::string exeFile, path;
        bool matches;
    };
    const Row rows[] = {
        {shortImage, image, true},
        {shortImage, other, false},
        {"LONGFILENAME.EXE", other, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exeFile + " " + row.path);
        EXPECT_EQ(ExeFileMatches(row.exeFile.c_str(), row.path.c_str()), row.matches);
    }
}

// ---- the NT line: image paths read from the processes ------------------------------------

// Run under NT 4 (with psapi), 2000, XP (main-module paths) and Windows 7 (full image names).
using ModulePath = RemovalTest;

TEST_F(ModulePath, EndsEveryProcessRunningThePathWhateverItsCase) {
    std::string path = m_folder + "\\twice.exe";
    std::unique_ptr<ChildProcess> one;
    ASSERT_TRUE(StartLookalikeAt(path, &one));
    ChildProcess two(path);
    ASSERT_TRUE(WaitUntilLoaded(two));
    std::string upper = path;
    CharUpperA(&upper[0]);

    EXPECT_TRUE(KillByImagePath(upper.c_str()));
    EXPECT_TRUE(one->Ended(0)) << "ended before the route returned";
    EXPECT_TRUE(two.Ended(0));
    EXPECT_GT(PumpCalls(), 0) << "the window answers while the route waits";
}

// A machine running 3000 processes, as psapi lists them: as many as fit, with no word of the rest.
BOOL WINAPI ThreeThousandProcesses(DWORD* ids, DWORD size, DWORD* returned) {
    DWORD listed = size / sizeof *ids < 3000 ? size / sizeof *ids : 3000;
    for (DWORD i = 0; i < listed; ++i) ids[i] = 4 * (i + 1);
    *returned = listed * sizeof *ids;
    return TRUE;
}

TEST_F(ModulePath, ListsEveryProcessHoweverManyRun) {
    CProcessIds ids;
    ASSERT_TRUE(ids.List(ThreeThousandProcesses));
    ASSERT_EQ(ids.Count(), 3000u);
    EXPECT_EQ(ids.Id(2999), 12000u);
}

TEST_F(ModulePath, LeavesASameNamedProcessInAnotherFolderAndStillAnswersTrue) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\a").c_str(), NULL));
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\a\\same.exe", &running));
    std::string other = m_folder + "\\b\\same.exe";
    MessageBoxWatcher boxes(other);

    EXPECT_TRUE(KillByImagePath(other.c_str()));
    EXPECT_EQ(KillProcessByPath(other.c_str()), 1);
    EXPECT_FALSE(running->Ended(1000));
    EXPECT_TRUE(boxes.Texts().empty()) << "no message on the NT line";
}

// A look-alike named like a system program, running from a user's folder, is removed; the
// program of that name running from elsewhere (the real lsass.exe) goes on running.
TEST_F(ModulePath, RemovesTheRunningLookalikeAndLeavesItsNamesakeRunning) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\user").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\system").c_str(), NULL));
    std::string lookalike = m_folder + "\\user\\lsass.exe";
    std::unique_ptr<ChildProcess> infected, namesake;
    ASSERT_TRUE(StartLookalikeAt(lookalike, &infected));
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\system\\lsass.exe", &namesake));

    ApplyAction(lookalike.c_str(), kPyzName);

    EXPECT_EQ(ReportLines(), Lines({FileLine(lookalike, kPyzName, "removed")}));
    EXPECT_FALSE(FileExists(lookalike));
    EXPECT_TRUE(infected->Ended(0));
    EXPECT_FALSE(namesake->Ended(1000));
}

// ---- Win32s (platform id 0): no route -------------------------------------------------------

using OtherPlatform = RemovalTest;

TEST_F(OtherPlatform, KillAnswers1WithoutTryingAndNothingIsDeferred) {
    std::string path = m_folder + "\\other.exe";
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(path, &running));
    MessageBoxWatcher boxes(path);
    std::string pendingBefore = PendingRenames();

    EXPECT_EQ(KillProcessByPath(path.c_str()), 1);
    EXPECT_EQ(ScheduleRemovalAtRestart(path.c_str()), 0);
    ApplyAction(path.c_str(), kPyzName);

    EXPECT_FALSE(running->Ended(0));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "Unable to remove")}));
    EXPECT_EQ(g_restartNeeded, 0);
    EXPECT_EQ(PendingRenames(), pendingBefore);
    EXPECT_FALSE(FileExists("C:\\windows\\wininit.ini"));
}
