// ApplyAction and ApplyReducedAction on real files and real processes. Suite Disinfect runs
// under Windows XP (kill route: module paths), Disinfect9x under Windows 98 (toolhelp and
// wininit.ini).
#include "tests/removal/RemovalHarness.h"

#include "app/ReportChannel.h"
#include "app/ScanState.h"
#include "engine/DeferredRemoval.h"
#include "engine/FileMatcher.h"
#include "engine/FolderSecurity.h"

#include <sddl.h>

using Disinfect = RemovalTest;
using Lines = std::vector<std::string>;

static std::string NtPendingEntry(const std::string& path) { return "\\??\\" + path + std::string("\0\0", 2); }

TEST_F(Disinfect, ReadOnlyHiddenSystemFileIsDeletedAndReportedRemoved) {
    std::string path = MakeFile("guarded.exe");
    ASSERT_TRUE(
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(GetFileAttributesA(path.c_str()) & 7u, 7u);

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "removed")}));
    EXPECT_EQ(g_filesRemoved, 1);
    EXPECT_EQ(UninstallCleanups(), 1);
    EXPECT_EQ(g_restartNeeded, 0);
}

TEST_F(Disinfect, AttributesThatCannotBeResetGiveUnableToRemoveWithoutDeferral) {
    std::string path = m_folder + "\\vanished.exe";
    strcpy(g_statusText, "C:\\removal\\...\\vanished.exe");   // the walk's shortened status text
    strcpy(g_detectedName, "W32/Drellmoxin.Qnd.Worm");
    std::string pendingBefore = PendingRenames();

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(ReportLines(), Lines({FileLine(g_statusText, g_detectedName, "Unable to remove")}));
    EXPECT_EQ(g_restartNeeded, 0);
    EXPECT_EQ(PendingRenames(), pendingBefore);
    EXPECT_EQ(g_filesRemoved, 0);
    EXPECT_EQ(UninstallCleanups(), 0);
}

// The holding folders of this run's on C:, as listed.
static Lines HoldingFolders() {
    Lines folders;
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA("C:\\Sweepwright.restart-*", &found));
    for (bool more = search.IsValid(); more; more = FindNextFileA(search, &found) != 0)
        folders.push_back(std::string("C:\\") + found.cFileName);
    return folders;
}

