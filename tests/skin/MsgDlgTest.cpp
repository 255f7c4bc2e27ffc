// ToolMessageBox on the real template 142: buttons and picture by flags, results by the way
// the dialog ends, the layout's growth with the text, title and placement.
#include <algorithm>
#include <string>
#include "app/MainWindowGlobals.h"
#include "app/Settings.h"
#include "skin/LayoutMath.h"
#include "skin/MsgDlg.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

const COLORREF kDialogBlue = RGB(207, 233, 254);
const int kButtons[] = {IDOK, IDCANCEL, IDC_OK_ONLY, IDYES, IDNO};

CMsgDlg* DialogObject(HWND dialog) { return static_cast<CMsgDlg*>(CWnd::FromHandlePermanent(dialog)); }

RECT ClientRectOf(HWND dialog, int id) {
    RECT rc;
    HWND item = GetDlgItem(dialog, id);
    GetWindowRect(item, &rc);
    MapWindowPoints(0, dialog, (POINT*)&rc, 2);
    return rc;
}

SIZE SizeOf(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::string Text(HWND hwnd) {
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

void PressKey(HWND dialog, WPARAM key) {
    HWND target = GetFocus() ? GetFocus() : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

struct FlagCase {
    UINT flags;
    int visible;   // the one button, or the first of the pair, that shows
    int second;    // the pair's second button, or 0
    int picture;
};

// Buttons: 0x1 wins over 0x4; everything else gets the single OK. Pictures: 0x30 as a whole first.
std::vector<FlagCase> FlagTable() {
    struct Mode {
        UINT flags;
        int first, second;
    };
    const Mode modes[] = {{0x0, IDC_OK_ONLY, 0}, {0x1, IDOK, IDCANCEL}, {0x2, IDC_OK_ONLY, 0},
                          {0x3, IDOK, IDCANCEL}, {0x4, IDYES, IDNO},    {0x5, IDOK, IDCANCEL}};
    const struct {
        UINT bits;
        int picture;
    } icons[] = {{0x00, IDB_WARNING},     {0x10, IDB_ERROR},       {0x20, IDB_QUESTION}, {0x30, IDB_WARNING},
                 {0x40, IDB_INFORMATION}, {0x50, IDB_INFORMATION}, {0x70, IDB_WARNING}};
    std::vector<FlagCase> table;
    for (const Mode& m : modes)
        for (const auto& icon : icons) table.push_back({m.flags | icon.bits, m.first, m.second, icon.picture});
    return table;
}

class MsgDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_pMainDlg = 0;
        g_largeFonts = 0;
    }
    void TearDown() override {
        g_pMainDlg = 0;
        g_largeFonts = 0;
    }
};

TEST_F(MsgDlgTest, FlagsChooseTheButtonsAndThePicture) {
    for (const FlagCase& c : FlagTable()) {
        SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
        int result = RunMessageBox("Terminate the Scan now?", "Question", c.flags, [&](HWND dialog) {
            for (int id : kButtons) {
                SCOPED_TRACE(testing::Message() << "button " << id);
                HWND button = GetDlgItem(dialog, id);
                EXPECT_EQ(id == c.visible || id == c.second, IsWindowVisible(button) != 0);
                SIZE size = SizeOf(button);
                EXPECT_EQ(92, size.cx);
                EXPECT_EQ(24, size.cy);
            }
            CMsgDlg* object = DialogObject(dialog);
            ASSERT_NE(nullptr, object);
            EXPECT_EQ(c.picture, object->m_nIconId);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            // The picture on the screen is that bitmap, as far as both reach.
            OwnedBitmap picture(LoadProgramBitmap(MAKEINTRESOURCEA(c.picture)));
            Image shown = CaptureClient(GetDlgItem(dialog, IDC_MSG_PICTURE));
            int width = std::min(shown.width, 42), height = std::min(shown.height, 40);
            ASSERT_GT(width * height, 0);
            EXPECT_TRUE(
                SameImage(Crop(ImageOfBitmap(picture.handle), 0, 0, width, height), Crop(shown, 0, 0, width, height)));
        });
        EXPECT_EQ(c.visible == IDYES ? IDNO : IDCANCEL, result);
    }
}

enum Ending { CLICK_FIRST, CLICK_SECOND, ENTER, ESCAPE, CLOSE_BOX };

struct ResultCase {
    UINT flags;
    Ending ending;
    int expected;
};

void End(HWND dialog, const FlagCase& mode, Ending ending) {
    switch (ending) {
        case CLICK_FIRST:
            SendMessageA(GetDlgItem(dialog, mode.visible), BM_CLICK, 0, 0);
            break;
        case CLICK_SECOND:
            SendMessageA(GetDlgItem(dialog, mode.second), BM_CLICK, 0, 0);
            break;
        case ENTER:
            PressKey(dialog, VK_RETURN);
            break;
        case ESCAPE:
            PressKey(dialog, VK_ESCAPE);
            break;
        case CLOSE_BOX:
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
    }
}

TEST_F(MsgDlgTest, ResultsFollowTheWayTheDialogEnds) {
    const ResultCase cases[] = {
        {36, CLICK_FIRST, IDYES},    {36, CLICK_SECOND, IDNO},       {36, ESCAPE, IDNO},       {36, CLOSE_BOX, IDNO},
        {36, ENTER, IDYES},   // Enter answers as the default YES
        {0x41, CLICK_FIRST, IDOK},   {0x41, CLICK_SECOND, IDCANCEL}, {0x41, ESCAPE, IDCANCEL}, {0x41, ENTER, IDOK},
        {0x41, CLOSE_BOX, IDCANCEL}, {0, CLICK_FIRST, IDOK},         {0, ENTER, IDOK},         {0, ESCAPE, IDCANCEL},
        {0, CLOSE_BOX, IDCANCEL},    {3, CLICK_SECOND, IDCANCEL},
    };
    for (const ResultCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags << " ending " << c.ending);
        FlagCase mode = {};
        for (const FlagCase& f : FlagTable())
            if (f.flags == c.flags) mode = f;
        ASSERT_NE(0, mode.visible);
        int result =
            RunMessageBox("Restart the computer now?", "", c.flags, [&](HWND dialog) { End(dialog, mode, c.ending); });
        EXPECT_EQ(c.expected, result);
    }
}

