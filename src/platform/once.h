// One-time initialisation of process-wide tables, safe under concurrent first use.
//
// Not a function-local static: its guard lives in the C++ runtime, which the module does
// not link (see mutex.h). The first caller runs the initialiser; callers that arrive while
// it runs yield until it has finished, then see everything it wrote (release/acquire).
// The initialisers are short computations that cannot fail.
#pragma once

#include <atomic>

#ifdef _WIN32
#include "platform/windows_lean.h"
#else
#include <sched.h>
#endif

namespace vantix {

class Once {
public:
    constexpr Once() = default;
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;

    template <class F>
    void run(F&& init) {
        if (state_.load(std::memory_order_acquire) == kDone) return;
        int expected = kNotStarted;
        if (state_.compare_exchange_strong(expected, kRunning, std::memory_order_acquire)) {
            init();
            state_.store(kDone, std::memory_order_release);
            return;
        }
        while (state_.load(std::memory_order_acquire) != kDone) yield();
    }

private:
    static constexpr int kNotStarted = 0, kRunning = 1, kDone = 2;

    static void yield() {
#ifdef _WIN32
        SwitchToThread();
#else
        sched_yield();
#endif
    }

    std::atomic<int> state_{kNotStarted};
};

}  // namespace vantix
