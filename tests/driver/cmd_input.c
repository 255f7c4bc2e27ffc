/* Commands that press: posted messages (which never wait for the program, so a modal
   question opening in answer does not block the driver) and real input events. */
#include "swdriver.h"
#include <stdlib.h>

#define SEND_TIMEOUT_MS 5000

typedef struct {
    const char* name;
    BYTE vk;
} KeyName;

static const KeyName g_keys[] = {
    {"esc", VK_ESCAPE},  {"escape", VK_ESCAPE}, {"enter", VK_RETURN},    {"return", VK_RETURN}, {"tab", VK_TAB},
    {"space", VK_SPACE}, {"back", VK_BACK},     {"delete", VK_DELETE},   {"up", VK_UP},         {"down", VK_DOWN},
    {"left", VK_LEFT},   {"right", VK_RIGHT},   {"home", VK_HOME},       {"end", VK_END},       {"f1", VK_F1},
    {"f4", VK_F4},       {"shift", VK_SHIFT},   {"control", VK_CONTROL}, {"alt", VK_MENU},
};

/* A key is a name from the table, a single character, or a virtual-key number. */
static int parse_key(const char* name, BYTE* vk) {
    size_t i;
    for (i = 0; i < sizeof g_keys / sizeof g_keys[0]; i++)
        if (lstrcmpiA(name, g_keys[i].name) == 0) {
            *vk = g_keys[i].vk;
            return 1;
        }
    if (name[0] && !name[1]) {
        SHORT scan = VkKeyScanA(name[0]);
        if (scan == -1) return 0;
        *vk = LOBYTE(scan);
        return 1;
    }
    *vk = (BYTE)parse_num(name);
    return *vk != 0;
}

#define MAX_KEYS 64

static int parse_keys(int argc, char** argv, BYTE* vks) {
    int i;
    if (argc > MAX_KEYS) return fail("at most %d keys", MAX_KEYS);
    for (i = 0; i < argc; i++)
        if (!parse_key(argv[i], &vks[i])) return fail("unknown key \"%s\"", argv[i]);
    return 1;
}

static int centre_of(const char* target, POINT* p) {
    RECT r;
    HWND h = parse_target(target);
    if (!IsWindow(h) || !GetWindowRect(h, &r)) return fail("no such window");
    p->x = (r.left + r.right) / 2;
    p->y = (r.top + r.bottom) / 2;
    return 1;
}

static void send_mouse(DWORD flags, LONG dx, LONG dy) {
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.dx = dx;
    in.mi.dy = dy;
    SendInput(1, &in, sizeof in);
}

/* The normalised coordinate of an absolute move, rounded up: Wine maps it back to pixels
   rounding down, so this lands on the pixel itself. */
static LONG normalised(LONG pixel, LONG extent) { return (pixel * 65536 + extent - 1) / extent; }

/* SetCursorPos places the pointer; the absolute move to the same point that follows is
   what makes the window under it see a mouse move, as a real pointer would. */
static int move_to(POINT p) {
    POINT now;
    LONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(p.x, p.y);
    send_mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, normalised(p.x, w), normalised(p.y, h));
    Sleep(50);
    GetCursorPos(&now);
    out_key("x");
    out_int(now.x);
    out_key("y");
    out_int(now.y);
    if (now.x != p.x || now.y != p.y) return fail("pointer at %ld,%ld", now.x, now.y);
    return 1;
}

static int click_at(POINT p, int argc, char** argv, int button_index) {
    int right = argc > button_index && lstrcmpiA(argv[button_index], "right") == 0;
    if (!move_to(p)) return 0;
    send_mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 0, 0);
    Sleep(30);
    send_mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 0, 0);
    return 1;
}

static POINT point_arg(char** argv) {
    POINT p;
    p.x = strtol(argv[0], NULL, 0);
    p.y = strtol(argv[1], NULL, 0);
    return p;
}

int cmd_mouseclick(int argc, char** argv) {
    POINT p;
    return centre_of(argv[0], &p) && click_at(p, argc, argv, 1);
}

