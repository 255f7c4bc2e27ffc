// The bitmap buttons on a real dialog: images found by caption, sizing, drawing by state and
// the Hot state driven by real focus, capture and mouse messages.
#include <string.h>
#include "skin/ExButton.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const COLORREF kSentinel = RGB(0xBD, 0x11, 0xBD);

SIZE WindowSize(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SIZE size = {rc.right - rc.left, rc.bottom - rc.top};
    return size;
}

::testing::AssertionResult HasSize(HWND hwnd, int width, int height) {
    SIZE size = WindowSize(hwnd);
    if (size.cx == width && size.cy == height) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window is " << size.cx << "x" << size.cy << ", expected " << width << "x"
                                         << height;
}

::testing::AssertionResult HitAreaIs(const CStateBitmapButton& button, int width, int height) {
    const CRect& r = button.m_rcHit;
    if (r.left == 0 && r.top == 0 && r.right == width && r.bottom == height) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "hit area (" << r.left << ", " << r.top << ", " << r.right << ", "
                                         << r.bottom << ")";
}

Image ProgramImage(const char* name) {
    OwnedBitmap bitmap(LoadProgramBitmap(name));
    return ImageOfBitmap(bitmap.handle);
}

LPARAM Point(int x, int y) { return MAKELPARAM((WORD)(short)x, (WORD)(short)y); }

// Whether the window has something to repaint; clears it for the next check.
bool TakeInvalidation(HWND hwnd) {
    RECT update;
    bool invalid = GetUpdateRect(hwnd, &update, FALSE) != 0;
    ValidateRect(hwnd, 0);
    return invalid;
}

class ExButtonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.window.m_hWnd); }
    void TearDown() override {
        if (GetCapture()) ReleaseCapture();
    }
    ButtonHost host;
};

TEST_F(ExButtonTest, RuntimeClassesNameThemselvesWithTheButtonAsBase) {
    CExButton ex;
    NCExButton nc;
    EXPECT_STREQ("CExButton", ex.GetRuntimeClass()->m_lpszClassName);
    EXPECT_STREQ("NCExButton", nc.GetRuntimeClass()->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CButton), ex.GetRuntimeClass()->m_pBaseClass);
    EXPECT_EQ(RUNTIME_CLASS(CButton), nc.GetRuntimeClass()->m_pBaseClass);
    EXPECT_FALSE(nc.IsKindOf(RUNTIME_CLASS(CExButton)));
    EXPECT_FALSE(ex.m_bHot);
    EXPECT_TRUE(ex.m_rcHit.IsRectEmpty());
    EXPECT_EQ(nullptr, ex.m_hHandCursor);
}

struct SizeCase {
    int id;
    int width, height;
};

TEST_F(ExButtonTest, TakesTheSizeOfItsImagesAndKeepsItsPlace) {
    const SizeCase cases[] = {
        {IDC_SCAN, 180, 33},  {IDC_CLOSE_X, 21, 21}, {IDC_DOWNLOAD, 180, 33},
        {IDC_ULINK, 350, 28}, {IDC_LOGO, 100, 36},   {IDC_OK, 92, 24},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.id);
        HWND item = host.Item(c.id);
        RECT before, after;
        GetWindowRect(item, &before);
        ASSERT_FALSE(HasSize(item, c.width, c.height)) << "the template must not already give the image size";
        CExButton button;
        EXPECT_TRUE(button.LoadFromCaption(c.id, &host.window));
        EXPECT_EQ(item, button.m_hWnd);
        EXPECT_EQ(&button, CWnd::FromHandlePermanent(item));
        EXPECT_TRUE(HasSize(item, c.width, c.height));
        GetWindowRect(item, &after);
        EXPECT_EQ(before.left, after.left);
        EXPECT_EQ(before.top, after.top);
        EXPECT_TRUE(HitAreaIs(button, c.width, c.height));
    }
}

TEST_F(ExButtonTest, CaptionIsLookedUpWithoutRegardToCase) {
    NCExButton cancel;
    ASSERT_TRUE(cancel.LoadFromCaption(IDCANCEL, &host.window));
    EXPECT_TRUE(HasSize(cancel.m_hWnd, 92, 24));
    cancel.Invalidate(FALSE);   // resized without redrawing while the host is already shown
    EXPECT_TRUE(SameImage(ProgramImage("CANCEL_NOTFOCUS"), host.Shot(IDCANCEL)));
    EXPECT_TRUE(cancel.m_bmpFocus.GetSafeHandle());
    EXPECT_FALSE(cancel.m_bmpDisable.GetSafeHandle());
}

