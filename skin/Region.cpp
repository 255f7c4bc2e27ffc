// The window shape: a region made from the background bitmap's opaque pixels.
#include "skin/Region.h"
#include <stddef.h>
#include "framework/Gdi.h"
#include "skin/LayoutMath.h"
#include "skin/RegionRuns.h"

static_assert(sizeof(RegionBlockHeader) == sizeof(RGNDATAHEADER), "region block header layout");
static_assert(offsetof(RegionBlockHeader, nCount) == offsetof(RGNDATAHEADER, nCount), "nCount");
static_assert(offsetof(RegionBlockHeader, rcBound) == offsetof(RGNDATAHEADER, rcBound), "rcBound");
static_assert(sizeof(PixelRect) == sizeof(RECT), "rectangle layout");

// The region data block in movable global memory, kept locked while the scan writes into it,
// and the region built from its batches so far.
class GlobalRegionBlock : public RegionBlockStore {
public:
    GlobalRegionBlock() : m_hBlock(GlobalAlloc(GMEM_MOVEABLE, RegionBlockBytes(kRegionBlockGrowth))), m_hResult(0) {
        m_header = m_hBlock ? (RegionBlockHeader*)GlobalLock(m_hBlock) : 0;
        if (m_header) m_capacity = kRegionBlockGrowth;
    }
    ~GlobalRegionBlock() {
        if (!m_hBlock) return;
        GlobalUnlock(m_hBlock);
        GlobalFree(m_hBlock);
    }
    GlobalRegionBlock(const GlobalRegionBlock&) = delete;
    GlobalRegionBlock& operator=(const GlobalRegionBlock&) = delete;

    bool Grow(uint32_t capacity) override {
        GlobalUnlock(m_hBlock);
        HGLOBAL grown = GlobalReAlloc(m_hBlock, RegionBlockBytes(capacity), GMEM_MOVEABLE);
        if (grown) {
            m_hBlock = grown;
            m_capacity = capacity;
        }
        m_header = (RegionBlockHeader*)GlobalLock(m_hBlock);
        return grown && m_header;
    }

    void Flush() override {
        HRGN part = ExtCreateRegion(0, RegionBlockBytes(m_capacity), (const RGNDATA*)m_header);
        if (!part) return;   // the batch is lost; the rest of the image still counts
        if (!m_hResult) {
            m_hResult = part;
            return;
        }
        CombineRgn(m_hResult, m_hResult, part, RGN_OR);
        DeleteObject(part);
    }

    HRGN TakeResult() {
        HRGN result = m_hResult;
        m_hResult = 0;
        return result;
    }

private:
    HGLOBAL m_hBlock;
    HRGN m_hResult;
};

// Reads the 32-bit section's pixels (already a copy of the source bitmap) into a region.
static HRGN RegionFromPixels(HBITMAP hSection, COLORREF key, BOOL bKeyIsTransparent) {
    DIBSECTION section;
    if (GetObjectA(hSection, sizeof section, &section) != sizeof section) return 0;
    const BITMAP& bits = section.dsBm;
    PixelBuffer image = {(const unsigned char*)bits.bmBits, bits.bmWidth, bits.bmHeight,
                         AlignedStride(bits.bmWidthBytes)};
    GlobalRegionBlock block;
    RegionRunCollector collector(block);
    CollectRegionRuns(image, key, bKeyIsTransparent != 0, collector);
    collector.Finish();
    return block.TakeResult();
}

HRGN RegionFromBitmap(HBITMAP hBitmap, COLORREF key, BOOL bKeyIsTransparent) {
    BITMAP source;
    if (!hBitmap || !GetObjectA(hBitmap, sizeof source, &source)) return 0;
    // The section outlives the device contexts, whose deletion lets it go free.
    CBitmap section;
    CDC sectionDC, sourceDC;
    if (!sectionDC.CreateCompatibleDC(0) || !sourceDC.CreateCompatibleDC(&sectionDC)) return 0;
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), source.bmWidth, source.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pixels = 0;
    section.Attach(CreateDIBSection(sectionDC, (BITMAPINFO*)&header, DIB_RGB_COLORS, &pixels, 0, 0));
    if (!section.GetSafeHandle()) return 0;
    sectionDC.SelectObject(section);
    sourceDC.SelectObject(hBitmap);
    sectionDC.BitBlt(0, 0, source.bmWidth, source.bmHeight, &sourceDC, 0, 0, SRCCOPY);
    GdiFlush();   // the scan reads the section's memory directly
    return RegionFromPixels(section, key, bKeyIsTransparent);
}

static BOOL CALLBACK ScaleOneChild(HWND hChild, LPARAM lParam) {
    const ScaleFactors& scale = *(const ScaleFactors*)lParam;
    RECT screen;
    GetWindowRect(hChild, &screen);
    PixelRect scaled = ScaleRect(PixelRect{screen.left, screen.top, screen.right, screen.bottom}, scale);
    POINT origin = {scaled.left, scaled.top};
    ScreenToClient(GetParent(hChild), &origin);
    MoveWindow(hChild, origin.x, origin.y, scaled.right - scaled.left, scaled.bottom - scaled.top, TRUE);
    return TRUE;
}

BOOL ScaleChildWindows(HWND hWnd, int refWidth, int refHeight) {
    RECT client;
    GetClientRect(hWnd, &client);
    ScaleFactors scale;
    if (!ScaleForClient(client.right, client.bottom, refWidth, refHeight, &scale)) return FALSE;
    return EnumChildWindows(hWnd, ScaleOneChild, (LPARAM)&scale);
}