// Held with read sharing, as a program that runs it or reads it holds it: Wine lets the file
// move through a handle without delete access, which Windows does not.
TEST_F(Disinfect, HeldFileWaitsForTheRestartInAHoldingFolderOfItsOwnAndIsNotFoundAgain) {
    std::string path = MakeFile("held.exe");
    CFileHandle holder(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(holder.IsValid());
    Lines before = HoldingFolders();

    ApplyAction(path.c_str(), kPyzName);

    Lines folders = HoldingFolders();
    ASSERT_EQ(folders.size(), before.size() + 1);
    std::string folder = folders.back(), moved = folder + "\\held.exe";
    EXPECT_TRUE(FileExists(moved));
    EXPECT_EQ(
        ReportLines(),
        Lines({FileLine(path, kPyzName, "Unable to remove now: waits in " + moved + ", removed at the restart")}));
    EXPECT_EQ(g_restartNeeded, 1);
    EXPECT_NE(PendingRenames().find(NtPendingEntry(moved) + NtPendingEntry(folder)), std::string::npos)
        << "the folder goes after its file";
    EXPECT_EQ(g_filesRemoved, 0);
    ExpectGoneAfterRestart(moved);
    ExpectGoneAfterRestart(folder);

    // A second run before the restart: the file is known to be waiting.
    ResetScanState(ACTION_REMOVE);
    ApplyAction(moved.c_str(), kPyzName);
    EXPECT_EQ(ReportLines(),
              Lines({FileLine(moved, kPyzName, "Unable to remove now: already to be removed at the restart")}));
    EXPECT_EQ(g_restartNeeded, 1);
    EXPECT_EQ(HoldingFolders(), folders);
}

// A file that cannot move (its name would not fit in a holding folder) is scheduled by its own
// path only when nobody but administrators can change a folder on it; Wine's folders belong to
// the user who runs it.
TEST_F(Disinfect, HeldFileWhoseFolderOthersCanChangeIsLeftInPlace) {
    std::string path = "C:\\r\\" + std::string(240, 'n');
    CreateDirectoryA("C:\\r", NULL);
    WriteFileBytes(path, "infected");
    CFileHandle holder(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(holder.IsValid());
    std::string pendingBefore = PendingRenames();
    Lines before = HoldingFolders();

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(
        ReportLines(),
        Lines({FileLine(path, kPyzName, "Unable to remove, left in place: its folder can be changed by other users")}));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(g_restartNeeded, 0);
    EXPECT_EQ(PendingRenames(), pendingBefore);
    EXPECT_EQ(HoldingFolders(), before) << "the folder that held nothing is gone";
}

// Self-relative descriptors as GetFileSecurityA gives them, built from their text form.
TEST(FolderSecurity, OnlyAdministratorsSystemAndTrustedInstallerMayChange) {
    const std::string ti = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    struct Row {
        std::string sddl;
        bool holdsTheFile, only;
    };
    const Row rows[] = {
        {"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)", true, true},
        {"O:" + ti + "D:(A;;FA;;;" + ti + ")(A;;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)(A;OICIIO;0x1301bf;;;AU)", true, true},
        {"O:SYD:(A;;FA;;;SY)(D;;FA;;;WD)", true, true},          // a deny entry grants nothing
        {"O:BUD:(A;;FA;;;BA)", true, false},                     // the owner may write a new DACL
        {"O:BAD:(A;;FA;;;BA)(A;;0x1301bf;;;AU)", true, false},   // modify: delete, add entries
        {"O:BAD:(A;;0x4;;;AU)", true, false},                    // adds a folder of the file's name
        {"O:BAD:(A;;0x4;;;AU)", false, true},                    // ... above the file's own folder
        {"O:BAD:(A;;0x40;;;BU)", false, false},                  // deletes an entry in it
        {"O:BAD:(A;;0x10000;;;WD)", false, false},               // deletes it
        {"O:BAD:(A;;0x40000;;;WD)", false, false},               // writes its DACL
        {"O:BAD:(A;;0x80000;;;WD)", false, false},               // takes it over
        {"O:BAD:(A;;GW;;;WD)", false, false},
        {"O:BAD:(A;;GA;;;S-1-5-21-1-2-3-1000)", false, false},
        {"O:BA", false, false},   // no DACL
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sddl);
        PSECURITY_DESCRIPTOR descriptor = NULL;
        ULONG size = 0;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(row.sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                         &size));
        EXPECT_EQ(OnlyAdministratorsMayChange(descriptor, size, row.holdsTheFile), row.only);
        EXPECT_FALSE(OnlyAdministratorsMayChange(descriptor, size - 1, row.holdsTheFile)) << "cut short";
        // The same owner with a null DACL (present, but none) lets everyone do everything.
        ((SECURITY_DESCRIPTOR_RELATIVE*)descriptor)->Control |= SE_DACL_PRESENT;
        ((SECURITY_DESCRIPTOR_RELATIVE*)descriptor)->Dacl = 0;
        EXPECT_FALSE(OnlyAdministratorsMayChange(descriptor, size, row.holdsTheFile)) << "null DACL";
        LocalFree(descriptor);
    }
}

TEST_F(Disinfect, RunningLookalikeIsEndedAndItsFileRemovedOnce) {
    std::string path = m_folder + "\\pyz.exe";
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(path, &running));

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_TRUE(running->Ended());
    EXPECT_EQ(running->ExitCode(), 0u) << "TerminateProcess with exit code 0";
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "removed")}));
    EXPECT_EQ(g_filesRemoved, 1);
    EXPECT_EQ(UninstallCleanups(), 1);
    EXPECT_EQ(g_restartNeeded, 0);
}

