/* swdriver: reads and presses the windows of another program in the same Wine prefix.
   Every command prints exactly one JSON object on one line: the command's own fields plus
   "ok" (true/false) and, on failure, "error". Texts are written as JSON strings with every
   character outside printable ASCII escaped as \uXXXX, so the reader needs no code page. */
#ifndef SWDRIVER_H
#define SWDRIVER_H

#include <windows.h>

/* One-line JSON output. Keys are written with out_key; containers nest. */
void out_begin(void);
void out_end(int ok);
void out_key(const char* key);
void out_int(long long v);
void out_bool(int v);
void out_str(const char* ansi);
void out_wstr(const WCHAR* text);
void out_rect(const RECT* r);
void out_open_obj(void);
void out_close_obj(void);
void out_open_arr(void);
void out_close_arr(void);
/* Records the failure text that out_end prints; returns 0 so handlers can `return fail(...)`. */
int fail(const char* fmt, ...);

/* Shared helpers. */
unsigned long parse_num(const char* s);
/* A target is "HWND" or "HWND/ID" (a child of HWND by control identifier). */
HWND parse_target(const char* s);
/* Prints the fields that describe one window (identity, texts, state, rectangles). */
void out_window_fields(HWND h);
/* A message sent to another program's window with a time limit; `failed` when it does not answer. */
LRESULT ask_window(HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT failed);
/* A window's text through WM_GETTEXT (a sent message, so the control answers itself). */
WCHAR* window_text(HWND h);
int title_equals(HWND h, const char* title);
HWND find_titled(const char* title, int visible_only);
int find_owned_popup(HWND owner, HWND* found);
DWORD elapsed_since(DWORD start);
/* Polls test() every 20 ms until it is true or timeout_ms has passed. */
int poll_until(int (*test)(void* ctx), void* ctx, DWORD timeout_ms);

typedef int (*command_fn)(int argc, char** argv);
typedef struct {
    const char* name;
    int min_args;
    command_fn run;
    const char* usage;
} Command;

/* Windows: finding, listing and reading. */
int cmd_wait(int argc, char** argv);
int cmd_windows(int argc, char** argv);
int cmd_gone(int argc, char** argv);
int cmd_count(int argc, char** argv);
int cmd_children(int argc, char** argv);
int cmd_text(int argc, char** argv);
int cmd_list(int argc, char** argv);
int cmd_focus(int argc, char** argv);
int cmd_msgdlg(int argc, char** argv);
int cmd_info(int argc, char** argv);
/* Input: messages and real mouse and keyboard events. */
int cmd_click(int argc, char** argv);
int cmd_mouseclick(int argc, char** argv);
int cmd_clickat(int argc, char** argv);
int cmd_move(int argc, char** argv);
int cmd_hover(int argc, char** argv);
int cmd_cursor(int argc, char** argv);
int cmd_key(int argc, char** argv);
int cmd_realkey(int argc, char** argv);
int cmd_post(int argc, char** argv);
int cmd_send(int argc, char** argv);
int cmd_close(int argc, char** argv);
int cmd_quit(int argc, char** argv);
/* Graphics: window region and screen pixels. */
int cmd_region(int argc, char** argv);
int cmd_pixel(int argc, char** argv);
/* Registry. */
int cmd_regset(int argc, char** argv);
int cmd_regget(int argc, char** argv);
int cmd_regdel(int argc, char** argv);
int cmd_regenum(int argc, char** argv);
/* Processes. */
int cmd_run(int argc, char** argv);

#endif
