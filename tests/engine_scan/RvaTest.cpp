// RvaToFileOffset over section tables set up by the test, on a file of 0x3000 bytes.
#include "engine/FileMatcher.h"
#include "engine/LowIo.h"
#include "tests/engine_scan/ScanDoubles.h"
#include "tests/engine_scan/SampleFiles.h"
#include <memory>
#include <stdio.h>
#include <string.h>

namespace {

struct SectionRow {
    uint32_t va, vsize, ptr;
};

void Put32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(value >> (8 * i));
}

void SetHeaders(unsigned count, const SectionRow* sections, unsigned listed, uint32_t sizeOfHeaders) {
    memset(g_fileHeader, 0, sizeof g_fileHeader);
    g_fileHeader[2] = (unsigned char)count;
    g_fileHeader[3] = (unsigned char)(count >> 8);
    memset(g_optionalHeader, 0, sizeof g_optionalHeader);
    Put32(g_optionalHeader + 60, sizeOfHeaders);
    memset(g_sectionHeaders, 0, sizeof g_sectionHeaders);
    for (unsigned i = 0; i < listed; ++i) {
        Put32(g_sectionHeaders[i] + 8, sections[i].vsize);
        Put32(g_sectionHeaders[i] + 12, sections[i].va);
        Put32(g_sectionHeaders[i] + 20, sections[i].ptr);
    }
}

class Rva : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScanDoubles();
        m_path = ScratchPath("rva_length.bin");
        m_file = fopen(m_path.c_str(), "w+b");
        ASSERT_TRUE(m_file != NULL);
        ASSERT_EQ(0, fseek(m_file, kLength - 1, SEEK_SET));
        ASSERT_EQ(0, fputc(0, m_file));
        fclose(m_file);
        m_file = NULL;
        m_opened.reset(new CLowFile(OpenExaminedFile(m_path.c_str())));
        m_fd = *m_opened;
        ASSERT_EQ((long)kLength, LowFileLength(m_fd));
    }
    void TearDown() override {
        if (m_file) fclose(m_file);
        m_opened.reset();
        remove(m_path.c_str());
    }

    static const uint32_t kLength = 0x3000;
    std::string m_path;
    FILE* m_file = NULL;
    std::unique_ptr<CLowFile> m_opened;
    LowFile m_fd;
};

TEST_F(Rva, NoSectionsTheRvaIsTheOffset) {
    SetHeaders(0, NULL, 0, 0x400);
    EXPECT_EQ(0x100u, RvaToFileOffset(0x100, m_fd));
    EXPECT_EQ(0x2FFFu, RvaToFileOffset(0x2FFF, m_fd));
    EXPECT_EQ(0x3000u, RvaToFileOffset(0x3000, m_fd));   // past the end: still the RVA
    EXPECT_EQ(0x400u, RvaToFileOffset(0, m_fd));         // offset 0 means SizeOfHeaders
}

TEST_F(Rva, SectionTables) {
    const SectionRow two[] = {{0x1000, 0x1000, 0x400}, {0x2000, 0x1000, 0x1400}};
    const SectionRow farData[] = {{0x1000, 0x1000, 0x1800}};
    const SectionRow zeroPointer[] = {{0x1000, 0x1000, 0}};
    const SectionRow nearTop[] = {{0x1000, 0x1000, 0x400}, {0xFFFFF000, 0xFFF, 0x800}};
    const SectionRow toTop[] = {{0xFFFFF000, 0x1000, 0x800}};   // ends at 2^32, that is at 0
    const struct {
        const char* what;
        const SectionRow* sections;
        unsigned count;
        uint32_t rva, offset;
    } rows[] = {
        {"inside the first", two, 2, 0x1800, 0xC00},
        {"last byte of the first", two, 2, 0x1FFF, 0x13FF},
        {"end of the first is the second", two, 2, 0x2000, 0x1400},
        {"inside the second", two, 2, 0x2010, 0x1410},
        {"below the first maps through it", farData, 1, 0xC00, 0x1400},
        {"beyond every section: the last, then past the end: the RVA", two, 2, 0x5000, 0x5000},
        {"beyond every section: the last, inside the file", two, 2, 0x3800, 0x2C00},
        {"mapped below zero wraps past the end: the RVA", two, 2, 0x800, 0x800},
        {"mapped to zero: SizeOfHeaders", zeroPointer, 1, 0x1000, 0x200},
        {"mapped to the last byte", zeroPointer, 1, 0x1000 + 0x2FFF, 0x2FFF},
        {"mapped to the length: the RVA", zeroPointer, 1, 0x1000 + 0x3000, 0x4000},
        {"wrapped RVA near 4 GiB", nearTop, 2, 0xFFFFF100, 0x900},
        {"a section ending at 2^32 ends at 0: the last is used all the same", toTop, 1, 0xFFFFF100, 0x900},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SetHeaders(row.count, row.sections, row.count, 0x200);
        EXPECT_EQ(row.offset, RvaToFileOffset(row.rva, m_fd));
    }
}

TEST_F(Rva, ACountAboveTheTableReadsNoFurtherThanItsTwentyEntries) {
    const SectionRow sections[] = {{0x1000, 0x100, 0x400}};
    SetHeaders(0xFFFF, sections, 1, 0x200);
    // Entries 2 to 20 are zero and end at 0, so an RVA above the first maps through entry 20.
    EXPECT_EQ(0x2000u, RvaToFileOffset(0x2000, m_fd));
    EXPECT_EQ(0x410u, RvaToFileOffset(0x1010, m_fd));
}

}   // namespace