int cmd_clickat(int argc, char** argv) { return click_at(point_arg(argv), argc, argv, 2); }

int cmd_move(int argc, char** argv) { return move_to(point_arg(argv)); }

int cmd_hover(int argc, char** argv) {
    POINT p;
    return centre_of(argv[0], &p) && move_to(p);
}

int cmd_cursor(int argc, char** argv) {
    POINT p;
    HWND under;
    CURSORINFO info;
    GetCursorPos(&p);
    under = WindowFromPoint(p);
    info.cbSize = sizeof info;
    out_key("x");
    out_int(p.x);
    out_key("y");
    out_int(p.y);
    out_key("window");
    out_int((ULONG_PTR)under);
    out_key("window_id");
    out_int(under ? GetDlgCtrlID(under) : 0);
    out_key("cursor");
    out_int(GetCursorInfo(&info) ? (ULONG_PTR)info.hCursor : 0);
    return 1;
}

static LPARAM key_lparam(BYTE vk, int up) {
    LPARAM l = 1 | ((LPARAM)MapVirtualKeyA(vk, 0) << 16);
    return up ? (LPARAM)((ULONG_PTR)l | 0xC0000000u) : l;
}

int cmd_key(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    BYTE vks[MAX_KEYS];
    int i;
    if (!IsWindow(h)) return fail("no such window");
    if (!parse_keys(argc - 1, argv + 1, vks)) return 0;
    for (i = 0; i < argc - 1; i++) {
        PostMessageA(h, WM_KEYDOWN, vks[i], key_lparam(vks[i], 0));
        PostMessageA(h, WM_KEYUP, vks[i], key_lparam(vks[i], 1));
    }
    return 1;
}

int cmd_realkey(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    BYTE vks[MAX_KEYS];
    int i;
    if (!parse_keys(argc - 1, argv + 1, vks)) return 0;
    if (h) {
        if (!IsWindow(h)) return fail("no such window");
        out_key("activated");
        out_bool(SetForegroundWindow(h));
    }
    for (i = 0; i < argc - 1; i++) {
        BYTE scan = (BYTE)MapVirtualKeyA(vks[i], 0);
        keybd_event(vks[i], scan, 0, 0);
        Sleep(20);
        keybd_event(vks[i], scan, KEYEVENTF_KEYUP, 0);
    }
    return 1;
}

static int message_args(int argc, char** argv, HWND* h, UINT* msg, WPARAM* w, LPARAM* l) {
    *h = parse_target(argv[0]);
    *msg = (UINT)parse_num(argv[1]);
    *w = argc > 2 ? (WPARAM)parse_num(argv[2]) : 0;
    *l = argc > 3 ? (LPARAM)parse_num(argv[3]) : 0;
    if (!IsWindow(*h)) return fail("no such window");
    return 1;
}

int cmd_post(int argc, char** argv) {
    HWND h;
    UINT msg;
    WPARAM w;
    LPARAM l;
    if (!message_args(argc, argv, &h, &msg, &w, &l)) return 0;
    if (!PostMessageA(h, msg, w, l)) return fail("post failed");
    return 1;
}

int cmd_send(int argc, char** argv) {
    HWND h;
    UINT msg;
    WPARAM w;
    LPARAM l;
    DWORD_PTR result = 0;
    if (!message_args(argc, argv, &h, &msg, &w, &l)) return 0;
    if (!SendMessageTimeoutA(h, msg, w, l, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result)) return fail("no answer");
    out_key("result");
    out_int((LONG_PTR)result);
    return 1;
}

static int post_plain(const char* target, UINT msg) {
    HWND h = parse_target(target);
    if (!IsWindow(h)) return fail("no such window");
    if (!PostMessageA(h, msg, 0, 0)) return fail("post failed");
    return 1;
}

int cmd_click(int argc, char** argv) { return post_plain(argv[0], BM_CLICK); }

int cmd_close(int argc, char** argv) { return post_plain(argv[0], WM_CLOSE); }

int cmd_quit(int argc, char** argv) { return post_plain(argv[0], WM_QUIT); }
