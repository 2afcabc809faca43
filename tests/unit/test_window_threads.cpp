// The X11 window utilities from several threads at once, with window ids that make Xlib
// report errors. Xlib's error handler is process-wide and its default one ends the
// process; overlapping calls must keep the handler that was there before (here: a
// recording one standing for the host's) and never hand it an error of their own.
// Runs where a display is set (CTest runs it under a private Xvfb).
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include <X11/Xlib.h>

#include "platform/window.h"

namespace {

std::atomic<int> host_errors{0};
int host_handler(Display*, XErrorEvent*) {
    ++host_errors;
    return 0;
}

}  // namespace

TEST(WindowThreads, ConcurrentCallsKeepTheHostHandlerAndNeverPassItOurErrors) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    void* xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(xlib, nullptr);
    auto set_handler = reinterpret_cast<XErrorHandler (*)(XErrorHandler)>(dlsym(xlib, "XSetErrorHandler"));
    auto init_threads = reinterpret_cast<Status (*)()>(dlsym(xlib, "XInitThreads"));
    init_threads();
    set_handler(host_handler);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 5; ++i) {
                const uint32_t bogus = 0x7000000u + uint32_t(t * 1000 + i);
                vantix::platform::window_close(bogus);
                vantix::platform::window_set_title(bogus, "x");
                vantix::platform::WindowRect r{};
                vantix::platform::window_rect(bogus, &r);
                vantix::platform::window_find("no such window");
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(host_errors.load(), 0) << "the host's handler received our errors";
    EXPECT_EQ(set_handler(nullptr), host_handler) << "the host's handler was not restored";
}
#endif
