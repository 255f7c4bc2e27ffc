// Message maps on a real window: a handled message reaches its one handler and nothing else,
// an unhandled one reaches the window's original procedure, derived maps override their
// base's entries, and Default() processes the message being handled, also after nested ones.
#include <string.h>
#include <string>
#include "tests/framework/WindowTestSupport.h"

namespace {

const UINT kMsgOverridden = WM_APP + 1;   // in both maps
const UINT kMsgBaseOnly = WM_APP + 2;     // in the base map only
const UINT kMsgDefaulting = WM_APP + 3;   // handler returns Default() + 1
const UINT kMsgNested = WM_APP + 4;       // handler sends kMsgDefaulting, then calls Default()
const UINT kMsgUnhandled = WM_APP + 5;    // in no map

class CBaseProbe : public CWnd {
public:
    std::vector<std::string> calls;

protected:
    LRESULT OnOverriddenInBase(WPARAM, LPARAM) {
        calls.push_back("base overridden");
        return 1;
    }
    LRESULT OnBaseOnly(WPARAM, LPARAM) {
        calls.push_back("base only");
        return 2;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseProbe, CWnd)
    ON_MESSAGE(kMsgOverridden, OnOverriddenInBase)
    ON_MESSAGE(kMsgBaseOnly, OnBaseOnly)
END_MESSAGE_MAP()

class CDerivedProbe : public CBaseProbe {
public:
    CWnd* nestedTarget = 0;   // where OnNested sends its inner message; this window when null
    UINT messageAfterNested = 0;
    std::vector<WPARAM> tenArgs, elevenArgs, timerIds;
    std::vector<CPoint> movePoints, downPoints;
    std::vector<UINT> moveFlags;
    HWND setFocusOld = 0;
    CWnd* cursorWnd = 0;
    UINT cursorHitTest = 0, cursorMessage = 0;

protected:
    LRESULT OnOverridden(WPARAM, LPARAM) {
        calls.push_back("derived overridden");
        return 3;
    }
    LRESULT OnTen(WPARAM w, LPARAM) {
        tenArgs.push_back(w);
        return 10;
    }
    LRESULT OnEleven(WPARAM w, LPARAM) {
        elevenArgs.push_back(w);
        return 11;
    }
    LRESULT OnDefaulting(WPARAM, LPARAM) {
        calls.push_back("defaulting");
        return Default() + 1;
    }
    LRESULT OnNested(WPARAM, LPARAM) {
        calls.push_back("nested");
        ::SendMessageA(nestedTarget ? nestedTarget->m_hWnd : m_hWnd, kMsgDefaulting, 99, 0);
        messageAfterNested = AfxCurrentMessage()->message;
        return Default();
    }
    void OnTimer(UINT_PTR nIDEvent) {
        timerIds.push_back(nIDEvent);
        CWnd::OnTimer(nIDEvent);
    }
    void OnMouseMove(UINT nFlags, CPoint point) {
        moveFlags.push_back(nFlags);
        movePoints.push_back(point);
    }
    void OnLButtonDown(UINT, CPoint point) { downPoints.push_back(point); }
    void OnSetFocus(CWnd* pOldWnd) { setFocusOld = pOldWnd ? pOldWnd->m_hWnd : 0; }
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
        cursorWnd = pWnd;
        cursorHitTest = nHitTest;
        cursorMessage = message;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedProbe, CBaseProbe)
    ON_MESSAGE(kMsgOverridden, OnOverridden)
    ON_MESSAGE(10, OnTen)
    ON_MESSAGE(11, OnEleven)
    ON_MESSAGE(kMsgDefaulting, OnDefaulting)
    ON_MESSAGE(kMsgNested, OnNested)
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_SETFOCUS()
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

class MessageMapTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_recorded.clear();
        ASSERT_NE(nullptr, window.hwnd);
        ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    }
    WindowGuard window{CreateRecorder()};
    CDerivedProbe probe;
};

