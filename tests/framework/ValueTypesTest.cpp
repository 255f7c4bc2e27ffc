// The framework's value types and small services: CString, CRect and CPoint, runtime class
// names, the list box's text read-back, and the application object's start.
#include <string.h>
#include <string>
#include "framework/Button.h"
#include "framework/Gdi.h"
#include "framework/ListBox.h"
#include "framework/Static.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

// CString

TEST(CStringTest, StartsEmpty) {
    CString empty, fromNull(nullptr), fromEmpty("");
    for (const CString* s : {&empty, &fromNull, &fromEmpty}) {
        EXPECT_TRUE(s->IsEmpty());
        EXPECT_EQ(0, s->GetLength());
        EXPECT_STREQ("", *s);
    }
}

TEST(CStringTest, AssignmentCopiesTheText) {
    char source[] = "status";
    CString text(source);
    source[0] = 'X';
    EXPECT_STREQ("status", text);
    CString copy(text), assigned;
    assigned = text;
    text = "changed";
    EXPECT_STREQ("status", copy);
    EXPECT_STREQ("status", assigned);
    assigned = "";
    EXPECT_TRUE(assigned.IsEmpty());
    assigned = (const char*)nullptr;
    EXPECT_TRUE(assigned.IsEmpty());
}

TEST(CStringTest, SelfAssignmentKeepsTheText) {
    CString text("report line");
    const CString& same = text;
    text = same;
    EXPECT_STREQ("report line", text);
    text = (const char*)text;
    EXPECT_STREQ("report line", text);
    text = (const char*)text + 7;   // a tail of its own buffer
    EXPECT_STREQ("line", text);
    EXPECT_EQ(4, text.GetLength());
}

TEST(CStringTest, AppendAndJoin) {
    CString text("Searching for ");
    text += "W32/Drellmoxin";
    text += "";
    text += nullptr;
    EXPECT_STREQ("Searching for W32/Drellmoxin", text);
    EXPECT_EQ(28, text.GetLength());

    CString left("for ");
    CString joined = left + "Trojan";
    EXPECT_STREQ("for Trojan", joined);
    EXPECT_STREQ("for ", left) << "+ changed its left side";

    CString twice("ab");
    twice += twice;
    EXPECT_STREQ("abab", twice);
    CString empty;
    empty += "x";
    EXPECT_STREQ("x", empty);
}

TEST(CStringTest, GetBufferKeepsTheTextAndReleaseBufferReadsTheNewLength) {
    CString text("abc");
    char* buffer = text.GetBuffer(10);
    ASSERT_NE(nullptr, buffer);
    EXPECT_STREQ("abc", buffer);
    memcpy(buffer, "0123456789", 11);
    text.ReleaseBuffer();
    EXPECT_EQ(10, text.GetLength());
    EXPECT_STREQ("0123456789", text);

    buffer = text.GetBuffer(0);   // never smaller than the text
    EXPECT_STREQ("0123456789", buffer);
    buffer[3] = 0;
    text.ReleaseBuffer();
    EXPECT_EQ(3, text.GetLength());
    EXPECT_STREQ("012", text);

    CString empty;
    buffer = empty.GetBuffer(5);
    ASSERT_NE(nullptr, buffer);
    memcpy(buffer, "hello", 6);
    empty.ReleaseBuffer();
    EXPECT_STREQ("hello", empty);
    CString other;
    EXPECT_STREQ("", other) << "writing into one empty string's buffer changed another";
}

// CRect and CPoint

TEST(CRectTest, SizeEmptinessAndHitTest) {
    CRect rect(10, 20, 110, 70);
    EXPECT_EQ(100, rect.Width());
    EXPECT_EQ(50, rect.Height());
    EXPECT_FALSE(rect.IsRectEmpty());
    EXPECT_TRUE(rect.PtInRect(CPoint(10, 20))) << "left and top edges are inside";
    EXPECT_TRUE(rect.PtInRect(CPoint(109, 69)));
    EXPECT_FALSE(rect.PtInRect(CPoint(110, 30))) << "the right edge is outside";
    EXPECT_FALSE(rect.PtInRect(CPoint(50, 70))) << "the bottom edge is outside";
    EXPECT_TRUE(CRect().IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 9, 8, 3).IsRectEmpty());
    CRect empty;
    EXPECT_FALSE(empty.PtInRect(CPoint(0, 0)));
    rect.SetRect(0, 0, 180, 33);
    EXPECT_EQ(180, rect.Width());
    EXPECT_EQ(33, rect.Height());
}

TEST(CPointTest, MouseMessageCoordinatesAreSigned16Bit) {
    CPoint point(MAKELPARAM(-5, 300));
    EXPECT_EQ(-5, point.x);
    EXPECT_EQ(300, point.y);
    CPoint corner(MAKELPARAM(0xFFFF, 0x8000));
    EXPECT_EQ(-1, corner.x);
    EXPECT_EQ(-32768, corner.y);
    CPoint origin;
    EXPECT_EQ(0, origin.x);
    EXPECT_EQ(0, origin.y);
}

// Runtime classes

class CNamedButton : public CButton {
    DECLARE_DYNAMIC(CNamedButton)
};
IMPLEMENT_DYNAMIC(CNamedButton, CButton)

class CUnnamedButton : public CNamedButton {};

