// The pixel work behind RegionFromBitmap: horizontal runs of inside pixels become one-row
// rectangles in a region data block that grows 100 rectangles at a time and is handed to
// region creation in batches of at most 2,000. Builds natively; the block's memory and the
// region creation belong to the store the platform side provides.
#pragma once
#include <stdint.h>
#include "skin/PixelRect.h"

enum {
    kRegionBlockGrowth = 100,   // rectangles added to the block's capacity at a time
    kRegionBatchLimit = 2000,   // rectangles handed to region creation at a time
    kRegionTypeRectangles = 1   // RDH_RECTANGLES
};

// Same layout as the platform's RGNDATAHEADER; the rectangles follow it directly.
struct RegionBlockHeader {
    uint32_t dwSize;
    uint32_t iType;
    uint32_t nCount;
    uint32_t nRgnSize;
    PixelRect rcBound;
};

// Size in bytes of a block holding `capacity` rectangles.
inline uint32_t RegionBlockBytes(uint32_t capacity) {
    return (uint32_t)sizeof(RegionBlockHeader) + (uint32_t)sizeof(PixelRect) * capacity;
}

inline PixelRect* RegionBlockRects(RegionBlockHeader* header) { return (PixelRect*)(header + 1); }

// Holds the block. Header() is null when no block could be had.
class RegionBlockStore {
public:
    RegionBlockHeader* Header() const { return m_header; }
    uint32_t Capacity() const { return m_capacity; }
    // Gives the block room for `capacity` rectangles, keeping its contents; on failure the block
    // keeps its old capacity. The header may move either way.
    virtual bool Grow(uint32_t capacity) = 0;
    // Turns the rectangles now in the block into region and joins them to the result.
    virtual void Flush() = 0;

protected:
    ~RegionBlockStore() {}
    RegionBlockHeader* m_header = nullptr;
    uint32_t m_capacity = 0;
};

// Appends run rectangles to a store's block, growing and flushing it as it fills.
class RegionRunCollector {
public:
    explicit RegionRunCollector(RegionBlockStore& store);
    void AddRun(int32_t left, int32_t right, int32_t y);
    // Flushes the last batch, also when it holds no rectangle.
    void Finish();

private:
    void FlushBatch();
    RegionBlockStore& m_store;
};

// How RegionFromBitmap reads its 32-bit buffer: bottom-up rows, `stride` bytes apart, each
// pixel blue, green, red and an ignored byte.
struct PixelBuffer {
    const unsigned char* bits;
    int32_t width;
    int32_t height;
    int32_t stride;   // already a multiple of 4
};

// `key` is a COLORREF (0x00BBGGRR). With keyIsTransparent a pixel is inside when its colour
// differs from the key, otherwise when it equals it. Rows are read from the top of the image.
void CollectRegionRuns(const PixelBuffer& image, uint32_t key, bool keyIsTransparent, RegionRunCollector& out);

// A row length in bytes raised to the next multiple of 4.
inline int32_t AlignedStride(int32_t bytes) { return (bytes + 3) & ~3; }