TEST_F(MessageMapTest, HandledMessageReachesOnlyItsHandler) {
    EXPECT_EQ(3, probe.SendMessage(kMsgOverridden, 5, 6));
    EXPECT_EQ(std::vector<std::string>{"derived overridden"}, probe.calls);
    EXPECT_EQ(0, RecordedCount(window.hwnd, kMsgOverridden)) << "a handled message also got default processing";
}

TEST_F(MessageMapTest, BaseEntryServesWhenDerivedMapLacksIt) {
    EXPECT_EQ(2, probe.SendMessage(kMsgBaseOnly));
    EXPECT_EQ(std::vector<std::string>{"base only"}, probe.calls);
    EXPECT_EQ(0, RecordedCount(window.hwnd, kMsgBaseOnly));
}

TEST_F(MessageMapTest, BaseObjectKeepsItsOwnEntryForAMessageADerivedMapOverrides) {
    WindowGuard other(CreateRecorder());
    CBaseProbe base;
    ASSERT_TRUE(base.SubclassWindow(other.hwnd));
    EXPECT_EQ(1, base.SendMessage(kMsgOverridden));
    EXPECT_EQ(std::vector<std::string>{"base overridden"}, base.calls);
}

TEST_F(MessageMapTest, UnhandledMessageReachesTheOriginalProcedure) {
    EXPECT_EQ(RecorderAnswer(kMsgUnhandled, 7), probe.SendMessage(kMsgUnhandled, 7));
    EXPECT_EQ(std::vector<WPARAM>{7}, RecordedWParams(window.hwnd, kMsgUnhandled));
    EXPECT_TRUE(probe.calls.empty());
}

TEST_F(MessageMapTest, DefaultFromAHandlerRunsTheOriginalProcessing) {
    EXPECT_EQ(RecorderAnswer(kMsgDefaulting, 4) + 1, probe.SendMessage(kMsgDefaulting, 4));
    EXPECT_EQ(std::vector<WPARAM>{4}, RecordedWParams(window.hwnd, kMsgDefaulting));
}

TEST_F(MessageMapTest, DefaultAfterANestedMessageProcessesTheOuterOne) {
    EXPECT_EQ(RecorderAnswer(kMsgNested, 7), probe.SendMessage(kMsgNested, 7));
    EXPECT_EQ(kMsgNested, probe.messageAfterNested);
    EXPECT_EQ(std::vector<WPARAM>{7}, RecordedWParams(window.hwnd, kMsgNested));
    EXPECT_EQ(std::vector<WPARAM>{99}, RecordedWParams(window.hwnd, kMsgDefaulting));
    EXPECT_EQ((std::vector<std::string>{"nested", "defaulting"}), probe.calls);
}

TEST_F(MessageMapTest, DefaultAfterAMessageToAnotherWindowProcessesTheOuterOne) {
    WindowGuard other(CreateRecorder());
    CDerivedProbe partner;
    ASSERT_TRUE(partner.SubclassWindow(other.hwnd));
    probe.nestedTarget = &partner;
    EXPECT_EQ(RecorderAnswer(kMsgNested, 8), probe.SendMessage(kMsgNested, 8));
    EXPECT_EQ(std::vector<WPARAM>{8}, RecordedWParams(window.hwnd, kMsgNested));
    EXPECT_EQ(std::vector<WPARAM>{99}, RecordedWParams(other.hwnd, kMsgDefaulting));
    EXPECT_EQ(0, RecordedCount(window.hwnd, kMsgDefaulting));
}

// The report channel's message numbers are also WM_ENABLE and WM_SETREDRAW: the map's
// handlers must take them, including the WM_ENABLE the system sends on EnableWindow.
TEST_F(MessageMapTest, MessagesTenAndElevenReachTheirHandlers) {
    probe.EnableWindow(FALSE);
    EXPECT_FALSE(probe.IsWindowEnabled());
    probe.EnableWindow(TRUE);
    EXPECT_TRUE(probe.IsWindowEnabled());
    EXPECT_EQ((std::vector<WPARAM>{0, 1}), probe.tenArgs);
    EXPECT_EQ(0, RecordedCount(window.hwnd, WM_ENABLE));

    EXPECT_EQ(11, probe.SendMessage(11, 5));
    EXPECT_EQ(std::vector<WPARAM>{5}, probe.elevenArgs);
    EXPECT_EQ(0, RecordedCount(window.hwnd, WM_SETREDRAW));
}

