// Loads the resources of the built program under Wine the way the program does and checks that
// what reaches the screen is what was drawn: the bitmaps survive LR_LOADMAP3DCOLORS unchanged,
// and the main window's controls, laid out for the 600 x 337 design size, land on the areas of
// the background that were left for them.
//   ResourceLoadTest PATH\TO\Sweepwright.exe [gtest options]
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

std::string g_exePath;
HMODULE g_exe;

const COLORREF kLightBlue = RGB(207, 233, 254);
const COLORREF kBandBlue = RGB(2, 77, 246);
const COLORREF kWhite = RGB(255, 255, 255);

// The design client size the main window lays its controls out for.
const double kDesignWidth = 600.0, kDesignHeight = 337.0;

const char* const kNamedBitmaps[] = {
    "SCAN_FOCUS",         "SCAN_NOTFOCUS",         "SCAN_DISABLE", "DOWNLOAD_FOCUS",
    "DOWNLOAD_NOTFOCUS",  "DOWNLOAD_DISABLE",      "X_FOCUS",      "X_NOTFOCUS",
    "OK_FOCUS",           "OK_NOTFOCUS",           "CANCEL_FOCUS", "CANCEL_NOTFOCUS",
    "YES_FOCUS",          "YES_NOTFOCUS",          "NO_FOCUS",     "NO_NOTFOCUS",
    "DLINK_FOCUS",        "DLINK_NOTFOCUS",        "ULINK_FOCUS",  "ULINK_NOTFOCUS",
    "CORVANELLOGO_FOCUS", "CORVANELLOGO_NOTFOCUS",
};
const WORD kNumberedBitmaps[] = {IDB_INFORMATION, IDB_QUESTION, IDB_WARNING, IDB_ERROR, IDB_BACKGROUND};

// A bitmap read back as top-down 0x00RRGGBB pixels.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> rgb;
    COLORREF at(int x, int y) const {
        DWORD p = rgb[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

Pixels ReadPixels(HBITMAP bitmap) {
    Pixels out;
    BITMAP bm;
    if (!bitmap || !GetObjectA(bitmap, sizeof(bm), &bm)) return out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> rgb(bm.bmWidth * bm.bmHeight + 1, 0xBDBDBDBD);
    HDC screen = GetDC(NULL);
    int rows = GetDIBits(screen, bitmap, 0, bm.bmHeight, rgb.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    if (rows != bm.bmHeight || rgb.back() != 0xBDBDBDBD) return out;
    rgb.pop_back();
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.rgb.swap(rgb);
    return out;
}

Pixels LoadPixels(HINSTANCE module, const char* name, UINT flags) {
    HBITMAP bitmap = (HBITMAP)LoadImageA(module, name, IMAGE_BITMAP, 0, 0, flags);
    Pixels pixels = ReadPixels(bitmap);
    if (bitmap) DeleteObject(bitmap);
    return pixels;
}

std::string Hex(DWORD value) {
    char text[16];
    snprintf(text, sizeof(text), "%06lx", (unsigned long)value);
    return text;
}

std::string Name(const char* name) {
    return IS_INTRESOURCE(name) ? std::to_string((UINT)(UINT_PTR)name) : std::string(name);
}

// Loading with the 3-D colour mapping gives exactly the pixels of a plain load.
::testing::AssertionResult SurvivesColourMapping(const char* name) {
    Pixels mapped = LoadPixels(g_exe, name, LR_LOADMAP3DCOLORS);
    Pixels plain = LoadPixels(g_exe, name, LR_DEFAULTCOLOR);
    if (!mapped.width || !plain.width) return ::testing::AssertionFailure() << Name(name) << " does not load";
    for (size_t i = 0; i < plain.rgb.size(); ++i)
        if (mapped.rgb[i] != plain.rgb[i])
            return ::testing::AssertionFailure()
                   << Name(name) << ": pixel " << i % plain.width << "," << i / plain.width << " changes from "
                   << Hex(plain.rgb[i]) << " to " << Hex(mapped.rgb[i]);
    return ::testing::AssertionSuccess();
}

class ProgramResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Wine opens host paths through its \\?\unix\ prefix, the test prefix has no drive for them.
        std::string path = g_exePath;
        if (!path.empty() && path[0] == '/') {
            for (char& c : path)
                if (c == '/') c = '\\';
            path = "\\\\?\\unix" + path;
        }
        g_exe = LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    void SetUp() override { ASSERT_TRUE(g_exe != NULL) << "cannot open the program \"" << g_exePath << "\""; }
};

TEST_F(ProgramResources, MappingWouldChangeAPaletteGreyHere) {
    // The next test means something only if the system's 3-D colours are not the greys
    // themselves, and if the mapping really swaps a grey of a colour table.
    ASSERT_NE(GetSysColor(COLOR_3DFACE), RGB(192, 192, 192));
    ASSERT_NE(GetSysColor(COLOR_3DSHADOW), RGB(128, 128, 128));
    ASSERT_NE(GetSysColor(COLOR_3DLIGHT), RGB(223, 223, 223));

    char folder[MAX_PATH], file[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof(folder), folder));
    ASSERT_NE(0u, GetTempFileNameA(folder, "swr", 0, file));
    // a 1 x 1 bitmap of 8 bits whose only colour is the grey RGB(192, 192, 192)
    BITMAPINFOHEADER info = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 8, BI_RGB, 4, 0, 0, 256, 0};
    RGBQUAD colours[256] = {{192, 192, 192, 0}};
    const BYTE bits[4] = {0, 0, 0, 0};
    BITMAPFILEHEADER head = {0x4D42, sizeof(head) + sizeof(info) + sizeof(colours) + sizeof(bits), 0, 0,
                             sizeof(head) + sizeof(info) + sizeof(colours)};
    FILE* out = fopen(file, "wb");
    ASSERT_TRUE(out != NULL);
    fwrite(&head, sizeof(head), 1, out);
    fwrite(&info, sizeof(info), 1, out);
    fwrite(colours, sizeof(colours), 1, out);
    fwrite(bits, sizeof(bits), 1, out);
    fclose(out);
    Pixels mapped = LoadPixels(NULL, file, LR_LOADFROMFILE | LR_LOADMAP3DCOLORS);
    DeleteFileA(file);
    ASSERT_EQ(1, mapped.width);
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), mapped.at(0, 0));
}