TEST(RuntimeClassTest, FrameworkClassesNameThemselvesAndTheirBases) {
    struct Row {
        const CRuntimeClass* cls;
        const char* name;
        const CRuntimeClass* base;
    } rows[] = {
        {RUNTIME_CLASS(CObject), "CObject", nullptr},
        {RUNTIME_CLASS(CWnd), "CWnd", RUNTIME_CLASS(CObject)},
        {RUNTIME_CLASS(CButton), "CButton", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CStatic), "CStatic", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CListBox), "CListBox", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CDialog), "CDialog", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CNamedButton), "CNamedButton", RUNTIME_CLASS(CButton)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(row.name, row.cls->m_lpszClassName);
        EXPECT_EQ(row.base, row.cls->m_pBaseClass);
    }
}

TEST(RuntimeClassTest, ObjectsReportTheirClassAndItsAncestors) {
    CNamedButton named;
    CUnnamedButton unnamed;
    CDialog dialog(IDD_PROBE);
    CWnd plain;
    EXPECT_STREQ("CNamedButton", named.GetRuntimeClass()->m_lpszClassName);
    EXPECT_STREQ("CNamedButton", unnamed.GetRuntimeClass()->m_lpszClassName) << "nearest declared class";
    EXPECT_STREQ("CDialog", dialog.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(named.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_TRUE(named.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(named.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(named.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_FALSE(named.IsKindOf(RUNTIME_CLASS(CStatic)));
    EXPECT_TRUE(dialog.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(dialog.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CButton)));
    const CObject& asObject = named;
    EXPECT_TRUE(asObject.IsKindOf(RUNTIME_CLASS(CNamedButton)));
}

// The list box reads back whole lines.

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, box.hwnd);
        ASSERT_TRUE(list.SubclassWindow(box.hwnd));
    }
    WindowGuard parent{CreateRecorder()};
    WindowGuard box{CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOINTEGRALHEIGHT, 0, 0, 150, 80, parent.hwnd,
                                    (HMENU)9, GetModuleHandleA(0), 0)};
    CListBox list;
};

TEST_F(ListBoxTest, SelectionAndResetAndExtent) {
    list.AddString("one");
    list.AddString("two");
    EXPECT_EQ(LB_ERR, list.GetCurSel());
    EXPECT_EQ(1, list.SetCurSel(1));
    EXPECT_EQ(1, list.GetCurSel());
    list.SetHorizontalExtent(640);
    EXPECT_EQ(640, list.GetHorizontalExtent());
    list.ResetContent();
    EXPECT_EQ(0, list.GetCount());
}

TEST(WindowServiceTest, LongTitleReadsBackWhole) {
    WindowGuard window(CreateRecorder());
    CWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd));
    std::string title(1000, 't');
    wnd.SetWindowText(title.c_str());
    CString text("previous");
    wnd.GetWindowText(text);
    EXPECT_EQ(1000, text.GetLength());
    EXPECT_STREQ(title.c_str(), text);
    wnd.SetWindowText("");
    wnd.GetWindowText(text);
    EXPECT_TRUE(text.IsEmpty());
}

TEST(WindowServiceTest, ModifyStyleRemovesAndAddsBits) {
    WindowGuard window(CreateRecorder(0, 0, WS_POPUP | WS_BORDER));
    CWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(window.hwnd));
    wnd.ModifyStyle(WS_BORDER, WS_SYSMENU | WS_MINIMIZEBOX);
    DWORD style = (DWORD)GetWindowLongA(window.hwnd, GWL_STYLE);
    EXPECT_EQ(0u, style & WS_BORDER);
    EXPECT_EQ((DWORD)(WS_SYSMENU | WS_MINIMIZEBOX), style & (WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ((DWORD)WS_POPUP, style & WS_POPUP) << "a bit named in neither list changed";
}

TEST(WindowServiceTest, FontGivenToAControlIsTheOneItReports) {
    WindowGuard parent(CreateRecorder());
    WindowGuard label(CreateWindowExA(0, "STATIC", "Searching", WS_CHILD, 0, 0, 80, 20, parent.hwnd, (HMENU)5,
                                      GetModuleHandleA(0), 0));
    CStatic control;
    ASSERT_TRUE(control.SubclassWindow(label.hwnd));
    LOGFONTA description = {};
    description.lfHeight = 15;
    description.lfWeight = FW_BOLD;
    lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&description));
    control.SetFont(&font);
    EXPECT_EQ((HFONT)font, control.GetFont());
    control.SetFont(0, FALSE);
    EXPECT_EQ(nullptr, control.GetFont());
}

// The application object.

class CRunApp : public CTestApp {
public:
    int inits = 0;
    BOOL InitInstance() override {
        ++inits;
        instanceDuringInit = AfxGetInstanceHandle();
        return FALSE;
    }
    int ExitInstance() override { return 42; }
    HINSTANCE instanceDuringInit = 0;
};

TEST(AppTest, WinMainRunsInitInstanceOnceAndReturnsExitInstance) {
    HINSTANCE instance = GetModuleHandleA(0);
    {
        CRunApp app;
        EXPECT_EQ(&app, AfxGetApp());
        EXPECT_EQ(nullptr, AfxGetMainWnd());
        EXPECT_EQ(42, AfxWinMain(instance));
        EXPECT_EQ(1, app.inits);
        EXPECT_EQ(instance, app.m_hInstance);
        EXPECT_EQ(instance, app.instanceDuringInit);
    }
    EXPECT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(1, AfxWinMain(instance)) << "without an application object";
    EXPECT_EQ(instance, AfxGetInstanceHandle()) << "falls back to the program's module";
}

}   // namespace
