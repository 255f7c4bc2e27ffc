// The run finder and the region block's growth and batches, against a block store that records
// every batch it is handed and guards the bytes after the block.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "skin/RegionRuns.h"

namespace {

const uint32_t kMagenta = 0x00FF00FF;   // COLORREF RGB(255, 0, 255)
const PixelRect kEmptyBound = {INT32_MAX, INT32_MAX, 0, 0};

struct Batch {
    uint32_t capacity;
    RegionBlockHeader header;
    std::vector<PixelRect> rects;
};

// A block in ordinary memory with 0xBD guard bytes after its capacity; it can refuse to grow.
class RecordingStore : public RegionBlockStore {
public:
    explicit RecordingStore(bool withBlock = true, int growthsAllowed = 1 << 30) : m_growthsLeft(growthsAllowed) {
        if (withBlock) Allocate(kRegionBlockGrowth);
    }
    bool Grow(uint32_t capacity) override {
        ++growCalls;
        if (m_growthsLeft-- <= 0) return false;
        EXPECT_TRUE(GuardIntact());
        Allocate(capacity);
        return true;
    }
    void Flush() override {
        EXPECT_TRUE(GuardIntact());
        Batch batch = {m_capacity, *m_header, {}};
        batch.rects.assign(RegionBlockRects(m_header), RegionBlockRects(m_header) + m_header->nCount);
        batches.push_back(batch);
    }
    bool GuardIntact() const {
        const unsigned char* bytes = m_bytes.data();
        for (size_t i = RegionBlockBytes(m_capacity); i < m_bytes.size(); ++i)
            if (bytes[i] != 0xBD) return false;
        return true;
    }
    std::vector<PixelRect> AllRects() const {
        std::vector<PixelRect> all;
        for (const Batch& b : batches) all.insert(all.end(), b.rects.begin(), b.rects.end());
        return all;
    }
    std::vector<Batch> batches;
    int growCalls = 0;

private:
    void Allocate(uint32_t capacity) {
        std::vector<unsigned char> bytes(RegionBlockBytes(capacity) + 64, 0xBD);
        if (m_header) memcpy(bytes.data(), m_bytes.data(), RegionBlockBytes(m_capacity));
        m_bytes.swap(bytes);
        m_header = (RegionBlockHeader*)m_bytes.data();
        m_capacity = capacity;
    }
    std::vector<unsigned char> m_bytes;
    int m_growthsLeft;
};

// An image as the 32-bit section holds it: bottom-up rows, blue, green, red, spare byte.
struct TestImage {
    TestImage(int32_t w, int32_t h, int32_t padding = 0) : width(w), height(h), stride(w * 4 + padding) {
        bytes.assign((size_t)stride * h, 0x5A);
    }
    void Set(int32_t x, int32_t y, uint32_t colorref, unsigned char spare = 0) {
        unsigned char* p = &bytes[(size_t)(height - 1 - y) * stride + (size_t)x * 4];
        p[0] = (unsigned char)(colorref >> 16);
        p[1] = (unsigned char)(colorref >> 8);
        p[2] = (unsigned char)colorref;
        p[3] = spare;
    }
    void Fill(uint32_t colorref) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) Set(x, y, colorref);
    }
    PixelBuffer Buffer() const { return PixelBuffer{bytes.data(), width, height, stride}; }
    int32_t width, height, stride;
    std::vector<unsigned char> bytes;
};

std::vector<PixelRect> Collect(const TestImage& image, uint32_t key, bool transparent, RecordingStore& store) {
    RegionRunCollector collector(store);
    CollectRegionRuns(image.Buffer(), key, transparent, collector);
    collector.Finish();
    return store.AllRects();
}

::testing::AssertionResult SameRects(const std::vector<PixelRect>& expected, const std::vector<PixelRect>& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << actual.size() << " rectangles, expected " << expected.size();
    for (size_t i = 0; i < expected.size(); ++i)
        if (!(expected[i] == actual[i]))
            return ::testing::AssertionFailure()
                   << "rectangle " << i << " is (" << actual[i].left << ", " << actual[i].top << ", " << actual[i].right
                   << ", " << actual[i].bottom << ")";
    return ::testing::AssertionSuccess();
}

