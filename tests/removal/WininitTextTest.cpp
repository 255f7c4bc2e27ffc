// The wininit.ini edit as a text function: where the line goes, which bytes stay, and that the
// output buffer is never overrun. Builds natively (sanitizers) and for Windows alike.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/WininitEdit.h"

namespace {

const char kEntry[] = "NUL=C:\\A.EXE\r\n";

// Edits a copy of exactly the text's bytes into a buffer of exactly the announced capacity,
// followed by sentinel bytes that must stay untouched.
::testing::AssertionResult Edit(const std::string& text, std::string* result) {
    std::vector<char> input(text.begin(), text.end());
    size_t capacity = RenameEntryCapacity(text.size(), "NUL", "C:\\A.EXE");
    std::vector<char> out(capacity + 8, '\xBD');
    size_t length = InsertRenameEntry(input.empty() ? nullptr : input.data(), input.size(), "NUL", "C:\\A.EXE",
                                      out.data(), capacity);
    for (size_t i = capacity; i < out.size(); ++i)
        if (out[i] != '\xBD') return ::testing::AssertionFailure() << "wrote past the buffer at " << i;
    if (!length) return ::testing::AssertionFailure() << "the announced capacity was not enough";
    result->assign(out.data(), length);
    return ::testing::AssertionSuccess();
}

std::string Edited(const std::string& text) {
    std::string result;
    EXPECT_TRUE(Edit(text, &result));
    return result;
}

}   // namespace

TEST(WininitText, EmptyTextBecomesTheSectionWithTheEntry) {
    EXPECT_EQ(Edited(""), std::string("[rename]\r\n") + kEntry);
}

TEST(WininitText, EntryIsTheSectionsLastLine) {
    struct Row {
        const char* before;
        std::string after;
    };
    const Row rows[] = {
        {"[rename]\r\nNUL=C:\\B.EXE\r\n[boot]\r\n",
         std::string("[rename]\r\nNUL=C:\\B.EXE\r\n") + kEntry + "[boot]\r\n"},
        {"[Rename]\r\n[boot]\r\n[other]\r\n", std::string("[Rename]\r\n") + kEntry + "[boot]\r\n[other]\r\n"},
        {"[rename]\r\n", std::string("[rename]\r\n") + kEntry},
        {"[rename]", std::string("[rename]\r\n") + kEntry},
        {"[boot]\r\n", std::string("[boot]\r\n[rename]\r\n") + kEntry},
        {"a=b", std::string("a=b\r\n[rename]\r\n") + kEntry},
        {"[renam]\r\n[x]\r\n", std::string("[renam]\r\n[x]\r\n[rename]\r\n") + kEntry},
        {"[rename]x\r\n[y]\r\n", std::string("[rename]x\r\n") + kEntry + "[y]\r\n"},   // first 8 characters decide
        {" [rename]\r\n[y]\r\n", std::string(" [rename]\r\n[y]\r\n[rename]\r\n") + kEntry},
        {"[rename]\r\n [y]\r\n", std::string("[rename]\r\n [y]\r\n") + kEntry},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        EXPECT_EQ(Edited(row.before), row.after);
    }
}

TEST(WininitText, OnlyTheFirstSectionTakesTheEntry) {
    EXPECT_EQ(Edited("[rename]\r\n[a]\r\n[rename]\r\n"), std::string("[rename]\r\n") + kEntry + "[a]\r\n[rename]\r\n");
}

TEST(WininitText, LineEndsAndOddBytesAreKeptAsTheyWere) {
    const std::string before("[boot]\nx=1\r\ny=\0\x1A\xff\n[rename]\n", 27);
    EXPECT_EQ(Edited(before), before + kEntry);
}

TEST(WininitText, LongLinesAreWholeLines) {
    // Read in 647-character pieces, the piece after the first would begin with "[".
    std::string longLine = "x=" + std::string(645, 'a') + "[not a header]\r\n";
    EXPECT_EQ(Edited("[rename]\r\n" + longLine), "[rename]\r\n" + longLine + kEntry);
}

TEST(WininitText, TooSmallBufferGivesZeroAndStaysInside) {
    const std::string text = "[rename]\r\n[boot]\r\n";
    size_t needed = Edited(text).size();
    std::vector<char> out(needed + 4, '\xBD');
    EXPECT_EQ(InsertRenameEntry(text.data(), text.size(), "NUL", "C:\\A.EXE", out.data(), needed - 1), 0u);
    EXPECT_EQ(out[needed - 1], '\xBD');
    EXPECT_EQ(InsertRenameEntry(text.data(), text.size(), "NUL", "C:\\A.EXE", out.data(), needed), needed);
}
