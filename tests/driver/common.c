/* Helpers shared by the commands: argument parsing, window description, polling. */
#include "swdriver.h"
#include <stdlib.h>

/* A window that does not answer a sent message within this time counts as not answering. */
#define SEND_TIMEOUT_MS 5000

unsigned long parse_num(const char* s) { return strtoul(s, NULL, 0); }

HWND parse_target(const char* s) {
    char* rest;
    HWND h = (HWND)(ULONG_PTR)strtoul(s, &rest, 0);
    if (*rest == '/') h = GetDlgItem(h, (int)strtol(rest + 1, NULL, 0));
    return h;
}

LRESULT ask_window(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT failed) {
    DWORD_PTR result = (DWORD_PTR)failed;
    if (!SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result)) return failed;
    return (LRESULT)result;
}

WCHAR* window_text(HWND h) {
    LRESULT len = ask_window(h, WM_GETTEXTLENGTH, 0, 0, 0);
    WCHAR* text = (WCHAR*)calloc(len + 1, sizeof(WCHAR));
    if (text && len) ask_window(h, WM_GETTEXT, len + 1, (LPARAM)text, 0);
    return text;
}

/* A top-level title is kept by Wine's server, so GetWindowTextW reads it without waiting
   for a program that may be busy; a control is asked with WM_GETTEXT. */
static WCHAR* top_level_or_text(HWND h) {
    WCHAR* text;
    int len;
    if (GetAncestor(h, GA_PARENT) != GetDesktopWindow()) return window_text(h);
    len = GetWindowTextLengthW(h);
    text = (WCHAR*)calloc(len + 1, sizeof(WCHAR));
    if (text) GetWindowTextW(h, text, len + 1);
    return text;
}

static void client_rect_on_screen(HWND h, RECT* r) {
    POINT origin = {0, 0};
    GetClientRect(h, r);
    ClientToScreen(h, &origin);
    OffsetRect(r, origin.x, origin.y);
}

void out_window_fields(HWND h) {
    char cls[256];
    DWORD pid = 0, tid = GetWindowThreadProcessId(h, &pid);
    RECT r;
    WCHAR* text = top_level_or_text(h);
    GetClassNameA(h, cls, sizeof cls);
    out_key("hwnd");
    out_int((ULONG_PTR)h);
    out_key("id");
    out_int(GetDlgCtrlID(h));
    out_key("class");
    out_str(cls);
    out_key("text");
    out_wstr(text);
    out_key("visible");
    out_bool(IsWindowVisible(h));
    out_key("enabled");
    out_bool(IsWindowEnabled(h));
    out_key("style");
    out_int((DWORD)GetWindowLongA(h, GWL_STYLE));
    out_key("exstyle");
    out_int((DWORD)GetWindowLongA(h, GWL_EXSTYLE));
    out_key("parent");
    out_int((ULONG_PTR)GetAncestor(h, GA_PARENT));
    out_key("owner");
    out_int((ULONG_PTR)GetWindow(h, GW_OWNER));
    out_key("pid");
    out_int(pid);
    out_key("tid");
    out_int(tid);
    GetWindowRect(h, &r);
    out_key("rect");
    out_rect(&r);
    client_rect_on_screen(h, &r);
    out_key("client");
    out_rect(&r);
    free(text);
}

int title_equals(HWND h, const char* title) {
    char text[1024];
    GetWindowTextA(h, text, sizeof text);
    return lstrcmpA(text, title) == 0;
}

typedef struct {
    const char* title;
    int visible_only;
    HWND found;
} TitleSearch;

static BOOL CALLBACK match_title(HWND h, LPARAM ctx) {
    TitleSearch* s = (TitleSearch*)ctx;
    if ((s->visible_only && !IsWindowVisible(h)) || !title_equals(h, s->title)) return TRUE;
    s->found = h;
    return FALSE;
}

/* FindWindowA compares titles without regard to case; tests need the exact title. */
HWND find_titled(const char* title, int visible_only) {
    TitleSearch s = {title, visible_only, NULL};
    EnumWindows(match_title, (LPARAM)&s);
    return s.found;
}

typedef struct {
    HWND owner;
    HWND found;
} OwnerSearch;

static BOOL CALLBACK match_owned_popup(HWND h, LPARAM ctx) {
    OwnerSearch* s = (OwnerSearch*)ctx;
    if (!IsWindowVisible(h) || GetWindow(h, GW_OWNER) != s->owner) return TRUE;
    s->found = h;
    return FALSE;
}

int find_owned_popup(HWND owner, HWND* found) {
    OwnerSearch s = {owner, NULL};
    EnumWindows(match_owned_popup, (LPARAM)&s);
    *found = s.found;
    return s.found != NULL;
}

DWORD elapsed_since(DWORD start) { return GetTickCount() - start; }

int poll_until(int (*test)(void* ctx), void* ctx, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (test(ctx)) return 1;
        if (elapsed_since(start) >= timeout_ms) return 0;
        Sleep(20);
    }
}
