// AddWininitRename on the real C:\windows\wininit.ini of a Windows 98 prefix: exact bytes for
// each layout the file can have. Whatever the file held before a test is put back after it.
#include "tests/removal/RemovalHarness.h"

#include "engine/DeferredRemoval.h"

static const char kWininit[] = "C:\\windows\\wininit.ini";
static const char kEntry[] = "NUL=C:\\REMOVAL\\A.EXE\r\n";

class Wininit : public RemovalTest {
protected:
    void SetUp() override {
        RemovalTest::SetUp();
        m_hadFile = FileExists(kWininit);
        m_saved = ReadFileBytes(kWininit);
        DeleteFileA(kWininit);
    }
    void TearDown() override {
        EXPECT_FALSE(FileExists("C:\\windows\\wininit.new")) << "no working file is left behind";
        EXPECT_FALSE(FileExists("C:\\windows\\wininit.old")) << "no backup is left behind";
        DeleteFileA(kWininit);
        if (m_hadFile) WriteFileBytes(kWininit, m_saved);
    }
    // Adds the test entry to a file that holds before, and returns what it holds afterwards.
    std::string AddTo(const std::string& before) {
        WriteFileBytes(kWininit, before);
        EXPECT_TRUE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));
        return ReadFileBytes(kWininit);
    }
    bool m_hadFile;
    std::string m_saved;
};

TEST_F(Wininit, MissingFileIsCreatedWithTheSectionAndTheEntry) {
    EXPECT_TRUE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));
    EXPECT_EQ(ReadFileBytes(kWininit), std::string("[rename]\r\n") + kEntry);
}

TEST_F(Wininit, EntryGoesLastIntoTheSectionBeforeTheNextHeader) {
    EXPECT_EQ(AddTo("[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\n[later]\r\ny=2\r\n"),
              std::string("[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\n") + kEntry + "[later]\r\ny=2\r\n");
}

TEST_F(Wininit, UpperCaseHeaderIsTheSection) {
    EXPECT_EQ(AddTo("[RENAME]\r\n[later]\r\n"), std::string("[RENAME]\r\n") + kEntry + "[later]\r\n");
}

TEST_F(Wininit, EntryIsAppendedWhenTheSectionIsLast) {
    EXPECT_EQ(AddTo("[boot]\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\n"),
              std::string("[boot]\r\n[rename]\r\nNUL=C:\\OLD.EXE\r\n") + kEntry);
}

TEST_F(Wininit, SectionAndEntryAreAppendedWhenThereIsNoSection) {
    EXPECT_EQ(AddTo("[boot]\r\nx=1\r\n"), std::string("[boot]\r\nx=1\r\n[rename]\r\n") + kEntry);
}

TEST_F(Wininit, LineEndsAreKeptAndAnOpenLastLineIsClosed) {
    EXPECT_EQ(AddTo("[boot]\nx=1\ny=2"), std::string("[boot]\nx=1\ny=2\r\n[rename]\r\n") + kEntry);
}

TEST_F(Wininit, EntriesForTheSamePathAreNotMerged) {
    EXPECT_TRUE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));
    EXPECT_TRUE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));
    EXPECT_EQ(ReadFileBytes(kWininit), std::string("[rename]\r\n") + kEntry + kEntry);
}

TEST_F(Wininit, FailedEditLeavesTheFileAsItWas) {
    const std::string before = "[rename]\r\nNUL=C:\\OLD.EXE\r\n";
    WriteFileBytes(kWininit, before);
    ASSERT_TRUE(CreateDirectoryA("C:\\windows\\wininit.new", NULL));   // the new content cannot be written

    EXPECT_FALSE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));

    RemoveDirectoryA("C:\\windows\\wininit.new");
    EXPECT_EQ(ReadFileBytes(kWininit), before);
}

TEST_F(Wininit, FileAnotherProgramReadsIsReplacedAfterItIsMovedAside) {
    const std::string before = "[rename]\r\nNUL=C:\\OLD.EXE\r\n";
    WriteFileBytes(kWininit, before);
    HANDLE reader = CreateFileA(kWininit, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);

    EXPECT_TRUE(AddWininitRename("NUL", "C:\\REMOVAL\\A.EXE"));

    CloseHandle(reader);
    EXPECT_EQ(ReadFileBytes(kWininit), before + kEntry);
}
