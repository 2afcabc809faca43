// Window services for the Java user interface. Handles cross to Java as 32-bit values.
#pragma once
#include <cstdint>

namespace vantix::platform {

struct WindowRect {
    int32_t left, top, right, bottom;
};

// 0 when no top-level window has this title (a zero-terminated single-byte string).
uint32_t window_find(const char* title);
bool window_rect(uint32_t window, WindowRect* rect);
bool window_move(uint32_t window, int32_t x, int32_t y, int32_t width, int32_t height);
void window_set_title(uint32_t window, const char* title);
// Asks the window to close as its close button does; the message result.
int32_t window_close(uint32_t window);

}  // namespace vantix::platform
