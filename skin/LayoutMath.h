// Arithmetic of the skin's layouts: child windows scaled to a reference client size, and the
// message dialog's growth with its text. Builds natively.
#pragma once
#include <stdint.h>
#include "skin/PixelRect.h"

struct ScaleFactors {
    double x;   // client width / reference width
    double y;   // client height / reference height
};

// False, leaving `scale` untouched, when a size is not positive: there is nothing to map.
bool ScaleForClient(int32_t clientWidth, int32_t clientHeight, int32_t refWidth, int32_t refHeight,
                    ScaleFactors* scale);
// Each edge divided by its scale and truncated toward zero (held inside the 32-bit range).
PixelRect ScaleRect(const PixelRect& rect, const ScaleFactors& scale);

// How much the message dialog grows for a text of `length` characters, in pixels.
struct MessageGrowth {
    int32_t height;   // H = 10 x (length / 30 + 1): the text box's lines
    int32_t width;    // W = H x 1.25, truncated
    int32_t depth;    // D = H - W / 4: added to the dialog's and the text box's height
};

MessageGrowth MessageGrowthFor(int32_t length);
// The buttons move right by half the added width.
inline int32_t ButtonShift(const MessageGrowth& growth) { return growth.width / 2; }
