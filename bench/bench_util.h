// What the benchmarks share.
#pragma once
#include <cstdio>
#include <cstdlib>

#include "common/result.h"

// A benchmark measures an operation that succeeds; a failing one would measure nothing, so
// it ends the run with the code.
inline void must(vantix::Result r) {
    if (r != vantix::RC_OK) {
        std::fprintf(stderr, "benchmark setup or operation failed with result %d\n", int(r));
        std::abort();
    }
}
