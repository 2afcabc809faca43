// Time and entropy sources of the generator. Test builds (VANTIX_TEST_HOOKS) can replace
// them by fixed values so that the generator's output becomes a pure function of its state.
#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace vantix {

uint32_t rnd_cycle_counter();
uint32_t rnd_elapsed_ms();
// Fills the 32-byte entropy block for a generator refresh.
void rnd_entropy(uint8_t* block);
// One system-information query of the entropy gatherer.
int32_t rnd_query_system_info(int32_t kind, uint8_t* buffer);
// One 1 ms sleep of the entropy gatherer.
void rnd_sleep_1ms(platform::SleepSession& sleeps);

#ifdef VANTIX_TEST_HOOKS
struct TestTimeHooks {
    bool fixed_time = false;
    uint32_t cycle = 0;
    uint32_t ms = 0;
    bool fixed_entropy = false;
    uint8_t entropy[32] = {};
    uint32_t entropy_calls = 0;  // counts gatherings made by the generator
    int32_t query_result = 0;    // non-zero: every system-information query returns this
    uint32_t sleeps = 0;         // counts the gatherer's sleeps
};
TestTimeHooks& test_time_hooks();
#endif

}  // namespace vantix
