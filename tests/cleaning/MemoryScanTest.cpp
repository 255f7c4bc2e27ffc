// The memory scan on real processes of a throwaway prefix: copies of the look-alike helper run
// as plain processes or as services, and the real walk, matcher and disinfection handle them.
#include <stdio.h>
#include <stdlib.h>

#include "app/MessagePump.h"
#include "app/RunHost.h"
#include "app/ScanState.h"
#include "cleaner/MemoryScan.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "framework/KernelHandles.h"
#include "tests/cleaning/CleaningTestSupport.h"

namespace {

const char kMemoryLine[] = "System Memory    W32/Drellmoxin.Trojan  removed";
const char kNotEndedLine[] = "System Memory    W32/Drellmoxin.Trojan  Unable to remove";
// Windows offers to end a window that has not answered for 5 s; the scan's waits pump far
// more often than that.
const DWORD kLongestPumpGapMs = 500;
const std::string kSet1 = "SYSTEM\\ControlSet001\\Services\\";
const std::string kSet2 = "SYSTEM\\ControlSet002\\Services\\";

// The forced action reports with the checker's name, which ends in a blank.
std::string RemovedLine(const std::string& path) { return path + "     W32/Drellmoxin.Trojan  removed"; }

bool DebugPrivilegeEnabled() {
    CHandle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive());
    LUID debug;
    LookupPrivilegeValueA(NULL, "SeDebugPrivilege", &debug);
    static DWORD buffer[1024];
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size);
    const TOKEN_PRIVILEGES* privileges = (const TOKEN_PRIVILEGES*)buffer;
    for (DWORD i = 0; i < privileges->PrivilegeCount; i++) {
        const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == debug.LowPart && entry.Luid.HighPart == debug.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

void DisableDebugPrivilege() {
    CHandle token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive());
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, 0}}};
    LookupPrivilegeValueA(NULL, "SeDebugPrivilege", &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
}

class MemoryScan : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RunsAs(getenv("SW_WINDOWS_VERSION")));
        ResetScanState(ACTION_REMOVE);
        g_memoryCheckMode = 1;
        for (const char* set : {"SYSTEM\\ControlSet001", "SYSTEM\\ControlSet002"}) DeleteMachineTree(set);
    }
    void TearDown() override {
        g_memoryCheckMode = 0;
        EndHelperProcesses();
    }
    // Service keys of `name` in both numbered control sets, the service running `image`.
    static void MakeServiceKeys(const std::string& name, const std::string& image) {
        for (const std::string& set : {kSet1, kSet2}) {
            ASSERT_TRUE(CreateMachineKey(set + name + "\\Enum"));
            ASSERT_TRUE(CreateMachineKey(set + name + "\\Security"));
            SetValue(set + name, "ImagePath", "\"" + image + "\" -service", REG_EXPAND_SZ);
        }
    }
    static bool AnyServiceKey(const std::string& name) {
        return MachineKeyExists(kSet1 + name) || MachineKeyExists(kSet2 + name);
    }
};

// ---------------------------------------------------------------- NT 4 and 5 (nt40, win2k, winxp)

// The versions on which a process that cannot be ended is taken for a service.
class MemoryScanNtFallback : public MemoryScan {
protected:
    void SetUp() override {
        MemoryScan::SetUp();
        int generation = GetNtGeneration();
        ASSERT_TRUE(generation == NT_GEN_4_OR_LOWER || generation == NT_GEN_5) << generation;
    }
};

// Wine lets the second termination of a process that is just ending succeed as well, so the
// image is removed right after it without the service fallback.
TEST_F(MemoryScanNtFallback, EndedProcessIsReportedAndItsImageRemoved) {
    std::string image = HelperCopy("swmem_plain.exe");
    auto child = StartChild(image, "sleep");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(child->Ended());
    EXPECT_FALSE(FileExists(image));
    EXPECT_EQ(1, CountLines(kMemoryLine));
    EXPECT_EQ(1, CountLines(RemovedLine(image)));
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_EQ(1, g_filesRemoved);
    EXPECT_EQ(0, g_memoryRestartNeeded);
    EXPECT_LT(g_longestPumpGapMs, kLongestPumpGapMs) << "the forced action's pause pumps";
}