TEST_F(ExButtonTest, AttachedButtonIgnoresTheIdentifierAndParentItIsGiven) {
    CExButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_SCAN, &host.window));
    EXPECT_TRUE(button.LoadFromCaption(IDC_CLOSE_X, 0));
    EXPECT_EQ(host.Item(IDC_SCAN), button.m_hWnd);
    EXPECT_TRUE(HasSize(host.Item(IDC_SCAN), 180, 33));
    EXPECT_FALSE(HasSize(host.Item(IDC_CLOSE_X), 21, 21));
}

TEST_F(ExButtonTest, NoSuchControlLoadsNothing) {
    CExButton button;
    EXPECT_FALSE(button.LoadFromCaption(IDC_NO_SUCH_CONTROL, &host.window));
    EXPECT_EQ(nullptr, button.m_hWnd);
    EXPECT_FALSE(button.m_bmpNotFocus.GetSafeHandle());
    EXPECT_FALSE(button.LoadFromCaption(IDC_SCAN, 0));
}

TEST_F(ExButtonTest, EmptyCaptionKeepsTheTemplateSizeAndLoadsNothing) {
    SIZE before = WindowSize(host.Item(IDC_EMPTY_CAPTION));
    CExButton button;
    EXPECT_FALSE(button.LoadFromCaption(IDC_EMPTY_CAPTION, &host.window));
    EXPECT_EQ(host.Item(IDC_EMPTY_CAPTION), button.m_hWnd);
    EXPECT_TRUE(HasSize(button.m_hWnd, before.cx, before.cy));
    EXPECT_FALSE(button.m_bmpFocus.GetSafeHandle());
    EXPECT_FALSE(button.m_bmpNotFocus.GetSafeHandle());
}

TEST_F(ExButtonTest, MissingImagesAreNotPassedOnButLeaveTheButtonAsItWas) {
    SIZE before = WindowSize(host.Item(IDC_NO_IMAGES));
    CExButton button;
    EXPECT_TRUE(button.LoadFromCaption(IDC_NO_IMAGES, &host.window));
    EXPECT_TRUE(HasSize(button.m_hWnd, before.cx, before.cy));
    EXPECT_TRUE(button.m_rcHit.IsRectEmpty());
    EXPECT_FALSE(button.m_bmpFocus.GetSafeHandle());
}

TEST_F(ExButtonTest, LoadStateBitmapsStopsAtTheFirstMissingRequiredImage) {
    CExButton button;
    ASSERT_TRUE(button.LoadFromCaption(IDC_SCAN, &host.window));
    ASSERT_TRUE(button.m_bmpDisable.GetSafeHandle());

    // A missing focus image leaves no image at all, though there were images before.
    EXPECT_FALSE(button.LoadStateBitmaps("NOSUCH_FOCUS", "SCAN_NOTFOCUS", "SCAN_DISABLE"));
    EXPECT_FALSE(button.m_bmpFocus.GetSafeHandle());
    EXPECT_FALSE(button.m_bmpNotFocus.GetSafeHandle());
    EXPECT_FALSE(button.m_bmpDisable.GetSafeHandle());

    // A missing not-focus image leaves only the focus image.
    EXPECT_FALSE(button.LoadStateBitmaps("SCAN_FOCUS", "NOSUCH_NOTFOCUS", "SCAN_DISABLE"));
    EXPECT_TRUE(button.m_bmpFocus.GetSafeHandle());
    EXPECT_FALSE(button.m_bmpNotFocus.GetSafeHandle());
    EXPECT_FALSE(button.m_bmpDisable.GetSafeHandle());

    // A missing disable image is no failure; a new set resizes the button.
    EXPECT_TRUE(button.LoadStateBitmaps("X_FOCUS", "X_NOTFOCUS", "X_DISABLE"));
    EXPECT_FALSE(button.m_bmpDisable.GetSafeHandle());
    EXPECT_TRUE(HasSize(button.m_hWnd, 21, 21));
    EXPECT_TRUE(HitAreaIs(button, 21, 21));
}

