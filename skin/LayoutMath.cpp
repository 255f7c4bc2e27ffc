// Layout arithmetic: scale factors from the reference size and scaled child rectangles.
#include "skin/LayoutMath.h"

bool ScaleForClient(int32_t clientWidth, int32_t clientHeight, int32_t refWidth, int32_t refHeight,
                    ScaleFactors* scale) {
    if (clientWidth <= 0 || clientHeight <= 0 || refWidth <= 0 || refHeight <= 0) return false;
    scale->x = (double)clientWidth / refWidth;
    scale->y = (double)clientHeight / refHeight;
    return true;
}

static int32_t TruncatedQuotient(int32_t edge, double scale) {
    double quotient = edge / scale;
    if (quotient >= 2147483647.0) return 2147483647;
    if (quotient <= -2147483648.0) return -2147483647 - 1;
    return (int32_t)quotient;   // conversion truncates toward zero
}

PixelRect ScaleRect(const PixelRect& rect, const ScaleFactors& scale) {
    return PixelRect{TruncatedQuotient(rect.left, scale.x), TruncatedQuotient(rect.top, scale.y),
                     TruncatedQuotient(rect.right, scale.x), TruncatedQuotient(rect.bottom, scale.y)};
}

MessageGrowth MessageGrowthFor(int32_t length) {
    MessageGrowth growth;
    growth.height = 10 * (length / 30 + 1);
    growth.width = (int32_t)(growth.height * 1.25);
    growth.depth = growth.height - growth.width / 4;
    return growth;
}