// Esc while the process is being ended: the image is still removed, and the scan ends after.
TEST_F(MemoryScanNtFallback, AbortDuringTheEndOfAProcessWaitsForItsImageToGo) {
    std::string image = HelperCopy("swmem_abort.exe");
    auto child = StartChild(image, "sleep");
    g_onPump = [] {
        if (g_memoryHit && g_forcedAction == 0) g_abortScan = 1;
    };
    EXPECT_EQ(0, ScanProcessesPsapi());
    g_onPump = nullptr;
    EXPECT_EQ(1, g_abortScan);
    g_abortScan = 0;
    EXPECT_TRUE(child->Ended(0));
    EXPECT_FALSE(FileExists(image));
    EXPECT_EQ(1, CountLines(RemovedLine(image)));
}

// Two processes of one image: the removal after the first ends the second as well (the kill
// route of the disinfection), so that image is examined once.
TEST_F(MemoryScanNtFallback, EveryInfectedProcessIsEnded) {
    std::string first = HelperCopy("swmem_one.exe");
    std::string second = HelperCopy("swmem_two.exe");
    auto one = StartChild(first, "sleep");
    auto two = StartChild(second, "sleep");
    auto three = StartChild(second, "sleep");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(one->Ended());
    EXPECT_TRUE(two->Ended());
    EXPECT_TRUE(three->Ended());
    EXPECT_FALSE(FileExists(first));
    EXPECT_FALSE(FileExists(second));
    EXPECT_EQ(2, CountLines(kMemoryLine));
    EXPECT_EQ(1, CountLines(RemovedLine(first)));
    EXPECT_EQ(1, CountLines(RemovedLine(second)));
    EXPECT_EQ(2, g_filesInfected);
}

// Report only (/scanonly): nothing is ended or removed, and no registry value is touched.
TEST_F(MemoryScanNtFallback, ReportOnlyEndsNothing) {
    ResetScanState(ACTION_REPORT_ONLY);
    std::string image = HelperCopy("swmem_report.exe");
    SetValue(kRunKey, "SwMemReport", "\"" + image + "\" -start");
    MakeServiceKeys("swmem_report", image);
    auto child = StartChild(image, "sleep");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_EQ(0, CountLines(kMemoryLine));
    EXPECT_TRUE(ValueExists(kRunKey, "SwMemReport"));
    EXPECT_EQ(0, CountLines("System Registry     W32/Drellmoxin.Trojan removed"));
    EXPECT_TRUE(AnyServiceKey("swmem_report"));
}

TEST_F(MemoryScanNtFallback, RenameActionRenamesTheImage) {
    ResetScanState(ACTION_RENAME);
    std::string image = HelperCopy("swmem_rename.exe");
    auto child = StartChild(image, "sleep");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(child->Ended());
    EXPECT_FALSE(FileExists(image));
    EXPECT_TRUE(FileExists(image.substr(0, image.size() - 3) + "Vxe"));
}

// Neither termination works and the service manager knows no service of that name: the keys
// that name the image go, the image stays for the restart, and the scan asks for one. The
// registered service swsvc_quick2 runs another file, so its keys stay.
TEST_F(MemoryScanNtFallback, UnendableProcessRequiresARestart) {
    std::string image = HelperCopy("swmem_guard.exe");
    MakeServiceKeys("swmem_guard", image);
    MakeServiceKeys("swsvc_quick2", "C:\\swclean\\svc\\swsvc_quick2.exe");
    auto child = StartChild(image, "guard");
    auto namesake = StartChild(HelperCopy("swsvc_quick2.exe"), "guard");
    EXPECT_NE(0, ScanProcessesPsapi());
    EXPECT_TRUE(AnyServiceKey("swsvc_quick2"));
    EXPECT_EQ(1, g_memoryRestartNeeded);
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_FALSE(AnyServiceKey("swmem_guard"));
    EXPECT_EQ(0, CountLines(kMemoryLine));
    EXPECT_EQ(2, CountLines(kNotEndedLine));
    EXPECT_EQ(2, g_filesInfected);
}

