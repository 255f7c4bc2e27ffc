/* Commands that find windows and read them back. */
#include "swdriver.h"
#include <stdio.h>
#include <stdlib.h>

#define DEFAULT_TIMEOUT_MS 5000

/* The question dialog's picture and message controls. */
#define MSGDLG_PICTURE_ID 1085
#define MSGDLG_TEXT_ID 1086

static DWORD timeout_arg(int argc, char** argv, int index) {
    return argc > index ? parse_num(argv[index]) : DEFAULT_TIMEOUT_MS;
}

typedef struct {
    const char* title;
    int any;
    HWND found;
} WaitTitle;

static int titled_window_exists(void* ctx) {
    WaitTitle* w = (WaitTitle*)ctx;
    w->found = find_titled(w->title, !w->any);
    return w->found != NULL;
}

int cmd_wait(int argc, char** argv) {
    WaitTitle w = {argv[0], argc > 2 && lstrcmpA(argv[2], "any") == 0, NULL};
    DWORD start = GetTickCount();
    if (!poll_until(titled_window_exists, &w, timeout_arg(argc, argv, 1)))
        return fail("no window titled \"%s\" within the time", argv[0]);
    out_key("waited_ms");
    out_int(elapsed_since(start));
    out_window_fields(w.found);
    return 1;
}

/* Lists every window, or only those of one title. */
static BOOL CALLBACK list_window(HWND h, LPARAM title) {
    if (title && !title_equals(h, (const char*)title)) return TRUE;
    out_open_obj();
    out_window_fields(h);
    out_close_obj();
    return TRUE;
}

int cmd_windows(int argc, char** argv) {
    out_key("windows");
    out_open_arr();
    EnumWindows(list_window, (LPARAM)(argc > 0 ? argv[0] : NULL));
    out_close_arr();
    return 1;
}

typedef struct {
    HWND h;
    int hidden_counts;
} GoneWindow;

static int window_gone(void* ctx) {
    GoneWindow* g = (GoneWindow*)ctx;
    return !IsWindow(g->h) || (g->hidden_counts && !IsWindowVisible(g->h));
}

int cmd_gone(int argc, char** argv) {
    GoneWindow g = {parse_target(argv[0]), argc > 2 && lstrcmpA(argv[2], "hidden") == 0};
    HWND h = g.h;
    DWORD start = GetTickCount();
    if (!poll_until(window_gone, &g, timeout_arg(argc, argv, 1))) return fail("window still there");
    out_key("waited_ms");
    out_int(elapsed_since(start));
    out_key("destroyed");
    out_bool(!IsWindow(h));
    return 1;
}

typedef struct {
    const char* title;
    int all, visible;
} TitleCount;

static BOOL CALLBACK count_title(HWND h, LPARAM ctx) {
    TitleCount* c = (TitleCount*)ctx;
    char text[1024];
    GetWindowTextA(h, text, sizeof text);
    if (lstrcmpiA(text, c->title) != 0) return TRUE;
    c->all++;
    if (IsWindowVisible(h)) c->visible++;
    return TRUE;
}

int cmd_count(int argc, char** argv) {
    TitleCount c = {argv[0], 0, 0};
    EnumWindows(count_title, (LPARAM)&c);
    out_key("count");
    out_int(c.all);
    out_key("visible");
    out_int(c.visible);
    return 1;
}

int cmd_children(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    if (!IsWindow(h)) return fail("no such window");
    out_key("children");
    out_open_arr();
    EnumChildWindows(h, list_window, 0);
    out_close_arr();
    return 1;
}

int cmd_text(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    WCHAR* text;
    if (!IsWindow(h)) return fail("no such window");
    text = window_text(h);
    out_key("text");
    out_wstr(text);
    free(text);
    return 1;
}

/* List box messages go through SendMessageW: across processes Wine's ANSI LB_GETTEXT
   hands back only the first character of a line. */
static LRESULT ask_list(HWND h, UINT msg, WPARAM w, LPARAM l) { return ask_window(h, msg, w, l, LB_ERR); }

static int out_list_line(HWND h, int index) {
    LRESULT len = ask_list(h, LB_GETTEXTLEN, index, 0);
    WCHAR* line;
    if (len == LB_ERR) return fail("line %d unreadable", index);
    line = (WCHAR*)calloc(len + 1, sizeof(WCHAR));
    if (!line) return fail("out of memory");
    if (ask_list(h, LB_GETTEXT, index, (LPARAM)line) == LB_ERR) {
        free(line);
        return fail("line %d unreadable", index);
    }
    out_wstr(line);
    free(line);
    return 1;
}

