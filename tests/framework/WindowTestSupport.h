// Real windows for the framework tests: a window class whose own procedure records what
// reaches it (the "original procedure" that subclassing must keep reachable), a modal dialog
// whose test steps run inside the platform's modal loop, and an application object with a
// command of its own.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "gtest/gtest.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "tests/framework/FrameworkTestIds.h"

// The recorder answers every message from WM_APP on with a value that names the message and
// its wParam, so a test can tell which message its original procedure processed.
inline LRESULT RecorderAnswer(UINT message, WPARAM wParam) {
    return (LRESULT)(((message - WM_APP) << 16) | (wParam & 0xFFFF));
}

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every message any recorder window received, in order; the fixtures clear it.
extern std::vector<RecordedMessage> g_recorded;
int RecordedCount(HWND hwnd, UINT message);
// wParam of each message of that kind the window received, in order.
std::vector<WPARAM> RecordedWParams(HWND hwnd, UINT message);

// A recorder window: top-level (hidden popup) by default, a child when parent is given.
HWND CreateRecorder(HWND parent = 0, int id = 0, DWORD style = WS_POPUP);
WNDPROC RecorderProcedure();

// Destroys its window at the end of the scope unless the test destroyed it already.
struct WindowGuard {
    explicit WindowGuard(HWND h) : hwnd(h) {}
    ~WindowGuard() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    WindowGuard(const WindowGuard&) = delete;
    WindowGuard& operator=(const WindowGuard&) = delete;
    HWND hwnd;
};

// A memory DC over a screen-compatible bitmap: colours read back exactly as drawn.
struct MemoryCanvas {
    MemoryCanvas(int width, int height);
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    void Fill(COLORREF color);
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
};

// Colours as "RRGGBB" so that a failing comparison reads well.
::testing::AssertionResult SameColor(const char* expectedExpr, const char* actualExpr, COLORREF expected,
                                     COLORREF actual);

// A modal dialog on template IDD_PROBE whose test steps run inside the platform's modal
// loop: one step per tick of a short timer set in OnInitDialog. A timer message comes only
// when the queue is empty, so the dialog has been shown and whatever a step posted has been
// processed when the next step runs. The last step must end the dialog; a safety timer ends
// one that a broken route left open, with kTimedOut.
class CScriptDlg : public CDialog {
public:
    static constexpr int kTimedOut = -77;
    explicit CScriptDlg(UINT nIDTemplate = IDD_PROBE, CWnd* pParentWnd = 0) : CDialog(nIDTemplate, pParentWnd) {}

    typedef std::function<void(CScriptDlg&)> Step;
    std::vector<Step> steps;
    std::function<void(CScriptDlg&)> onInit;   // runs inside OnInitDialog, after the base
    bool endOnOk = true;                       // false: the OnOK override only counts
    int okCalls = 0, cancelCalls = 0, plainClicks = 0, dataExchanges = 0;
    size_t stepsRun = 0;
    RECT initialRect = {0, 0, 0, 0};   // the window as OnInitDialog found it

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(UINT_PTR nIDEvent);
    void OnPlain() { ++plainClicks; }
    bool inStep = false;
    DECLARE_MESSAGE_MAP()
};

// An application object whose map takes one command of its own.
class CTestApp : public CWinApp {
public:
    static constexpr UINT kAppCommand = 40001;
    int appCommands = 0;
    void OnAppCommand() { ++appCommands; }
    DECLARE_MESSAGE_MAP()
};
