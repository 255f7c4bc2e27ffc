// Child scaling and the message dialog's growth, table-driven.
#include <gtest/gtest.h>
#include <stdint.h>

#include "skin/LayoutMath.h"

namespace {

TEST(ScaleForClient, ScalesAreClientOverReference) {
    ScaleFactors scale = {0, 0};
    ASSERT_TRUE(ScaleForClient(720, 337, 600, 337, &scale));
    EXPECT_DOUBLE_EQ(1.2, scale.x);
    EXPECT_DOUBLE_EQ(1.0, scale.y);
}

TEST(ScaleForClient, NonPositiveSizesGiveNoScale) {
    const int32_t sizes[][4] = {{0, 337, 600, 337}, {720, 0, 600, 337},  {720, 337, 0, 337},
                                {720, 337, 600, 0}, {-5, 337, 600, 337}, {720, 337, 600, -337}};
    for (const auto& s : sizes) {
        ScaleFactors scale = {7, 7};
        EXPECT_FALSE(ScaleForClient(s[0], s[1], s[2], s[3], &scale));
        EXPECT_EQ(7, scale.x);
    }
}

struct ScaleCase {
    PixelRect in;
    double sx, sy;
    PixelRect out;
};

TEST(ScaleRect, EdgesDividedAndTruncatedTowardZero) {
    const ScaleCase cases[] = {
        // 1: the 720 x 337 client over 600 x 337: 130 / 1.2 = 108.33.
        {{60, 10, 130, 20}, 1.2, 1.0, {50, 10, 108, 20}},
        // 2: a scale of 0.9 takes 100 to 111, not to the nearest 111.1 either way.
        {{100, 0, 200, 10}, 0.9, 1.0, {111, 0, 222, 10}},
        // Exact quotients stay exact; a scale of 1 changes nothing.
        {{0, 0, 600, 337}, 1.2, 2.0, {0, 0, 500, 168}},
        {{13, -7, 99, 41}, 1.0, 1.0, {13, -7, 99, 41}},
        // Toward zero, not downwards: -50 / 1.2 = -41.67 -> -41.
        {{-50, -10, -1, 10}, 1.2, 3.0, {-41, -3, 0, 3}},
        // Beyond the 32-bit range the edge is held at its end.
        {{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}, 0.5, 0.5, {INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN}},
        {{1000, 1000, 2000, 2000}, 1e-9, 1e-9, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}},
    };
    int row = 0;
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << ++row);
        PixelRect out = ScaleRect(c.in, ScaleFactors{c.sx, c.sy});
        EXPECT_EQ(c.out.left, out.left);
        EXPECT_EQ(c.out.top, out.top);
        EXPECT_EQ(c.out.right, out.right);
        EXPECT_EQ(c.out.bottom, out.bottom);
    }
}

struct GrowthCase {
    int32_t length;
    int32_t h, w, d, shift;
};

TEST(MessageGrowth, GrowsTenPixelsOfHeightPerThirtyCharacters) {
    const GrowthCase cases[] = {
        {23, 10, 12, 7, 6},                            // 1: worked example
        {95, 40, 50, 28, 25},                          // 2: worked example
        {189, 70, 87, 49, 43},                         // 3: worked example
        {0, 10, 12, 7, 6},                             // 4: the same dialog as 29 characters
        {29, 10, 12, 7, 6},    {30, 20, 25, 14, 12},   // 5: the first step
        {89, 30, 37, 21, 18},                          // 6: the picture stays
        {90, 40, 50, 28, 25},                          // 7: H > 30, the picture moves
        {59, 20, 25, 14, 12},  {60, 30, 37, 21, 18},
    };
    for (const GrowthCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length);
        MessageGrowth growth = MessageGrowthFor(c.length);
        EXPECT_EQ(c.h, growth.height);
        EXPECT_EQ(c.w, growth.width);
        EXPECT_EQ(c.d, growth.depth);
        EXPECT_EQ(c.shift, ButtonShift(growth));
    }
}

TEST(MessageGrowth, LongestTextsStayInRange) {
    MessageGrowth growth = MessageGrowthFor(INT32_MAX);
    EXPECT_EQ(10 * (INT32_MAX / 30 + 1), growth.height);
    EXPECT_GT(growth.width, growth.height);
    EXPECT_GT(growth.depth, 0);
}

}   // namespace