TEST_F(MessageMapTest, TimerHandlerGetsTheIdentifierAndItsBasePassesTheMessageOn) {
    ASSERT_TRUE(probe.SetTimer(77, 10));
    DWORD until = GetTickCount() + 3000;
    MSG msg;
    while (probe.timerIds.empty() && GetTickCount() < until) {
        if (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            Sleep(5);
    }
    probe.KillTimer(77);
    ASSERT_FALSE(probe.timerIds.empty()) << "no timer message arrived";
    EXPECT_EQ(77u, probe.timerIds[0]);
    std::vector<WPARAM> seen = RecordedWParams(window.hwnd, WM_TIMER);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(77u, seen[0]);
}

TEST_F(MessageMapTest, MouseHandlersGetSignedClientPoints) {
    probe.SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-3, -20));
    probe.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 7));
    ASSERT_EQ(1u, probe.movePoints.size());
    EXPECT_EQ(-3, probe.movePoints[0].x);
    EXPECT_EQ(-20, probe.movePoints[0].y);
    EXPECT_EQ((UINT)MK_SHIFT, probe.moveFlags[0]);
    ASSERT_EQ(1u, probe.downPoints.size());
    EXPECT_EQ(40, probe.downPoints[0].x);
    EXPECT_EQ(7, probe.downPoints[0].y);
    EXPECT_EQ(0, RecordedCount(window.hwnd, WM_MOUSEMOVE));
    EXPECT_EQ(0, RecordedCount(window.hwnd, WM_LBUTTONDOWN));
}

TEST_F(MessageMapTest, FocusAndCursorHandlersGetTheirWindowsAndCodes) {
    WindowGuard other(CreateRecorder());
    probe.SendMessage(WM_SETFOCUS, (WPARAM)other.hwnd);
    EXPECT_EQ(other.hwnd, probe.setFocusOld);

    EXPECT_EQ(TRUE, probe.SendMessage(WM_SETCURSOR, (WPARAM)probe.m_hWnd, MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)));
    EXPECT_EQ(&probe, probe.cursorWnd) << "the window's own object, not a view";
    EXPECT_EQ((UINT)HTCAPTION, probe.cursorHitTest);
    EXPECT_EQ((UINT)WM_LBUTTONDOWN, probe.cursorMessage);
    EXPECT_EQ(0, RecordedCount(window.hwnd, WM_SETCURSOR));
}

// A subclassed platform control keeps all of its own processing for what the map lacks.
TEST(SubclassedControlTest, KeepsItsOwnTextAndStateProcessing) {
    WindowGuard parent(CreateRecorder());
    WindowGuard box(CreateWindowExA(0, "BUTTON", "Caption", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 80, 20, parent.hwnd,
                                    (HMENU)7, GetModuleHandleA(0), 0));
    CDerivedProbe control;
    ASSERT_TRUE(control.SubclassWindow(box.hwnd));

    char text[16];
    memset(text, 0xBD, sizeof text);
    EXPECT_EQ(7, control.SendMessage(WM_GETTEXT, 8, (LPARAM)text));
    EXPECT_STREQ("Caption", text);
    EXPECT_EQ((char)0xBD, text[8]) << "wrote past the given length";

    control.SetWindowText("Renamed");
    CString read;
    control.GetWindowText(read);
    EXPECT_STREQ("Renamed", read);

    control.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, control.SendMessage(BM_GETCHECK));
    EXPECT_EQ(7, control.GetDlgCtrlID());
}

}   // namespace
