// The operating-system tests and the three kill routes, each under the emulated Windows
// version that selects it, against real running look-alikes.
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

// ---- Windows 2000: module paths -------------------------------------------------------------

using ModulePath = RemovalTest;

TEST_F(ModulePath, EndsEveryProcessRunningThePathWhateverItsCase) {
    std::string path = m_folder + "\\twice.exe";
    std::unique_ptr<ChildProcess> one;
    ASSERT_TRUE(StartLookalikeAt(path, &one));
    ChildProcess two(path);
    ASSERT_TRUE(WaitUntilLoaded(two));
    std::string upper = path;
    CharUpperA(&upper[0]);

    EXPECT_TRUE(KillByModulePath(upper.c_str()));
    EXPECT_TRUE(one->Ended());
    EXPECT_TRUE(two.Ended());
}

TEST_F(ModulePath, LeavesASameNamedProcessInAnotherFolderAndStillAnswersTrue) {
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\a").c_str(), NULL));
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(m_folder + "\\a\\same.exe", &running));
    std::string other = m_folder + "\\b\\same.exe";
    MessageBoxWatcher boxes(other);

    EXPECT_TRUE(KillByModulePath(other.c_str()));
    EXPECT_EQ(KillProcessByPath(other.c_str()), 1);
    EXPECT_FALSE(running->Ended(1000));
    EXPECT_TRUE(boxes.Texts().empty()) << "no message on NT 5";
}

// ---- NT 4 and Windows 7: performance data --------------------------------------------------

using PerfRoute = RemovalTest;

// Wine's performance data holds no process object: the route ends nothing, says so with its
// message, and the file goes to the restart.
TEST_F(PerfRoute, FindsNoProcessUnderWineShowsTheMessageAndDefers) {
    std::string path = m_folder + "\\perf.exe";
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(path, &running));
    MessageBoxWatcher boxes(path);

    EXPECT_EQ(KillByPerfData(path.c_str()), 0);
    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(boxes.Texts(), Lines({"Could not kill process"}));
    EXPECT_FALSE(running->Ended(0));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "Unable to remove")}));
    EXPECT_EQ(g_restartNeeded, 1);
    // Moved through its handle into the tool's own folder, whose path nobody else can redirect.
    const std::string moved = "C:\\Sweepwright.quarantine\\1 perf.exe";
    EXPECT_FALSE(FileExists(path));
    EXPECT_NE(PendingRenames().find("\\??\\" + moved), std::string::npos);
    ExpectGoneAfterRestart(moved);
}

TEST_F(PerfRoute, PathsWithNothingToMatchAnswer0) {
    for (const char* path : {"C:\\a", "a.ex", "C:\\.exe", ""}) {
        SCOPED_TRACE(path);
        MessageBoxWatcher boxes(path);
        EXPECT_EQ(KillByPerfData(path), 0);
        if (*path) {
            EXPECT_EQ(KillProcessByPath(path), 0);
            EXPECT_EQ(boxes.Texts(), Lines({"Could not kill process"}));
        }
    }
}

// NT 4 to XP keep the counter names in "Counters", Vista and later in "Counter".
TEST_F(PerfRoute, CounterNamesComeFromTheValueTheSystemHas) {
    const std::string key = "Software\\SwRemovalTest\\009";
    static const char kList[] =
        "1\0"
        "1847\0"
        "230\0"
        "Process\0"
        "784\0"
        "ID Process\0";
    for (const char* value : {"Counters", "Counter"}) {
        SCOPED_TRACE(value);
        DeleteMachineTree(key);
        SetValue(key, value, std::string(kList, sizeof kList - 1), REG_MULTI_SZ);
        CRegKey language;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, language.Receive()), ERROR_SUCCESS);
        ProcessCounterNames names = {};
        EXPECT_TRUE(ReadProcessCounterNames(language, &names));
        EXPECT_STREQ(names.objectIndex, "230");
    }
    DeleteMachineTree(key);
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
