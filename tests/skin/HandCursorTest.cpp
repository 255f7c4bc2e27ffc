// The hand cursor. HandCursorWithHelpProgram runs in a prefix whose help program carries
// cursor 106 (a prefix of its own, see CMakeLists.txt); the other suite in the shared prefix, whose Wine
// help program has no such cursor.
#include "skin/ExButton.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

bool HelpProgramHasCursor106() {
    char path[MAX_PATH];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    lstrcpynA(path + length, "\\winhlp32.exe", (int)(sizeof path - length));
    HMODULE help = LoadLibraryA(path);
    if (!help) return false;
    bool found = LoadCursorA(help, MAKEINTRESOURCEA(106)) != 0;
    FreeLibrary(help);
    return found;
}

LRESULT SendSetCursor(CWnd& button) {
    return button.SendMessage(WM_SETCURSOR, (WPARAM)button.m_hWnd, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

const HCURSOR kCross = LoadCursorA(0, (LPCSTR)IDC_CROSS);
const HCURSOR kArrow = LoadCursorA(0, (LPCSTR)IDC_ARROW);

TEST(HandCursorWithoutHelpCursor, ButtonKeepsTheDefaultCursor) {
    ASSERT_FALSE(HelpProgramHasCursor106()) << "this suite expects Wine's own help program";
    ButtonHost host;
    CExButton scan;
    ASSERT_TRUE(scan.LoadFromCaption(IDC_SCAN, &host.window));
    scan.LoadHandCursor();
    EXPECT_EQ(nullptr, scan.m_hHandCursor);
    SetCursor(kCross);
    SendSetCursor(scan);
    EXPECT_EQ(kArrow, GetCursor());
}

TEST(HandCursorWithHelpProgram, LoadedOnceAsACopyThatOutlivesTheHelpProgram) {
    ASSERT_TRUE(HelpProgramHasCursor106());
    ButtonHost host;
    HCURSOR copy;
    {
        CExButton ulink;
        ASSERT_TRUE(ulink.LoadFromCaption(IDC_ULINK, &host.window));
        ulink.LoadHandCursor();
        copy = ulink.m_hHandCursor;
        ASSERT_NE(nullptr, copy);
        ICONINFO info;
        ASSERT_TRUE(GetIconInfo(copy, &info)) << "the copy stays valid after the help program is freed";
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(5u, info.xHotspot);
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        ulink.LoadHandCursor();
        EXPECT_EQ(copy, ulink.m_hHandCursor) << "a second call loads nothing";
        EXPECT_EQ(nullptr, GetModuleHandleA("winhlp32.exe")) << "the help program is released";

        // Each button holds its own copy.
        CExButton close;
        ASSERT_TRUE(close.LoadFromCaption(IDC_CLOSE_X, &host.window));
        close.LoadHandCursor();
        EXPECT_NE(nullptr, close.m_hHandCursor);
        EXPECT_NE(copy, close.m_hHandCursor);

        SetCursor(kCross);
        EXPECT_TRUE(SendSetCursor(ulink));
        EXPECT_EQ(copy, GetCursor());
        SetCursor(kArrow);
    }
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(copy, &info)) << "the copy goes with its button";
}

TEST(HandCursorWithHelpProgram, DialogButtonsAndTheLogoKeepTheDefaultCursor) {
    ASSERT_TRUE(HelpProgramHasCursor106());
    ButtonHost host;
    CExButton logo;
    NCExButton ok;
    ASSERT_TRUE(logo.LoadFromCaption(IDC_LOGO, &host.window));
    ASSERT_TRUE(ok.LoadFromCaption(IDC_OK, &host.window));
    SetCursor(kCross);
    SendSetCursor(logo);
    EXPECT_EQ(kArrow, GetCursor());
    SetCursor(kCross);
    SendSetCursor(ok);
    EXPECT_EQ(kArrow, GetCursor());
}

}   // namespace
