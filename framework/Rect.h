// Value types over the platform's POINT and RECT.
#pragma once
#include <windows.h>

struct CPoint : POINT {
    CPoint() { x = y = 0; }
    CPoint(int px, int py) {
        x = px;
        y = py;
    }
    // From a mouse message's lParam: x and y are signed 16-bit values.
    explicit CPoint(LPARAM lParam) {
        x = (short)LOWORD(lParam);
        y = (short)HIWORD(lParam);
    }
};

struct CRect : RECT {
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool PtInRect(POINT point) const { return ::PtInRect(this, point) != 0; }
    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
};
