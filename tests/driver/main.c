/* Entry point: one command from the command line, or "serve": one command per input line,
   arguments separated by tabs, until "exit" or the end of input. Serving keeps one driver
   process for a whole test class, since every start of a Wine process costs a lot more
   than the command itself. */
#include "swdriver.h"
#include <stdio.h>
#include <stdlib.h>

#define MAX_ARGS 64

static const Command g_commands[] = {
    {"wait", 1, cmd_wait, "TITLE [TIMEOUT_MS] [any]  wait for a visible (or any) top-level window"},
    {"windows", 0, cmd_windows, "[TITLE]  top-level windows, all or with this exact title"},
    {"gone", 1, cmd_gone, "HWND [TIMEOUT_MS] [hidden]  wait until the window is destroyed (or hidden)"},
    {"count", 1, cmd_count, "TITLE  top-level windows with this title in any case"},
    {"children", 1, cmd_children, "TARGET  every descendant control"},
    {"text", 1, cmd_text, "TARGET  the window's text (WM_GETTEXT)"},
    {"list", 1, cmd_list, "TARGET  a list box: lines, selection, horizontal extent"},
    {"focus", 1, cmd_focus, "HWND  focus, active and capture windows of the window's thread"},
    {"msgdlg", 2, cmd_msgdlg, "owner HWND|title TEXT [TIMEOUT_MS]  the program's question dialog"},
    {"info", 0, cmd_info, "  code page, screen size and resolution, Windows version, drives"},
    {"click", 1, cmd_click, "TARGET  post BM_CLICK"},
    {"mouseclick", 1, cmd_mouseclick, "TARGET [right]  real mouse click at the window's centre"},
    {"clickat", 2, cmd_clickat, "X Y [right]  real mouse click at a screen point"},
    {"move", 2, cmd_move, "X Y  move the mouse to a screen point"},
    {"hover", 1, cmd_hover, "TARGET  move the mouse to the window's centre"},
    {"cursor", 0, cmd_cursor, "  mouse position and the window under it"},
    {"key", 2, cmd_key, "TARGET KEY...  post WM_KEYDOWN and WM_KEYUP for each key"},
    {"realkey", 2, cmd_realkey, "HWND|0 KEY...  real keystrokes (keybd_event), after activating HWND"},
    {"post", 2, cmd_post, "TARGET MSG [WPARAM] [LPARAM]  post any message"},
    {"send", 2, cmd_send, "TARGET MSG [WPARAM] [LPARAM]  send any message (5 s limit), print result"},
    {"close", 1, cmd_close, "TARGET  post WM_CLOSE"},
    {"quit", 1, cmd_quit, "HWND  post WM_QUIT to the window"},
    {"region", 1, cmd_region, "HWND  window region: type, bounding box, rectangles"},
    {"pixel", 3, cmd_pixel, "HWND X Y [X Y]...  screen colours at points relative to the window"},
    {"regset", 3, cmd_regset, "KEY NAME TYPE [DATA...]  TYPE sz|expand_sz|multi_sz|dword|binary"},
    {"regget", 2, cmd_regget, "KEY NAME  one value"},
    {"regdel", 1, cmd_regdel, "KEY [NAME]  a value, or the key with all below it"},
    {"regenum", 1, cmd_regenum, "KEY  subkeys and value names"},
    {"run", 2, cmd_run, "TIMEOUT_MS COMMAND_LINE [STATION]  run a program to its end (in a window station nobody sees), print its whole exit code"},
};

static void usage(void) {
    size_t i;
    fputs(
        "usage: swdriver COMMAND ARGS...   or   swdriver serve (tab-separated commands on stdin)\n"
        "TARGET is HWND or HWND/CONTROL_ID; numbers are decimal or 0x hex\n",
        stderr);
    for (i = 0; i < sizeof g_commands / sizeof g_commands[0]; i++)
        fprintf(stderr, "  %s %s\n", g_commands[i].name, g_commands[i].usage);
}

static int run_command(int argc, char** argv) {
    size_t i;
    int ok;
    out_begin();
    out_key("cmd");
    out_str(argv[0]);
    for (i = 0; i < sizeof g_commands / sizeof g_commands[0]; i++) {
        if (lstrcmpA(argv[0], g_commands[i].name) != 0) continue;
        if (argc - 1 < g_commands[i].min_args)
            ok = fail("usage: %s %s", g_commands[i].name, g_commands[i].usage);
        else
            ok = g_commands[i].run(argc - 1, argv + 1);
        out_end(ok);
        return ok;
    }
    out_end(fail("unknown command"));
    return 0;
}

/* Reads one line of any length; returns NULL at the end of input. */
static char* read_line(void) {
    static char* line;
    static size_t cap;
    size_t len = 0;
    if (!line) {
        cap = 1024;
        line = (char*)malloc(cap);
        if (!line) return NULL;
    }
    for (;;) {
        if (!fgets(line + len, (int)(cap - len), stdin)) return len ? line : NULL;
        len += strlen(line + len);
        if (len && line[len - 1] == '\n') break;
        if (len + 1 < cap) continue; /* a final line without newline */
        char* grown = (char*)realloc(line, cap * 2);
        if (!grown) return NULL;
        line = grown;
        cap *= 2;
    }
    while (len && (line[len - 1] == '\n' || line[len - 1] == '\r')) line[--len] = 0;
    return line;
}

static int split_tabs(char* line, char** argv) {
    int argc = 0;
    argv[argc++] = line;
    for (; *line && argc < MAX_ARGS; line++) {
        if (*line != '\t') continue;
        *line = 0;
        argv[argc++] = line + 1;
    }
    return argc;
}

static int serve(void) {
    char* argv[MAX_ARGS];
    char* line;
    while ((line = read_line()) != NULL) {
        if (!*line) continue;
        if (lstrcmpA(line, "exit") == 0) break;
        run_command(split_tabs(line, argv), argv);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 2 || lstrcmpA(argv[1], "help") == 0) {
        usage();
        return 2;
    }
    if (lstrcmpA(argv[1], "serve") == 0) return serve();
    return run_command(argc - 1, argv + 1) ? 0 : 1;
}
