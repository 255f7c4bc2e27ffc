// The walk's text helpers by table: the status line's shortened path and the bounded joins.
#include "engine/PathText.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

TEST(ShortenPath, KeepsShortPathsAndCutsTheMiddleOfLongOnes) {
    const std::string seventy = "C:\\abcdefghijklmnopqrstuvwxyz\\0123456789\\ABCDEFGHIJKLMNOPQRSTUVWXYZ\\x.";
    ASSERT_EQ(70u, seventy.size());
    const struct {
        std::string source;
        int n;
        std::string expected;
    } rows[] = {
        {seventy, 60, seventy.substr(0, 29) + ".." + seventy.substr(41)},   // 29 + 2 + 29
        {seventy.substr(0, 60), 60, seventy.substr(0, 60)},                 // exactly n: unchanged
        {seventy.substr(0, 61), 60, seventy.substr(0, 29) + ".." + seventy.substr(32, 29)},
        {seventy.substr(0, 59), 60, seventy.substr(0, 59)},
        {seventy, 61, seventy.substr(0, 29) + "..." + seventy.substr(41)},   // odd n: three dots
        {seventy, 2, ".."},
        {seventy, 3, "..."},
        {seventy, 1, "."},
        {seventy, 0, ""},
        {"", 60, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.source.size() << " characters, n " << row.n);
        char dest[128];
        memset(dest, 0xBD, sizeof dest);
        ShortenPath(row.source.c_str(), dest, row.n);
        EXPECT_EQ(row.expected, dest);
        EXPECT_LE(strlen(dest), (size_t)row.n);
        EXPECT_EQ(0xBD, (unsigned char)dest[row.n + 1]) << "written past n + 1 bytes";
    }
}

TEST(PathText, PatternFolderAndJoins) {
    EXPECT_EQ(3, PatternFolderLength("C:\\*.*"));
    EXPECT_EQ(7, PatternFolderLength("C:\\dir\\*.*"));
    EXPECT_EQ(7, PatternFolderLength("C:\\dir\\*.txt"));
    EXPECT_EQ(-1, PatternFolderLength("C:\\dir\\folder"));
    EXPECT_EQ(0, PatternFolderLength(".*"));

    char dest[16];
    memset(dest, 0xBD, sizeof dest);
    EXPECT_EQ(1, JoinPatternPath("C:\\*.*", 3, "name", "\\*.*", dest, 12));   // 11 characters fit 12 bytes
    EXPECT_STREQ("C:\\name\\*.*", dest);
    EXPECT_EQ(0xBD, (unsigned char)dest[12]);
    EXPECT_EQ(0, JoinPatternPath("C:\\*.*", 3, "name", "\\*.*", dest, 11));
    EXPECT_STREQ("", dest);

    EXPECT_EQ(1, MakeFolderPattern("C:\\dir\\*.*", dest, sizeof dest));
    EXPECT_STREQ("C:\\dir\\*.*", dest);
    EXPECT_EQ(1, MakeFolderPattern("C:\\dir\\x.exe", dest, sizeof dest));
    EXPECT_STREQ("C:\\dir\\x.*", dest);
    EXPECT_EQ(1, MakeFolderPattern("C:\\dir", dest, sizeof dest));
    EXPECT_STREQ("C:\\dir*", dest);
    EXPECT_EQ(0, MakeFolderPattern("C:\\directory\\x.", dest, 15));

    memset(dest, 0xBD, sizeof dest);
    EXPECT_EQ(0, CopyText(dest, 5, "abcdef"));
    EXPECT_STREQ("abcd", dest);
    EXPECT_EQ(0xBD, (unsigned char)dest[5]);
    EXPECT_EQ(1, AppendText(dest, 8, "xyz"));
    EXPECT_STREQ("abcdxyz", dest);
    EXPECT_EQ(0, AppendText(dest, 8, "!"));
}

// Volumes as the system lists them: the mount paths (a list of texts) and whether it is fixed.
TEST(PathText, AVolumeIsWalkedUnderItsFirstFolderWhenNoDriveLetterReachesIt) {
    const struct {
        std::string mountPaths;
        bool fixed;
        const char* walked;
    } rows[] = {
        {std::string("C:\\\0", 4), true, nullptr},
        {std::string("C:\\data\\\0", 9), true, "C:\\data\\"},
        {std::string("C:\\data\\\0", 9), false, nullptr},   // a CD or a removable disk
        {std::string("C:\\a\\\0E:\\data\\\0", 15), true, "C:\\a\\"},
        {std::string("C:\\a\\\0E:\\\0", 10), true, nullptr},   // the letter comes second
        {std::string("E:\\\0C:\\a\\\0", 10), true, nullptr},
        {std::string("C:\\ab\0", 6), true, "C:\\ab"},   // a folder on C:, not C:'s root
        {std::string(), true, nullptr},                 // mounted nowhere
    };
    for (const auto& row : rows) {
        std::string listed = row.mountPaths + std::string(1, 0);   // the list's own end
        SCOPED_TRACE(testing::Message() << listed.size() << " bytes starting " << listed.c_str());
        const char* walked = LetterlessMountPath(listed.c_str(), row.fixed);
        EXPECT_EQ(row.walked ? std::string(row.walked) : "(none)", walked ? std::string(walked) : "(none)");
        if (walked) {
            EXPECT_EQ(listed.c_str(), walked);
        }
    }
}

}   // namespace
