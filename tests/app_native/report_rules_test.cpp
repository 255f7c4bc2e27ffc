// The report list's rules, as the window applies them line after line.
#include <gtest/gtest.h>
#include <vector>
#include "app/ReportRules.h"

// A list that follows the rules: the lines it holds and what is selected.
struct RuleList {
    int lines = 0;
    int selected = -1;
    bool keep = false;
    void Add() {
        if (ReportMustEmpty(lines, keep)) lines = 0;
        ++lines;
        int index = ReportSelection(lines);
        selected = index < lines ? index : -1;   // an index past the end selects nothing
    }
};

TEST(ReportRules, FirstTwoLinesAreNotHighlightedThirdOnIs) {
    RuleList list;
    list.Add();
    EXPECT_EQ(-1, list.selected);
    list.Add();
    EXPECT_EQ(-1, list.selected);
    for (int n = 3; n <= 10; ++n) {
        list.Add();
        EXPECT_EQ(n - 1, list.selected) << "line " << n;
    }
}

TEST(ReportRules, The151stLineEmptiesTheListAndStandsAlone) {
    RuleList list;
    for (int n = 0; n < 150; ++n) list.Add();
    EXPECT_EQ(150, list.lines);
    list.Add();
    EXPECT_EQ(1, list.lines);
    EXPECT_EQ(-1, list.selected);
}

TEST(ReportRules, OnceStatisticsBeganTheListGrowsWithoutLimit) {
    RuleList list;
    for (int n = 0; n < 150; ++n) list.Add();
    list.keep = true;
    for (int n = 0; n < 200; ++n) list.Add();
    EXPECT_EQ(350, list.lines);
    EXPECT_EQ(349, list.selected);
}

TEST(ReportRules, ExtentRule) {
    struct Row {
        int current, widest, expected;
    };
    const std::vector<Row> rows = {
        {0, 560, -1},      // 1: exactly the threshold never creates a range
        {0, 561, 420},     // 2: three quarters, truncated (561 * 3 / 4 = 420.75)
        {0, 800, 600},     // 3
        {600, 700, 525},   // 4: current below the widest: set again from the widest
        {600, 600, -1},    // 5: current equal to the widest: unchanged
        {900, 800, -1},    // 6: current above the widest: unchanged
        {0, 100, -1},      // 7: narrow lines leave it alone
    };
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].expected, ReportExtent(rows[i].current, rows[i].widest)) << "row " << i + 1;
}

TEST(ReportRules, ExtentNeverShrinksWhileLinesOnlyGetAdded) {
    int extent = 0, widest = 0;
    const int widths[] = {300, 900, 580, 1200, 1000, 1300};
    for (int w : widths) {
        if (w > widest) widest = w;
        int next = ReportExtent(extent, widest);
        if (next >= 0) {
            EXPECT_GE(next, extent);
            extent = next;
        }
    }
    EXPECT_EQ(975, extent);
}
