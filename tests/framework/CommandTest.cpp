// Command routing: a window's own map first, then the application object's map, then the
// window's default processing; and the dialog commands as the platform's modal loop
// produces them (button clicks, Enter and Esc through IsDialogMessage).
#include "tests/framework/WindowTestSupport.h"

namespace {

const UINT kOwnCommand = 40100;
const UINT kNobodysCommand = 40101;

class CCommandProbe : public CWnd {
public:
    int ownCommands = 0;

protected:
    void OnOwn() { ++ownCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandProbe, CWnd)
    ON_COMMAND(kOwnCommand, OnOwn)
END_MESSAGE_MAP()

// Takes the application's command itself.
class CShadowingProbe : public CCommandProbe {
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CShadowingProbe, CCommandProbe)
    ON_COMMAND(CTestApp::kAppCommand, OnOwn)
END_MESSAGE_MAP()

class CommandRoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_recorded.clear();
        ASSERT_TRUE(probe.SubclassWindow(window.hwnd));
    }
    int DefaultCommands() const { return RecordedCount(window.hwnd, WM_COMMAND); }

    WindowGuard window{CreateRecorder()};
    CCommandProbe probe;
};

TEST_F(CommandRoutingTest, WindowCommandReachesTheWindowsHandlerOnly) {
    CTestApp app;
    EXPECT_EQ(0, probe.SendMessage(WM_COMMAND, kOwnCommand));
    EXPECT_EQ(1, probe.ownCommands);
    EXPECT_EQ(0, app.appCommands);
    EXPECT_EQ(0, DefaultCommands());
}

TEST_F(CommandRoutingTest, CommandTheWindowLacksReachesTheApplicationsMap) {
    CTestApp app;
    probe.SendMessage(WM_COMMAND, CTestApp::kAppCommand);
    EXPECT_EQ(1, app.appCommands);
    EXPECT_EQ(0, probe.ownCommands);
    EXPECT_EQ(0, DefaultCommands());
}

TEST_F(CommandRoutingTest, WindowsOwnEntryWinsOverTheApplications) {
    CTestApp app;
    WindowGuard other(CreateRecorder());
    CShadowingProbe shadowing;
    ASSERT_TRUE(shadowing.SubclassWindow(other.hwnd));
    shadowing.SendMessage(WM_COMMAND, CTestApp::kAppCommand);
    EXPECT_EQ(1, shadowing.ownCommands);
    EXPECT_EQ(0, app.appCommands);
}

TEST_F(CommandRoutingTest, CommandNobodyTakesGetsDefaultProcessing) {
    CTestApp app;
    probe.SendMessage(WM_COMMAND, kNobodysCommand, 0);
    EXPECT_EQ(std::vector<WPARAM>{kNobodysCommand}, RecordedWParams(window.hwnd, WM_COMMAND));
    EXPECT_EQ(0, app.appCommands);
}

TEST_F(CommandRoutingTest, WithoutAnApplicationTheApplicationsCommandGetsDefaultProcessing) {
    ASSERT_EQ(nullptr, AfxGetApp());
    probe.SendMessage(WM_COMMAND, CTestApp::kAppCommand);
    EXPECT_EQ(1, DefaultCommands());
}

// ON_COMMAND and ON_BN_CLICKED take notification code 0 only; other notifications of the
// same control go to default processing.
TEST_F(CommandRoutingTest, OtherNotificationCodesOfTheSameIdentifierAreNotTheCommand) {
    CTestApp app;
    probe.SendMessage(WM_COMMAND, MAKEWPARAM(kOwnCommand, BN_SETFOCUS), (LPARAM)window.hwnd);
    probe.SendMessage(WM_COMMAND, MAKEWPARAM(CTestApp::kAppCommand, EN_CHANGE), (LPARAM)window.hwnd);
    EXPECT_EQ(0, probe.ownCommands);
    EXPECT_EQ(0, app.appCommands);
    EXPECT_EQ(2, DefaultCommands());
}

// Dialog commands inside the modal loop.

class DialogCommandTest : public ::testing::Test {
protected:
    void SetUp() override { g_recorded.clear(); }
};

TEST_F(DialogCommandTest, RealButtonClickReachesItsClickHandler) {
    CScriptDlg dlg;
    dlg.steps = {[](CScriptDlg& d) {
        SendDlgItemMessageA(d.m_hWnd, IDC_PLAIN, BM_CLICK, 0, 0);
        d.EndDialog(5);
    }};
    EXPECT_EQ(5, dlg.DoModal());
    EXPECT_EQ(1, dlg.plainClicks);
    EXPECT_EQ(0, dlg.okCalls);
}

TEST_F(DialogCommandTest, EscapeInTheModalLoopReachesOnCancel) {
    CScriptDlg dlg;
    dlg.steps = {[](CScriptDlg& d) { d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0); }};
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(1, dlg.cancelCalls);
}

TEST_F(DialogCommandTest, EnterAndTheOkButtonReachTheOnOkOverride) {
    CScriptDlg dlg;
    dlg.endOnOk = false;
    dlg.steps = {
        [](CScriptDlg& d) { d.PostMessage(WM_KEYDOWN, VK_RETURN, 0); },
        [](CScriptDlg& d) {
            EXPECT_EQ(1, d.okCalls) << "Enter";
            SendDlgItemMessageA(d.m_hWnd, IDOK, BM_CLICK, 0, 0);
            EXPECT_EQ(2, d.okCalls) << "the OK button";
            d.EndDialog(9);
        },
    };
    EXPECT_EQ(9, dlg.DoModal());
}

// The entry names the base handler explicitly: the click ends the dialog with IDOK while
// the override, which only counts, stays the handler of IDOK.
class CQualifiedDlg : public CScriptDlg {
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CQualifiedDlg, CScriptDlg)
    ON_BN_CLICKED(IDC_THIRD, CDialog::OnOK)
END_MESSAGE_MAP()

TEST_F(DialogCommandTest, QualifiedBaseHandlerEntryEndsWithIdokBesideAnOverride) {
    CQualifiedDlg dlg;
    dlg.endOnOk = false;
    dlg.steps = {
        [](CScriptDlg& d) { SendDlgItemMessageA(d.m_hWnd, IDOK, BM_CLICK, 0, 0); },
        [](CScriptDlg& d) {
            EXPECT_EQ(1, d.okCalls);
            SendDlgItemMessageA(d.m_hWnd, IDC_THIRD, BM_CLICK, 0, 0);
        },
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, dlg.okCalls) << "the qualified entry called the override";
}

TEST_F(DialogCommandTest, DialogCommandNobodyMapsReachesTheApplication) {
    CTestApp app;
    CScriptDlg dlg;
    dlg.steps = {[&app](CScriptDlg& d) {
        SendDlgItemMessageA(d.m_hWnd, IDC_NOHANDLER, BM_CLICK, 0, 0);
        EXPECT_EQ(0, app.appCommands);
        d.SendMessage(WM_COMMAND, CTestApp::kAppCommand);
        EXPECT_EQ(1, app.appCommands);
        d.EndDialog(3);
    }};
    EXPECT_EQ(3, dlg.DoModal());
    EXPECT_EQ(0, dlg.okCalls + dlg.cancelCalls + dlg.plainClicks);
}

}   // namespace
