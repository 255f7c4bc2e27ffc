// Real windows for the framework tests: a recording window class, a modal test dialog, an application.
#include "tests/framework/WindowTestSupport.h"
#include <stdio.h>

std::vector<RecordedMessage> g_recorded;

static LRESULT CALLBACK RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_recorded.push_back({hwnd, message, wParam, lParam});
    if (message >= WM_APP && message <= 0xBFFF) return RecorderAnswer(message, wParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

WNDPROC RecorderProcedure() { return RecorderProc; }

int RecordedCount(HWND hwnd, UINT message) {
    int count = 0;
    for (const RecordedMessage& m : g_recorded)
        if (m.hwnd == hwnd && m.message == message) ++count;
    return count;
}

std::vector<WPARAM> RecordedWParams(HWND hwnd, UINT message) {
    std::vector<WPARAM> values;
    for (const RecordedMessage& m : g_recorded)
        if (m.hwnd == hwnd && m.message == message) values.push_back(m.wParam);
    return values;
}

HWND CreateRecorder(HWND parent, int id, DWORD style) {
    static ATOM atom;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = GetModuleHandleA(0);
        wc.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = "SwFrameworkRecorder";
        atom = RegisterClassA(&wc);
    }
    if (parent) style = (style & ~WS_POPUP) | WS_CHILD;
    return CreateWindowExA(0, "SwFrameworkRecorder", "recorder", style, 10, 10, 200, 120, parent, (HMENU)(INT_PTR)id,
                           GetModuleHandleA(0), 0);
}

MemoryCanvas::MemoryCanvas(int width, int height) {
    HDC screen = GetDC(0);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(0, screen);
    oldBitmap = SelectObject(dc, bitmap);
}

MemoryCanvas::~MemoryCanvas() {
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void MemoryCanvas::Fill(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT all = {0, 0, 10000, 10000};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

::testing::AssertionResult SameColor(const char* expectedExpr, const char* actualExpr, COLORREF expected,
                                     COLORREF actual) {
    if (expected == actual) return ::testing::AssertionSuccess();
    char text[160];
    _snprintf(text, sizeof text, "%s is %02X%02X%02X, %s is %02X%02X%02X", expectedExpr, GetRValue(expected),
              GetGValue(expected), GetBValue(expected), actualExpr, GetRValue(actual), GetGValue(actual),
              GetBValue(actual));
    text[sizeof text - 1] = 0;
    return ::testing::AssertionFailure() << text;
}

// CScriptDlg

static const UINT_PTR kScriptTimer = 1, kSafetyTimer = 2;

BEGIN_MESSAGE_MAP(CScriptDlg, CDialog)
    ON_WM_TIMER()
    ON_BN_CLICKED(IDC_PLAIN, OnPlain)
END_MESSAGE_MAP()

BOOL CScriptDlg::OnInitDialog() {
    BOOL result = CDialog::OnInitDialog();
    GetWindowRect(&initialRect);
    SetTimer(kScriptTimer, 20);
    SetTimer(kSafetyTimer, 10000);
    if (onInit) onInit(*this);
    return result;
}

void CScriptDlg::OnOK() {
    ++okCalls;
    if (endOnOk) CDialog::OnOK();
}

void CScriptDlg::OnCancel() {
    ++cancelCalls;
    CDialog::OnCancel();
}

void CScriptDlg::DoDataExchange(CDataExchange*) { ++dataExchanges; }

void CScriptDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kSafetyTimer) {
        ADD_FAILURE() << "the dialog was still open after 10 s, " << stepsRun << " steps run";
        EndDialog(kTimedOut);
        return;
    }
    // A step that runs a modal loop of its own must not see the next step start inside it.
    if (inStep) return;
    if (stepsRun + 1 >= steps.size()) KillTimer(kScriptTimer);
    if (stepsRun == steps.size()) return;
    inStep = true;
    steps[stepsRun++](*this);
    inStep = false;
}

// CTestApp

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
    ON_COMMAND(kAppCommand, OnAppCommand)
END_MESSAGE_MAP()