TEST_F(ExButtonTest, FitToBitmapFailsWithoutANotFocusImageAndKeepsTheHitArea) {
    CExButton button;
    ASSERT_TRUE(button.LoadFromCaption(IDC_SCAN, &host.window));
    button.m_bmpNotFocus.DeleteObject();
    EXPECT_FALSE(button.FitToBitmap());
    EXPECT_TRUE(HitAreaIs(button, 180, 33));
}

// DrawItem on a memory canvas: which image for which state, and where.
struct DrawCase {
    const char* caption;   // the button's image stem
    BOOL hot;
    UINT itemState;
    const char* expected;   // image that must appear, or null for nothing drawn
};

TEST_F(ExButtonTest, DrawItemChoosesTheImageByHotAndDisabledOnly) {
    const DrawCase cases[] = {
        {"SCAN", FALSE, 0, "SCAN_NOTFOCUS"},
        {"SCAN", TRUE, 0, "SCAN_FOCUS"},
        {"SCAN", FALSE, ODS_DISABLED, "SCAN_DISABLE"},
        {"SCAN", TRUE, ODS_DISABLED, "SCAN_FOCUS"},                   // hot wins over disabled
        {"SCAN", FALSE, ODS_SELECTED | ODS_FOCUS, "SCAN_NOTFOCUS"},   // pressed and focus flags are not looked at
        {"SCAN", TRUE, ODS_SELECTED, "SCAN_FOCUS"},
        {"X", FALSE, ODS_DISABLED, nullptr},   // no disable image: nothing drawn
        {"OK", FALSE, ODS_DISABLED | ODS_FOCUS, nullptr},
        {"X", TRUE, ODS_DISABLED, "X_FOCUS"},
    };
    ASSERT_FALSE(SameImage(ProgramImage("SCAN_FOCUS"), ProgramImage("SCAN_NOTFOCUS")));
    ASSERT_FALSE(SameImage(ProgramImage("SCAN_DISABLE"), ProgramImage("SCAN_NOTFOCUS")));
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.caption << " hot " << c.hot << " state " << c.itemState);
        CExButton button;
        ASSERT_TRUE(button.SubclassDlgItem(IDC_NO_IMAGES, &host.window));
        std::string stem = c.caption;
        button.LoadStateBitmaps((stem + "_FOCUS").c_str(), (stem + "_NOTFOCUS").c_str(), (stem + "_DISABLE").c_str());
        button.m_bHot = c.hot;
        Image image = ProgramImage((stem + "_NOTFOCUS").c_str());

        Canvas canvas(image.width + 20, image.height + 20, kSentinel);
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_BUTTON;
        draw.itemAction = ODA_DRAWENTIRE;
        draw.itemState = c.itemState;
        draw.hwndItem = button.m_hWnd;
        draw.hDC = canvas.dc;
        SetRect(&draw.rcItem, 7, 5, 7 + image.width, 5 + image.height);
        button.DrawItem(&draw);

        Image drawn = canvas.Read();
        if (c.expected)
            EXPECT_TRUE(SameImage(ProgramImage(c.expected), Crop(drawn, 7, 5, image.width, image.height)));
        else
            EXPECT_TRUE(AllPixels(drawn, kSentinel));
        // Nothing outside the item rectangle.
        EXPECT_TRUE(AllPixels(Crop(drawn, 0, 0, image.width + 20, 5), kSentinel));
        EXPECT_TRUE(AllPixels(Crop(drawn, 0, 0, 7, image.height + 20), kSentinel));
        EXPECT_TRUE(AllPixels(Crop(drawn, 7 + image.width, 0, 13, image.height + 20), kSentinel));
    }
}

TEST_F(ExButtonTest, DrawItemCopiesOnlyABlockOfTheItemRectangleFromTheImageOrigin) {
    CExButton button;
    ASSERT_TRUE(button.LoadFromCaption(IDC_SCAN, &host.window));
    Canvas canvas(60, 20, kSentinel);
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_BUTTON;
    draw.hwndItem = button.m_hWnd;
    draw.hDC = canvas.dc;
    SetRect(&draw.rcItem, 10, 2, 40, 12);
    button.DrawItem(&draw);
    Image drawn = canvas.Read();
    EXPECT_TRUE(SameImage(Crop(ProgramImage("SCAN_NOTFOCUS"), 0, 0, 30, 10), Crop(drawn, 10, 2, 30, 10)));
    EXPECT_TRUE(AllPixels(Crop(drawn, 40, 0, 20, 20), kSentinel));
    EXPECT_TRUE(AllPixels(Crop(drawn, 0, 12, 60, 8), kSentinel));
}

