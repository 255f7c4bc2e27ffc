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

}   // namespace