struct ServiceCase {
    const char* name;
    bool stops;
    DWORD minimumMs;
};

class MemoryScanService : public MemoryScanNtFallback, public testing::WithParamInterface<ServiceCase> {};

// The helper runs as a service whose process denies termination, so the scan falls back to
// stopping the service of the image's name.
TEST_P(MemoryScanService, ProcessThatCannotBeEndedIsStoppedAsAService) {
    const ServiceCase& c = GetParam();
    std::string image = std::string("C:\\swclean\\svc\\") + c.name + ".exe";
    MakeServiceKeys(c.name, image);
    ASSERT_TRUE(CreateMachineKey(kSet1 + c.name + "\\Parameters"));
    ASSERT_TRUE(StartServiceAndWait(c.name));
    DWORD start = GetTickCount();
    short result = ScanProcessesPsapi();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, c.minimumMs);
    EXPECT_LT(g_longestPumpGapMs, kLongestPumpGapMs) << "the wait for the stop pumps";
    // The two subkeys go in both sets; the third keeps the first set's service key.
    EXPECT_TRUE(MachineKeyExists(kSet1 + c.name + "\\Parameters"));
    EXPECT_FALSE(MachineKeyExists(kSet1 + c.name + "\\Enum"));
    EXPECT_FALSE(MachineKeyExists(kSet2 + c.name));
    if (c.stops) {
        EXPECT_EQ(0, result);
        EXPECT_EQ(0, g_memoryRestartNeeded);
        EXPECT_EQ((DWORD)SERVICE_STOPPED, ServiceState(c.name));
        EXPECT_FALSE(FileExists(image));
        EXPECT_EQ(1, CountLines(RemovedLine(image)));
    } else {
        EXPECT_NE(0, result);
        EXPECT_EQ(1, g_memoryRestartNeeded);
        EXPECT_EQ((DWORD)SERVICE_RUNNING, ServiceState(c.name));
        EXPECT_TRUE(FileExists(image));
        EXPECT_EQ(0, CountLines(kMemoryLine));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, MemoryScanService,
                         testing::Values(ServiceCase{"swmem_quick", true, 0}, ServiceCase{"swmem_pending", true, 2500},
                                         ServiceCase{"swmem_refuse", false, 0}),
                         [](const testing::TestParamInfo<ServiceCase>& info) { return std::string(info.param.name); });

// A process that denies the query answers access denied: the scan enables the debug privilege
// and tries again. Under Wine the privilege does not override the process's own security, so
// that process stays unlisted and untouched.
TEST_F(MemoryScanNtFallback, AccessDeniedEnablesTheDebugPrivilege) {
    DisableDebugPrivilege();
    ASSERT_FALSE(DebugPrivilegeEnabled());
    std::string image = HelperCopy("swmem_hide.exe");
    auto child = StartChild(image, "hide");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(DebugPrivilegeEnabled());
    EXPECT_FALSE(child->Ended(0));
    EXPECT_EQ(0, g_filesInfected);
}

// The privilege comes before any process is opened, not only after an open was refused.
TEST_F(MemoryScanNtFallback, DebugPrivilegeIsEnabledBeforeAnyProcessIsOpened) {
    DisableDebugPrivilege();
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(DebugPrivilegeEnabled());
}

// The image is replaced (a folder of its path swapped for a link, say) between the end of the
// process and the action: what the path leads to now is examined again and left alone.
TEST_F(MemoryScanNtFallback, ImageReplacedAfterItsProcessEndedIsLeftAlone) {
    std::string image = HelperCopy("swmem_swap.exe");
    auto child = StartChild(image, "sleep");
    g_onPump = [&] {
        if (g_forcedAction == 0 || ReadFileBytes(image) == "a clean program") return;
        DeleteFileA(image.c_str());
        WriteFileBytes(image, "a clean program");
    };
    EXPECT_EQ(0, ScanProcessesPsapi());
    g_onPump = nullptr;
    EXPECT_TRUE(child->Ended());
    EXPECT_EQ("a clean program", ReadFileBytes(image));
    EXPECT_EQ(1, CountLines(image + "     W32/Drellmoxin.Trojan  no longer matches, left in place"));
    EXPECT_EQ(0, g_filesRemoved);
}

