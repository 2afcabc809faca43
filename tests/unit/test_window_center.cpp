#include <gtest/gtest.h>

#include "jni/window_center.h"

using vantix::jni::center_position;

TEST(WindowCenter, TruncatesTowardZeroAndClampsOnlyAtLeftAndTop) {
    struct Case {
        int32_t left, top, width, height, w, h, x, y;
    } cases[] = {
        {100, 50, 800, 600, 400, 200, 300, 250},     // plain centring
        {0, 0, 100, 100, 103, 103, 0, 0},            // difference -3 moves by -1: clamped to 0
        {10, 10, 100, 100, 103, 103, 9, 9},          // -3 / 2 truncates to -1
        {0, 0, 101, 101, 100, 100, 0, 0},            // odd difference 1 rounds to 0
        {-500, -500, 100, 100, 50, 50, 0, 0},        // negative results clamp to 0
        {5000, 5000, 100, 100, 50, 50, 5025, 5025},  // no clamp at right or bottom
    };
    for (const auto& c : cases) {
        int32_t x, y;
        center_position(c.left, c.top, c.width, c.height, c.w, c.h, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}