TEST_F(MsgDlgTest, FocusStartsOnTheFirstVisibleButtonWhichShowsItsFocusImage) {
    const struct {
        UINT flags;
        int focused;
        const char* image;
    } cases[] = {{0, IDC_OK_ONLY, "OK_FOCUS"}, {0x41, IDOK, "OK_FOCUS"}, {36, IDYES, "YES_FOCUS"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        RunMessageBox("Question", "", c.flags, [&](HWND dialog) {
            HWND button = GetDlgItem(dialog, c.focused);
            EXPECT_EQ(button, GetFocus());
            CMsgDlg* object = DialogObject(dialog);
            EXPECT_TRUE(static_cast<NCExButton*>(CWnd::FromHandlePermanent(button))->m_bHot);
            EXPECT_STREQ("NCExButton", CWnd::FromHandlePermanent(button)->GetRuntimeClass()->m_lpszClassName);
            EXPECT_FALSE(object->m_btnNo.m_bHot);
            OwnedBitmap focus(LoadProgramBitmap(c.image));
            EXPECT_TRUE(SameImage(ImageOfBitmap(focus.handle), CaptureClient(button)));
            EndDialog(dialog, IDOK);
        });
    }
}

TEST_F(MsgDlgTest, PointerOverNoTakesTheFocusAndKeepsTheDefaultCursor) {
    RunMessageBox("Terminate the Scan now?", "", 36, [&](HWND dialog) {
        CMsgDlg* object = DialogObject(dialog);
        object->m_btnNo.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
        EXPECT_EQ(object->m_btnNo.m_hWnd, GetFocus());
        EXPECT_TRUE(object->m_btnNo.m_bHot);
        EXPECT_FALSE(object->m_btnYes.m_bHot);
        OwnedBitmap focus(LoadProgramBitmap("NO_FOCUS"));
        EXPECT_TRUE(SameImage(ImageOfBitmap(focus.handle), PaintedClient(object->m_btnNo.m_hWnd)));

        HCURSOR arrow = LoadCursorA(0, (LPCSTR)IDC_ARROW);
        SetCursor(LoadCursorA(0, (LPCSTR)IDC_CROSS));
        object->m_btnNo.SendMessage(WM_SETCURSOR, (WPARAM)object->m_btnNo.m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(arrow, GetCursor());
        ReleaseCapture();
        EndDialog(dialog, IDNO);
    });
}

// Growth with the message length, measured against the empty message.
struct Layout {
    SIZE window;
    RECT text;   // in the dialog's client coordinates
    RECT picture;
    RECT okOnly;
    POINT frame;   // the client area's offset inside the window: border, and caption below it
};

Layout LayoutFor(int length, UINT flags = 0) {
    Layout layout = {};
    std::string text(length, 'x');
    for (int i = 7; i < length; i += 8) text[i] = ' ';   // words, so the static control can wrap
    RunMessageBox(text.c_str(), "", flags, [&](HWND dialog) {
        layout.window = SizeOf(dialog);
        layout.text = ClientRectOf(dialog, IDC_MSG_TEXT);
        layout.picture = ClientRectOf(dialog, IDC_MSG_PICTURE);
        layout.okOnly = ClientRectOf(dialog, IDC_OK_ONLY);
        RECT window;
        GetWindowRect(dialog, &window);
        POINT client = {0, 0};
        ClientToScreen(dialog, &client);
        layout.frame = {client.x - window.left, client.y - window.top};
        EXPECT_EQ(text, Text(GetDlgItem(dialog, IDC_MSG_TEXT)));
        EndDialog(dialog, IDOK);
    });
    return layout;
}

TEST_F(MsgDlgTest, DialogTextBoxAndButtonsGrowWithTheMessage) {
    const struct {
        int length;
        int h, w, d;   // 1-3: worked examples; the others the edges of the H steps
    } rows[] = {
        {23, 10, 12, 7}, {95, 40, 50, 28}, {189, 70, 87, 49}, {0, 10, 12, 7},
        {29, 10, 12, 7}, {30, 20, 25, 14}, {89, 30, 37, 21},  {90, 40, 50, 28},
    };
    const Layout base = LayoutFor(0);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "length " << row.length);
        const Layout layout = LayoutFor(row.length);
        const int dw = row.w - 12, dd = row.d - 7;
        EXPECT_EQ(base.window.cx + dw, layout.window.cx);
        EXPECT_EQ(base.window.cy + dd, layout.window.cy);
        EXPECT_EQ(base.text.right - base.text.left + dw, layout.text.right - layout.text.left);
        EXPECT_EQ(base.text.bottom - base.text.top + dd, layout.text.bottom - layout.text.top);
        EXPECT_EQ(base.text.top, layout.text.top);
        EXPECT_EQ(base.okOnly.left + row.w / 2 - 6, layout.okOnly.left);
        // The button row's top was put at the window's height - 65 (a window coordinate used as a client one).
        EXPECT_EQ(layout.window.cy - 65, layout.okOnly.top);
        EXPECT_EQ(base.text.left, layout.text.left);
        // From three lines on, the picture moves to the text's old top - 30, taken (like its own
        // left) as a window coordinate: so it also moves right by the border.
        if (row.h > 30) {
            EXPECT_EQ(layout.text.top - 5, layout.picture.top);
            EXPECT_EQ(base.picture.left + layout.frame.x, layout.picture.left);
        } else {
            EXPECT_EQ(base.picture.top, layout.picture.top);
            EXPECT_EQ(base.picture.left, layout.picture.left);
        }
    }
}

