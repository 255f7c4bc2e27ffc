// Stopping services and deleting their keys, with the helper registered by `sc create` in a
// throwaway prefix (the runner's winxp group) and control-set keys the tests create.
#include <stdlib.h>

#include "cleaner/Services.h"
#include "tests/cleaning/CleaningTestSupport.h"

namespace {

const std::string kSet1 = "SYSTEM\\ControlSet001\\Services\\";
const std::string kSet2 = "SYSTEM\\ControlSet002\\Services\\";

class Services : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RunsAs(getenv("SW_WINDOWS_VERSION")));
        ResetScanState();
    }
    void TearDown() override { EndHelperProcesses(); }

    // Milliseconds StopService took for `name`, its result in `stopped`.
    static DWORD TimedStop(const std::string& name, bool* stopped) {
        DWORD start = GetTickCount();
        *stopped = StopService(name.c_str());
        return GetTickCount() - start;
    }
};

TEST_F(Services, ServiceThatStopsAtOnceNeedsNoWait) {
    ASSERT_TRUE(StartServiceAndWait("swsvc_quick"));
    bool stopped = false;
    DWORD elapsed = TimedStop("swsvc_quick", &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_LT(elapsed, 900u);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, ServiceState("swsvc_quick"));
}

// The helper reports stop-pending four times, 700 ms apart: the queries one second apart
// see it pending three times and stopped at the fourth.
TEST_F(Services, StopPendingIsWaitedOut) {
    ASSERT_TRUE(StartServiceAndWait("swsvc_pending"));
    bool stopped = false;
    DWORD elapsed = TimedStop("swsvc_pending", &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_GE(elapsed, 2500u);
    EXPECT_LE(elapsed, 4800u);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, ServiceState("swsvc_pending"));
}

TEST_F(Services, RefusedStopFailsAndTheServiceRuns) {
    ASSERT_TRUE(StartServiceAndWait("swsvc_refuse"));
    bool stopped = true;
    DWORD elapsed = TimedStop("swsvc_refuse", &stopped);
    EXPECT_FALSE(stopped);
    EXPECT_LT(elapsed, 900u);
    EXPECT_EQ((DWORD)SERVICE_RUNNING, ServiceState("swsvc_refuse"));
}

// A service that never leaves stop-pending costs at most the 30-second bound.
TEST_F(Services, EndlessStopPendingGivesUpAtTheBound) {
    ASSERT_TRUE(StartServiceAndWait("swsvc_stuck"));
    bool stopped = true;
    DWORD elapsed = TimedStop("swsvc_stuck", &stopped);
    EXPECT_FALSE(stopped);
    EXPECT_GE(elapsed, 29500u);
    EXPECT_LE(elapsed, 33000u);
    EXPECT_EQ((DWORD)SERVICE_STOP_PENDING, ServiceState("swsvc_stuck"));
}

TEST_F(Services, StoppedServiceCannotBeStoppedAgain) {
    bool stopped = true;
    TimedStop("swsvc_quick2", &stopped);   // registered, never started
    EXPECT_FALSE(stopped);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, ServiceState("swsvc_quick2"));
}

class ServiceKeys : public Services {
protected:
    void SetUp() override {
        Services::SetUp();
        for (const char* set : {"SYSTEM\\ControlSet001", "SYSTEM\\ControlSet002"}) DeleteMachineTree(set);
        DeleteMachineTree("SYSTEM\\CurrentControlSet\\Services\\swdel");
    }
    void TearDown() override {
        for (const char* set : {"SYSTEM\\ControlSet001", "SYSTEM\\ControlSet002"}) DeleteMachineTree(set);
        DeleteMachineTree("SYSTEM\\CurrentControlSet\\Services\\swdel");
    }
    // The keys a service of that name has in one control set.
    static void MakeServiceKeys(const std::string& set, const std::string& name, bool third = false) {
        ASSERT_TRUE(CreateMachineKey(set + name + "\\Enum"));
        ASSERT_TRUE(CreateMachineKey(set + name + "\\Security"));
        SetValue(set + name, "ImagePath", "C:\\swclean\\" + name + ".exe");
        if (third) {
            ASSERT_TRUE(CreateMachineKey(set + name + "\\Parameters"));
        }
    }
    // Keys that no rule names: another service, one whose name starts like ours, the alias set.
    static void MakeSentinels() {
        MakeServiceKeys(kSet1, "swdelx");
        MakeServiceKeys(kSet2, "other");
        ASSERT_TRUE(CreateMachineKey("SYSTEM\\CurrentControlSet\\Services\\swdel\\Enum"));
    }
    static std::vector<std::string> SentinelState() {
        std::vector<std::string> state = Snapshot(kSet1 + "swdelx");
        for (const std::string& key : Snapshot(kSet2 + "other")) state.push_back(key);
        for (const std::string& key : Snapshot("SYSTEM\\CurrentControlSet\\Services\\swdel")) state.push_back(key);
        return state;
    }
};