// Through the dialog's own owner-draw requests: what the screen shows in each state.
TEST_F(ExButtonTest, ScreenShowsTheImageOfTheState) {
    CExButton scan, close;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    ASSERT_TRUE(close.LoadFromCaption(IDC_CLOSE_X, &host.window));
    scan.Invalidate(FALSE);   // resized without redrawing while the host is already shown
    close.SetFocus();
    EXPECT_TRUE(SameImage(ProgramImage("SCAN_NOTFOCUS"), host.Shot(IDC_SCAN)));
    EXPECT_TRUE(SameImage(ProgramImage("X_FOCUS"), host.Shot(IDC_CLOSE_X)));

    scan.SetFocus();   // tabbing onto a button shows its focus image
    EXPECT_TRUE(SameImage(ProgramImage("SCAN_FOCUS"), host.Shot(IDC_SCAN)));
    EXPECT_TRUE(SameImage(ProgramImage("X_NOTFOCUS"), host.Shot(IDC_CLOSE_X)));

    close.SetFocus();
    scan.EnableWindow(FALSE);
    EXPECT_TRUE(SameImage(ProgramImage("SCAN_DISABLE"), host.Shot(IDC_SCAN)));
}

TEST_F(ExButtonTest, PressingAndHoldingKeepsTheHotImage) {
    CExButton scan;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    scan.SendMessage(WM_MOUSEMOVE, 0, Point(20, 10));
    ASSERT_TRUE(scan.m_bHot);
    Image hot = host.Shot(IDC_SCAN);
    EXPECT_TRUE(SameImage(ProgramImage("SCAN_FOCUS"), hot));
    scan.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 10));
    EXPECT_EQ(BST_PUSHED, scan.SendMessage(BM_GETSTATE) & BST_PUSHED);
    EXPECT_TRUE(SameImage(hot, host.Shot(IDC_SCAN)));
    scan.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, Point(25, 12));
    EXPECT_TRUE(SameImage(hot, host.Shot(IDC_SCAN)));
}

