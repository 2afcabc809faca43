// Without a window system binding the operations fail softly: find gives 0, the rectangle
// cannot be read (so centring gives 0), and retitling and closing do nothing.
#include "platform/window.h"

namespace vantix::platform {

uint32_t window_find(const char*) { return 0; }
bool window_rect(uint32_t, WindowRect*) { return false; }
bool window_move(uint32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
void window_set_title(uint32_t, const char*) {}
int32_t window_close(uint32_t) { return 0; }

}  // namespace vantix::platform