TEST(RegionBlock, SizesFollowTheCapacity) {
    EXPECT_EQ(32u, sizeof(RegionBlockHeader));
    EXPECT_EQ(1632u, RegionBlockBytes(100));
    EXPECT_EQ(3232u, RegionBlockBytes(200));
    EXPECT_EQ(32032u, RegionBlockBytes(2000));
    EXPECT_EQ(8, AlignedStride(5));
    EXPECT_EQ(8, AlignedStride(8));
    EXPECT_EQ(0, AlignedStride(0));
}

TEST(RegionRuns, WorkedExampleRow) {
    // Row 1 reads key, key, other, other, key, other; rows 0 and 2 are all key.
    TestImage image(6, 3);
    image.Fill(kMagenta);
    image.Set(2, 1, 0x102030);
    image.Set(3, 1, 0x102030);
    image.Set(5, 1, 0x000001);
    RecordingStore store;
    EXPECT_TRUE(SameRects({{2, 1, 4, 2}, {5, 1, 6, 2}}, Collect(image, kMagenta, true, store)));
    ASSERT_EQ(1u, store.batches.size());
    EXPECT_EQ((PixelRect{2, 1, 6, 2}), store.batches[0].header.rcBound);
}

TEST(RegionRuns, NoKeyPixelGivesOneFullRowRectanglePerRow) {
    TestImage image(9, 4);
    image.Fill(0x00FE00FF);   // one step off the key in blue
    RecordingStore store;
    EXPECT_TRUE(
        SameRects({{0, 0, 9, 1}, {0, 1, 9, 2}, {0, 2, 9, 3}, {0, 3, 9, 4}}, Collect(image, kMagenta, true, store)));
    ASSERT_EQ(1u, store.batches.size());
    const RegionBlockHeader& header = store.batches[0].header;
    EXPECT_EQ(32u, header.dwSize);
    EXPECT_EQ(1u, header.iType);
    EXPECT_EQ(4u, header.nCount);
    EXPECT_EQ(0u, header.nRgnSize);
    EXPECT_EQ((PixelRect{0, 0, 9, 4}), header.rcBound);
}

TEST(RegionRuns, AllKeyStillFlushesOneEmptyBatch) {
    TestImage image(5, 5);
    image.Fill(kMagenta);
    RecordingStore store;
    EXPECT_TRUE(Collect(image, kMagenta, true, store).empty());
    ASSERT_EQ(1u, store.batches.size());
    EXPECT_EQ(0u, store.batches[0].header.nCount);
    EXPECT_EQ(kEmptyBound, store.batches[0].header.rcBound);
}

TEST(RegionRuns, KeyNotTransparentTakesTheKeyPixels) {
    TestImage image(6, 1);
    image.Fill(0x000000);
    image.Set(0, 0, kMagenta);
    image.Set(3, 0, kMagenta);
    image.Set(4, 0, kMagenta);
    image.Set(5, 0, kMagenta);
    RecordingStore store;
    EXPECT_TRUE(SameRects({{0, 0, 1, 1}, {3, 0, 6, 1}}, Collect(image, kMagenta, false, store)));
}

TEST(RegionRuns, TopRowIsTheLastInMemoryAndPaddingIsNotRead) {
    TestImage image(4, 3, 8);   // 8 spare bytes a row, left at 0x5A
    image.Fill(kMagenta);
    image.Set(0, 0, 0x123456);   // top row
    image.Set(3, 2, 0x123456);   // bottom row
    RecordingStore store;
    EXPECT_TRUE(SameRects({{0, 0, 1, 1}, {3, 2, 4, 3}}, Collect(image, kMagenta, true, store)));
}

TEST(RegionRuns, KeyIsComparedInTheBuffersByteOrderIgnoringTheSpareByte) {
    const uint32_t key = 0x00030201;   // RGB(1, 2, 3)
    TestImage image(4, 1);
    image.Set(0, 0, key, 0xFF);    // the key, spare byte set: outside
    image.Set(1, 0, 0x00010203);   // red and blue swapped: inside
    image.Set(2, 0, key);
    image.Set(3, 0, 0x00030202);
    RecordingStore store;
    EXPECT_TRUE(SameRects({{1, 0, 2, 1}, {3, 0, 4, 1}}, Collect(image, key, true, store)));
}