// The folder on an examined file's path is swapped for a link to a folder with a file of the
// same name (a system file, say) before the removal: the removal goes to the file examined,
// through its handle, never to the one behind the link. run_removal.py staged the link,
// C:\removal-swap\staged\victim to ..\target; Wine, unlike Windows, lets a folder that holds
// an open file be renamed, which makes the swap possible here.
TEST_F(Disinfect, FolderSwappedForALinkAfterTheCheckLeavesTheLinkTargetAlone) {
    const std::string swap = "C:\\removal-swap", current = swap + "\\current";
    ASSERT_TRUE(CreateDirectoryA((swap + "\\target").c_str(), NULL));
    WriteFileBytes(swap + "\\target\\x.exe", "system file");
    ASSERT_TRUE(CreateDirectoryA(current.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((current + "\\victim").c_str(), NULL));
    std::string path = current + "\\victim\\x.exe";
    WriteFileBytes(path, "infected");
    CLowFile examined(OpenExaminedFile(path.c_str()));
    ASSERT_TRUE(examined.IsValid());

    ASSERT_TRUE(MoveFileA(current.c_str(), (swap + "\\examined").c_str()));
    ASSERT_TRUE(MoveFileA((swap + "\\staged").c_str(), current.c_str()));
    ASSERT_EQ(ReadFileBytes(path), "system file") << "the path now leads through the link";
    ApplyExaminedAction(examined, path.c_str(), kPyzName);

    EXPECT_EQ(ReadFileBytes(swap + "\\target\\x.exe"), "system file");
}

TEST_F(Disinfect, Action102RemovesLike100) {
    std::string path = MakeFile("other.exe");
    g_action = ACTION_REMOVE_TOO;
    ApplyAction(path.c_str(), kPyzName);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "removed")}));
    EXPECT_EQ(g_filesRemoved, 1);
}

TEST_F(Disinfect, RenameTurnsExeIntoVxeInTheSameFolder) {
    std::string path = MakeFile("a.exe", 100);
    g_action = ACTION_RENAME;

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReadFileBytes(m_folder + "\\a.Vxe"), std::string(100, '\xBD'));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "renamed")}));
    EXPECT_EQ(g_filesRenamed, 1);
    EXPECT_EQ(g_filesRemoved, 0);
    EXPECT_EQ(UninstallCleanups(), 0);
}

TEST_F(Disinfect, RenameOntoAnExistingNameFailsAndTouchesNothing) {
    std::string path = MakeFile("b.exe", 10);
    std::string taken = MakeFile("b.Vxe", 20);
    g_action = ACTION_RENAME;

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "Rename failed")}));
    EXPECT_EQ(ReadFileBytes(path).size(), 10u);
    EXPECT_EQ(ReadFileBytes(taken).size(), 20u);
    EXPECT_EQ(g_filesRenamed, 0);
}

TEST_F(Disinfect, NameEndingInDotGetsVAppended) {
    MakeFile("trail");
    std::string path = m_folder + "\\trail.";   // Windows drops the trailing dot: this names "trail"
    g_action = ACTION_RENAME;

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "renamed")}));
    EXPECT_TRUE(FileExists(m_folder + "\\trail.V"));
    EXPECT_EQ(g_filesRenamed, 1);
}

TEST_F(Disinfect, NameWithoutDotIsNotRenamedEvenWhenItsFolderHasOne) {
    std::string folder = m_folder + "\\sub.dir";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    // Were the folder's dot taken, the file would move into this folder.
    ASSERT_TRUE(CreateDirectoryA((m_folder + "\\sub.Vir").c_str(), NULL));
    std::string path = folder + "\\noext";
    WriteFileBytes(path, "x");
    g_action = ACTION_RENAME;

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "Rename failed")}));
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(FileExists(m_folder + "\\sub.Vir\\noext"));
    EXPECT_EQ(g_filesRenamed, 0);
}

TEST(RenamedPath, StaysInsideItsBufferAndEndsTheName) {
    struct Row {
        const char* path;
        const char* renamed;
    };
    static const Row rows[] = {
        {"C:\\d\\a.exe", "C:\\d\\a.Vxe"},
        {"C:\\d\\a.b.c", "C:\\d\\a.b.V"},
        {"C:\\d\\trail.", "C:\\d\\trail.V"},
        {"x.", "x.V"},
        {".exe", ".Vxe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        size_t needed = strlen(row.renamed) + 1;
        char buffer[64];
        memset(buffer, 0xBD, sizeof buffer);
        EXPECT_FALSE(MakeRenamedPath(row.path, buffer, needed - 1));
        EXPECT_EQ((unsigned char)buffer[needed - 1], 0xBD) << "nothing written past a buffer too small";
        ASSERT_TRUE(MakeRenamedPath(row.path, buffer, needed));
        EXPECT_STREQ(buffer, row.renamed);
        EXPECT_EQ((unsigned char)buffer[needed], 0xBD);
    }
    char buffer[64];
    EXPECT_FALSE(MakeRenamedPath("C:\\d.d\\noext", buffer, sizeof buffer));
    EXPECT_FALSE(MakeRenamedPath("noext", buffer, sizeof buffer));
}

TEST_F(Disinfect, ReportOnlyLeavesTheFileAndWritesOneLine) {
    std::string path = MakeFile("kept.exe", 33);
    strcpy(g_statusText, path.c_str());
    strcpy(g_detectedName, kPyzName);
    g_action = ACTION_REPORT_ONLY;

    ApplyAction(path.c_str(), "ignored name");

    EXPECT_EQ(ReadFileBytes(path), std::string(33, '\xBD'));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "not disinfected as per user's selection")}));
    EXPECT_EQ(g_filesRemoved + g_filesRenamed + g_restartNeeded, 0);
}