TEST_F(ProgramResources, EveryBitmapKeepsItsColoursUnderTheColourMapping) {
    for (const char* name : kNamedBitmaps) EXPECT_TRUE(SurvivesColourMapping(name));
    for (WORD number : kNumberedBitmaps) EXPECT_TRUE(SurvivesColourMapping(MAKEINTRESOURCEA(number)));
}

TEST_F(ProgramResources, IconLoadsInBothSizes) {
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        HICON icon = (HICON)LoadImageA(g_exe, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, size, size, 0);
        ASSERT_TRUE(icon != NULL);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm;
        ASSERT_TRUE(GetObjectA(info.hbmColor, sizeof(bm), &bm));
        EXPECT_EQ(size, bm.bmWidth);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Where the main window's controls end up: the framework creates template 141 at the screen
// origin, the window scales every child from its client size to the design size, and each
// bitmap button then takes the size of its "_NOTFOCUS" image.
class MainWindowLayout : public ProgramResources {
protected:
    void SetUp() override {
        ProgramResources::SetUp();
        dialog_ = CreateDialogParamA(g_exe, MAKEINTRESOURCEA(IDD_MAIN), NULL, QuietDialog, 0);
        ASSERT_TRUE(dialog_ != NULL);
        background_ = LoadPixels(g_exe, MAKEINTRESOURCEA(IDB_BACKGROUND), LR_LOADMAP3DCOLORS);
        ASSERT_EQ(527, background_.width);
        ASSERT_EQ(338, background_.height);
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
    }

    RECT Placed(int id) const {
        RECT client, r;
        GetClientRect(dialog_, &client);
        double sx = client.right / kDesignWidth, sy = client.bottom / kDesignHeight;
        HWND control = GetDlgItem(dialog_, id);
        GetWindowRect(control, &r);
        POINT topLeft = {(LONG)(r.left / sx), (LONG)(r.top / sy)};
        LONG width = (LONG)(r.right / sx) - topLeft.x, height = (LONG)(r.bottom / sy) - topLeft.y;
        ScreenToClient(dialog_, &topLeft);
        char caption[64] = "", kind[16] = "";
        GetWindowTextA(control, caption, sizeof(caption));
        GetClassNameA(control, kind, sizeof(kind));
        if (lstrcmpiA(kind, "Button") == 0 && (GetWindowLongA(control, GWL_STYLE) & 0xF) == BS_OWNERDRAW) {
            Pixels image = LoadPixels(g_exe, (std::string(caption) + "_NOTFOCUS").c_str(), LR_LOADMAP3DCOLORS);
            width = image.width;
            height = image.height;
        }
        return {topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + height};
    }

    // Every background pixel under the control has one colour.
    ::testing::AssertionResult StandsOn(int id, COLORREF colour) const {
        RECT r = Placed(id);
        if (r.left < 0 || r.top < 0 || r.right > background_.width || r.bottom > background_.height)
            return ::testing::AssertionFailure() << id << " lies outside the background";
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (background_.at(x, y) != colour)
                    return ::testing::AssertionFailure()
                           << id << " covers " << Hex(background_.at(x, y)) << " (0x00BBGGRR) at " << x << "," << y;
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult Inside(int id, RECT area) const {
        RECT r = Placed(id), joined;
        UnionRect(&joined, &r, &area);
        if (!EqualRect(&joined, &area))
            return ::testing::AssertionFailure() << id << " at (" << r.left << "," << r.top << ")-(" << r.right << ","
                                                 << r.bottom << ") leaves its area";
        return ::testing::AssertionSuccess();
    }

    HWND dialog_ = NULL;
    Pixels background_;
};

TEST_F(MainWindowLayout, FamilyLabelLiesOnPlainBand) {
    RECT label = Placed(IDC_FAMILY_LABEL);
    EXPECT_LT(label.bottom, 64);
    EXPECT_TRUE(StandsOn(IDC_FAMILY_LABEL, kBandBlue));
}

TEST_F(MainWindowLayout, CloseBoxSitsOnTheBand) {
    RECT box = Placed(IDC_CLOSE_X);
    EXPECT_LE(box.bottom, 64);
    EXPECT_LE(box.right, 527);
    EXPECT_TRUE(StandsOn(IDC_CLOSE_X, kBandBlue));
}

TEST_F(MainWindowLayout, ButtonsBlendIntoTheLightBlueFields) {
    const struct {
        int id;
        const char* image;
    } buttons[] = {
        {IDC_SCAN, "SCAN_NOTFOCUS"},   {IDC_DOWNLOAD, "DOWNLOAD_NOTFOCUS"}, {IDC_OK, "OK_NOTFOCUS"},
        {IDCANCEL, "CANCEL_NOTFOCUS"}, {IDC_ULINK, "ULINK_NOTFOCUS"},       {IDC_LOGO, "CORVANELLOGO_NOTFOCUS"},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.image);
        EXPECT_TRUE(StandsOn(button.id, kLightBlue));
        Pixels image = LoadPixels(g_exe, button.image, LR_LOADMAP3DCOLORS);
        ASSERT_GT(image.width, 0);
        for (POINT corner : {POINT{0, 0}, POINT{image.width - 1, 0}, POINT{0, image.height - 1},
                             POINT{image.width - 1, image.height - 1}})
            EXPECT_EQ(kLightBlue, image.at(corner.x, corner.y)) << corner.x << "," << corner.y;
    }
}

TEST_F(MainWindowLayout, TextsListAndProductLinkLieOnTheWhitePanel) {
    const RECT panel = {6, 110, 521, 276};
    for (int id : {IDC_HEADING, IDC_LEGAL, IDC_NOTICE, IDC_SEARCH_LABEL, IDC_STATUS, IDC_GRP_STATUS, IDC_GRP_REPORT,
                   IDC_REPORT_LIST, IDC_DLINK})
        EXPECT_TRUE(Inside(id, panel));
    for (int id : {IDC_HEADING, IDC_LEGAL, IDC_NOTICE, IDC_SEARCH_LABEL, IDC_STATUS}) EXPECT_TRUE(StandsOn(id, kWhite));
}

TEST_F(MainWindowLayout, ControlsShownTogetherDoNotOverlap) {
    // before a scan: SCAN, DOWNLOAD, X, the two links, the logo and the family label
    const int shown[] = {IDC_SCAN, IDC_DOWNLOAD, IDC_CLOSE_X, IDC_DLINK, IDC_ULINK, IDC_LOGO, IDC_FAMILY_LABEL};
    for (int a : shown)
        for (int b : shown) {
            if (a >= b) continue;
            RECT ra = Placed(a), rb = Placed(b), both;
            EXPECT_FALSE(IntersectRect(&both, &ra, &rb)) << a << " overlaps " << b;
        }
}

TEST_F(ProgramResources, MessagePicturesFitTheirControl) {
    HWND dialog = CreateDialogParamA(g_exe, MAKEINTRESOURCEA(IDD_MSGBOX), NULL, QuietDialog, 0);
    ASSERT_TRUE(dialog != NULL);
    RECT area;
    GetClientRect(GetDlgItem(dialog, IDC_MSG_PICTURE), &area);
    DestroyWindow(dialog);
    ASSERT_GT(area.right, 0);
    for (WORD number : {IDB_INFORMATION, IDB_QUESTION, IDB_WARNING, IDB_ERROR}) {
        SCOPED_TRACE(number);
        Pixels picture = LoadPixels(g_exe, MAKEINTRESOURCEA(number), LR_LOADMAP3DCOLORS);
        ASSERT_EQ(42, picture.width);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                if (x >= area.right || y >= area.bottom) {
                    ASSERT_EQ(kLightBlue, picture.at(x, y)) << "cut off at " << x << "," << y;
                }
            }
    }
}

}   // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) g_exePath = argv[1];
    return RUN_ALL_TESTS();
}