// Every other pixel inside: a run per inside pixel.
TestImage Checkered(int32_t width, int32_t height) {
    TestImage image(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.Set(x, y, (x + y) % 2 ? kMagenta : 0x00404040);
    return image;
}

std::vector<PixelRect> CheckeredRuns(int32_t width, int32_t height) {
    std::vector<PixelRect> runs;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if ((x + y) % 2 == 0) runs.push_back({x, y, x + 1, y + 1});
    return runs;
}

TEST(RegionRuns, HundredAndOneRunsGrowTheBlockOnce) {
    TestImage image = Checkered(202, 1);   // runs at 0, 2, ..., 200
    RecordingStore store;
    EXPECT_TRUE(SameRects(CheckeredRuns(202, 1), Collect(image, kMagenta, true, store)));
    EXPECT_EQ(1, store.growCalls);
    EXPECT_EQ(200u, store.Capacity());
    EXPECT_EQ(3232u, RegionBlockBytes(store.Capacity()));
    ASSERT_EQ(1u, store.batches.size());
    EXPECT_EQ(101u, store.batches[0].header.nCount);
}

TEST(RegionRuns, TwoThousandRunsMakeABatchAndTheBoundStartsAgain) {
    TestImage image = Checkered(100, 50);   // 2,500 runs, 50 a row
    RecordingStore store;
    EXPECT_TRUE(SameRects(CheckeredRuns(100, 50), Collect(image, kMagenta, true, store)));
    ASSERT_EQ(2u, store.batches.size());
    EXPECT_EQ(2000u, store.batches[0].header.nCount);
    EXPECT_EQ(500u, store.batches[1].header.nCount);
    EXPECT_EQ((PixelRect{0, 0, 100, 40}), store.batches[0].header.rcBound);
    EXPECT_EQ((PixelRect{0, 40, 100, 50}), store.batches[1].header.rcBound);
    EXPECT_EQ(2000u, store.batches[1].capacity) << "the capacity is not reduced after a batch";
    EXPECT_EQ(19, store.growCalls);
}

TEST(RegionRuns, ExactlyTwoThousandRunsEndWithAnEmptyBatch) {
    TestImage image = Checkered(100, 40);
    RecordingStore store;
    EXPECT_TRUE(SameRects(CheckeredRuns(100, 40), Collect(image, kMagenta, true, store)));
    ASSERT_EQ(2u, store.batches.size());
    EXPECT_EQ(2000u, store.batches[0].header.nCount);
    EXPECT_EQ(0u, store.batches[1].header.nCount);
    EXPECT_EQ(kEmptyBound, store.batches[1].header.rcBound);
}

TEST(RegionRuns, BlockThatCannotGrowIsFlushedWhenFullAndReused) {
    TestImage image = Checkered(50, 10);   // 250 runs
    RecordingStore store(true, 1);         // one growth, to 200, then no more
    EXPECT_TRUE(SameRects(CheckeredRuns(50, 10), Collect(image, kMagenta, true, store)));
    ASSERT_EQ(2u, store.batches.size());
    EXPECT_EQ(200u, store.batches[0].header.nCount);
    EXPECT_EQ(50u, store.batches[1].header.nCount);
    EXPECT_EQ(200u, store.Capacity());
}

TEST(RegionRuns, NoBlockMeansNoBatch) {
    TestImage image = Checkered(20, 20);
    RecordingStore store(false);
    EXPECT_TRUE(Collect(image, kMagenta, true, store).empty());
    EXPECT_TRUE(store.batches.empty());
    EXPECT_EQ(0, store.growCalls);
}

TEST(RegionRuns, EmptyImageGivesOneEmptyBatch) {
    TestImage image(0, 0);
    RecordingStore store;
    EXPECT_TRUE(Collect(image, kMagenta, true, store).empty());
    EXPECT_EQ(1u, store.batches.size());
}

}   // namespace