// ---------------------------------------------------------------- NT 6 and later (win7)

class MemoryScanNt6 : public MemoryScan {
protected:
    void SetUp() override {
        MemoryScan::SetUp();
        ASSERT_EQ(NT_GEN_OTHER, GetNtGeneration());
        ASSERT_EQ(OS_NT, GetOsFamily());
    }
};

TEST_F(MemoryScanNt6, UnendableProcessHasNoServiceFallback) {
    std::string image = HelperCopy("swmem_guard7.exe");
    MakeServiceKeys("swmem_guard7", image);
    auto child = StartChild(image, "guard");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_EQ(0, g_memoryRestartNeeded);
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_TRUE(MachineKeyExists(kSet1 + "swmem_guard7\\Enum"));
    EXPECT_TRUE(MachineKeyExists(kSet2 + "swmem_guard7\\Security"));
    // The drive walk meets the image and counts it: the memory scan's count is taken back.
    EXPECT_EQ(1, CountLines(kNotEndedLine));
    EXPECT_EQ(0, g_filesInfected);
}

TEST_F(MemoryScanNt6, EndedProcessIsRemovedAndKeysStay) {
    std::string image = HelperCopy("swmem_plain7.exe");
    MakeServiceKeys("swmem_plain7", image);
    auto child = StartChild(image, "sleep");
    EXPECT_EQ(0, ScanProcessesPsapi());
    EXPECT_TRUE(child->Ended());
    EXPECT_FALSE(FileExists(image));
    EXPECT_EQ(1, CountLines(kMemoryLine));
    EXPECT_TRUE(AnyServiceKey("swmem_plain7"));
}

// ---------------------------------------------------------------- the 9x line (win98)

// Wine's snapshot gives only the image's file name even on the emulated win98, where Windows
// gives the full path; the tests run from the helper's folder, so that the name opens.
class MemoryScan9x : public MemoryScan {
protected:
    void SetUp() override {
        MemoryScan::SetUp();
        ASSERT_EQ(OS_9X, GetOsFamily());
        GetCurrentDirectoryA(sizeof m_savedFolder, m_savedFolder);
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_savedFolder);
        MemoryScan::TearDown();
    }
    char m_savedFolder[MAX_PATH];
};

TEST_F(MemoryScan9x, InfectedProcessIsEndedAndItsImageRemoved) {
    std::string image = HelperCopy("swmem98.exe");
    auto child = StartChild(image, "sleep");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\swclean\\run"));
    ScanProcessesToolhelp();
    EXPECT_TRUE(child->Ended());
    EXPECT_FALSE(FileExists(image));
    EXPECT_EQ(1, CountLines(kMemoryLine));
    EXPECT_EQ(1, CountLines(RemovedLine("swmem98.exe")));
    EXPECT_EQ(1, g_filesInfected);
}

TEST_F(MemoryScan9x, ReportOnlyEndsNothing) {
    ResetScanState(ACTION_REPORT_ONLY);
    std::string image = HelperCopy("swmem98r.exe");
    auto child = StartChild(image, "sleep");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\swclean\\run"));
    ScanProcessesToolhelp();
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_EQ(0, CountLines(kMemoryLine));
}

// The termination's result counts: a process that denies it keeps running, and its image is
// left to the drive walk, which counts and reports it once.
TEST_F(MemoryScan9x, ProcessThatCannotBeEndedIsReportedAndLeftToTheWalk) {
    std::string image = HelperCopy("swmem98g.exe");
    auto child = StartChild(image, "guard");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\swclean\\run"));
    ScanProcessesToolhelp();
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_EQ(0, CountLines(kMemoryLine));
    EXPECT_EQ(1, CountLines(kNotEndedLine));
    EXPECT_EQ(0, g_filesInfected);
}

