// Requests a control sends its parent: owner drawing reaches the button's own DrawItem when
// the button has a permanent object, and the parent's default processing otherwise;
// control-colour requests reach OnCtlColor with their kind, the control's object and the
// control's DC, and the brush it returns is the one the control paints with.
#include "framework/Button.h"
#include "framework/Gdi.h"
#include "framework/ListBox.h"
#include "framework/Static.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

const COLORREF kDrawn = RGB(255, 0, 0);

class CDrawProbe : public CButton {
public:
    std::vector<DRAWITEMSTRUCT> draws;
    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        draws.push_back(*dis);
        HBRUSH brush = CreateSolidBrush(kDrawn);
        FillRect(dis->hDC, &dis->rcItem, brush);
        DeleteObject(brush);
    }
};

HWND OwnerDrawnButton(HWND parent, int id) {
    return CreateWindowExA(0, "BUTTON", "Drawn", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 5, 5, 40, 20, parent,
                           (HMENU)(INT_PTR)id, GetModuleHandleA(0), 0);
}

class OwnerDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_recorded.clear();
        ASSERT_TRUE(parent.SubclassWindow(parentWindow.hwnd));
    }
    // The button paints itself into the canvas, sending its parent a real draw request.
    void Paint(HWND button) { SendMessageA(button, WM_PRINTCLIENT, (WPARAM)canvas.dc, PRF_CLIENT); }

    WindowGuard parentWindow{CreateRecorder(0, 0, WS_POPUP)};
    CWnd parent;
    MemoryCanvas canvas{64, 32};
};

TEST_F(OwnerDrawTest, DrawRequestForAButtonWithAnObjectReachesItsDrawItem) {
    WindowGuard button(OwnerDrawnButton(parentWindow.hwnd, 11));
    CDrawProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(button.hwnd));
    canvas.Fill(RGB(255, 255, 255));
    Paint(button.hwnd);
    ASSERT_EQ(1u, probe.draws.size());
    EXPECT_EQ(button.hwnd, probe.draws[0].hwndItem);
    EXPECT_EQ(11u, probe.draws[0].CtlID);
    EXPECT_EQ((UINT)ODT_BUTTON, probe.draws[0].CtlType);
    EXPECT_EQ(canvas.dc, probe.draws[0].hDC);
    EXPECT_PRED_FORMAT2(SameColor, kDrawn, canvas.At(2, 2));
    EXPECT_EQ(0, RecordedCount(parentWindow.hwnd, WM_DRAWITEM)) << "the parent also processed the request";
}

TEST_F(OwnerDrawTest, DrawItemAnswersTheRequestAsHandled) {
    WindowGuard button(OwnerDrawnButton(parentWindow.hwnd, 12));
    CDrawProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(button.hwnd));
    DRAWITEMSTRUCT dis = {ODT_BUTTON, 12, 0, ODA_DRAWENTIRE, 0, button.hwnd, canvas.dc, {0, 0, 4, 4}, 0};
    EXPECT_EQ(TRUE, parent.SendMessage(WM_DRAWITEM, 12, (LPARAM)&dis));
    EXPECT_EQ(1u, probe.draws.size());
}

TEST_F(OwnerDrawTest, DrawRequestForAButtonWithoutAnObjectGetsDefaultProcessing) {
    WindowGuard button(OwnerDrawnButton(parentWindow.hwnd, 13));
    Paint(button.hwnd);
    ASSERT_EQ(1, RecordedCount(parentWindow.hwnd, WM_DRAWITEM));
    EXPECT_EQ(std::vector<WPARAM>{13}, RecordedWParams(parentWindow.hwnd, WM_DRAWITEM));
}

TEST_F(OwnerDrawTest, DrawRequestsFromTheSystemsPaintingReachDrawItem) {
    WindowGuard button(OwnerDrawnButton(parentWindow.hwnd, 14));
    CDrawProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(button.hwnd));
    parent.ShowWindow(SW_SHOWNA);
    InvalidateRect(button.hwnd, 0, TRUE);
    UpdateWindow(button.hwnd);
    ASSERT_FALSE(probe.draws.empty());
    EXPECT_EQ(button.hwnd, probe.draws.back().hwndItem);
}

