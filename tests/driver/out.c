/* One JSON object per command, built in memory and written with a single flush so that a
   reader on a pipe always gets whole lines. */
#include "swdriver.h"
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#define MAX_DEPTH 16

static char* g_buf;
static size_t g_len, g_cap;
static int g_items[MAX_DEPTH]; /* values written so far at each nesting level */
static int g_depth;
static int g_after_key;
static char g_error[512];

static void put_bytes(const char* s, size_t n) {
    if (g_len + n + 1 > g_cap) {
        size_t cap = g_cap ? g_cap : 4096;
        while (g_len + n + 1 > cap) cap *= 2;
        char* grown = (char*)realloc(g_buf, cap);
        if (!grown) {
            fputs("{\"ok\":false,\"error\":\"out of memory\"}\n", stdout);
            exit(3);
        }
        g_buf = grown;
        g_cap = cap;
    }
    memcpy(g_buf + g_len, s, n);
    g_len += n;
    g_buf[g_len] = 0;
}

static void put(const char* s) { put_bytes(s, strlen(s)); }

/* A value or key at the current level needs a comma unless it is the first there. */
static void separate(void) {
    if (g_after_key) {
        g_after_key = 0;
        return;
    }
    if (g_items[g_depth]++) put(",");
}

static void open_level(const char* bracket) {
    separate();
    put(bracket);
    if (g_depth + 1 < MAX_DEPTH) g_items[++g_depth] = 0;
}

static void close_level(const char* bracket) {
    put(bracket);
    if (g_depth > 0) g_depth--;
}

void out_begin(void) {
    g_len = 0;
    g_depth = 0;
    g_items[0] = 0;
    g_after_key = 0;
    g_error[0] = 0;
    put("{");
}

void out_end(int ok) {
    out_key("ok");
    out_bool(ok);
    if (!ok) {
        out_key("error");
        out_str(g_error[0] ? g_error : "failed");
    }
    put("}\n");
    fwrite(g_buf, 1, g_len, stdout);
    fflush(stdout);
}

int fail(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    _vsnprintf(g_error, sizeof g_error - 1, fmt, args);
    va_end(args);
    g_error[sizeof g_error - 1] = 0;
    return 0;
}

void out_key(const char* key) {
    separate();
    put("\"");
    put(key);
    put("\":");
    g_after_key = 1;
}

void out_int(long long v) {
    char num[32];
    separate();
    _snprintf(num, sizeof num - 1, "%lld", v);
    num[sizeof num - 1] = 0;
    put(num);
}

void out_bool(int v) {
    separate();
    put(v ? "true" : "false");
}

void out_wstr(const WCHAR* text) {
    char esc[8];
    separate();
    put("\"");
    for (; text && *text; text++) {
        WCHAR c = *text;
        if (c == '"' || c == '\\') {
            esc[0] = '\\';
            esc[1] = (char)c;
            put_bytes(esc, 2);
        } else if (c >= 0x20 && c < 0x7f) {
            esc[0] = (char)c;
            put_bytes(esc, 1);
        } else {
            _snprintf(esc, sizeof esc - 1, "\\u%04x", (unsigned)c);
            esc[sizeof esc - 1] = 0;
            put(esc);
        }
    }
    put("\"");
}

void out_str(const char* ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, NULL, 0);
    WCHAR* wide = (WCHAR*)calloc(n > 0 ? n : 1, sizeof(WCHAR));
    if (wide && n > 0) MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, n);
    out_wstr(wide);
    free(wide);
}

void out_rect(const RECT* r) {
    out_open_arr();
    out_int(r->left);
    out_int(r->top);
    out_int(r->right);
    out_int(r->bottom);
    out_close_arr();
}

void out_open_obj(void) { open_level("{"); }
void out_close_obj(void) { close_level("}"); }
void out_open_arr(void) { open_level("["); }
void out_close_arr(void) { close_level("]"); }
