// Runs of opaque pixels, gathered into batches of region rectangles.
#include "skin/RegionRuns.h"
#include <stddef.h>

static const PixelRect kEmptyBound = {2147483647, 2147483647, 0, 0};

static void StartBatch(RegionBlockHeader* header) {
    header->dwSize = sizeof(RegionBlockHeader);
    header->iType = kRegionTypeRectangles;
    header->nCount = 0;
    header->nRgnSize = 0;
    header->rcBound = kEmptyBound;
}

RegionRunCollector::RegionRunCollector(RegionBlockStore& store) : m_store(store) {
    if (m_store.Header()) StartBatch(m_store.Header());
}

void RegionRunCollector::FlushBatch() {
    m_store.Flush();
    if (m_store.Header()) StartBatch(m_store.Header());
}

void RegionRunCollector::AddRun(int32_t left, int32_t right, int32_t y) {
    if (!m_store.Header()) return;
    if (m_store.Header()->nCount == m_store.Capacity() && !m_store.Grow(m_store.Capacity() + kRegionBlockGrowth)) {
        // No room to be had: what the block holds becomes region now and the block is reused.
        FlushBatch();
    }
    RegionBlockHeader* header = m_store.Header();
    if (!header || header->nCount == m_store.Capacity()) return;
    PixelRect& bound = header->rcBound;
    RegionBlockRects(header)[header->nCount] = PixelRect{left, y, right, y + 1};
    if (left < bound.left) bound.left = left;
    if (y < bound.top) bound.top = y;
    if (right > bound.right) bound.right = right;
    if (y + 1 > bound.bottom) bound.bottom = y + 1;
    if (++header->nCount == kRegionBatchLimit) FlushBatch();
}

void RegionRunCollector::Finish() {
    if (m_store.Header()) m_store.Flush();
}

// The key in the buffer's byte order: blue in the low byte, then green, then red.
static uint32_t KeyAsPixel(uint32_t key) { return ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF); }

void CollectRegionRuns(const PixelBuffer& image, uint32_t key, bool keyIsTransparent, RegionRunCollector& out) {
    const uint32_t keyPixel = KeyAsPixel(key);
    for (int32_t y = 0; y < image.height; ++y) {
        // Bottom-up storage: the image's top row is the last one in memory.
        const uint32_t* row = (const uint32_t*)(image.bits + (ptrdiff_t)(image.height - 1 - y) * image.stride);
        int32_t x = 0;
        while (x < image.width) {
            int32_t x0 = x;
            while (x < image.width && ((row[x] & 0xFFFFFF) != keyPixel) == keyIsTransparent) ++x;
            if (x > x0) out.AddRun(x0, x, y);
            ++x;   // the pixel that ended the run belongs to no run
        }
    }
}
