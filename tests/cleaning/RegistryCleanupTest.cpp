// Autorun values, the uninstall entry and the two registry helpers, on the real registry of a
// throwaway prefix (the runner's winxp and win98 groups). Values the tests make are named Sw*;
// the prefix's own values and the sentinels below must come out unchanged. The 64-bit build
// also plants values in the 32-bit view, which its key paths reach through WOW6432Node.
#include <stdlib.h>
#include <string.h>

#include "app/ReportChannel.h"
#include "cleaner/RegistryCleanup.h"
#include "engine/FileMatcher.h"
#include "tests/cleaning/CleaningTestSupport.h"

namespace {

const char kPurgeLine[] = "System Registry     W32/Drellmoxin.Trojan removed";
const char kOtherKey[] = "Software\\SwSentinel";
const char kTrojanValue[] = "SMrhcjg7j0e38v";

// Values the tests make themselves: Sw* (but not the SwOther* sentinels) and the trojan's own.
bool OwnValue(const std::string& name) {
    return name == kTrojanValue || (name.compare(0, 2, "Sw") == 0 && name.compare(0, 7, "SwOther") != 0);
}

// The 32-bit view, for the 64-bit build on the NT line: Wine, like Windows 9x, ignores the
// access mask, and so the view flags, when it plays a 9x version.
std::vector<std::string> TestViews() {
    bool both = sizeof(void*) == 8 && (GetVersion() & 0x80000000) == 0;
    return both ? std::vector<std::string>{"", "WOW6432Node\\"} : std::vector<std::string>{""};
}
const std::vector<std::string> kViews = TestViews();

// "Software\\..." in one view.
std::string InView(const std::string& view, const char* key) {
    return std::string(key).insert(strlen("Software\\"), view);
}

// Run and RunServices in every view.
std::vector<std::string> AutorunKeys() {
    std::vector<std::string> keys;
    for (const std::string& view : kViews)
        keys.insert(keys.end(), {InView(view, kRunKey), InView(view, kRunServicesKey)});
    return keys;
}

class Registry : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        ASSERT_TRUE(RunsAs(getenv("SW_WINDOWS_VERSION")));
        ResetScanState();
        // Values of other programs in both keys of every view, and a key no rule names.
        for (const std::string& view : kViews) {
            SetValue(InView(view, kRunKey), "SwOtherProgram", "\"C:\\Program Files\\Other\\other.exe\" /min");
            SetValue(InView(view, kRunServicesKey), "SwOtherService", "C:\\Program Files\\Other\\service.exe");
        }
        SetValue(kOtherKey, "SwTrojanRun", "C:\\temp\\first.exe");
        m_sentinels = Sentinels();
    }
    void TearDown() override {
        EXPECT_EQ(m_sentinels, Sentinels()) << "a value that no rule names changed";
        for (const std::string& key : AutorunKeys()) {
            for (const std::string& name : ValueNames(key))
                if (OwnValue(name)) DeleteValue(key, name);
        }
        for (const std::string& view : kViews) DeleteMachineTree(InView(view, kUninstallKey));
        DeleteMachineTree(kOtherKey);
    }
    static void DeleteValue(const std::string& key, const std::string& name) {
        HKEY handle;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
        RegDeleteValueA(handle, name.c_str());
        RegCloseKey(handle);
    }
    // Everything below the two autorun keys but the tests' own values, and the other key whole.
    static std::vector<std::string> Sentinels() {
        std::vector<std::string> kept = Snapshot(kOtherKey);
        for (const std::string& key : AutorunKeys()) {
            for (const std::string& entry : Snapshot(key)) {
                size_t bar = entry.find('|');
                if (bar == std::string::npos || !OwnValue(entry.substr(bar + 1, entry.find('=', bar) - bar - 1)))
                    kept.push_back(entry);
            }
        }
        return kept;
    }
    static void InfectedFile(const std::string& path) {
        memset(g_currentFilePath, 0, sizeof g_currentFilePath);
        strcpy(g_currentFilePath, path.c_str());
    }
    // The key in the view of this run of a parameterised case.
    std::string Key(const char* key) const { return InView(GetParam(), key); }
    std::vector<std::string> m_sentinels;
};