TEST_F(MsgDlgTest, LargeFontsGiveTheTextBoxAnother25Pixels) {
    const Layout normal = LayoutFor(40);
    g_largeFonts = 1;
    const Layout large = LayoutFor(40);
    EXPECT_EQ(normal.text.bottom - normal.text.top + 25, large.text.bottom - large.text.top);
    EXPECT_EQ(normal.window.cy, large.window.cy);
}

TEST_F(MsgDlgTest, EveryModeMovesItsButtonsToTheSameRow) {
    for (UINT flags : {0u, 0x41u, 36u}) {
        SCOPED_TRACE(testing::Message() << "flags " << flags);
        RunMessageBox("Remove the file?", "", flags, [&](HWND dialog) {
            int height = SizeOf(dialog).cy;
            for (int id : kButtons) EXPECT_EQ(height - 65, ClientRectOf(dialog, id).top) << "button " << id;
            EndDialog(dialog, IDOK);
        });
    }
}

TEST_F(MsgDlgTest, TitleIsTheCaptionOrTheToolTitle) {
    const struct {
        const char* caption;
        const char* title;
    } cases[] = {{"DialogBoxTitle", "DialogBoxTitle"},
                 {"Sweepwright Ver 1.0", "Sweepwright Ver 1.0"},
                 {"", "Sweepwright Ver 1.0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        RunMessageBox("Text", c.caption, 36, [&](HWND dialog) {
            EXPECT_EQ(c.title, Text(dialog));
            EndDialog(dialog, IDOK);
        });
    }
}

