// The uuencoded matcher on real files: headers, white space, head and tail regions, bounds.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

#include "engine/LowIo.h"
#include "engine/UuencodedCheck.h"
#include "tests/cleaning/WormCarrier.h"

int g_filesInfected = 0;

namespace {

class UuencodedMatch : public testing::Test {
protected:
    void SetUp() override {
        RestoreEncodedPatterns();
        g_filesInfected = 0;
        char pattern[] = "/tmp/sw_uuXXXXXX";
        int fd = mkstemp(pattern);
        ASSERT_NE(-1, fd);
        close(fd);
        path_ = pattern;
        saved_ = g_encodedSignatureTable[0];
    }
    void TearDown() override {
        g_encodedSignatureTable[0] = saved_;
        unlink(path_.c_str());
    }
    // Writes the file and runs the matcher on it.
    int Match(const std::string& content) {
        FILE* f = fopen(path_.c_str(), "wb");
        fwrite(content.data(), 1, content.size(), f);
        fclose(f);
        int fd = _open(path_.c_str(), _O_RDONLY | _O_BINARY);
        EXPECT_NE(-1, fd);
        int result = MatchUuencodedFile(fd);
        _close(fd);
        return result;
    }
    std::string path_;
    EncodedSignatureRecord saved_;
};

TEST_F(UuencodedMatch, RestoredPatternIsTheStrippedUuencodingOfTheWormsStrings) {
    std::string expected = Stripped(WormText()).substr(0, 100);
    EXPECT_EQ(100, g_encodedSignatureTable[0].patternLength);
    EXPECT_EQ(expected, std::string((const char*)g_encodedSignatureTable[0].pattern, 100));
    EXPECT_STREQ("W32/Nyxem.Worm", g_encodedSignatureTable[0].name);
}

TEST_F(UuencodedMatch, RestoringTwiceKeepsThePattern) {
    std::string before((const char*)g_encodedSignatureTable[0].pattern, 100);
    RestoreEncodedPatterns();
    EXPECT_EQ(before, std::string((const char*)g_encodedSignatureTable[0].pattern, 100));
    EXPECT_EQ(1, Match(WormCarrier("")));
    EXPECT_EQ(1, Match(WormCarrier("")));
    EXPECT_EQ(2, g_filesInfected);
}

TEST_F(UuencodedMatch, HeaderMustBeBeginInAnyCase) {
    std::string body = " 644 x\n" + WormText();
    EXPECT_EQ(1, Match("begin" + body));
    EXPECT_EQ(1, Match("BEGIN" + body));
    EXPECT_EQ(1, Match("BeGiN" + body));
    EXPECT_EQ(0, Match(" begin" + body));
    EXPECT_EQ(0, Match("begi"));
    EXPECT_EQ(0, Match(""));
    EXPECT_EQ(3, g_filesInfected);
}

TEST_F(UuencodedMatch, WhiteSpaceInsideTheTextDoesNotHide) {
    std::string spread;
    for (char c : WormText()) {
        spread += c;
        spread += (c == 'M') ? "\r\n\t " : (c == '4' ? "\v\f" : "");
    }
    EXPECT_EQ(1, Match("begin 644 x\n" + spread));
    EXPECT_EQ(1, g_filesInfected);
}

TEST_F(UuencodedMatch, OtherUuencodedFilesAndNormalHostsAreClean) {
    EXPECT_EQ(0, Match("begin 644 notes.txt\n" + Uuencode(std::string(200, 'x')) + "`\nend\n"));
    EXPECT_EQ(0, Match("127.0.0.1 localhost\n::1 localhost\n"));
    std::string cut = WormText();
    cut[50] = (cut[50] == 'A') ? 'B' : 'A';   // one character of the pattern differs
    EXPECT_EQ(0, Match("begin 644 x\n" + cut));
    EXPECT_EQ(0, g_filesInfected);
}

TEST_F(UuencodedMatch, ShortFileIsSearchedOverItsLength) {
    std::string content = WormCarrier(std::string(2700, 'A'));
    ASSERT_LT(content.size(), 4096u);
    EXPECT_EQ(1, Match(content));
}

// Only the head is searched; the tail is read and stripped but the record's region is 0.
TEST_F(UuencodedMatch, LongFileIsSearchedInItsFirst4096BytesOnly) {
    std::string filler(100000, 'Q');
    EXPECT_EQ(0, Match("begin 644 x\n" + filler + WormText()));
    EXPECT_EQ(1, Match("begin 644 x\n" + WormText() + filler));
    std::string acrossEdge = "begin 644 x\n" + std::string(4096 - 12 - 50, 'Q') + WormText() + filler;
    EXPECT_EQ(0, Match(acrossEdge));   // the pattern's end lies beyond byte 4096
    // "begin 644 x\n" strips to nine bytes: the pattern's first 50 bytes end the head text.
    EXPECT_EQ(Stripped(WormText()).substr(0, 50), std::string((const char*)g_headText + 9 + 4034, 50));
}

TEST_F(UuencodedMatch, TailRegionFindsAPatternAtTheEnd) {
    g_encodedSignatureTable[0].region = 1;
    std::string filler(100000, 'Q');
    EXPECT_EQ(1, Match("begin 644 x\n" + filler + WormText()));
    EXPECT_EQ(0, Match("begin 644 x\n" + WormText() + filler));
}

// A stripped head shorter than a previous one must not leave that file's text behind.
TEST_F(UuencodedMatch, TextOfAnEarlierFileDoesNotCarryOver) {
    EXPECT_EQ(1, Match("begin 644 x\n" + std::string(500, 'Q') + WormText()));
    EXPECT_EQ(0, Match("begin 644 y\n" + std::string(40, ' ') + "\n"));
    EXPECT_EQ(0, Match("begin" + std::string(4200, ' ')));
}

TEST_F(UuencodedMatch, FixedPositionInHeadAndTail) {
    EncodedSignatureRecord& record = g_encodedSignatureTable[0];
    record.searchMode = 0;
    std::string lead = "begin644x";   // nine bytes without white space before the text
    record.position = (int16_t)lead.size();
    EXPECT_EQ(1, Match(lead + WormText()));
    EXPECT_EQ(0, Match(lead + "Q" + WormText()));
    record.region = 1;
    std::string stripped = Stripped(lead + WormText());
    record.position = (int16_t)stripped.size() - (int16_t)lead.size();
    EXPECT_EQ(1, Match(lead + WormText()));
}

// Positions outside the 4096-byte texts compare zeros instead of reading past them.
TEST_F(UuencodedMatch, FixedPositionOutsideTheTextNeverReadsPastIt) {
    EncodedSignatureRecord& record = g_encodedSignatureTable[0];
    record.searchMode = 0;
    std::string content = "begin 644 x\n" + std::string(6000, 'Q');
    for (int16_t position : {(int16_t)-200, (int16_t)-1, (int16_t)4000, (int16_t)4095, (int16_t)4096, (int16_t)32767}) {
        SCOPED_TRACE(position);
        record.position = position;
        record.region = 0;
        EXPECT_EQ(0, Match(content));
        record.region = 1;
        EXPECT_EQ(0, Match(content));
    }
}

TEST_F(UuencodedMatch, DisabledOrTooLongRecordsNeverMatch) {
    g_encodedSignatureTable[0].patternLength = 0;
    EXPECT_EQ(0, Match(WormCarrier("")));
    g_encodedSignatureTable[0].patternLength = 101;
    EXPECT_EQ(0, Match(WormCarrier("")));
    g_encodedSignatureTable[0].patternLength = 100;
    EXPECT_EQ(0, Match("begin" + Stripped(WormText()).substr(0, 90)));   // shorter than the pattern
}

TEST_F(UuencodedMatch, SizeKindsCompareWithTheFilesLength) {
    EncodedSignatureRecord& record = g_encodedSignatureTable[0];
    std::string content = WormCarrier("");
    record.sizeKind = 16;
    record.referenceSize = (int32_t)content.size();
    EXPECT_EQ(1, Match(content));
    record.referenceSize = (int32_t)content.size() + 1;
    EXPECT_EQ(0, Match(content));
    record.sizeKind = 17;
    record.referenceSize = (int32_t)content.size() + 4096;
    EXPECT_EQ(1, Match(content));
    record.referenceSize = (int32_t)content.size() + 4097;
    EXPECT_EQ(0, Match(content));
}

TEST(StripWhitespace, RemovesTheSixBlanksOnly) {
    const unsigned char source[] = "a\tb\nc\vd\fe\rf g\x1fh\xa0i";
    unsigned char dest[sizeof source + 1];
    memset(dest, 0xBD, sizeof dest);
    int copied = StripWhitespace(source, dest, (int)sizeof source - 1);
    ASSERT_EQ(11, copied);
    EXPECT_EQ(0, memcmp(dest, "abcdefg\x1fh\xa0i", 11));
    EXPECT_EQ(0xBD, dest[11]);
}

TEST(FindBytes, StaysInsideTheSearchedLength) {
    const unsigned char buffer[] = {'x', 'a', 'b', 'a', 'b', 'c', 0xBD};
    EXPECT_EQ(1, FindBytes(buffer, 6, (const unsigned char*)"abc", 3));
    EXPECT_EQ(1, FindBytes((const unsigned char*)"aabc", 4, (const unsigned char*)"abc", 3));
    EXPECT_EQ(0, FindBytes(buffer, 5, (const unsigned char*)"abc", 3));
    EXPECT_EQ(1, FindBytes(buffer, 6, (const unsigned char*)"x", 1));
    EXPECT_EQ(0, FindBytes(buffer, 6, (const unsigned char*)"abcabc", 6));
    EXPECT_EQ(0, FindBytes(buffer, 0, (const unsigned char*)"x", 1));
    EXPECT_EQ(0, FindBytes(buffer, 6, (const unsigned char*)"x", 0));
}

}   // namespace