// The Hot state table, one transition at a time, with the capture and focus it implies.
TEST_F(ExButtonTest, PointerOverTheButtonTakesFocusAndCaptureUntilItLeaves) {
    CExButton scan, close;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    ASSERT_TRUE(close.LoadFromCaption(IDC_CLOSE_X, &host.window));
    close.SetFocus();
    TakeInvalidation(scan.m_hWnd);

    scan.SendMessage(WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_TRUE(scan.m_bHot);
    EXPECT_EQ(scan.m_hWnd, GetCapture());
    EXPECT_EQ(scan.m_hWnd, GetFocus());
    EXPECT_FALSE(close.m_bHot);
    EXPECT_TRUE(TakeInvalidation(scan.m_hWnd));

    // Inside, edges included on the left and top: nothing changes.
    const POINT inside[] = {{0, 0}, {179, 32}, {90, 16}};
    for (POINT p : inside) {
        SCOPED_TRACE(testing::Message() << "inside (" << p.x << ", " << p.y << ")");
        scan.SendMessage(WM_MOUSEMOVE, 0, Point(p.x, p.y));
        EXPECT_TRUE(scan.m_bHot);
        EXPECT_EQ(scan.m_hWnd, GetCapture());
        EXPECT_FALSE(TakeInvalidation(scan.m_hWnd));
    }

    // Outside, right and bottom edges excluded, coordinates signed: the Hot state ends.
    const POINT outside[] = {{180, 5}, {5, 33}, {-1, 5}, {5, -3}, {400, 300}};
    for (POINT p : outside) {
        SCOPED_TRACE(testing::Message() << "outside (" << p.x << ", " << p.y << ")");
        scan.SendMessage(WM_MOUSEMOVE, 0, Point(5, 5));
        ASSERT_EQ(scan.m_hWnd, GetCapture());
        TakeInvalidation(scan.m_hWnd);
        scan.SendMessage(WM_MOUSEMOVE, 0, Point(p.x, p.y));
        EXPECT_FALSE(scan.m_bHot);
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ(scan.m_hWnd, GetFocus()) << "leaving does not give the focus back";
        EXPECT_TRUE(TakeInvalidation(scan.m_hWnd));
    }
    EXPECT_TRUE(SameImage(ProgramImage("SCAN_NOTFOCUS"), host.Shot(IDC_SCAN)));
}

TEST_F(ExButtonTest, PointerMovingOntoAnotherButtonHandsTheHotStateOver) {
    CExButton scan, close;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    ASSERT_TRUE(close.LoadFromCaption(IDC_CLOSE_X, &host.window));
    scan.SendMessage(WM_MOUSEMOVE, 0, Point(5, 5));
    ASSERT_TRUE(scan.m_bHot);
    // While SCAN holds the capture, the movement onto X is reported to SCAN first.
    scan.SendMessage(WM_MOUSEMOVE, 0, Point(300, 5));
    EXPECT_FALSE(scan.m_bHot);
    close.SendMessage(WM_MOUSEMOVE, 0, Point(3, 3));
    EXPECT_TRUE(close.m_bHot);
    EXPECT_EQ(close.m_hWnd, GetCapture());
    EXPECT_EQ(close.m_hWnd, GetFocus());
    EXPECT_FALSE(scan.m_bHot);
}

TEST_F(ExButtonTest, FocusAloneMakesTheButtonHotWithoutCapture) {
    NCExButton yes, no;
    ASSERT_TRUE(yes.LoadFromCaption(IDC_SCAN, &host.window));
    ASSERT_TRUE(no.LoadFromCaption(IDC_CLOSE_X, &host.window));
    yes.SetFocus();
    EXPECT_TRUE(yes.m_bHot);
    EXPECT_EQ(nullptr, GetCapture());
    TakeInvalidation(yes.m_hWnd);
    no.SetFocus();
    EXPECT_FALSE(yes.m_bHot);
    EXPECT_TRUE(no.m_bHot);
    EXPECT_TRUE(TakeInvalidation(yes.m_hWnd));
}

TEST_F(ExButtonTest, ClickReleasesTheCaptureAndTheNextMovementTakesItAgain) {
    CExButton scan;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    scan.SendMessage(WM_MOUSEMOVE, 0, Point(5, 5));
    scan.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    scan.SendMessage(WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(scan.m_bHot);
    scan.SendMessage(WM_MOUSEMOVE, 0, Point(6, 6));
    EXPECT_EQ(scan.m_hWnd, GetCapture());
    EXPECT_TRUE(scan.m_bHot);
}

TEST_F(ExButtonTest, WithoutImagesTheCapturedPointerCountsAsOutsideAtOnce) {
    CExButton button;
    ASSERT_TRUE(button.LoadFromCaption(IDC_NO_IMAGES, &host.window));
    button.SendMessage(WM_MOUSEMOVE, 0, Point(0, 0));
    EXPECT_TRUE(button.m_bHot);
    button.SendMessage(WM_MOUSEMOVE, 0, Point(0, 0));
    EXPECT_FALSE(button.m_bHot);
    EXPECT_EQ(nullptr, GetCapture());
}

WNDPROC s_hostProcedure;
WPARAM s_lastCommand;

LRESULT CALLBACK WatchCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) s_lastCommand = wParam;
    return CallWindowProcA(s_hostProcedure, hwnd, message, wParam, lParam);
}

TEST_F(ExButtonTest, TheClickStillReachesTheOwnerAsTheButtonsCommand) {
    CExButton scan;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    s_lastCommand = 0;
    s_hostProcedure = (WNDPROC)SetWindowLongPtrA(host.window.m_hWnd, GWLP_WNDPROC, (LONG_PTR)WatchCommands);
    scan.SendMessage(BM_CLICK);   // the platform button notifies its parent at once
    SetWindowLongPtrA(host.window.m_hWnd, GWLP_WNDPROC, (LONG_PTR)s_hostProcedure);
    EXPECT_EQ(MAKEWPARAM(IDC_SCAN, BN_CLICKED), s_lastCommand);
}

}   // namespace
