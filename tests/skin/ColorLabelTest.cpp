// The painted family label on a real dialog: where its text cells land, in which colours and
// which font, read back from the screen.
#include "app/Settings.h"
#include "skin/ColorLabel.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const COLORREF kBandBlue = RGB(2, 77, 246);
const COLORREF kWhite = RGB(255, 255, 255);

// The rectangle of everything the label painted over the dialog's own background.
struct Painted {
    RECT box = {0, 0, 0, 0};
    int blue = 0, white = 0;
};

Painted PaintedPart(const Image& image, COLORREF background) {
    Painted painted;
    painted.box = {image.width, image.height, 0, 0};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            COLORREF c = image.At(x, y);
            if (c == background) continue;
            painted.blue += c == kBandBlue;
            painted.white += c == kWhite;
            if (x < painted.box.left) painted.box.left = x;
            if (y < painted.box.top) painted.box.top = y;
            if (x + 1 > painted.box.right) painted.box.right = x + 1;
            if (y + 1 > painted.box.bottom) painted.box.bottom = y + 1;
        }
    return painted;
}

class ColorLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(label.SubclassDlgItem(IDC_FAMILY_LABEL, &host.window));
        UseLabelFont(15);
    }
    void TearDown() override { g_labelFont.DeleteObject(); }

    // As the main window makes it: the dialog's font at the given height, bold.
    void UseLabelFont(int height) {
        LOGFONTA font;
        GetObjectA(host.window.GetFont(), sizeof font, &font);
        font.lfHeight = height;
        font.lfWeight = 700;
        font.lfItalic = font.lfUnderline = 0;
        g_labelFont.CreateFontIndirect(&font);
    }
    int LineHeight(HGDIOBJ font) {
        HDC dc = GetDC(label.m_hWnd);
        HGDIOBJ old = font ? SelectObject(dc, font) : 0;
        TEXTMETRICA metrics;
        GetTextMetricsA(dc, &metrics);
        if (old) SelectObject(dc, old);
        ReleaseDC(label.m_hWnd, dc);
        return metrics.tmHeight;
    }
    Painted Paint(const char* text) {
        label.SetWindowText(text);
        RedrawWindow(host.window.m_hWnd, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        shot = CaptureClient(label.m_hWnd);
        return PaintedPart(shot, GetSysColor(COLOR_BTNFACE));
    }

    ButtonHost host;
    CColorLabel label;
    Image shot;
};

TEST_F(ColorLabelTest, TextIsWhiteOnBlueCellsCentredFromTheTop) {
    EXPECT_EQ(kWhite, label.m_crText);
    Painted painted = Paint("for W32/Drellmoxin Trojan ");
    EXPECT_GT(painted.blue, 0);
    EXPECT_GT(painted.white, 0);
    EXPECT_EQ(0, painted.box.top);
    EXPECT_EQ(LineHeight(g_labelFont.GetSafeHandle()), painted.box.bottom);
    EXPECT_NEAR(painted.box.left, shot.width - painted.box.right, 1);
    EXPECT_EQ(kBandBlue, shot.At(painted.box.left, 0));
    EXPECT_EQ(std::string("for W32/Drellmoxin Trojan "), (const char*)label.m_strLabel);
    EXPECT_EQ(shot.width, label.m_rcLabel.right);
    EXPECT_EQ(shot.height, label.m_rcLabel.bottom);
}

TEST_F(ColorLabelTest, LineBreakGivesTwoCentredLines) {
    int line = LineHeight(g_labelFont.GetSafeHandle());
    RECT client;
    label.GetClientRect(&client);
    ASSERT_LT(2 * line, client.bottom) << "label too low for two lines";
    Painted painted = Paint("first line\nsecond");
    EXPECT_EQ(0, painted.box.top);
    EXPECT_EQ(2 * line, painted.box.bottom);
    // The shorter second line is centred on its own.
    Painted second = PaintedPart(Crop(shot, 0, line, shot.width, line), GetSysColor(COLOR_BTNFACE));
    EXPECT_NEAR(second.box.left, shot.width - second.box.right, 1);
    EXPECT_GT(second.box.left, painted.box.left);
}

TEST_F(ColorLabelTest, TextWiderThanTheLabelIsCutNotWrapped) {
    int line = LineHeight(g_labelFont.GetSafeHandle());
    Painted painted = Paint("W32/Drellmoxin W32/Drellmoxin W32/Drellmoxin W32/Drellmoxin W32/Drellmoxin");
    EXPECT_EQ(0, painted.box.left);
    EXPECT_EQ(shot.width, painted.box.right);
    EXPECT_EQ(line, painted.box.bottom);
}

TEST_F(ColorLabelTest, NewTextShowsAtTheNextPaintStillWhite) {
    Painted before = Paint("for W32/Drellmoxin Trojan ");
    Painted after = Paint("x");
    EXPECT_LT(after.box.right - after.box.left, before.box.right - before.box.left);
    EXPECT_GT(after.white, 0);
    EXPECT_EQ(std::string("x"), (const char*)label.m_strLabel);
}

TEST_F(ColorLabelTest, DrawsWithTheSharedLabelFont) {
    g_labelFont.DeleteObject();
    UseLabelFont(30);
    int tall = LineHeight(g_labelFont.GetSafeHandle());
    EXPECT_EQ(tall, Paint("Tall").box.bottom);
    // Without a label font the device context's own font is used.
    g_labelFont.DeleteObject();
    int own = LineHeight(0);
    ASSERT_NE(tall, own);
    EXPECT_EQ(own, Paint("Own").box.bottom);
}

TEST_F(ColorLabelTest, ReportsTheStaticControlsRuntimeClass) {
    EXPECT_EQ(RUNTIME_CLASS(CStatic), label.GetRuntimeClass());
}

}   // namespace
