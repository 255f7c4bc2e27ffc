// The hosts check: the file in the system folder on the NT line and in the Windows folder on
// 9x, examined by the uuencoded check each time CleanAutorunEntries runs, and removed by the
// real reduced action when it is the worm's carrier.
#include <stdlib.h>

#include "app/ScanState.h"
#include "cleaner/ProcessKill.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "engine/UuencodedCheck.h"
#include "tests/cleaning/CleaningTestSupport.h"
#include "tests/cleaning/WormCarrier.h"

namespace {

const char kNormalHosts[] = "# hosts\r\n127.0.0.1       localhost\r\n::1             localhost\r\n";

class Hosts : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RunsAs(getenv("SW_WINDOWS_VERSION")));
        ResetScanState();
        bool nt = GetOsFamily() == OS_NT;
        m_hosts = nt ? SystemFolder() + "\\drivers\\etc\\hosts" : WindowsFolder() + "\\hosts";
        m_otherHosts = nt ? WindowsFolder() + "\\hosts" : SystemFolder() + "\\drivers\\etc\\hosts";
        if (FileExists(m_hosts)) m_saved = ReadFileBytes(m_hosts);
    }
    void TearDown() override {
        WriteFileBytes(m_hosts, m_saved);
        DeleteFileA(m_otherHosts.c_str());
    }
    std::string RemovedLine() const { return m_hosts + "     W32/Nyxem.Worm removed"; }
    std::string m_hosts, m_otherHosts, m_saved = kNormalHosts;
};

TEST_F(Hosts, NormalHostsFileStays) {
    WriteFileBytes(m_hosts, kNormalHosts);
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    EXPECT_EQ(kNormalHosts, ReadFileBytes(m_hosts));
    EXPECT_TRUE(ReportLines().empty());
    EXPECT_EQ(0, g_filesInfected);
}

TEST_F(Hosts, CarrierIsRemovedWithItsLine) {
    WriteFileBytes(m_hosts, WormCarrier("\r\n"));
    EXPECT_EQ(1, CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm"));
    EXPECT_FALSE(FileExists(m_hosts));
    EXPECT_EQ(std::vector<std::string>{RemovedLine()}, ReportLines());
    EXPECT_EQ(1, g_filesInfected);
    EXPECT_EQ(1, g_filesRemoved);
    EXPECT_STREQ("W32/Nyxem.Worm", g_detectedName);
}

// Only this system's hosts location is looked at.
TEST_F(Hosts, CarrierAtTheOtherLineLocationStays) {
    WriteFileBytes(m_hosts, kNormalHosts);
    WriteFileBytes(m_otherHosts, WormCarrier());
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    EXPECT_TRUE(FileExists(m_otherHosts));
    EXPECT_EQ(kNormalHosts, ReadFileBytes(m_hosts));
    EXPECT_TRUE(ReportLines().empty());
}

TEST_F(Hosts, OtherUuencodedHostsStays) {
    std::string notes = "begin 644 notes.txt\n" + Uuencode(std::string(300, 'n')) + "`\nend\n";
    WriteFileBytes(m_hosts, notes);
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    EXPECT_EQ(notes, ReadFileBytes(m_hosts));
    EXPECT_EQ(0, g_filesInfected);
}

TEST_F(Hosts, ReportOnlyLeavesTheCarrier) {
    ResetScanState(ACTION_REPORT_ONLY);
    WriteFileBytes(m_hosts, WormCarrier());
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    EXPECT_EQ(WormCarrier(), ReadFileBytes(m_hosts));
    EXPECT_EQ(std::vector<std::string>{m_hosts + "     W32/Nyxem.Worm Not Disinfected As Per User's Selection"},
              ReportLines());
}

// Each infected file has the hosts file examined again; the pattern is restored only once.
TEST_F(Hosts, EveryInfectedFileExaminesItAgain) {
    WriteFileBytes(m_hosts, WormCarrier());
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    WriteFileBytes(m_hosts, "BEGIN 644 x\r\n" + WormText());
    CleanAutorunEntries("W32/Drellmoxin.A.Worm");
    EXPECT_FALSE(FileExists(m_hosts));
    EXPECT_EQ(2, CountLines(RemovedLine()));
    EXPECT_EQ(2, g_filesInfected);
}

TEST_F(Hosts, CheckOfAMissingOrLockedFileFails) {
    DeleteFileA(m_hosts.c_str());
    EXPECT_EQ(0, CheckUuencodedFile("W32/Drellmoxin.Trojan ", m_hosts.c_str()));
    WriteFileBytes(m_hosts, WormCarrier());
    HANDLE locked = CreateFileA(m_hosts.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    EXPECT_EQ(0, CheckUuencodedFile("W32/Drellmoxin.Trojan ", m_hosts.c_str()));
    CloseHandle(locked);
    EXPECT_TRUE(ReportLines().empty());
    EXPECT_EQ(1, CheckUuencodedFile("W32/Drellmoxin.Trojan ", m_hosts.c_str()));
    EXPECT_EQ(1, CountLines(RemovedLine()));
}

}   // namespace