INSTANTIATE_TEST_SUITE_P(, Registry, testing::ValuesIn(kViews), [](const testing::TestParamInfo<std::string>& info) {
    return info.param.empty() ? "OwnView" : "Wow32View";
});

// ---------------------------------------------------------------- PurgeAutorunValues

TEST_F(Registry, BareCommandOfAFileInTheSystemFolderIsRemoved) {
    SetValue(kRunKey, "SwBare", "abc.exe -q");
    InfectedFile(SystemFolder() + "\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, "SwBare"));
    EXPECT_EQ(std::vector<std::string>{kPurgeLine}, ReportLines());
    EXPECT_STREQ("SwBare", g_autorunValueName);
}

TEST_F(Registry, BareCommandOfAFileElsewhereStays) {
    SetValue(kRunKey, "SwBare", "abc.exe");
    InfectedFile("C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_TRUE(ValueExists(kRunKey, "SwBare"));
    EXPECT_TRUE(ReportLines().empty());
    EXPECT_STREQ("", g_autorunValueName);
}

TEST_F(Registry, QuotedPathWithArgumentsIsRemovedWhateverTheCase) {
    SetValue(kRunKey, "SwQuoted", "\"C:\\TEMP\\ABC.EXE\" /s");
    InfectedFile("c:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, "SwQuoted"));
    EXPECT_EQ(1, CountLines(kPurgeLine));
    EXPECT_STREQ("SwQuoted", g_autorunValueName);
}

TEST_F(Registry, SystemRootReferenceMatchesThroughItsExpansion) {
    SetValue(kRunKey, "SwExpand", "%SystemRoot%\\abc.exe", REG_EXPAND_SZ);
    SetValue(kRunKey, "SwExpandPlain", "\"%SystemRoot%\\abc.exe\" -x");
    SetValue(kRunKey, "SwExpandOther", "%SystemRoot%\\abcd.exe");
    InfectedFile(WindowsFolder() + "\\ABC.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, "SwExpand"));
    EXPECT_FALSE(ValueExists(kRunKey, "SwExpandPlain"));
    EXPECT_TRUE(ValueExists(kRunKey, "SwExpandOther"));
    EXPECT_EQ(2, CountLines(kPurgeLine));
}

// After a deletion the next value has moved down to the deleted one's index.
TEST_F(Registry, TwoMatchingValuesInARowAreBothRemoved) {
    // Wine keeps a key's values sorted by name: the names fix the enumeration order.
    SetValue(kRunKey, "SwA1", "C:\\temp\\abc.exe");
    SetValue(kRunKey, "SwA2", "c:\\temp\\abc.exe -again");
    SetValue(kRunKey, "SwA3", "C:\\temp\\other.exe");
    SetValue(kRunKey, "SwA4", "\"c:\\temp\\abc.exe\"");
    InfectedFile("C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, "SwA1"));
    EXPECT_FALSE(ValueExists(kRunKey, "SwA2"));
    EXPECT_TRUE(ValueExists(kRunKey, "SwA3"));
    EXPECT_FALSE(ValueExists(kRunKey, "SwA4"));
    EXPECT_EQ(3, CountLines(kPurgeLine));
    EXPECT_STREQ("SwA4", g_autorunValueName);
}

// Names that only contain the infected name or path are other programs.
TEST_F(Registry, OtherProgramsValuesStay) {
    SetValue(kRunKey, "SwNotepad", "notepad.exe");
    SetValue(kRunKey, "SwBackup", "c:\\temp\\pad.exe.bak");
    SetValue(kRunKey, "SwElsewhere", "\"C:\\Program Files\\pad.exe\"");
    SetValue(kRunKey, "SwLater", "rundll32 c:\\temp\\pad.exe");
    InfectedFile(SystemFolder() + "\\pad.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    InfectedFile("c:\\temp\\pad.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    for (const char* name : {"SwNotepad", "SwBackup", "SwElsewhere", "SwLater"})
        EXPECT_TRUE(ValueExists(kRunKey, name)) << name;
    EXPECT_TRUE(ReportLines().empty());
}

TEST_F(Registry, MissingKeyOrPathWithoutFolderDoesNothing) {
    SetValue(kRunKey, "SwBare", "abc.exe");
    InfectedFile("abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    InfectedFile("C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, "Software\\SwNoSuchKey");
    EXPECT_TRUE(ValueExists(kRunKey, "SwBare"));
    EXPECT_TRUE(ReportLines().empty());
}

// A name that does not fit the 128-byte buffer is deleted, but not remembered: a cut name
// could be another value's.
TEST_F(Registry, LongValueNameIsRemovedButNotRemembered) {
    std::string longName = "Sw" + std::string(198, 'N');
    std::string fitting = "Sw" + std::string(125, 'F');   // 127 characters
    SetValue(kRunKey, longName, "C:\\temp\\abc.exe");
    InfectedFile("C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, longName));
    EXPECT_EQ(1, CountLines(kPurgeLine));
    EXPECT_STREQ("", g_autorunValueName);
    SetValue(kRunKey, fitting, "C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_EQ(fitting, g_autorunValueName);
}

// Data with its terminator must fit the 264-byte buffer; longer data is not examined. Data of
// 263 characters fits, though its expansion does not fit the 261-byte buffer.
TEST_F(Registry, DataLongerThanTheBufferIsSkipped) {
    std::string path = "C:\\temp\\abc.exe";
    std::string fits = path + " " + std::string(263 - path.size() - 1, 'a');
    std::string tooLong = fits + "a";
    SetValue(kRunKey, "SwFits", fits);
    SetValue(kRunKey, "SwTooLong", tooLong);
    InfectedFile(path);
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    EXPECT_FALSE(ValueExists(kRunKey, "SwFits"));
    EXPECT_TRUE(ValueExists(kRunKey, "SwTooLong"));
}

// Only the comparison of the expansion is skipped: the data itself starts with the path.
TEST_F(Registry, ExpansionLongerThanItsBufferStillMatchesOnTheData) {
    SetEnvironmentVariableA("SWLONG", std::string(300, 'x').c_str());
    SetValue(kRunKey, "SwLongExpansion", "C:\\temp\\abc.exe %SWLONG%");
    InfectedFile("C:\\temp\\abc.exe");
    PurgeAutorunValues(HKEY_LOCAL_MACHINE, kRunKey);
    SetEnvironmentVariableA("SWLONG", NULL);
    EXPECT_FALSE(ValueExists(kRunKey, "SwLongExpansion"));
}

// ---------------------------------------------------------------- CleanAutorunEntries

TEST_P(Registry, BothAutorunKeysAreCleaned) {
    SetValue(Key(kRunKey), "SwRun", "C:\\temp\\abc.exe");
    SetValue(Key(kRunServicesKey), "SwRunService", "\"C:\\temp\\abc.exe\" -service");
    InfectedFile("C:\\temp\\abc.exe");
    EXPECT_EQ(1, CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm"));
    EXPECT_FALSE(ValueExists(Key(kRunKey), "SwRun"));
    EXPECT_FALSE(ValueExists(Key(kRunServicesKey), "SwRunService"));
    EXPECT_EQ(std::vector<std::string>({kPurgeLine, kPurgeLine}), ReportLines());
    EXPECT_STREQ("SwRunService", g_autorunValueName);
}

// The value name found for one infected file is tried in three keys at the next one, and each
// success is reported with that file's variant name. In Run and RunServices of every view it
// goes only where its data starts an infected file: other programs may use the same name.
TEST_P(Registry, RememberedNameGoesAtTheNextFileWhereItStartsTheTrojan) {
    SetValue(Key(kRunKey), "SwTrojanRun", "C:\\temp\\first.exe");
    InfectedFile("C:\\temp\\first.exe");
    CleanAutorunEntries("W32/Drellmoxin.A.Worm");
    ASSERT_STREQ("SwTrojanRun", g_autorunValueName);
    ReportLines().clear();

    SetValue(Key(kRunKey), "SwTrojanRun", "\"C:\\temp\\first.exe\" -again");
    SetValue(Key(kRunServicesKey), "SwTrojanRun", "C:\\Program Files\\Clean\\service.exe");
    SetValue(Key(kUninstallKey), "SwTrojanRun", "anything");
    for (const std::string& view : kViews) {
        if (view != GetParam()) SetValue(InView(view, kRunKey), "SwTrojanRun", "C:\\Program Files\\Clean\\run.exe");
    }
    memset(g_currentFilePath, 0, sizeof g_currentFilePath);
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    EXPECT_FALSE(ValueExists(Key(kRunKey), "SwTrojanRun"));
    EXPECT_TRUE(ValueExists(Key(kRunServicesKey), "SwTrojanRun"));
    EXPECT_FALSE(ValueExists(Key(kUninstallKey), "SwTrojanRun"));
    for (const std::string& view : kViews) {
        if (view != GetParam()) {
            EXPECT_TRUE(ValueExists(InView(view, kRunKey), "SwTrojanRun")) << view;
        }
    }
    std::string line = "System Registry     W32/Drellmoxin.Qnd.Worm removed";
    EXPECT_EQ(std::vector<std::string>({line, line}), ReportLines());
    EXPECT_TRUE(ValueExists(kOtherKey, "SwTrojanRun"));
}

TEST_F(Registry, NothingRememberedAndNoPathChangesNothing) {
    SetValue(kRunKey, "SwBare", "abc.exe");
    std::vector<std::string> before = Snapshot("Software\\Microsoft\\Windows\\CurrentVersion");
    EXPECT_EQ(1, CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm"));
    EXPECT_EQ(before, Snapshot("Software\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_TRUE(ReportLines().empty());
}

// Without the main window nothing is reported, but the values still go.
TEST_F(Registry, NoWindowNoLine) {
    SetValue(kRunKey, "SwRun", "C:\\temp\\abc.exe");
    InfectedFile("C:\\temp\\abc.exe");
    HWND window = g_hMainWnd;
    g_hMainWnd = NULL;
    CleanAutorunEntries("W32/Drellmoxin.Qnd.Worm");
    g_hMainWnd = window;
    EXPECT_FALSE(ValueExists(kRunKey, "SwRun"));
    EXPECT_TRUE(ReportLines().empty());
}

// ---------------------------------------------------------------- CleanUninstallEntry

TEST_P(Registry, UninstallEntryAndAutorunValueWithTheirMarkersGo) {
    SetValue(Key(kUninstallKey), "UninstallString", "C:\\WINDOWS\\uninstall.exe /rhcjg7j0e38v");
    SetValue(Key(kUninstallKey), "DisplayName", "rhcjg7j0e38v");
    SetValue(Key(kRunKey), kTrojanValue, "C:\\WINDOWS\\rhcjg7j0e38v.exe");
    EXPECT_EQ(1, CleanUninstallEntry());
    EXPECT_FALSE(ValueExists(Key(kUninstallKey), "UninstallString"));
    EXPECT_TRUE(ValueExists(Key(kUninstallKey), "DisplayName"));
    EXPECT_FALSE(ValueExists(Key(kRunKey), kTrojanValue));
    EXPECT_TRUE(ReportLines().empty());
}

TEST_F(Registry, UninstallStringWithoutMarkerStaysAndTheAutorunValueIsExamined) {
    SetValue(kUninstallKey, "UninstallString", "C:\\WINDOWS\\UNINSTALL.EXE");   // the marker's case is exact
    SetValue(kRunKey, kTrojanValue, "C:\\WINDOWS\\rhcjg7j0e38v.exe -s");
    EXPECT_EQ(1, CleanUninstallEntry());
    EXPECT_TRUE(ValueExists(kUninstallKey, "UninstallString"));
    EXPECT_FALSE(ValueExists(kRunKey, kTrojanValue));
}

TEST_F(Registry, AutorunValueWithoutMarkerStays) {
    SetValue(kUninstallKey, "UninstallString", "uninstall.exe");
    SetValue(kRunKey, kTrojanValue, "C:\\WINDOWS\\RHCJG7J0E38V.EXE");
    EXPECT_EQ(1, CleanUninstallEntry());
    EXPECT_FALSE(ValueExists(kUninstallKey, "UninstallString"));
    EXPECT_TRUE(ValueExists(kRunKey, kTrojanValue));
}

TEST_F(Registry, WithoutUninstallKeyTheAutorunValueIsNotExamined) {
    SetValue(kRunKey, kTrojanValue, "C:\\WINDOWS\\rhcjg7j0e38v.exe");
    EXPECT_EQ(0, CleanUninstallEntry());
    EXPECT_TRUE(ValueExists(kRunKey, kTrojanValue));
    ASSERT_TRUE(CreateMachineKey(kUninstallKey));   // the key alone, without its value
    EXPECT_EQ(0, CleanUninstallEntry());
    EXPECT_TRUE(ValueExists(kRunKey, kTrojanValue));
}

TEST_F(Registry, MissingAutorunValueFails) {
    SetValue(kUninstallKey, "UninstallString", "uninstall.exe");
    EXPECT_EQ(0, CleanUninstallEntry());
    EXPECT_FALSE(ValueExists(kUninstallKey, "UninstallString"));
}

// The 100-byte buffer: a longer uninstall string is not read, like a missing one.
TEST_F(Registry, UninstallStringLongerThanItsBufferIsNotRead) {
    SetValue(kUninstallKey, "UninstallString", "C:\\" + std::string(90, 'u') + "\\uninstall.exe");
    SetValue(kRunKey, kTrojanValue, "C:\\WINDOWS\\rhcjg7j0e38v.exe");
    EXPECT_EQ(0, CleanUninstallEntry());
    EXPECT_TRUE(ValueExists(kUninstallKey, "UninstallString"));
    EXPECT_TRUE(ValueExists(kRunKey, kTrojanValue));
}

// ---------------------------------------------------------------- the two helpers

// The buffer is followed by sentinel bytes that no read may reach.
struct GuardedBuffer {
    char bytes[16 + 8];
    GuardedBuffer() { memset(bytes, 0xBD, sizeof bytes); }
    bool GuardIntact(size_t size) const {
        for (size_t i = size; i < sizeof bytes; i++)
            if ((unsigned char)bytes[i] != 0xBD) return false;
        return true;
    }
};

TEST_F(Registry, ReadRegistryStringStaysInsideItsBuffer) {
    SetValue(kOtherKey, "Fits", std::string(15, 'f'));                 // 16 bytes with the terminator
    SetValue(kOtherKey, "TooLong", std::string(16, 't'));              // 17 bytes
    SetValue(kOtherKey, "Binary", std::string(16, 'b'), REG_BINARY);   // no terminator, fills it
    SetValue(kOtherKey, "ShortBinary", "bin", REG_BINARY);
    struct Case {
        const char* name;
        int expected;
        const char* text;
    };
    for (const Case& c : {Case{"Fits", 1, "fffffffffffffff"}, Case{"TooLong", 0, nullptr}, Case{"Binary", 0, nullptr},
                          Case{"ShortBinary", 1, "bin"}, Case{"Missing", 0, nullptr}}) {
        SCOPED_TRACE(c.name);
        GuardedBuffer buffer;
        EXPECT_EQ(c.expected, ReadRegistryString(HKEY_LOCAL_MACHINE, kOtherKey, c.name, buffer.bytes, 16));
        if (c.text != nullptr) {
            EXPECT_STREQ(c.text, buffer.bytes);
        }
        EXPECT_TRUE(buffer.GuardIntact(16));
    }
    GuardedBuffer buffer;
    EXPECT_EQ(0, ReadRegistryString(HKEY_LOCAL_MACHINE, "Software\\SwNoSuchKey", "Fits", buffer.bytes, 16));
    for (const char* name : {"Fits", "TooLong", "Binary", "ShortBinary"}) DeleteValue(kOtherKey, name);
}

TEST_F(Registry, DeleteRegistryValueAnswersForTheDeletion) {
    SetValue(kRunKey, "SwDelete", "x");
    EXPECT_EQ(1, DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, "SwDelete"));
    EXPECT_FALSE(ValueExists(kRunKey, "SwDelete"));
    EXPECT_EQ(0, DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, "SwDelete"));
    EXPECT_EQ(0, DeleteRegistryValue(HKEY_LOCAL_MACHINE, "Software\\SwNoSuchKey", "SwDelete"));
}

}   // namespace
