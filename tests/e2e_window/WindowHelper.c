/* A second program for the main window's tests, in the same prefix as Sweepwright:
 *
 *   WindowHelper window TITLE [hidden|child]  a top-level window titled TITLE (or, with child,
 *                                             a child titled TITLE inside a top-level window
 *                                             titled "WindowHelper parent"), until ended
 *   WindowHelper hold PATH                    keeps PATH open, sharing reading only, so it can
 *                                             be read but not deleted; shows a hidden window
 *                                             titled "WindowHelper holds" once it is open
 *   WindowHelper settext HWND ID TEXT         the control's text, as WM_SETTEXT sets it
 *   WindowHelper enable HWND 0|1...           EnableWindow with each value in turn, so the
 *                                             system sends the window its WM_ENABLE
 *   WindowHelper widest HWND ID               prints the width of the list box's widest line,
 *                                             measured in the list's device context as the
 *                                             system hands it out
 *
 * Exit code 0 on success, 1 on failure, 2 on a usage error. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#define HOLD_TITLE "WindowHelper holds"
#define PARENT_TITLE "WindowHelper parent"

static HWND target_arg(const char* hwnd, const char* id) {
    HWND h = (HWND)(ULONG_PTR)strtoul(hwnd, NULL, 0);
    return id ? GetDlgItem(h, atoi(id)) : h;
}

static int run_until_ended(void) {
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

static LRESULT CALLBACK helper_proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(h, msg, w, l);
}

static HWND make_window(const char* title, DWORD style, HWND parent) {
    static ATOM atom;
    if (!atom) {
        WNDCLASSA wc;
        ZeroMemory(&wc, sizeof wc);
        wc.lpfnWndProc = helper_proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
        wc.lpszClassName = "WindowHelperClass";
        atom = RegisterClassA(&wc);
    }
    return CreateWindowA("WindowHelperClass", title, style, 10, 10, 300, 80, parent, NULL, GetModuleHandleA(NULL),
                         NULL);
}

static int show_window(int argc, char** argv) {
    const char* how = argc > 3 ? argv[3] : "";
    if (lstrcmpA(how, "child") == 0) {
        HWND parent = make_window(PARENT_TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, NULL);
        if (!parent || !CreateWindowA("STATIC", argv[2], WS_CHILD | WS_VISIBLE, 5, 5, 280, 20, parent, (HMENU)1,
                                      GetModuleHandleA(NULL), NULL))
            return 1;
    } else {
        DWORD style = WS_OVERLAPPEDWINDOW | (lstrcmpA(how, "hidden") == 0 ? 0 : WS_VISIBLE);
        if (!make_window(argv[2], style, NULL)) return 1;
    }
    return run_until_ended();
}

static int hold_file(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE || !make_window(HOLD_TITLE, WS_OVERLAPPEDWINDOW, NULL)) return 1;
    return run_until_ended();
}

static int set_text(const char* hwnd, const char* id, const char* text) {
    DWORD_PTR result = 0;
    HWND h = target_arg(hwnd, id);
    if (!IsWindow(h)) return 1;
    return SendMessageTimeoutA(h, WM_SETTEXT, 0, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &result) && result ? 0 : 1;
}

static int enable(int argc, char** argv) {
    HWND h = target_arg(argv[2], NULL);
    int i;
    if (!IsWindow(h)) return 1;
    for (i = 3; i < argc; i++) EnableWindow(h, atoi(argv[i]) != 0);
    return 0;
}

/* Lines are read as Unicode (across processes the ANSI list messages hand back only a
   line's first character) and measured in the system's code page, as the program has them. */
static int widest_line(const char* hwnd, const char* id) {
    HWND list = target_arg(hwnd, id);
    HDC dc;
    LRESULT count, i;
    long widest = 0;
    if (!IsWindow(list)) return 1;
    count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR) return 1;
    dc = GetDC(list);
    for (i = 0; i < count; i++) {
        LRESULT len = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        WCHAR* wide = (WCHAR*)calloc(len + 1, sizeof(WCHAR));
        char* ansi = (char*)calloc(2 * len + 2, 1);
        SIZE size = {0, 0};
        if (!wide || !ansi || SendMessageW(list, LB_GETTEXT, i, (LPARAM)wide) == LB_ERR) {
            free(wide);
            free(ansi);
            ReleaseDC(list, dc);
            return 1;
        }
        WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, (int)(2 * len + 2), NULL, NULL);
        GetTextExtentPoint32A(dc, ansi, lstrlenA(ansi), &size);
        if (size.cx > widest) widest = size.cx;
        free(wide);
        free(ansi);
    }
    ReleaseDC(list, dc);
    printf("%ld\n", widest);
    return 0;
}

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (lstrcmpA(mode, "window") == 0 && argc > 2) return show_window(argc, argv);
    if (lstrcmpA(mode, "hold") == 0 && argc == 3) return hold_file(argv[2]);
    if (lstrcmpA(mode, "settext") == 0 && argc == 5) return set_text(argv[2], argv[3], argv[4]);
    if (lstrcmpA(mode, "enable") == 0 && argc > 3) return enable(argc, argv);
    if (lstrcmpA(mode, "widest") == 0 && argc == 4) return widest_line(argv[2], argv[3]);
    fputs(
        "usage: WindowHelper window TITLE [hidden|child] | hold PATH | settext HWND ID TEXT |"
        " enable HWND 0|1... | widest HWND ID\n",
        stderr);
    return 2;
}
