// Graphics owners release their handles exactly once: the destructor deletes what the object
// holds, Attach deletes the handle held before, Detach gives the handle away; a memory DC
// created by a CDC is deleted with it, and CPaintDC / CClientDC end and release their DCs.
#include "framework/Gdi.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

::testing::AssertionResult IsLive(HGDIOBJ handle, DWORD type) {
    DWORD actual = GetObjectType(handle);
    if (actual == type) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "object type " << actual << ", expected " << type;
}

::testing::AssertionResult IsDeleted(HGDIOBJ handle) {
    DWORD actual = GetObjectType(handle);
    if (actual == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "handle still alive, object type " << actual;
}

HFONT MakeFont() {
    LOGFONTA font = {};
    font.lfHeight = 15;
    font.lfWeight = FW_BOLD;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

TEST(GdiOwnerTest, DestructorsDeleteTheirHandles) {
    HGDIOBJ brush, font, bitmap;
    {
        CBrush ownBrush;
        CFont ownFont;
        CBitmap ownBitmap;
        ASSERT_TRUE(ownBrush.CreateSolidBrush(RGB(1, 2, 3)));
        LOGFONTA description = {};
        description.lfHeight = 12;
        ASSERT_TRUE(ownFont.CreateFontIndirect(&description));
        ownBitmap.Attach(CreateBitmap(4, 4, 1, 1, 0));
        brush = ownBrush.m_hObject;
        font = ownFont.m_hObject;
        bitmap = ownBitmap.m_hObject;
        EXPECT_TRUE(IsLive(brush, OBJ_BRUSH));
        EXPECT_TRUE(IsLive(font, OBJ_FONT));
        EXPECT_TRUE(IsLive(bitmap, OBJ_BITMAP));
    }
    EXPECT_TRUE(IsDeleted(brush));
    EXPECT_TRUE(IsDeleted(font));
    EXPECT_TRUE(IsDeleted(bitmap));
}

TEST(GdiOwnerTest, AttachDeletesThePreviousHandleButNotTheSameOneAgain) {
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(0) == false);   // no description: nothing held
    EXPECT_EQ(nullptr, font.m_hObject);
    HFONT first = MakeFont(), second = MakeFont();
    font.Attach(first);
    font.Attach(second);
    EXPECT_TRUE(IsDeleted(first));
    font.Attach(second);
    EXPECT_TRUE(IsLive(second, OBJ_FONT)) << "attaching the held handle again deleted it";
    EXPECT_EQ(second, (HFONT)font);
}

TEST(GdiOwnerTest, CreatingAgainReplacesAndDeletesTheOldBrush) {
    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(10, 20, 30)));
    HGDIOBJ first = brush.m_hObject;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(40, 50, 60)));
    EXPECT_TRUE(IsDeleted(first));
    LOGBRUSH description;
    ASSERT_EQ((int)sizeof description, GetObjectA(brush.m_hObject, sizeof description, &description));
    EXPECT_EQ(RGB(40, 50, 60), description.lbColor);
}

TEST(GdiOwnerTest, DetachGivesTheHandleAwayWithoutDeletingIt) {
    HGDIOBJ given;
    {
        CBrush brush;
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(7, 7, 7)));
        HGDIOBJ held = brush.m_hObject;
        given = brush.Detach();
        EXPECT_EQ(held, given);
        EXPECT_EQ(nullptr, brush.GetSafeHandle());
    }
    EXPECT_TRUE(IsLive(given, OBJ_BRUSH));
    EXPECT_TRUE(DeleteObject(given));
}

TEST(GdiOwnerTest, ExplicitDeleteLeavesNothingForTheDestructor) {
    HGDIOBJ later;
    {
        CBitmap bitmap;
        bitmap.Attach(CreateBitmap(2, 2, 1, 1, 0));
        HGDIOBJ held = bitmap.m_hObject;
        EXPECT_TRUE(bitmap.DeleteObject());
        EXPECT_TRUE(IsDeleted(held));
        EXPECT_FALSE(bitmap.DeleteObject()) << "nothing left to delete";
        // A handle created now may reuse the value; a second delete would hit it.
        later = CreateBitmap(2, 2, 1, 1, 0);
    }
    EXPECT_TRUE(IsLive(later, OBJ_BITMAP));
    DeleteObject(later);
}

TEST(GdiOwnerTest, MappedBitmapTakesTheSystemsThreeDimensionalColours) {
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadMappedBitmap(GetModuleHandleA(0), MAKEINTRESOURCEA(IDB_GREYS)));
    BITMAP info;
    ASSERT_TRUE(bitmap.GetBitmap(&info));
    EXPECT_EQ(4, info.bmWidth);
    EXPECT_EQ(1, info.bmHeight);
    MemoryCanvas canvas(4, 1);
    CDC source;
    ASSERT_TRUE(source.CreateCompatibleDC(0));
    HGDIOBJ old = source.SelectObject(bitmap);
    ASSERT_TRUE(CDC(canvas.dc).BitBlt(0, 0, 4, 1, &source, 0, 0, SRCCOPY));
    source.SelectObject(old);
    EXPECT_PRED_FORMAT2(SameColor, GetSysColor(COLOR_3DSHADOW), canvas.At(0, 0));
    EXPECT_PRED_FORMAT2(SameColor, GetSysColor(COLOR_3DFACE), canvas.At(1, 0));
    EXPECT_PRED_FORMAT2(SameColor, GetSysColor(COLOR_3DLIGHT), canvas.At(2, 0));
    EXPECT_PRED_FORMAT2(SameColor, RGB(255, 0, 0), canvas.At(3, 0));
}

