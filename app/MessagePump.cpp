// The message pump the scan runs between files: keeps the window alive and asks whether Esc ends the scan.
#include "app/MessagePump.h"
#include <windows.h>
#include "app/ReportChannel.h"
#include "app/RunHost.h"
#include "app/Settings.h"
#include "skin/MsgDlg.h"

unsigned char g_abortScan;

// A look at an empty queue is a round trip to the window system (tens of microseconds under
// Wine), and the walk asks twice per file. After the queue was found empty, the next look
// waits this long; while messages keep arriving every call takes one.
static const DWORD kQuietLookIntervalMs = 10;
static bool s_queueWasEmpty;
static DWORD s_emptyLookTime;

static bool QueueLookDue() { return !s_queueWasEmpty || GetTickCount() - s_emptyLookTime >= kQuietLookIntervalMs; }

int AskToTerminateScan(const char* caption) {
    return ToolMessageBox("Terminate the Scan now?", caption, MB_YESNO | MB_ICONQUESTION);
}

// Only Esc pressed in the program's own window asks: a message that merely carries 27 (a
// command, a timer, another program's message) is no key press, and the key-up of an Esc that
// answered a question arrives after the question has closed. A quiet run has no question at
// all: its window is hidden, and whatever reached it would be answered without anyone there.
// While no control has the focus (SCAN, which had it, is hidden for the scan), the system hands
// a key press to the active window as a system key.
static bool AsksToTerminate(const MSG& msg) {
    bool keyDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    return keyDown && msg.wParam == VK_ESCAPE && !g_commandLine.quiet &&
           (msg.hwnd == g_hMainWnd || IsChild(g_hMainWnd, msg.hwnd));
}

void PumpMessages() {
    if (!QueueLookDue()) return;
    MSG msg;
    s_queueWasEmpty = !PeekMessageA(&msg, 0, 0, 0, PM_REMOVE);
    if (s_queueWasEmpty) {
        s_emptyLookTime = GetTickCount();
        return;
    }
    // The Esc that asks is dropped.
    if (AsksToTerminate(msg)) {
        if (AskToTerminateScan(g_toolTitle) != IDNO) g_abortScan = 1;
        return;
    }
    if (msg.message == WM_QUIT || msg.message == WM_DESTROY) {
        g_abortScan = 1;
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}
