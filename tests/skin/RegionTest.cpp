// RegionFromBitmap on bitmaps made here and on the real background, compared with the region
// of the expected rectangles; ScaleChildWindows on real child windows.
#include <string.h>
#include <functional>
#include <vector>
#include "skin/Region.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kOther = RGB(10, 120, 30);

// A top-down bitmap of `bits` per pixel (24 or 32) painted pixel by pixel; `extra` goes into
// the fourth byte of 32-bit pixels.
HBITMAP MakeBitmap(int width, int height, std::function<COLORREF(int, int)> color, int bits = 24,
                   unsigned char extra = 0) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)bits;
    void* pixels = 0;
    HBITMAP bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, &pixels, 0, 0);
    if (!bitmap) return 0;
    int stride = ((width * bits / 8) + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        unsigned char* p = (unsigned char*)pixels + (size_t)y * stride;
        for (int x = 0; x < width; ++x, p += bits / 8) {
            COLORREF c = color(x, y);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
            if (bits == 32) p[3] = extra;
        }
    }
    return bitmap;
}

HRGN RegionOf(const std::vector<RECT>& rects) {
    HRGN all = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN one = CreateRectRgnIndirect(&r);
        CombineRgn(all, all, one, RGN_OR);
        DeleteObject(one);
    }
    return all;
}

// The region of every pixel for which `inside` holds, one rectangle a pixel.
HRGN RegionOfPixels(int width, int height, std::function<bool(int, int)> inside) {
    std::vector<RECT> rects;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (inside(x, y)) rects.push_back(RECT{x, y, x + 1, y + 1});
    return RegionOf(rects);
}

::testing::AssertionResult SameRegion(HRGN expected, HRGN actual) {
    if (!actual) return ::testing::AssertionFailure() << "no region";
    if (EqualRgn(expected, actual)) return ::testing::AssertionSuccess();
    RECT e, a;
    GetRgnBox(expected, &e);
    GetRgnBox(actual, &a);
    return ::testing::AssertionFailure() << "regions differ; boxes (" << a.left << ", " << a.top << ", " << a.right
                                         << ", " << a.bottom << ") and expected (" << e.left << ", " << e.top << ", "
                                         << e.right << ", " << e.bottom << ")";
}

TEST(RegionFromBitmap, NullBitmapGivesNoRegion) { EXPECT_EQ(nullptr, RegionFromBitmap(0, kKey, TRUE)); }