int cmd_list(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    LRESULT count, i;
    int ok = 1;
    if (!IsWindow(h)) return fail("no such window");
    count = ask_list(h, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR) return fail("not a list box");
    out_key("count");
    out_int(count);
    out_key("cursel");
    out_int(ask_list(h, LB_GETCURSEL, 0, 0));
    out_key("topindex");
    out_int(ask_list(h, LB_GETTOPINDEX, 0, 0));
    out_key("extent");
    out_int(ask_list(h, LB_GETHORIZONTALEXTENT, 0, 0));
    out_key("lines");
    out_open_arr();
    for (i = 0; i < count && ok; i++) ok = out_list_line(h, (int)i);
    out_close_arr();
    return ok;
}

static void out_window_ref(const char* key, HWND h) {
    char id_key[64];
    out_key(key);
    out_int((ULONG_PTR)h);
    _snprintf(id_key, sizeof id_key - 1, "%s_id", key);
    id_key[sizeof id_key - 1] = 0;
    out_key(id_key);
    out_int(h ? GetDlgCtrlID(h) : 0);
}

int cmd_focus(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    GUITHREADINFO gui;
    DWORD tid = GetWindowThreadProcessId(h, NULL);
    gui.cbSize = sizeof gui;
    if (!tid || !GetGUIThreadInfo(tid, &gui)) return fail("no thread information");
    out_window_ref("focus", gui.hwndFocus);
    out_window_ref("active", gui.hwndActive);
    out_window_ref("capture", gui.hwndCapture);
    out_window_ref("foreground", GetForegroundWindow());
    return 1;
}

typedef struct {
    int by_owner;
    HWND owner;
    const char* title;
    HWND found;
} DialogSearch;

static int question_shown(void* ctx) {
    DialogSearch* s = (DialogSearch*)ctx;
    if (s->by_owner) return find_owned_popup(s->owner, &s->found);
    s->found = find_titled(s->title, 1);
    return s->found != NULL;
}

/* A button's window fields and its size. */
static BOOL CALLBACK list_button(HWND h, LPARAM unused) {
    char cls[32];
    RECT r;
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "Button") != 0) return TRUE;
    GetWindowRect(h, &r);
    out_open_obj();
    out_window_fields(h);
    out_key("width");
    out_int(r.right - r.left);
    out_key("height");
    out_int(r.bottom - r.top);
    out_close_obj();
    return TRUE;
}

int cmd_msgdlg(int argc, char** argv) {
    DialogSearch s = {lstrcmpA(argv[0], "owner") == 0, parse_target(argv[1]), argv[1], NULL};
    HWND picture, message;
    WCHAR* text;
    DWORD start = GetTickCount();
    if (!s.by_owner && lstrcmpA(argv[0], "title") != 0) return fail("say owner HWND or title TEXT");
    if (!poll_until(question_shown, &s, timeout_arg(argc, argv, 2))) return fail("no question dialog shown");
    out_key("waited_ms");
    out_int(elapsed_since(start));
    out_window_fields(s.found);
    message = GetDlgItem(s.found, MSGDLG_TEXT_ID);
    text = message ? window_text(message) : NULL;
    out_key("message");
    out_wstr(text);
    free(text);
    picture = GetDlgItem(s.found, MSGDLG_PICTURE_ID);
    out_key("picture");
    out_open_obj();
    if (picture) out_window_fields(picture);
    out_close_obj();
    out_key("buttons");
    out_open_arr();
    EnumChildWindows(s.found, list_button, 0);
    out_close_arr();
    return 1;
}

static void out_drives(void) {
    DWORD mask = GetLogicalDrives();
    char root[4] = "A:\\";
    int i;
    out_open_arr();
    for (i = 0; i < 26; i++) {
        if (!(mask & (1u << i))) continue;
        root[0] = (char)('A' + i);
        out_open_obj();
        out_key("drive");
        out_str(root);
        out_key("type");
        out_int(GetDriveTypeA(root));
        out_close_obj();
    }
    out_close_arr();
}

int cmd_info(int argc, char** argv) {
    OSVERSIONINFOA v;
    HDC screen = GetDC(NULL);
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    out_key("acp");
    out_int(GetACP());
    out_key("screen_width");
    out_int(GetSystemMetrics(SM_CXSCREEN));
    out_key("screen_height");
    out_int(GetSystemMetrics(SM_CYSCREEN));
    out_key("logpixelsx");
    out_int(GetDeviceCaps(screen, LOGPIXELSX));
    out_key("platform");
    out_int(v.dwPlatformId);
    out_key("major");
    out_int(v.dwMajorVersion);
    out_key("minor");
    out_int(v.dwMinorVersion);
    out_key("drives");
    out_drives();
    ReleaseDC(NULL, screen);
    return 1;
}