TEST_F(Disinfect, OtherActionCodesDoNothing) {
    std::string path = MakeFile("untouched.exe");
    for (int code : {0, 99, 104, -100}) {
        SCOPED_TRACE(code);
        g_action = code;
        ApplyAction(path.c_str(), kPyzName);
        ApplyReducedAction(path.c_str(), kPyzName);
        EXPECT_TRUE(FileExists(path));
        EXPECT_TRUE(ReportLines().empty());
    }
}

TEST_F(Disinfect, ReducedRemoveDeletesWithOneCall) {
    std::string path = MakeFile("hosts");
    ApplyReducedAction(path.c_str(), "W32/Nyxem.Worm");
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, "W32/Nyxem.Worm", "removed")}));
    EXPECT_EQ(g_filesRemoved, 1);
    EXPECT_EQ(UninstallCleanups(), 1);
}

TEST_F(Disinfect, ReducedRemoveResetsNoAttributesEndsNoProcessAndDefersNothing) {
    std::string readOnly = MakeFile("readonly");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    std::string path = m_folder + "\\running.exe";
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(path, &running));
    std::string pendingBefore = PendingRenames();

    ApplyReducedAction(readOnly.c_str(), "W32/Nyxem.Worm");
    ApplyReducedAction(path.c_str(), "W32/Nyxem.Worm");

    EXPECT_EQ(ReportLines(), Lines({FileLine(readOnly, "W32/Nyxem.Worm", "Remove failed"),
                                    FileLine(path, "W32/Nyxem.Worm", "Remove failed")}));
    EXPECT_TRUE(FileExists(readOnly));
    EXPECT_TRUE(FileExists(path));
    EXPECT_FALSE(running->Ended(0));
    EXPECT_EQ(PendingRenames(), pendingBefore);
    EXPECT_EQ(g_restartNeeded, 0);
    EXPECT_EQ(UninstallCleanups(), 0);
}

TEST_F(Disinfect, ReducedRenameAndReportOnlyUseTheirOwnTexts) {
    std::string path = MakeFile("hosts.txt");
    g_action = ACTION_RENAME;
    ApplyReducedAction(path.c_str(), "W32/Nyxem.Worm");
    ApplyReducedAction(path.c_str(), "W32/Nyxem.Worm");   // gone now: the second one fails
    strcpy(g_statusText, "status");
    strcpy(g_detectedName, "detected");
    g_action = ACTION_REPORT_ONLY;
    ApplyReducedAction(path.c_str(), "W32/Nyxem.Worm");

    EXPECT_TRUE(FileExists(m_folder + "\\hosts.Vxt"));
    EXPECT_EQ(ReportLines(),
              Lines({FileLine(path, "W32/Nyxem.Worm", "renamed"), FileLine(path, "W32/Nyxem.Worm", "Rename failed"),
                     FileLine("status", "detected", "Not Disinfected As Per User's Selection")}));
    EXPECT_EQ(g_filesRenamed, 1);
}

// ---- Windows 98 -------------------------------------------------------------------------

using Disinfect9x = RemovalTest;

static const char kWininit[] = "C:\\windows\\wininit.ini";

static std::string ShortForm(const std::string& path) {
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, sizeof shortPath);
    return shortPath;
}

TEST_F(Disinfect9x, RunningLookalikeIsEndedThroughToolhelp) {
    std::string path = m_folder + "\\pyz9x.exe";
    std::unique_ptr<ChildProcess> running;
    ASSERT_TRUE(StartLookalikeAt(path, &running));
    MessageBoxWatcher boxes(path);

    ApplyAction(path.c_str(), kPyzName);

    EXPECT_TRUE(running->Ended());
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReportLines(), Lines({FileLine(path, kPyzName, "removed")}));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(g_filesRemoved, 1);
}

