// The decision whether one Run value starts the infected file.
#include <gtest/gtest.h>

#include "cleaner/AutorunRule.h"

namespace {

struct RuleCase {
    const char* data;
    const char* expanded;
    const char* path;
    AutorunMatch expected;
    AutorunView view = AUTORUN_64BIT_VIEW;
};

// The folders of a 64-bit Windows; the rows' paths are written as its users would.
const SystemFolders kFolders = {"C:\\WINDOWS\\system32", "C:\\WINDOWS\\System", "C:\\WINDOWS\\SysWOW64"};

// One row a case; the expanded column is what ExpandEnvironmentStringsA made of the data.
const RuleCase kCases[] = {
    // Bare commands: the file name alone, trusted only for files in a system folder.
    {"abc.exe -q", "abc.exe -q", "c:\\windows\\system32\\abc.exe", AUTORUN_BARE_COMMAND},
    {"ABC.EXE", "ABC.EXE", "C:\\WINDOWS\\SYSTEM\\abc.exe", AUTORUN_BARE_COMMAND},
    {"abc.exe", "abc.exe", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"\\windows\\system32\\abc.exe", "\\windows\\system32\\abc.exe", "c:\\windows\\system32\\abc.exe",
     AUTORUN_BARE_COMMAND},
    {"rundll32 abc.exe,1", "rundll32 abc.exe,1", "c:\\windows\\system32\\abc.exe", AUTORUN_BARE_COMMAND},
    {"c:/windows/system32/abc.exe/q", "c:/windows/system32/abc.exe/q", "c:\\windows\\system32\\abc.exe",
     AUTORUN_BARE_COMMAND},
    {"\"abc.exe\" /x", "\"abc.exe\" /x", "c:\\windows\\system\\abc.exe", AUTORUN_BARE_COMMAND},
    // Another program whose name ends like the infected one stays.
    {"notepad.exe", "notepad.exe", "c:\\windows\\system32\\pad.exe", AUTORUN_NO_MATCH},
    {"abc.exe2 -q", "abc.exe2 -q", "c:\\windows\\system32\\abc.exe", AUTORUN_NO_MATCH},
    // A marker must be a whole folder name.
    {"abc.exe", "abc.exe", "c:\\windows\\system32x\\abc.exe", AUTORUN_NO_MATCH},
    {"abc.exe", "abc.exe", "c:\\mysystem\\abc.exe", AUTORUN_NO_MATCH},
    // Only the system's own folders count, not every folder called System.
    {"abc.exe", "abc.exe", "c:\\windows\\system\\sub\\abc.exe", AUTORUN_NO_MATCH},
    // Each view starts a bare name from its own system folder.
    {"abc.exe", "abc.exe", "c:\\windows\\syswow64\\abc.exe", AUTORUN_BARE_COMMAND, AUTORUN_32BIT_VIEW},
    {"rthd.exe", "rthd.exe", "C:\\windows\\syswow64\\rthd.exe", AUTORUN_NO_MATCH},
    {"abc.exe", "abc.exe", "c:\\windows\\system32\\abc.exe", AUTORUN_NO_MATCH, AUTORUN_32BIT_VIEW},
    {"abc.exe", "abc.exe", "c:\\windows\\system32\\abc.exe", AUTORUN_BARE_COMMAND, AUTORUN_PLAIN_VIEW},
    // Full paths, quoted or not, with or without arguments.
    {"\"C:\\TEMP\\ABC.EXE\" /s", "\"C:\\TEMP\\ABC.EXE\" /s", "c:\\temp\\abc.exe", AUTORUN_FULL_PATH},
    {"c:\\temp\\abc.exe", "c:\\temp\\abc.exe", "c:\\temp\\abc.exe", AUTORUN_FULL_PATH},
    {"c:\\temp\\abc.exe/s", "c:\\temp\\abc.exe/s", "c:\\temp\\abc.exe", AUTORUN_FULL_PATH},
    {"c:\\temp\\abc.exe\t/s", "c:\\temp\\abc.exe\t/s", "c:\\temp\\abc.exe", AUTORUN_FULL_PATH},
    {"c:\\temp\\abc.exe -run", "c:\\temp\\abc.exe -run", "C:\\Temp\\ABC.exe", AUTORUN_FULL_PATH},
    {"c:\\temp\\abc.exe.bak", "c:\\temp\\abc.exe.bak", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"c:\\temp\\abc.exe2", "c:\\temp\\abc.exe2", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"d:\\temp\\abc.exe", "d:\\temp\\abc.exe", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"x c:\\temp\\abc.exe", "x c:\\temp\\abc.exe", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"c:\\temp\\ab", "c:\\temp\\ab", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    {"c:\\tempXabc.exe", "c:\\tempXabc.exe", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    // A name ends only where a path cannot go on.
    {"D:\\Apps\\tool(2)\\tool.exe", "D:\\Apps\\tool(2)\\tool.exe", "d:\\apps\\tool", AUTORUN_NO_MATCH},
    {"d:\\apps\\tool[1]!'.exe", "d:\\apps\\tool[1]!'.exe", "d:\\apps\\tool", AUTORUN_NO_MATCH},
    {"d:\\apps\\tool\\tool.exe", "d:\\apps\\tool\\tool.exe", "d:\\apps\\tool", AUTORUN_NO_MATCH},
    {"\"d:\\apps\\tool\" -x", "\"d:\\apps\\tool\" -x", "d:\\apps\\tool", AUTORUN_FULL_PATH},
    // A 32-bit program names a file of SysWOW64 by System32, in its own registry view only.
    {"C:\\Windows\\system32\\x.exe /s", "C:\\Windows\\system32\\x.exe /s", "C:\\Windows\\SysWOW64\\x.exe",
     AUTORUN_FULL_PATH, AUTORUN_32BIT_VIEW},
    {"%SystemRoot%\\System32\\x.exe", "C:\\WINDOWS\\System32\\x.exe", "c:\\windows\\syswow64\\x.exe", AUTORUN_FULL_PATH,
     AUTORUN_32BIT_VIEW},
    {"C:\\Windows\\system32\\x.exe", "C:\\Windows\\system32\\x.exe", "C:\\Windows\\SysWOW64\\x.exe", AUTORUN_NO_MATCH},
    {"C:\\Windows\\system32\\x.exe", "C:\\Windows\\system32\\x.exe", "C:\\Windows\\SysWOW64\\x.exe", AUTORUN_NO_MATCH,
     AUTORUN_PLAIN_VIEW},
    {"C:\\Windows\\system32\\x.exe", "C:\\Windows\\system32\\x.exe", "C:\\temp\\x.exe", AUTORUN_NO_MATCH,
     AUTORUN_32BIT_VIEW},
    // Environment references match through their expansion only.
    {"%SystemRoot%\\abc.exe", "C:\\WINDOWS\\abc.exe", "c:\\windows\\abc.exe", AUTORUN_FULL_PATH},
    {"\"%SystemRoot%\\abc.exe\" -x", "\"C:\\WINDOWS\\abc.exe\" -x", "c:\\windows\\abc.exe", AUTORUN_FULL_PATH},
    {"%SystemRoot%\\abc.exe", "C:\\WINDOWS\\abc.exe", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
    // Paths that cannot name a file never match.
    {"abc.exe", "abc.exe", "abc.exe", AUTORUN_NO_MATCH},
    {"c:\\windows\\system32\\", "c:\\windows\\system32\\", "c:\\windows\\system32\\", AUTORUN_NO_MATCH},
    {"anything", "anything", "c:\\windows\\system32\\", AUTORUN_NO_MATCH},
    {"", "", "c:\\windows\\system32\\abc.exe", AUTORUN_NO_MATCH},
    {"\"", "\"", "c:\\temp\\abc.exe", AUTORUN_NO_MATCH},
};

TEST(AutorunRule, TableOfCommands) {
    for (size_t i = 0; i < sizeof kCases / sizeof kCases[0]; i++) {
        const RuleCase& c = kCases[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ": data [" << c.data << "] path [" << c.path << "]");
        EXPECT_EQ(c.expected, MatchAutorunCommand(c.data, c.expanded, c.path, kFolders, c.view));
    }
}

// The inputs are only read: the caller's registry data and the matcher's path stay as they were.
TEST(AutorunRule, LeavesItsInputsUnchanged) {
    char data[] = "\"C:\\TEMP\\ABC.EXE\" /S";
    char expanded[] = "\"C:\\TEMP\\ABC.EXE\" /S";
    char path[] = "C:\\TEMP\\ABC.EXE";
    EXPECT_EQ(AUTORUN_FULL_PATH, MatchAutorunCommand(data, expanded, path, kFolders, AUTORUN_64BIT_VIEW));
    EXPECT_STREQ("\"C:\\TEMP\\ABC.EXE\" /S", data);
    EXPECT_STREQ("C:\\TEMP\\ABC.EXE", path);
}

// Buffers exactly as long as their text: a read past the terminator shows up under ASan.
TEST(AutorunRule, ReadsNoFurtherThanTheTerminators) {
    std::string path(259, 'a');
    path[2] = '\\';
    std::unique_ptr<char[]> data(new char[path.size() + 1]);
    memcpy(data.get(), path.c_str(), path.size() + 1);
    EXPECT_EQ(AUTORUN_FULL_PATH,
              MatchAutorunCommand(data.get(), data.get(), path.c_str(), kFolders, AUTORUN_64BIT_VIEW));
    std::unique_ptr<char[]> shorter(new char[4]);
    memcpy(shorter.get(), "aa\\", 4);
    EXPECT_EQ(AUTORUN_NO_MATCH,
              MatchAutorunCommand(shorter.get(), shorter.get(), path.c_str(), kFolders, AUTORUN_64BIT_VIEW));
}

// The files that exist on the system of the command table below.
bool IsListedFile(const char* path) {
    static const char* const kFiles[] = {"C:\\WINDOWS\\system32\\abc.exe", "C:\\WINDOWS\\SysWOW64\\abc.exe",
                                         "D:\\My Tools\\run me.exe",       "D:\\My",
                                         "D:\\Tools\\run me.exe",          "\\\\srv\\x\\s.exe"};
    for (const char* file : kFiles)
        if (strcmp(file, path) == 0) return true;
    return false;
}

// Which file a command starts: the command as expanded, the registry view, the file or "".
const struct {
    const char* command;
    bool wow64View;
    const char* file;
} kStarts[] = {
    {"abc.exe /q", false, "C:\\WINDOWS\\system32\\abc.exe"},
    {"\"abc.exe\",1", true, "C:\\WINDOWS\\SysWOW64\\abc.exe"},
    // Unquoted blanks: the first name end that gives an existing file, as the system tries them.
    {"D:\\My Tools\\run me.exe -x", false, "D:\\My"},
    {"D:\\Tools\\run me.exe -x", false, "D:\\Tools\\run me.exe"},
    {"D:\\Tools\\run", false, ""},
    {"\"D:\\My Tools\\run me.exe\" -x", false, "D:\\My Tools\\run me.exe"},
    {"\\??\\\\\\srv\\x\\s.exe", false, "\\\\srv\\x\\s.exe"},
    // A relative path depends on where the program runs from: no file.
    {"system32\\abc.exe", false, ""},
    {"", false, ""},
};

TEST(AutorunRule, FileACommandStarts) {
    for (const auto& row : kStarts) {
        SCOPED_TRACE(row.command);
        char file[64];
        memset(file, 0xBD, sizeof file);
        EXPECT_EQ(row.file[0] != 0,
                  FindCommandFile(row.command, kFolders, row.wow64View, IsListedFile, file, sizeof file));
        EXPECT_STREQ(row.file, file);
    }
}

}   // namespace
