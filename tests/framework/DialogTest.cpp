// Modal dialogs: the result of a run, data exchange binding members by subclassing, the
// centring of a dialog that did not move while it initialised, and the owner of a dialog
// run without a parent while the application has a main window.
#include <stdlib.h>
#include "framework/ListBox.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

const UINT kMsgPing = WM_APP + 20;

TEST(DialogRunTest, DoModalReturnsTheEndDialogResult) {
    CScriptDlg dlg;
    dlg.steps = {[](CScriptDlg& d) {
        EXPECT_EQ(&d, CWnd::FromHandlePermanent(d.m_hWnd)) << "the dialog window is the object's";
        d.EndDialog(1234);
    }};
    EXPECT_EQ(1234, dlg.DoModal());
    EXPECT_EQ(1u, dlg.stepsRun);
    EXPECT_EQ(nullptr, dlg.m_hWnd) << "still attached to the destroyed dialog";
}

TEST(DialogRunTest, MissingTemplateGivesMinusOne) {
    CScriptDlg dlg(IDD_MISSING);
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(0, dlg.dataExchanges);
}

TEST(DialogRunTest, TheSameObjectRunsASecondTime) {
    CScriptDlg dlg;
    dlg.steps = {[](CScriptDlg& d) { d.EndDialog(1); }};
    ASSERT_EQ(1, dlg.DoModal());
    dlg.stepsRun = 0;
    dlg.steps = {[](CScriptDlg& d) { d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0); }};
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(1, dlg.cancelCalls) << "the second run no longer reached the message map";
}

// Data exchange.

class CPingCounter : public CWnd {
public:
    int pings = 0;

protected:
    LRESULT OnPing(WPARAM, LPARAM) { return ++pings; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPingCounter, CWnd)
    ON_MESSAGE(kMsgPing, OnPing)
END_MESSAGE_MAP()

class CBoundDlg : public CScriptDlg {
public:
    CPingCounter m_label;
    CListBox m_list;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CScriptDlg::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_LABEL, m_label);
        DDX_Control(pDX, IDC_LIST, m_list);
    }
};

::testing::AssertionResult BoundOnce(const CWnd& member, HWND control) {
    if (!control) return ::testing::AssertionFailure() << "no such control";
    if (member.m_hWnd != control) return ::testing::AssertionFailure() << "member not attached to its control";
    if (CWnd::FromHandlePermanent(control) != &member)
        return ::testing::AssertionFailure() << "control not the member's";
    if ((WNDPROC)GetWindowLongPtrA(control, GWLP_WNDPROC) != AfxWndProc)
        return ::testing::AssertionFailure() << "control not subclassed";
    return ::testing::AssertionSuccess();
}

