// A rectangle of four 32-bit signed integers laid out like the platform's RECT, for the
// skin's arithmetic that also builds natively.
#pragma once
#include <stdint.h>

struct PixelRect {
    int32_t left, top, right, bottom;
};

inline bool operator==(const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