// From another folder the snapshot's bare file name does not open: the running look-alike is
// neither examined nor ended.
TEST_F(MemoryScan9x, ImageThatCannotBeOpenedIsNotExamined) {
    std::string image = HelperCopy("swmem98o.exe");
    auto child = StartChild(image, "sleep");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows"));
    ScanProcessesToolhelp();
    EXPECT_FALSE(child->Ended(0));
    EXPECT_TRUE(FileExists(image));
    EXPECT_EQ(0, g_filesInfected);
}

// ---------------------------------------------------------------- the whole memory scan

class FoundInMemory : public MemoryScanNtFallback {
protected:
    // The scan ends the program inside ScanMemory while a look-alike that cannot be ended runs:
    // a death test sees the exit code (1641 for a restart started, 3010 for one needed) and
    // exactly the lines the dialog and restart doubles wrote.
    void ExpectTheScanToEndTheProgram(const char* helper, int exitCode, const std::string& lines,
                                      const char* log = "") {
        EXPECT_EXIT(
            {
                if (log[0] != 0) OpenRunLog(log, true);
                auto guarded = StartChild(HelperCopy(helper), "guard");
                ScanMemory();
                fprintf(stderr, "the scan went on\n");
                exit(3);
            },
            testing::ExitedWithCode(exitCode), "^" + lines + "$");
    }
};

const char kQuestion[] =
    "W32/Drellmoxin.Trojan  found in memory! registry entries created by the worm are removed. "
    "You must restart the computer and run this program to continue scanning.\\n\\n"
    "Restart the computer now?";

// GoogleTest's own regular expressions on Windows: escape everything but letters and digits.
std::string Literal(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!isalnum((unsigned char)c) && c != ' ') out += '\\';
        out += c;
    }
    return out;
}

std::string QuestionLine(int answer) {
    return Literal("ToolMessageBox[" + std::string(kQuestion) + "|Sweepwright Ver 1.0|0x41] answered " +
                   std::to_string(answer)) +
           "\n";
}

TEST_F(FoundInMemory, OkRestartsAndEndsTheProgram) {
    g_messageBoxAnswer = IDOK;
    ExpectTheScanToEndTheProgram("swmem_found.exe", 1641, QuestionLine(IDOK) + "RestartSystem called\n");
}

// Without the shutdown privilege the restart cannot begin: the exit code says it is needed.
TEST_F(FoundInMemory, OkWithoutTheRightToRestartEndsTheProgramWithTheRestartNeeded) {
    g_messageBoxAnswer = IDOK;
    g_mayRestart = false;
    ExpectTheScanToEndTheProgram("swmem_found3.exe", 3010, QuestionLine(IDOK));
}

// The system may refuse to begin the restart (one already under way): the exit code says it is
// still needed, and the log says why.
TEST_F(FoundInMemory, OkWhenTheSystemRefusesTheRestartEndsTheProgramWithTheRestartNeeded) {
    g_messageBoxAnswer = IDOK;
    g_restartRefusal = ERROR_SHUTDOWN_IN_PROGRESS;
    const char log[] = "C:\\swclean\\refused.log";
    ExpectTheScanToEndTheProgram("swmem_found4.exe", 3010, QuestionLine(IDOK) + "RestartSystem called\n", log);
    EXPECT_NE(std::string::npos, ReadFileBytes(log).find("\r\nThe restart could not begin (error 1115)"));
}

TEST_F(FoundInMemory, CancelEndsTheProgramWithoutRestart) {
    g_messageBoxAnswer = IDCANCEL;
    ExpectTheScanToEndTheProgram("swmem_found2.exe", 3010, QuestionLine(IDCANCEL));
}

// An infected process that ended leaves the drive walk to follow in this run.
TEST_F(FoundInMemory, EndedProcessLetsTheScanGoOn) {
    std::string image = HelperCopy("swmem_goes_on.exe");
    auto child = StartChild(image, "sleep");
    ScanMemory();
    EXPECT_EQ(0, g_memoryCheckMode);
    EXPECT_EQ(OS_NT, g_osFamily);
    EXPECT_TRUE(g_messageBoxCalls.empty());
    EXPECT_TRUE(child->Ended());
    EXPECT_FALSE(FileExists(image));
}

}   // namespace