TEST(DataExchangeTest, BindsMembersOnceAndASecondExchangeKeepsThem) {
    CBoundDlg dlg;
    dlg.steps = {[](CScriptDlg& base) {
        CBoundDlg& d = static_cast<CBoundDlg&>(base);
        HWND label = GetDlgItem(d.m_hWnd, IDC_LABEL), list = GetDlgItem(d.m_hWnd, IDC_LIST);
        EXPECT_TRUE(BoundOnce(d.m_label, label));
        EXPECT_TRUE(BoundOnce(d.m_list, list));
        EXPECT_TRUE(d.UpdateData(true));
        EXPECT_TRUE(d.UpdateData(false));
        EXPECT_EQ(3, d.dataExchanges);
        EXPECT_TRUE(BoundOnce(d.m_label, label));
        EXPECT_TRUE(BoundOnce(d.m_list, list));
        // Subclassed twice, a message would reach the handler twice or loop forever.
        EXPECT_EQ(1, d.m_label.SendMessage(kMsgPing));
        CString text;
        d.m_label.GetWindowText(text);
        EXPECT_STREQ("Label", text);
        EXPECT_EQ(0, d.m_list.AddString("line"));
        EXPECT_EQ(1, d.m_list.GetCount());
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(nullptr, dlg.m_label.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_list.m_hWnd);
}

TEST(DataExchangeTest, ASecondRunBindsTheMembersToTheNewControls) {
    CBoundDlg dlg;
    dlg.steps = {[](CScriptDlg& d) { d.EndDialog(IDOK); }};
    ASSERT_EQ(IDOK, dlg.DoModal());
    dlg.stepsRun = 0;
    dlg.steps = {[](CScriptDlg& base) {
        CBoundDlg& d = static_cast<CBoundDlg&>(base);
        EXPECT_TRUE(BoundOnce(d.m_label, GetDlgItem(d.m_hWnd, IDC_LABEL)));
        EXPECT_EQ(1, d.m_label.SendMessage(kMsgPing));
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
}

// Centring. The probe template stands at (0, 0) without a centring style.

RECT WorkArea() {
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

::testing::AssertionResult CentredOn(const RECT& over, const RECT& window) {
    int dx = (window.left + window.right) - (over.left + over.right);
    int dy = (window.top + window.bottom) - (over.top + over.bottom);
    if (abs(dx) <= 2 && abs(dy) <= 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "window (" << window.left << ", " << window.top << ")-(" << window.right
                                         << ", " << window.bottom << ") is not centred on (" << over.left << ", "
                                         << over.top << ")-(" << over.right << ", " << over.bottom << ")";
}

// Runs the probe dialog with the given initialisation and returns its rectangle as the
// modal loop shows it.
RECT ShownRect(CScriptDlg& dlg) {
    RECT shown = {0, 0, 0, 0};
    dlg.steps = {[&shown](CScriptDlg& d) {
        d.GetWindowRect(&shown);
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
    return shown;
}

TEST(CentringTest, UnmovedDialogIsCentredOnTheWorkArea) {
    CScriptDlg dlg;
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(0, dlg.initialRect.left);
    EXPECT_EQ(0, dlg.initialRect.top);
    EXPECT_TRUE(CentredOn(WorkArea(), shown));
    EXPECT_EQ(dlg.initialRect.right - dlg.initialRect.left, shown.right - shown.left);
}

// The dialog manager shows such a dialog only after its initialisation.
TEST(CentringTest, UnmovedDialogFromAVisibleExtendedTemplateIsCentredToo) {
    CScriptDlg dlg(IDD_VISIBLE);
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(0, dlg.initialRect.left);
    EXPECT_TRUE(CentredOn(WorkArea(), shown));
}

TEST(CentringTest, DialogResizedInPlaceIsCentredWithItsNewSize) {
    CScriptDlg dlg;
    dlg.onInit = [](CScriptDlg& d) { d.MoveWindow(0, 0, 600, 462); };
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(600, shown.right - shown.left);
    EXPECT_EQ(462, shown.bottom - shown.top);
    EXPECT_TRUE(CentredOn(WorkArea(), shown));
}

TEST(CentringTest, DialogMovedDuringInitialisationStaysWhereItWasPut) {
    CScriptDlg dlg;
    dlg.onInit = [](CScriptDlg& d) { d.SetWindowPos(0, 13, 17, 0, 0, SWP_NOSIZE | SWP_NOZORDER); };
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(13, shown.left);
    EXPECT_EQ(17, shown.top);
}

TEST(CentringTest, DialogShownDuringInitialisationIsLeftWhereItIs) {
    CScriptDlg dlg;
    dlg.onInit = [](CScriptDlg& d) { d.ShowWindow(SW_SHOWNA); };
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(0, shown.left);
    EXPECT_EQ(0, shown.top);
}

class CentringOverOwnerTest : public ::testing::Test {
protected:
    // A visible owner window at the given screen rectangle.
    HWND Owner(int x, int y, int width, int height) {
        HWND hwnd = CreateRecorder(0, 0, WS_POPUP | WS_VISIBLE);
        MoveWindow(hwnd, x, y, width, height, TRUE);
        return hwnd;
    }
};

TEST_F(CentringOverOwnerTest, UnmovedDialogWithAVisibleOwnerIsCentredOverIt) {
    WindowGuard ownerWindow(Owner(200, 150, 500, 400));
    CWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(ownerWindow.hwnd));
    CScriptDlg dlg(IDD_PROBE, &owner);
    RECT shown = ShownRect(dlg);
    RECT over;
    GetWindowRect(ownerWindow.hwnd, &over);
    EXPECT_TRUE(CentredOn(over, shown));
}

TEST_F(CentringOverOwnerTest, CentringKeepsTheDialogInsideTheWorkArea) {
    RECT area = WorkArea();
    WindowGuard ownerWindow(Owner(area.right - 60, area.bottom - 40, 100, 80));
    CWnd owner;
    ASSERT_TRUE(owner.SubclassWindow(ownerWindow.hwnd));
    CScriptDlg dlg(IDD_PROBE, &owner);
    dlg.onInit = [](CScriptDlg& d) {
        RECT r;
        d.GetWindowRect(&r);
        d.MoveWindow(r.left, r.top, 300, 200);   // same corner, so still "unmoved"
    };
    RECT shown = ShownRect(dlg);
    EXPECT_EQ(area.right, shown.right);
    EXPECT_EQ(area.bottom, shown.bottom);
}

TEST_F(CentringOverOwnerTest, CenterWindowCentresOverAGivenWindowOrTheWorkArea) {
    WindowGuard overWindow(Owner(100, 80, 400, 300));
    CWnd over;
    ASSERT_TRUE(over.SubclassWindow(overWindow.hwnd));
    WindowGuard window(CreateRecorder());
    CWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd));
    RECT rect, target;
    wnd.CenterWindow(&over);
    wnd.GetWindowRect(&rect);
    GetWindowRect(overWindow.hwnd, &target);
    EXPECT_TRUE(CentredOn(target, rect));
    wnd.CenterWindow();   // no owner
    wnd.GetWindowRect(&rect);
    EXPECT_TRUE(CentredOn(WorkArea(), rect));
    over.ShowWindow(SW_HIDE);
    wnd.CenterWindow(&over);   // a hidden window does not count
    wnd.GetWindowRect(&rect);
    EXPECT_TRUE(CentredOn(WorkArea(), rect));
}

// Owner of a dialog run without a parent.

class CEnableWatch : public CWnd {
public:
    std::vector<WPARAM> enables;

protected:
    LRESULT OnEnable(WPARAM w, LPARAM) {
        enables.push_back(w);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEnableWatch, CWnd)
    ON_MESSAGE(WM_ENABLE, OnEnable)
END_MESSAGE_MAP()

class DialogOwnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(main.SubclassWindow(mainWindow.hwnd));
        app.m_pMainWnd = &main;
    }
    CTestApp app;
    WindowGuard mainWindow{CreateRecorder()};
    CEnableWatch main;
};

TEST_F(DialogOwnerTest, DialogWithoutParentIsOwnedByTheMainWindowWhichItDisables) {
    CScriptDlg dlg;
    HWND owner = 0;
    BOOL mainEnabled = TRUE;
    dlg.steps = {[&](CScriptDlg& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        mainEnabled = main.IsWindowEnabled();
        d.EndDialog(IDOK);
    }};
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(main.m_hWnd, owner);
    EXPECT_FALSE(mainEnabled);
    EXPECT_TRUE(main.IsWindowEnabled()) << "the owner stayed disabled";
    EXPECT_EQ((std::vector<WPARAM>{FALSE, TRUE}), main.enables);
}

TEST_F(DialogOwnerTest, GivenParentIsTheOwnerEvenBesideAMainWindow) {
    WindowGuard parentWindow(CreateRecorder());
    CEnableWatch parent;
    ASSERT_TRUE(parent.SubclassWindow(parentWindow.hwnd));
    CScriptDlg dlg(IDD_PROBE, &parent);
    HWND owner = 0;
    dlg.steps = {[&owner](CScriptDlg& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    }};
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(parentWindow.hwnd, owner);
    EXPECT_EQ((std::vector<WPARAM>{FALSE, TRUE}), parent.enables);
    EXPECT_TRUE(main.enables.empty());
}

TEST_F(DialogOwnerTest, TheMainWindowsOwnDialogHasNoOwner) {
    CScriptDlg dlg;
    app.m_pMainWnd = &dlg;
    HWND owner = (HWND)1;
    dlg.steps = {[&owner](CScriptDlg& d) {
        owner = GetWindow(d.m_hWnd, GW_OWNER);
        d.EndDialog(IDOK);
    }};
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(nullptr, owner);
    EXPECT_TRUE(main.enables.empty());
}

}   // namespace