TEST(GdiOwnerTest, FailedLoadLeavesTheBitmapEmptyAndDeletesTheOldOne) {
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadMappedBitmap(GetModuleHandleA(0), MAKEINTRESOURCEA(IDB_GREYS)));
    HGDIOBJ loaded = bitmap.m_hObject;
    EXPECT_FALSE(bitmap.LoadMappedBitmap(GetModuleHandleA(0), "NO_SUCH_BITMAP"));
    EXPECT_EQ(nullptr, bitmap.m_hObject);
    EXPECT_TRUE(IsDeleted(loaded));
    BITMAP info;
    EXPECT_FALSE(bitmap.GetBitmap(&info));
}

// Device contexts.

TEST(DcOwnerTest, CompatibleDcIsDeletedWithItsObjectAndWhenCreatedAgain) {
    HDC first, second;
    {
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(0));
        first = dc.m_hDC;
        EXPECT_TRUE(IsLive(first, OBJ_MEMDC));
        HDC screen = GetDC(0);
        CDC screenView(screen);
        ASSERT_TRUE(dc.CreateCompatibleDC(&screenView));
        ReleaseDC(0, screen);
        second = dc.m_hDC;
        EXPECT_TRUE(IsDeleted(first));
        EXPECT_TRUE(IsLive(second, OBJ_MEMDC));
    }
    EXPECT_TRUE(IsDeleted(second));
}

TEST(DcOwnerTest, ViewOfADcDeletesNothing) {
    MemoryCanvas canvas(2, 2);
    {
        CDC view(canvas.dc);
        EXPECT_EQ(canvas.dc, view.m_hDC);
        EXPECT_EQ(OPAQUE, view.SetBkMode(TRANSPARENT));
        EXPECT_EQ(TRANSPARENT, GetBkMode(canvas.dc));
    }
    EXPECT_TRUE(IsLive(canvas.dc, OBJ_MEMDC));
}

// A window whose paint handler uses a CPaintDC and records what it saw.
class CPaintProbe : public CWnd {
public:
    HDC painted = 0;
    RECT paintRect = {0, 0, 0, 0};
    int paints = 0;

protected:
    void OnPaint() {
        ++paints;
        CPaintDC dc(this);
        painted = dc.m_hDC;
        paintRect = dc.m_ps.rcPaint;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintProbe, CWnd)
    ON_WM_PAINT()
END_MESSAGE_MAP()

class WindowDcTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
        // A window DC released once can not be released again: the probe for "released".
        HDC raw = GetDC(window.hwnd);
        ASSERT_EQ(1, ReleaseDC(window.hwnd, raw));
        ASSERT_EQ(0, ReleaseDC(window.hwnd, raw)) << "this platform cannot tell a released DC";
    }
    WindowGuard window{CreateRecorder(0, 0, WS_POPUP | WS_VISIBLE)};
    CPaintProbe probe;
};

TEST_F(WindowDcTest, PaintDcValidatesAndEndsThePainting) {
    UpdateWindow(window.hwnd);   // the first painting after showing covers everything
    probe.paints = 0;
    RECT part = {5, 6, 25, 16};
    InvalidateRect(window.hwnd, &part, FALSE);
    UpdateWindow(window.hwnd);
    ASSERT_EQ(1, probe.paints);
    ASSERT_NE(nullptr, probe.painted);
    EXPECT_EQ(5, probe.paintRect.left);
    EXPECT_EQ(16, probe.paintRect.bottom);
    EXPECT_FALSE(GetUpdateRect(window.hwnd, 0, FALSE)) << "the painting did not validate the window";
    EXPECT_EQ(0, ReleaseDC(window.hwnd, probe.painted)) << "the paint DC was not ended";
}

TEST_F(WindowDcTest, ClientDcReleasesItsDc) {
    HDC used;
    {
        CClientDC dc(&probe);
        used = dc.m_hDC;
        ASSERT_NE(nullptr, used);
        EXPECT_EQ(window.hwnd, WindowFromDC(used));
    }
    EXPECT_EQ(0, ReleaseDC(window.hwnd, used)) << "the client DC was not released";
}

TEST(ClientDcTest, NoWindowGivesTheScreensDc) {
    CClientDC dc(0);
    ASSERT_NE(nullptr, dc.m_hDC);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), GetDeviceCaps(dc.m_hDC, HORZRES));
}

}   // namespace
