// The compiled signature table against records.txt, which the sample generator writes from
// the records.json kept beside it: every field of every record, in order, and the terminator.
#include "engine/SignatureTable.h"
#include "tests/engine_scan/SampleFiles.h"
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct ExpectedRecord {
    int index;
    std::string name;
    int fileSize, offset1, offset2, sizeTest;
    std::string signature1, signature2;
};

std::vector<ExpectedRecord> ReadExpectedRecords() {
    std::vector<ExpectedRecord> records;
    for (const std::string& line : ReadLines(SamplePath("records.txt"))) {
        char name[64], sig1[64], sig2[64];
        ExpectedRecord r;
        if (sscanf(line.c_str(), "%d|%63[^|]|%d|%d|%63[^|]|%d|%63[^|]|%d", &r.index, name, &r.fileSize, &r.offset1,
                   sig1, &r.offset2, sig2, &r.sizeTest) == 8) {
            r.name = name;
            r.signature1 = sig1;
            r.signature2 = sig2;
            records.push_back(r);
        }
    }
    return records;
}

std::string Hex(const unsigned char* bytes, size_t length) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < length; ++i) {
        sprintf(pair, "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

TEST(SignatureTable, EveryRecordEqualsTheWrittenTableFieldForField) {
    std::vector<ExpectedRecord> expected = ReadExpectedRecords();
    ASSERT_EQ(46u, expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const SignatureRecord& record = g_signatureTable[i];
        SCOPED_TRACE(testing::Message() << "record " << expected[i].index);
        ASSERT_EQ((int)i + 1, expected[i].index);
        EXPECT_STREQ(expected[i].name.c_str(), record.name);
        // The rest of the 50-byte name is zero, as a record read byte for byte would be.
        EXPECT_TRUE(AllZero(record.name + strlen(record.name), sizeof record.name - strlen(record.name)));
        EXPECT_EQ(expected[i].offset1, record.entryOffset1);
        EXPECT_EQ(expected[i].signature1, Hex(record.signature1, 20));
        EXPECT_EQ(0, record.signature1[20]);
        EXPECT_EQ(expected[i].offset2, record.entryOffset2);
        EXPECT_EQ(expected[i].signature2, Hex(record.signature2, 20));
        EXPECT_EQ(0, record.signature2[20]);
        EXPECT_EQ(expected[i].fileSize, record.fileSize);
        EXPECT_EQ(expected[i].sizeTest, record.sizeTest);
    }
}

TEST(SignatureTable, EndsWithOneAllZeroRecordAfterTheFortySixth) {
    for (int i = 0; i < 46; ++i) EXPECT_NE(0, g_signatureTable[i].name[0]) << "record " << i + 1;
    EXPECT_TRUE(AllZero(&g_signatureTable[46], sizeof g_signatureTable[46]));
}

TEST(SignatureTable, DistinctNamesInOrderOfFirstAppearance) {
    std::vector<std::string> names;
    for (int i = 0; g_signatureTable[i].name[0]; ++i)
        if (std::find(names.begin(), names.end(), g_signatureTable[i].name) == names.end())
            names.push_back(g_signatureTable[i].name);
    ASSERT_EQ(34u, names.size());
    EXPECT_EQ("W32/Drellmoxin.Bdc.Worm", names.front());
    EXPECT_EQ("W32/Drellmoxin.Qnd.Worm", names[5]);
    EXPECT_EQ("W32/Drellmoxin.Qkq.Worm", names.back());
    EXPECT_EQ(4096, kSizeTolerance);
}

}   // namespace