TEST_F(MsgDlgTest, DialogIsCentredOverTheMainWindow) {
    ButtonHost main;
    SetWindowPos(main.window.m_hWnd, 0, 300, 200, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    g_pMainDlg = &main.window;
    RunMessageBox("Centred", "", 0, [&](HWND dialog) {
        RECT rc;
        GetWindowRect(dialog, &rc);
        EXPECT_NEAR(500, (rc.left + rc.right) / 2, 1);
        EXPECT_NEAR(350, (rc.top + rc.bottom) / 2, 1);
        EndDialog(dialog, IDOK);
    });
}

TEST_F(MsgDlgTest, WithoutAMainWindowTheDialogIsCentredOnTheScreen) {
    RunMessageBox("Centred", "", 0, [&](HWND dialog) {
        RECT rc, area;
        GetWindowRect(dialog, &rc);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        EXPECT_NEAR((area.left + area.right) / 2, (rc.left + rc.right) / 2, 1);
        EXPECT_NEAR((area.top + area.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
        EndDialog(dialog, IDOK);
    });
}

TEST_F(MsgDlgTest, DialogAndTextAreLightBlue) {
    RunMessageBox("Short", "", 0x41, [&](HWND dialog) {
        Image client = CaptureClient(dialog);
        EXPECT_EQ(kDialogBlue, client.At(2, client.height - 2));
        EXPECT_EQ(kDialogBlue, client.At(client.width - 2, 2));
        // Below the one line of text, inside the text box.
        RECT text = ClientRectOf(dialog, IDC_MSG_TEXT);
        EXPECT_EQ(kDialogBlue, client.At(text.right - 3, text.bottom - 3));
        EndDialog(dialog, IDOK);
    });
}

TEST_F(MsgDlgTest, MissingPictureDrawsNothingAndTheDialogStillWorks) {
    CMsgDlg dialog;
    dialog.m_strText = "No picture";
    dialog.m_bOkOnly = TRUE;
    dialog.m_nIconId = 999;
    int result = RunModal([&] { return (int)dialog.DoModal(); },
                          [&](HWND hwnd) {
                              EXPECT_TRUE(AllPixels(CaptureClient(GetDlgItem(hwnd, IDC_MSG_PICTURE)), kDialogBlue));
                              SendMessageA(GetDlgItem(hwnd, IDC_OK_ONLY), BM_CLICK, 0, 0);
                          });
    EXPECT_EQ(IDOK, result);
}

}   // namespace
