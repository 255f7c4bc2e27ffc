// The link between a window and its object: subclassing makes the object the window's
// permanent one; destroying the object first gives the window its own procedure back, and
// destroying the window first leaves the object unattached (WM_NCDESTROY). Without a
// permanent object, a handler is given a view that takes nothing over and keeps its window
// until the handler returns.
#include "tests/framework/WindowTestSupport.h"
#include <deque>

namespace {

const UINT kMsgPing = WM_APP + 30;

class CLifeProbe : public CWnd {
public:
    int pings = 0, destroys = 0;
    std::vector<HWND> nested;         // the next cursor request hands each on in a request of its own
    std::pair<HWND, HWND> argument;   // the window its argument meant on entry and on return

protected:
    LRESULT OnPing(WPARAM, LPARAM) { return ++pings; }
    LRESULT OnDestroy(WPARAM, LPARAM) {
        ++destroys;
        return Default();
    }
    BOOL OnSetCursor(CWnd* pWnd, UINT, UINT) {
        HWND entry = pWnd->m_hWnd;
        std::vector<HWND> others;
        others.swap(nested);
        for (HWND other : others) SendMessage(WM_SETCURSOR, (WPARAM)other);
        argument = {entry, pWnd->m_hWnd};
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLifeProbe, CWnd)
    ON_MESSAGE(kMsgPing, OnPing)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

class WndLifetimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_recorded.clear();
        ASSERT_NE(nullptr, window.hwnd);
    }
    WNDPROC ProcedureOf(HWND hwnd) const { return (WNDPROC)GetWindowLongPtrA(hwnd, GWLP_WNDPROC); }

    WindowGuard window{CreateRecorder()};
};

TEST_F(WndLifetimeTest, SubclassingMakesTheObjectTheWindowsPermanentOne) {
    CLifeProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    EXPECT_EQ(window.hwnd, probe.m_hWnd);
    EXPECT_EQ(AfxWndProc, ProcedureOf(window.hwnd));
    EXPECT_EQ(&probe, CWnd::FromHandlePermanent(window.hwnd));
    EXPECT_EQ(1, probe.SendMessage(kMsgPing));
}

TEST_F(WndLifetimeTest, ObjectDestroyedFirstGivesTheWindowItsProcedureBack) {
    WNDPROC original = ProcedureOf(window.hwnd);
    {
        CLifeProbe probe;
        ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    }
    EXPECT_EQ(original, ProcedureOf(window.hwnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(window.hwnd));
    EXPECT_EQ(RecorderAnswer(kMsgPing, 3), SendMessageA(window.hwnd, kMsgPing, 3, 0)) << "the window stopped working";
    EXPECT_TRUE(DestroyWindow(window.hwnd));
}

TEST_F(WndLifetimeTest, WindowDestroyedFirstLeavesTheObjectUnattached) {
    CLifeProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    ASSERT_TRUE(DestroyWindow(window.hwnd));
    EXPECT_EQ(1, probe.destroys);
    EXPECT_EQ(1, RecordedCount(window.hwnd, WM_DESTROY)) << "the handler's Default() did not reach the window";
    EXPECT_EQ(1, RecordedCount(window.hwnd, WM_NCDESTROY)) << "WM_NCDESTROY lost its default processing";
    EXPECT_EQ(nullptr, probe.m_hWnd);

    // The object can take another window, and gives it back at its end.
    WindowGuard next(CreateRecorder());
    ASSERT_TRUE(probe.SubclassWindow(next.hwnd));
    EXPECT_EQ(1, probe.SendMessage(kMsgPing));
}

TEST_F(WndLifetimeTest, UnsubclassReturnsTheHandleAndTheWindowToItsProcedure) {
    WNDPROC original = ProcedureOf(window.hwnd);
    CLifeProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    EXPECT_EQ(window.hwnd, probe.UnsubclassWindow());
    EXPECT_EQ(nullptr, probe.m_hWnd);
    EXPECT_EQ(original, ProcedureOf(window.hwnd));
    EXPECT_EQ(nullptr, probe.UnsubclassWindow());
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd)) << "cannot subclass again";
    EXPECT_EQ(1, probe.SendMessage(kMsgPing));
}

TEST_F(WndLifetimeTest, AWindowHasOneObjectAndAnObjectOneWindow) {
    CLifeProbe first, second;
    ASSERT_TRUE(first.SubclassWindow(window.hwnd));
    EXPECT_FALSE(second.SubclassWindow(window.hwnd));
    EXPECT_EQ(nullptr, second.m_hWnd);
    EXPECT_EQ(&first, CWnd::FromHandlePermanent(window.hwnd));
    WindowGuard other(CreateRecorder());
    EXPECT_FALSE(first.SubclassWindow(other.hwnd));
    EXPECT_EQ(window.hwnd, first.m_hWnd);
    EXPECT_FALSE(second.SubclassWindow(0));
    EXPECT_EQ(1, first.SendMessage(kMsgPing)) << "a refused subclassing still changed the window";
}

TEST_F(WndLifetimeTest, SubclassDlgItemNeedsAParentWithThatControl) {
    CLifeProbe parent, child, missing;
    ASSERT_TRUE(parent.SubclassWindow(window.hwnd));
    WindowGuard control(CreateRecorder(window.hwnd, 21));
    EXPECT_FALSE(missing.SubclassDlgItem(22, &parent));
    EXPECT_FALSE(missing.SubclassDlgItem(21, 0));
    ASSERT_TRUE(child.SubclassDlgItem(21, &parent));
    EXPECT_EQ(control.hwnd, child.m_hWnd);
    EXPECT_EQ(21, child.GetDlgCtrlID());
}

TEST_F(WndLifetimeTest, WindowArgumentWithoutAnObjectIsAViewThatTakesNothingOver) {
    WNDPROC original = ProcedureOf(window.hwnd);
    {
        CWndArg argument(window.hwnd);
        CWnd* view = argument;
        ASSERT_NE(nullptr, view);
        EXPECT_EQ(window.hwnd, view->m_hWnd);
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(window.hwnd));
        EXPECT_EQ(RecorderAnswer(kMsgPing, 4), view->SendMessage(kMsgPing, 4));
    }
    EXPECT_EQ(original, ProcedureOf(window.hwnd));
    EXPECT_EQ(nullptr, (CWnd*)CWndArg(0));

    // Once an object subclasses the window, that object is the argument.
    CLifeProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    EXPECT_EQ(&probe, (CWnd*)CWndArg(window.hwnd));
}

TEST_F(WndLifetimeTest, WindowArgumentKeepsItsWindowThroughNestedMessages) {
    CLifeProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    std::deque<WindowGuard> others;
    for (int i = 0; i < 9; ++i) probe.nested.push_back(others.emplace_back(CreateRecorder()).hwnd);
    WindowGuard outer(CreateRecorder());
    probe.SendMessage(WM_SETCURSOR, (WPARAM)outer.hwnd);   // the outermost request returns last
    EXPECT_EQ(std::make_pair(outer.hwnd, outer.hwnd), probe.argument);
}

}   // namespace