TEST_F(ServiceKeys, BothControlSetsLoseTheServiceKeys) {
    MakeServiceKeys(kSet1, "swdel");
    MakeServiceKeys(kSet2, "swdel");
    MakeSentinels();
    std::vector<std::string> sentinels = SentinelState();
    ASSERT_EQ(10u, sentinels.size());   // three service trees: keys and ImagePath values
    EXPECT_EQ(1, DeleteServiceKeys("swdel"));
    EXPECT_FALSE(MachineKeyExists(kSet1 + "swdel"));
    EXPECT_FALSE(MachineKeyExists(kSet2 + "swdel"));
    EXPECT_TRUE(MachineKeyExists(kSet1));
    EXPECT_EQ(sentinels, SentinelState());
    // This name makes the service key's path 260 characters long, one more than a 260-byte
    // buffer holds. Wine's ANSI registry calls take no longer path, so it has no subkeys here.
    std::string longest(230, 'n');
    ASSERT_TRUE(CreateMachineKey(kSet1 + longest));
    EXPECT_EQ(1, DeleteServiceKeys(longest.c_str()));
    EXPECT_FALSE(MachineKeyExists(kSet1 + longest));
}

// Deletions are single keys: a subkey no rule names keeps its service key.
TEST_F(ServiceKeys, ThirdSubkeyKeepsTheServiceKey) {
    MakeServiceKeys(kSet1, "swdel", true);
    MakeServiceKeys(kSet2, "swdel");
    EXPECT_EQ(1, DeleteServiceKeys("swdel"));
    EXPECT_TRUE(MachineKeyExists(kSet1 + "swdel\\Parameters"));
    EXPECT_FALSE(MachineKeyExists(kSet1 + "swdel\\Enum"));
    EXPECT_FALSE(MachineKeyExists(kSet1 + "swdel\\Security"));
    EXPECT_TRUE(ValueExists(kSet1 + "swdel", "ImagePath"));
    EXPECT_FALSE(MachineKeyExists(kSet2 + "swdel"));
}

// The Enum key of the second set is named in capitals; key names ignore case.
TEST_F(ServiceKeys, SecondSetAloneIsEnough) {
    MakeServiceKeys(kSet2, "SwDel");
    EXPECT_EQ(1, DeleteServiceKeys("swdel"));
    EXPECT_FALSE(MachineKeyExists(kSet2 + "SwDel"));
}

TEST_F(ServiceKeys, UnknownServiceChangesNothing) {
    MakeSentinels();
    std::vector<std::string> before = Snapshot("SYSTEM");
    bool stopped = true;
    TimedStop("swdel", &stopped);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(0, DeleteServiceKeys("swdel"));
    EXPECT_EQ(before, Snapshot("SYSTEM"));
}

// An empty name must not make the Services key itself the third key deleted.
TEST_F(ServiceKeys, EmptyOrOverlongNameDeletesNothing) {
    ASSERT_TRUE(CreateMachineKey(kSet1));
    ASSERT_TRUE(CreateMachineKey(kSet2));
    std::vector<std::string> before = Snapshot("SYSTEM");
    EXPECT_EQ(0, DeleteServiceKeys(""));
    EXPECT_EQ(0, DeleteServiceKeys(std::string(300, 's').c_str()));
    EXPECT_EQ(before, Snapshot("SYSTEM"));
}

TEST_F(ServiceKeys, DeleteMachineKeyIsOneKey) {
    MakeServiceKeys(kSet1, "swdel");
    EXPECT_EQ(0, DeleteMachineKey((kSet1 + "swdel").c_str()));   // still has subkeys
    EXPECT_EQ(1, DeleteMachineKey((kSet1 + "swdel\\Enum").c_str()));
    EXPECT_EQ(0, DeleteMachineKey((kSet1 + "swdel\\Enum").c_str()));
    EXPECT_TRUE(MachineKeyExists(kSet1 + "swdel\\Security"));
}

}   // namespace
