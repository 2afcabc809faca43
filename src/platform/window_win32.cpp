#include "platform/window.h"

#include <windows.h>

namespace vantix::platform {

namespace {
// Window handles travel as 32-bit values: truncated on the way out, sign-extended back.
HWND to_hwnd(uint32_t w) { return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(w))); }
}  // namespace

uint32_t window_find(const char* title) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(FindWindowA(nullptr, title)));
}

bool window_rect(uint32_t window, WindowRect* rect) {
    RECT r;
    if (!GetWindowRect(to_hwnd(window), &r)) return false;
    *rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool window_move(uint32_t window, int32_t x, int32_t y, int32_t width, int32_t height) {
    return MoveWindow(to_hwnd(window), x, y, width, height, TRUE) != 0;
}

void window_set_title(uint32_t window, const char* title) { SetWindowTextA(to_hwnd(window), title); }

int32_t window_close(uint32_t window) {
    return static_cast<int32_t>(SendMessageA(to_hwnd(window), WM_SYSCOMMAND, SC_CLOSE, 0));
}

}  // namespace vantix::platform
