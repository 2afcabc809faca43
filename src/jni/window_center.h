// Centring arithmetic of utils_CenterWindow.
#pragma once
#include <cstdint>

namespace vantix::jni {

// New top-left corner that centres a window of size (w, h) on the rectangle (left, top,
// width, height): truncating division, and a result below 0 becomes 0 (left and top only).
inline void center_position(int32_t left, int32_t top, int32_t width, int32_t height, int32_t w, int32_t h, int32_t* x,
                            int32_t* y) {
    *x = left + (width - w) / 2;
    *y = top + (height - h) / 2;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
}

}  // namespace vantix::jni