TEST(RegionFromBitmap, NoKeyColourGivesTheFullRectangle) {
    OwnedBitmap bitmap(MakeBitmap(37, 23, [](int x, int y) { return RGB(x * 6, y * 10, 77); }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion full(CreateRectRgn(0, 0, 37, 23));
    EXPECT_TRUE(SameRegion(full.handle, region.handle));
    RECT box;
    EXPECT_EQ(SIMPLEREGION, GetRgnBox(region.handle, &box));
}

TEST(RegionFromBitmap, AllKeyColourGivesAnEmptyRegionNotNull) {
    OwnedBitmap bitmap(MakeBitmap(16, 9, [](int, int) { return kKey; }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    ASSERT_NE(nullptr, region.handle);
    RECT box;
    EXPECT_EQ(NULLREGION, GetRgnBox(region.handle, &box));
}

TEST(RegionFromBitmap, KeyNotTransparentCoversExactlyTheKeyPixels) {
    auto isKey = [](int x, int y) { return (x * 7 + y * 3) % 5 < 2; };
    OwnedBitmap bitmap(MakeBitmap(41, 17, [&](int x, int y) { return isKey(x, y) ? kKey : kOther; }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, FALSE));
    OwnedRegion expected(RegionOfPixels(41, 17, isKey));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

TEST(RegionFromBitmap, RowOfTheWorkedExampleGivesTwoRuns) {
    // key, key, other, other, key, other in the middle row; the rows above and below are all key.
    const bool other[6] = {false, false, true, true, false, true};
    OwnedBitmap bitmap(MakeBitmap(6, 3, [&](int x, int y) { return y == 1 && other[x] ? kOther : kKey; }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion expected(RegionOf({RECT{2, 1, 4, 2}, RECT{5, 1, 6, 2}}));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

TEST(RegionFromBitmap, ColoursMatchTheKeyExactlyAndTheFourthByteIsIgnored) {
    // Neighbours of magenta in each channel stay inside; the key with a set fourth byte is out.
    const COLORREF neighbours[] = {RGB(254, 0, 255), RGB(255, 1, 255), RGB(255, 0, 254)};
    OwnedBitmap bitmap(MakeBitmap(
        4, 1, [&](int x, int) { return x < 3 ? neighbours[x] : kKey; }, 32, 0x80));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion expected(CreateRectRgn(0, 0, 3, 1));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

TEST(RegionFromBitmap, MoreThanOneBatchOfRunsJoinsToTheRegionOfAllRuns) {
    // Every other pixel inside, with rows shifted: 50 runs a row, 2,500 runs in all.
    auto inside = [](int x, int y) { return (x + y) % 2 == 0; };
    OwnedBitmap bitmap(MakeBitmap(100, 50, [&](int x, int y) { return inside(x, y) ? kOther : kKey; }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion expected(RegionOfPixels(100, 50, inside));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

TEST(RegionFromBitmap, RunsPastTheFirstBlockCapacityAreKept) {
    // 101 runs of different lengths in one row: the block has to grow once.
    auto inside = [](int x, int) { return x % 3 != 2 && x < 303; };
    OwnedBitmap bitmap(MakeBitmap(310, 1, [&](int x, int y) { return inside(x, y) ? kOther : kKey; }));
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion expected(RegionOfPixels(310, 1, inside));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

TEST(RegionFromBitmap, BackgroundOfTheProgramGivesItsWholeRectangle) {
    // As the main window loads it (a device-dependent copy), and as its own 8-bit palette section.
    const UINT loads[] = {LR_LOADMAP3DCOLORS, LR_LOADMAP3DCOLORS | LR_CREATEDIBSECTION};
    for (UINT options : loads) {
        SCOPED_TRACE(testing::Message() << "options 0x" << std::hex << options);
        OwnedBitmap background(
            (HBITMAP)LoadImageA(GetModuleHandleA(0), MAKEINTRESOURCEA(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, options));
        ASSERT_NE(nullptr, background.handle);
        BITMAP info;
        GetObjectA(background.handle, sizeof info, &info);
        if (options & LR_CREATEDIBSECTION) {
            EXPECT_EQ(8, info.bmBitsPixel);
        }
        OwnedRegion region(RegionFromBitmap(background.handle, kKey, TRUE));
        OwnedRegion expected(CreateRectRgn(0, 0, 527, 338));
        EXPECT_TRUE(SameRegion(expected.handle, region.handle));
    }
}

TEST(RegionFromBitmap, KeyPixelsInAPaletteBitmapAreFound) {
    // An 8-bit section whose palette holds the key: the conversion to 32 bits must keep it exact.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = 8;
    info.header.biHeight = 2;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biClrUsed = 2;
    info.colors[0] = RGBQUAD{30, 20, 10, 0};
    info.colors[1] = RGBQUAD{255, 0, 255, 0};
    void* bits = 0;
    OwnedBitmap bitmap(CreateDIBSection(0, (BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, 0, 0));
    ASSERT_NE(nullptr, bitmap.handle);
    unsigned char* rows = (unsigned char*)bits;   // bottom-up, 8 bytes a row
    const unsigned char bottom[8] = {1, 1, 0, 0, 0, 1, 1, 1}, top[8] = {0, 1, 1, 1, 1, 1, 1, 0};
    memcpy(rows, bottom, 8);
    memcpy(rows + 8, top, 8);
    OwnedRegion region(RegionFromBitmap(bitmap.handle, kKey, TRUE));
    OwnedRegion expected(RegionOf({RECT{0, 0, 1, 1}, RECT{7, 0, 8, 1}, RECT{2, 1, 5, 2}}));
    EXPECT_TRUE(SameRegion(expected.handle, region.handle));
}

// ScaleChildWindows

HWND MakeWindow(HWND parent, int x, int y, int width, int height) {
    static ATOM atom;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(0);
        wc.lpszClassName = "SwSkinScaleTest";
        atom = RegisterClassA(&wc);
    }
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
    return CreateWindowExA(0, "SwSkinScaleTest", "", style, x, y, width, height, parent, 0, GetModuleHandleA(0), 0);
}

::testing::AssertionResult PlacedAt(HWND child, int x, int y, int width, int height) {
    RECT rc;
    GetWindowRect(child, &rc);
    POINT origin = {rc.left, rc.top};
    ScreenToClient(GetParent(child), &origin);
    if (origin.x == x && origin.y == y && rc.right - rc.left == width && rc.bottom - rc.top == height)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "child at (" << origin.x << ", " << origin.y << ") size "
                                         << rc.right - rc.left << "x" << rc.bottom - rc.top << ", expected (" << x
                                         << ", " << y << ") size " << width << "x" << height;
}

struct ScaleTest : ::testing::Test {
    void TearDown() override {
        if (top) DestroyWindow(top);
    }
    HWND top = 0;
};

TEST_F(ScaleTest, WorkedExampleWiderClientArea) {
    top = MakeWindow(0, 0, 0, 720, 337);
    HWND child = MakeWindow(top, 60, 10, 70, 10);
    EXPECT_TRUE(ScaleChildWindows(top, 600, 337));
    // 60 / 1.2 = 50, 130 / 1.2 = 108.33 -> 108: 58 wide; 1.0 vertically.
    EXPECT_TRUE(PlacedAt(child, 50, 10, 58, 10));
}

TEST_F(ScaleTest, EdgesAreTruncatedTowardZero) {
    top = MakeWindow(0, 0, 0, 540, 300);   // 0.9 horizontally, 1.0 vertically
    HWND child = MakeWindow(top, 100, 0, 100, 10);
    EXPECT_TRUE(ScaleChildWindows(top, 600, 300));
    EXPECT_TRUE(PlacedAt(child, 111, 0, 111, 10));   // 111.1 and 222.2
}

TEST_F(ScaleTest, NestedChildrenAreScaledAsWell) {
    top = MakeWindow(0, 0, 0, 720, 674);   // 1.2 and 2.0
    HWND panel = MakeWindow(top, 0, 0, 600, 100);
    HWND inner = MakeWindow(panel, 120, 40, 120, 20);
    EXPECT_TRUE(ScaleChildWindows(top, 600, 337));
    EXPECT_TRUE(PlacedAt(panel, 0, 0, 500, 50));
    // The panel moved first; the inner child's screen rectangle (120, 40, 240, 60) scales to
    // (100, 20, 200, 30) and is placed inside the panel.
    EXPECT_TRUE(PlacedAt(inner, 100, 20, 100, 10));
}

TEST_F(ScaleTest, TheWindowsOwnDistanceFromTheScreenOriginIsScaledToo) {
    top = MakeWindow(0, 120, 0, 720, 337);
    HWND child = MakeWindow(top, 60, 10, 70, 10);   // screen (180, 10, 250, 20)
    EXPECT_TRUE(ScaleChildWindows(top, 600, 337));
    EXPECT_TRUE(PlacedAt(child, 150 - 120, 10, 208 - 150, 10));
}

TEST_F(ScaleTest, EmptyClientAreaOrReferenceMovesNothing) {
    top = MakeWindow(0, 0, 0, 0, 0);
    HWND child = MakeWindow(top, 60, 10, 70, 10);
    EXPECT_FALSE(ScaleChildWindows(top, 600, 337));
    EXPECT_TRUE(PlacedAt(child, 60, 10, 70, 10));
    DestroyWindow(top);
    top = MakeWindow(0, 0, 0, 720, 337);
    child = MakeWindow(top, 60, 10, 70, 10);
    EXPECT_FALSE(ScaleChildWindows(top, 0, 337));
    EXPECT_FALSE(ScaleChildWindows(top, 600, -1));
    EXPECT_TRUE(PlacedAt(child, 60, 10, 70, 10));
}

}   // namespace
