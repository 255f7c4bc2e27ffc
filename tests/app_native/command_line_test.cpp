// The command-line parser, one row a command line as the system hands it over.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/CommandLine.h"

struct Row {
    const char* line;
    int ok;
    const char* flags;   // q quiet, s scanonly, f forcerestart, h help, k quick
    const char* log;
    std::vector<std::string> paths;
    const char* bad;
};

static const Row kRows[] = {
    {"Sweepwright.exe", 1, "", "", {}, ""},
    {"\"C:\\Program Files\\Sw\\Sweepwright.exe\"   ", 1, "", "", {}, ""},
    {"sw.exe /quiet", 1, "q", "", {}, ""},
    {"sw.exe -QUIET /ScanOnly -forceRESTART", 1, "qsf", "", {}, ""},
    {"sw.exe /?", 1, "h", "", {}, ""},
    {"sw.exe /log \"C:\\logs\\sweep log.txt\" /quiet", 1, "q", "C:\\logs\\sweep log.txt", {}, ""},
    {"sw.exe /log \\\\server\\share\\sw.log", 1, "", "\\\\server\\share\\sw.log", {}, ""},
    {"sw.exe /path D:\\ /path \"E:\\My Data\\\"", 1, "", "", {"D:\\", "E:\\My Data"}, ""},
    {"sw.exe -PATH \\\\srv\\share\\", 1, "", "", {"\\\\srv\\share"}, ""},
    {"sw.exe\t/path\tC:\\Temp", 1, "", "", {"C:\\Temp"}, ""},
    {"sw.exe /QUICK /scanonly", 1, "ks", "", {}, ""},
    // Refusals: the first word refused is named; /quiet counts wherever it stands.
    {"sw.exe /bogus", 0, "", "", {}, "/bogus"},
    {"sw.exe /first /second", 0, "", "", {}, "/first"},
    {"sw.exe /bad /quiet", 0, "q", "", {}, "/bad"},
    {"sw.exe /log", 0, "", "", {}, "/log"},
    {"sw.exe /path \"\"", 0, "", "", {}, "/path"},
    {"sw.exe \"\"", 0, "", "", {}, "\"\""},
    {"sw.exe /quiet /", 0, "q", "", {}, "/"},
    // A switch in a value's place: the value is missing, and the switch counts as itself.
    {"sw.exe /quiet /log /scanonly /path D:\\other", 0, "qs", "", {"D:\\other"}, "/log"},
    {"sw.exe /scanonly /log C:\\x5.log /path /quiet", 0, "qs", "C:\\x5.log", {}, "/path"},
    {"sw.exe /log -x.log /path /qn", 0, "q", "-x.log", {}, "/path"},
    {"sw.exe /path /log\\ /quiet", 0, "q", "", {}, "/path"},
    // Attempts at /quiet are refused, but quiet: nobody may be there to answer a box.
    {"sw.exe /scanonly /quietly", 0, "qs", "", {}, "/quietly"},
    {"sw.exe /quiet/scanonly", 0, "q", "", {}, "/quiet/scanonly"},
    {"sw.exe --quiet", 0, "q", "", {}, "--quiet"},
    {"sw.exe quiet", 0, "q", "", {}, "quiet"},
    {"sw.exe /QUITE?", 0, "q", "", {}, "/QUITE?"},
    {"sw.exe -Silent", 0, "q", "", {}, "-Silent"},
    // Each folder once: the same one again, one inside another (case, '/', drive-root forms).
    {"sw.exe /path D:\\Other\\x /path d:\\ /path D: /path D:/other", 1, "", "", {"d:\\"}, ""},
    {"sw.exe /path E:\\a\\b /path E:\\A\\\\ /path E:\\ab", 1, "", "", {"E:\\A", "E:\\ab"}, ""},
    {"sw.exe /path \\\\srv\\share /path \\\\SRV\\share\\", 1, "", "", {"\\\\srv\\share"}, ""},
    {"sw.exe /path D:\\ -Quick", 0, "k", "", {"D:\\"}, "/quick"},
};

static bool Has(const char* flags, char flag) { return std::string(flags).find(flag) != std::string::npos; }

TEST(CommandLine, EachRowParsesAsWritten) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.line);
        CommandLine parsed;
        memset(&parsed, 0xBD, sizeof parsed);   // nothing may be left from before
        EXPECT_EQ(row.ok, ParseCommandLine(row.line, &parsed));
        EXPECT_EQ(Has(row.flags, 'q'), parsed.quiet != 0);
        EXPECT_EQ(Has(row.flags, 's'), parsed.scanOnly != 0);
        EXPECT_EQ(Has(row.flags, 'f'), parsed.forceRestart != 0);
        EXPECT_EQ(Has(row.flags, 'h'), parsed.help != 0);
        EXPECT_EQ(Has(row.flags, 'k'), parsed.quick != 0);
        EXPECT_STREQ(row.log, parsed.logPath);
        EXPECT_EQ(row.paths.size(), (size_t)parsed.pathCount);   // and the rows after it are still checked
        for (size_t i = 0; i < row.paths.size() && (int)i < parsed.pathCount; ++i) EXPECT_EQ(row.paths[i], parsed.paths[i]);
        EXPECT_STREQ(row.bad, parsed.badSwitch);
    }
}

TEST(CommandLine, ArgumentsAreKeptForTheLog) {
    CommandLine parsed;
    ParseCommandLine("\"C:\\Sw\\sw.exe\"  /quiet /log x.log", &parsed);
    EXPECT_STREQ("/quiet /log x.log", parsed.arguments);
}

// Every buffer ends in time: a value too long for its buffer and a path beyond the last slot
// are refused, never cut.
TEST(CommandLine, TooLongAndTooManyAreRefused) {
    CommandLine parsed;
    std::string longPath = "sw.exe /path C:\\" + std::string(kCommandPathSize, 'a');
    EXPECT_EQ(0, ParseCommandLine(longPath.c_str(), &parsed));
    EXPECT_STREQ("/path", parsed.badSwitch);
    EXPECT_EQ(0, parsed.pathCount);

    std::string many = "sw.exe";
    for (int i = 0; i <= kMaxScanPaths; ++i) many += " /path C:\\f" + std::to_string(i);
    EXPECT_EQ(0, ParseCommandLine(many.c_str(), &parsed));
    EXPECT_STREQ("/path", parsed.badSwitch);
    EXPECT_EQ(kMaxScanPaths, parsed.pathCount);

    std::string same = "sw.exe";
    for (int i = 0; i <= kMaxScanPaths; ++i) same += " /path C:\\f";
    EXPECT_EQ(1, ParseCommandLine(same.c_str(), &parsed));
    EXPECT_EQ(1, parsed.pathCount);

    std::string longWord = "sw.exe /" + std::string(3 * kCommandPathSize, 'x');
    EXPECT_EQ(0, ParseCommandLine(longWord.c_str(), &parsed));
    EXPECT_EQ(kSwitchNameSize - 1, (int)strlen(parsed.badSwitch));
}
