// The window exports against a real window made by this test program (Windows; under
// wine64 in CI): find by title, centre, retitle, close; and an invalid handle.
#if defined(_WIN32)
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "jni/fake_jni.h"
#include "jni/module.h"
#include "unit/hex.h"

namespace {

bool g_closed = false;

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        g_closed = true;
        DestroyWindow(w);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

std::vector<uint8_t> zstr(const std::string& s) {
    std::vector<uint8_t> v(s.begin(), s.end());
    v.push_back(0);
    return v;
}

}  // namespace

TEST(WindowWin32, FindCentreRetitleCloseAndInvalidHandle) {
    FakeJni jni;
    JNIEnv* env = jni.env();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VantixTestWindow";
    RegisterClassA(&wc);
    const std::string name = "vantix win32 window test";
    HWND w = CreateWindowExA(0, wc.lpszClassName, name.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                             wc.hInstance, nullptr);
    ASSERT_NE(w, nullptr);
    const jint h = VANTIX_CALL(utils_1FindWindowByTitle)(env, nullptr, jni.array(zstr(name), "title"));
    EXPECT_EQ(h, static_cast<jint>(reinterpret_cast<intptr_t>(w)));
    EXPECT_NE(VANTIX_CALL(utils_1CenterWindow)(env, nullptr, h, 100, 50, 800, 600), 0);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 100 + (800 - 300) / 2);
    EXPECT_EQ(r.top, 50 + (600 - 200) / 2);
    VANTIX_CALL(utils_1SetWindowTitle)(env, nullptr, h, jni.array(bytes_of("renamed"), "title"));  // no zero byte
    char text[64] = {};
    GetWindowTextA(w, text, sizeof text);
    EXPECT_STREQ(text, "renamed");
    VANTIX_CALL(utils_1CloseWindow)(env, nullptr, h);
    EXPECT_TRUE(g_closed);
    EXPECT_FALSE(IsWindow(w));
    // An invalid handle makes the system calls fail softly.
    EXPECT_EQ(VANTIX_CALL(utils_1CenterWindow)(env, nullptr, h, 0, 0, 10, 10), 0);
    EXPECT_EQ(VANTIX_CALL(utils_1FindWindowByTitle)(env, nullptr, jni.array(zstr(name), "title")), 0);
}
#endif
