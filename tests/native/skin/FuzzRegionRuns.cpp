// Arbitrary images, strides and keys through the run finder and the block batching: every run
// must stay inside the image and the block, and the batches must hold each inside pixel once.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "skin/RegionRuns.h"

namespace {

// Grows while growth is allowed by the input; counts every rectangle it is handed.
class CountingStore : public RegionBlockStore {
public:
    CountingStore(uint32_t growthsAllowed) : m_growthsLeft(growthsAllowed) { Resize(kRegionBlockGrowth); }
    bool Grow(uint32_t capacity) override {
        if (m_growthsLeft == 0) return false;
        --m_growthsLeft;
        Resize(capacity);
        return true;
    }
    void Flush() override {
        if (m_header->nCount > m_capacity || m_header->nCount > kRegionBatchLimit) abort();
        for (uint32_t i = 0; i < m_header->nCount; ++i) {
            const PixelRect& r = RegionBlockRects(m_header)[i];
            if (r.left < 0 || r.right > width || r.left >= r.right || r.top < 0 || r.bottom != r.top + 1 ||
                r.bottom > height)
                abort();
            pixels += (uint64_t)(r.right - r.left);
        }
    }
    int32_t width = 0, height = 0;
    uint64_t pixels = 0;

private:
    void Resize(uint32_t capacity) {
        m_block.resize(RegionBlockBytes(capacity) / sizeof(uint32_t));
        m_header = (RegionBlockHeader*)m_block.data();
        m_capacity = capacity;
    }
    std::vector<uint32_t> m_block;
    uint32_t m_growthsLeft;
};

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const int32_t width = data[0] % 64, height = data[1] % 64, padding = (data[2] % 4) * 4;
    const uint32_t key = data[3] | (data[4] << 8) | (data[5] << 16);
    const bool transparent = data[6] & 1;
    CountingStore store(data[7] % 25);
    store.width = width;
    store.height = height;
    const int32_t stride = width * 4 + padding;
    std::vector<uint32_t> words(((size_t)stride * height) / 4 + 1, 0);
    size_t bytes = (size_t)stride * height;
    memcpy(words.data(), data + 8, bytes < size - 8 ? bytes : size - 8);
    const unsigned char* pixels = (const unsigned char*)words.data();

    uint64_t inside = 0;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint32_t p;
            memcpy(&p, pixels + (size_t)y * stride + (size_t)x * 4, 4);
            uint32_t asColor = ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
            inside += (asColor == key) != transparent;
        }
    RegionRunCollector collector(store);
    CollectRegionRuns(PixelBuffer{pixels, width, height, stride}, key, transparent, collector);
    collector.Finish();
    if (store.pixels != inside) abort();
    return 0;
}