TEST_F(Disinfect9x, HeldFileIsDeferredAndALaterFailedRequestKeepsTheRestart) {
    std::string first = MakeFile("first held.exe");
    std::string second = MakeFile("second held.exe");
    ChildProcess holdFirst(HelperProgram("HoldOpen.exe"), "\"" + first + "\"");
    ChildProcess holdSecond(HelperProgram("HoldOpen.exe"), "\"" + second + "\"");
    ASSERT_TRUE(WaitUntilHeld(first));
    ASSERT_TRUE(WaitUntilHeld(second));
    MessageBoxWatcher firstBox(first), secondBox(second);

    ApplyAction(first.c_str(), kPyzName);
    std::string afterFirst = ReadFileBytes(kWininit);
    EXPECT_EQ(g_restartNeeded, 1);
    EXPECT_NE(afterFirst.find("NUL=" + ShortForm(first) + "\r\n"), std::string::npos) << afterFirst;

    // A folder in the way of the new wininit.ini makes the second request fail.
    ASSERT_TRUE(CreateDirectoryA("C:\\windows\\wininit.new", NULL));
    ApplyAction(second.c_str(), kPyzName);
    RemoveDirectoryA("C:\\windows\\wininit.new");

    EXPECT_EQ(g_restartNeeded, 1) << "the first request still stands";
    EXPECT_EQ(ReadFileBytes(kWininit), afterFirst) << "a failed edit leaves the file as it was";
    // toolhelp finds no process named like the files: the plain message box, then the deferral
    EXPECT_EQ(firstBox.Texts(), Lines({"Could not kill process"}));
    EXPECT_EQ(secondBox.Texts(), Lines({"Could not kill process"}));
    EXPECT_EQ(ReportLines(), Lines({FileLine(first, kPyzName, "Unable to remove now: removed at the restart"),
                                    FileLine(second, kPyzName, "Unable to remove")}));
    ExpectGoneAfterRestart(first);

    // A second run before the restart: the file is known to be waiting.
    ResetScanState(ACTION_REMOVE);
    ApplyAction(first.c_str(), kPyzName);
    EXPECT_EQ(ReportLines(),
              Lines({FileLine(first, kPyzName, "Unable to remove now: already to be removed at the restart")}));
    EXPECT_EQ(g_restartNeeded, 1);
    EXPECT_EQ(ReadFileBytes(kWininit), afterFirst);
}

TEST_F(Disinfect9x, LongNameIsWrittenInItsShortForm) {
    std::string path = MakeFile("a rather long name.exe");
    std::string shortPath = ShortForm(path);
    ASSERT_NE(shortPath, path);
    ASSERT_FALSE(shortPath.empty());

    EXPECT_EQ(ScheduleRemovalAtRestart(path.c_str()), 1);
    EXPECT_NE(ReadFileBytes(kWininit).find("\nNUL=" + shortPath + "\r\n"), std::string::npos);
    EXPECT_EQ(PendingRenames().find(path), std::string::npos) << "no NT request on the 9x line";
    ExpectGoneAfterRestart(path);
}

TEST_F(Disinfect9x, PathWithoutShortFormIsNotScheduled) {
    std::string before = ReadFileBytes(kWininit);
    EXPECT_EQ(ScheduleRemovalAtRestart((m_folder + "\\no such file.exe").c_str()), 0);
    EXPECT_EQ(ReadFileBytes(kWininit), before);
}

// ---- NT pending renames (Windows XP) ----------------------------------------------------

using PendingRename = RemovalTest;

TEST_F(PendingRename, RequestIsStoredForTheSystemAndAnswers1) {
    std::string path = MakeFile("pending.exe");
    EXPECT_EQ(ScheduleRemovalAtRestart(path.c_str()), 1);
    EXPECT_NE(PendingRenames().find(NtPendingEntry(path)), std::string::npos);
    EXPECT_FALSE(FileExists(kWininit));
    ExpectGoneAfterRestart(path);
}

TEST_F(PendingRename, RefusedRequestAnswers0) {
    std::string before = PendingRenames();
    std::string tooLong = "C:\\" + std::string(300, 'a') + ".exe";
    EXPECT_EQ(ScheduleRemovalAtRestart(""), 0);
    EXPECT_EQ(ScheduleRemovalAtRestart(tooLong.c_str()), 0);
    EXPECT_EQ(PendingRenames(), before);
}
