/* Commands that read what is drawn: the window's region and pixels of the screen. */
#include "swdriver.h"
#include <stdio.h>
#include <stdlib.h>

static const char* region_kind(int type) {
    switch (type) {
        case NULLREGION:
            return "empty";
        case SIMPLEREGION:
            return "simple";
        case COMPLEXREGION:
            return "complex";
        default:
            return "none";
    }
}

static int out_region_rects(HRGN rgn) {
    DWORD size = GetRegionData(rgn, 0, NULL), i;
    RGNDATA* data;
    RECT* rects;
    if (!size) return fail("region data unreadable");
    data = (RGNDATA*)malloc(size);
    if (!data) return fail("out of memory");
    if (GetRegionData(rgn, size, data) != size) {
        free(data);
        return fail("region data unreadable");
    }
    rects = (RECT*)data->Buffer;
    out_key("rects");
    out_open_arr();
    for (i = 0; i < data->rdh.nCount; i++) out_rect(&rects[i]);
    out_close_arr();
    free(data);
    return 1;
}

/* Rectangles are relative to the window's top-left corner, as the window region is. */
int cmd_region(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    HRGN rgn;
    RECT box;
    int type, ok = 1;
    if (!IsWindow(h)) return fail("no such window");
    rgn = CreateRectRgn(0, 0, 0, 0);
    type = GetWindowRgn(h, rgn);
    out_key("type");
    out_str(region_kind(type));
    if (type != ERROR) {
        GetRgnBox(rgn, &box);
        out_key("box");
        out_rect(&box);
        ok = out_region_rects(rgn);
    }
    DeleteObject(rgn);
    return ok;
}

/* Points are relative to the window's top-left corner; colours are "RRGGBB" as the
   screen shows them now, whichever window is on top there. */
int cmd_pixel(int argc, char** argv) {
    HWND h = parse_target(argv[0]);
    RECT r;
    HDC screen;
    int i;
    char hex[8];
    if (!IsWindow(h) || !GetWindowRect(h, &r)) return fail("no such window");
    screen = GetDC(NULL);
    out_key("colors");
    out_open_arr();
    for (i = 1; i + 1 < argc; i += 2) {
        COLORREF c = GetPixel(screen, r.left + strtol(argv[i], NULL, 0), r.top + strtol(argv[i + 1], NULL, 0));
        _snprintf(hex, sizeof hex - 1, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
        hex[sizeof hex - 1] = 0;
        out_str(c == CLR_INVALID ? "invalid" : hex);
    }
    out_close_arr();
    ReleaseDC(NULL, screen);
    return 1;
}
