// Window utilities for the Java user interface.
#include "jni/exports.h"

#include <cstring>

#include "jni/window_center.h"
#include "platform/window.h"

using namespace vantix;
using namespace vantix::jni;

namespace {

constexpr size_t kTitleMax = 4096;

// Copies the title up to its terminating zero byte or the end of the array (never past
// it), always zero-terminating the copy.
bool read_title(JNIEnv* env, jbyteArray title, char* out) {
    if (!ArgCheck(env, false).need(title, 0).ok()) return false;
    const jint length = array_length(env, title);
    Borrowed t(env, title);
    if (t.failed()) return false;
    size_t n = 0;
    while (n < size_t(length) && n < kTitleMax - 1 && t.data()[n] != 0) ++n;
    std::memcpy(out, t.data(), n);
    out[n] = 0;
    t.release(JNI_ABORT);
    return true;
}

}  // namespace

JNIEXPORT jint JNICALL VX(utils_1FindWindowByTitle)(JNIEnv* env, jclass, jbyteArray title) {
    char name[kTitleMax];
    if (!read_title(env, title, name)) return 0;
    return static_cast<jint>(platform::window_find(name));
}

JNIEXPORT jint JNICALL VX(utils_1CenterWindow)(JNIEnv*, jclass, jint window, jint left, jint top, jint width,
                                               jint height) {
    platform::WindowRect r;
    if (!platform::window_rect(static_cast<uint32_t>(window), &r)) return 0;
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    int32_t x, y;
    center_position(left, top, width, height, w, h, &x, &y);
    return platform::window_move(static_cast<uint32_t>(window), x, y, w, h) ? 1 : 0;
}

JNIEXPORT void JNICALL VX(utils_1SetWindowTitle)(JNIEnv* env, jclass, jint window, jbyteArray title) {
    char name[kTitleMax];
    if (read_title(env, title, name)) platform::window_set_title(static_cast<uint32_t>(window), name);
}

JNIEXPORT jint JNICALL VX(utils_1CloseWindow)(JNIEnv*, jclass, jint window) {
    return platform::window_close(static_cast<uint32_t>(window));
}