// A parent that takes WM_DRAWITEM in its own map keeps it: its one handler runs instead.
class CDrawingParent : public CWnd {
public:
    int drawRequests = 0;

protected:
    LRESULT OnDrawItemMessage(WPARAM, LPARAM) {
        ++drawRequests;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDrawingParent, CWnd)
    ON_MESSAGE(WM_DRAWITEM, OnDrawItemMessage)
END_MESSAGE_MAP()

TEST(OwnerDrawParentTest, ParentsOwnDrawItemEntryTakesTheRequest) {
    WindowGuard parentWindow(CreateRecorder());
    CDrawingParent parent;
    ASSERT_TRUE(parent.SubclassWindow(parentWindow.hwnd));
    WindowGuard button(OwnerDrawnButton(parentWindow.hwnd, 15));
    CDrawProbe probe;
    ASSERT_TRUE(probe.SubclassWindow(button.hwnd));
    MemoryCanvas canvas(64, 32);
    SendMessageA(button.hwnd, WM_PRINTCLIENT, (WPARAM)canvas.dc, PRF_CLIENT);
    EXPECT_EQ(1, parent.drawRequests);
    EXPECT_TRUE(probe.draws.empty());
}

TEST(OwnerDrawParentTest, ButtonInADialogDrawsThroughTheDialog) {
    CScriptDlg dlg;
    dlg.steps = {[](CScriptDlg& d) {
        WindowGuard button(OwnerDrawnButton(d.m_hWnd, 16));
        CDrawProbe probe;
        ASSERT_TRUE(probe.SubclassWindow(button.hwnd));
        MemoryCanvas canvas(64, 32);
        SendMessageA(button.hwnd, WM_PRINTCLIENT, (WPARAM)canvas.dc, PRF_CLIENT);
        EXPECT_EQ(1u, probe.draws.size());
        EXPECT_PRED_FORMAT2(SameColor, kDrawn, canvas.At(2, 2));
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
}

// Control colours in a dialog.

const COLORREF kDialogColor = RGB(255, 0, 0), kStaticColor = RGB(0, 255, 0), kListColor = RGB(0, 0, 255);

struct ColorRequest {
    UINT kind;
    CWnd* wnd;
    HWND hwnd;
    int id;
    HDC dc;
    HBRUSH returned;
};

class CColorDlg : public CScriptDlg {
public:
    CColorDlg() {
        dialogBrush.CreateSolidBrush(kDialogColor);
        staticBrush.CreateSolidBrush(kStaticColor);
    }
    CStatic m_label;
    CListBox m_list;
    CBrush dialogBrush, staticBrush;
    std::vector<ColorRequest> requests;

    // The one request the control's painting sent.
    const ColorRequest* Paint(HWND control, HDC dc) {
        requests.clear();
        ::SendMessageA(control, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
        EXPECT_EQ(1u, requests.size()) << "colour requests of one painting";
        return requests.empty() ? 0 : &requests.back();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, IDC_LABEL, m_label);
        DDX_Control(pDX, IDC_LIST, m_list);
    }
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        HBRUSH brush = CWnd::OnCtlColor(pDC, pWnd, nCtlColor);
        if (nCtlColor == CTLCOLOR_DLG) brush = dialogBrush;
        if (nCtlColor == CTLCOLOR_STATIC) brush = staticBrush;
        // A list box clears its empty area with the background colour of the DC it passed.
        if (nCtlColor == CTLCOLOR_LISTBOX) pDC->SetBkColor(kListColor);
        requests.push_back(
            {nCtlColor, pWnd, pWnd ? pWnd->m_hWnd : 0, pWnd ? pWnd->GetDlgCtrlID() : 0, pDC ? pDC->m_hDC : 0, brush});
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColorDlg, CScriptDlg)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// Runs the colour dialog with one step that is given the dialog and a canvas.
void RunColorStep(const std::function<void(CColorDlg&, MemoryCanvas&)>& step) {
    CColorDlg dlg;
    dlg.steps = {[&step](CScriptDlg& d) {
        MemoryCanvas canvas(400, 200);
        canvas.Fill(RGB(255, 255, 255));
        step(static_cast<CColorDlg&>(d), canvas);
        d.EndDialog(IDOK);
    }};
    EXPECT_EQ(IDOK, dlg.DoModal());
}

// A point of the control's client area its text does not cover.
POINT EmptyCorner(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    return {client.right - 3, client.bottom - 3};
}

TEST(CtlColorTest, DialogBackgroundRequestHasKindFourAndTheDialogsObject) {
    RunColorStep([](CColorDlg& d, MemoryCanvas& canvas) {
        d.requests.clear();
        d.SendMessage(WM_ERASEBKGND, (WPARAM)canvas.dc);
        ASSERT_EQ(1u, d.requests.size());
        EXPECT_EQ(4u, d.requests[0].kind);
        EXPECT_EQ(&d, d.requests[0].wnd);
        EXPECT_EQ(canvas.dc, d.requests[0].dc);
        EXPECT_PRED_FORMAT2(SameColor, kDialogColor, canvas.At(5, 5));
    });
}

TEST(CtlColorTest, StaticWithAMemberGetsKindSixAndTheMember) {
    RunColorStep([](CColorDlg& d, MemoryCanvas& canvas) {
        const ColorRequest* r = d.Paint(d.m_label.m_hWnd, canvas.dc);
        ASSERT_TRUE(r);
        EXPECT_EQ(6u, r->kind);
        EXPECT_EQ(&d.m_label, r->wnd);
        EXPECT_EQ(IDC_LABEL, r->id);
        POINT p = EmptyCorner(d.m_label.m_hWnd);
        EXPECT_PRED_FORMAT2(SameColor, kStaticColor, canvas.At(p.x, p.y));
    });
}

TEST(CtlColorTest, StaticWithoutAnObjectGetsATemporaryViewOfItsHandle) {
    RunColorStep([](CColorDlg& d, MemoryCanvas& canvas) {
        HWND bare = GetDlgItem(d.m_hWnd, IDC_BARE);
        const ColorRequest* r = d.Paint(bare, canvas.dc);
        ASSERT_TRUE(r);
        EXPECT_EQ(6u, r->kind);
        ASSERT_TRUE(r->wnd);
        EXPECT_EQ(bare, r->hwnd);
        EXPECT_EQ(IDC_BARE, r->id);
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(bare)) << "a view must not attach itself";
        EXPECT_EQ((WNDPROC)GetClassLongPtrA(bare, GCLP_WNDPROC), (WNDPROC)GetWindowLongPtrA(bare, GWLP_WNDPROC))
            << "the view subclassed the control";
        POINT p = EmptyCorner(bare);
        EXPECT_PRED_FORMAT2(SameColor, kStaticColor, canvas.At(p.x, p.y));
    });
}

TEST(CtlColorTest, ListBoxGetsItsKindAndTheDcItPaintsWith) {
    RunColorStep([](CColorDlg& d, MemoryCanvas& canvas) {
        const ColorRequest* r = d.Paint(d.m_list.m_hWnd, canvas.dc);
        ASSERT_TRUE(r);
        EXPECT_EQ((UINT)CTLCOLOR_LISTBOX, r->kind);
        EXPECT_EQ(&d.m_list, r->wnd);
        EXPECT_EQ(canvas.dc, r->dc);
        POINT p = EmptyCorner(d.m_list.m_hWnd);
        EXPECT_PRED_FORMAT2(SameColor, kListColor, canvas.At(p.x, p.y));
    });
}

TEST(CtlColorTest, PushButtonGetsItsKindAndTheDefaultBrush) {
    RunColorStep([](CColorDlg& d, MemoryCanvas& canvas) {
        HWND plain = GetDlgItem(d.m_hWnd, IDC_PLAIN);
        const ColorRequest* r = d.Paint(plain, canvas.dc);
        ASSERT_TRUE(r);
        EXPECT_EQ((UINT)CTLCOLOR_BTN, r->kind);
        EXPECT_EQ(plain, r->hwnd);
        EXPECT_EQ(IDC_PLAIN, r->id);
        EXPECT_NE(nullptr, r->returned) << "default processing gave no brush";
    });
}

}   // namespace
