// Shows one message dialog for a while so that it can be looked at or photographed; not a test.
//   skin_msgbox_demo.exe FLAGS MILLISECONDS TEXT [CAPTION]
#include <stdlib.h>
#include "skin/MsgDlg.h"

static BOOL CALLBACK EndVisibleDialog(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd)) return TRUE;
    EndDialog(hwnd, 0);
    return FALSE;
}

static void CALLBACK CloseDialog(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), EndVisibleDialog, 0);
}

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    SetTimer(0, 0, (UINT)atoi(argv[2]), CloseDialog);
    return ToolMessageBox(argv[3], argc > 4 ? argv[4] : "", (UINT)strtoul(argv[1], 0, 0));
}
