#include "random/time_sources.h"

#include <cstring>

#include "platform/platform.h"
#include "random/entropy.h"

namespace vantix {

#ifdef VANTIX_TEST_HOOKS
TestTimeHooks& test_time_hooks() {
    static TestTimeHooks hooks;
    return hooks;
}

uint32_t rnd_cycle_counter() {
    const auto& h = test_time_hooks();
    return h.fixed_time ? h.cycle : platform::read_cycle_counter();
}

uint32_t rnd_elapsed_ms() {
    const auto& h = test_time_hooks();
    return h.fixed_time ? h.ms : platform::elapsed_ms();
}

void rnd_entropy(uint8_t* block) {
    auto& h = test_time_hooks();
    ++h.entropy_calls;
    if (h.fixed_entropy) {
        std::memcpy(block, h.entropy, 32);
        return;
    }
    static_cast<void>(gather_entropy(block));  // whatever was gathered is used
}

int32_t rnd_query_system_info(int32_t kind, uint8_t* buffer) {
    const auto& h = test_time_hooks();
    return h.query_result != 0 ? h.query_result : platform::query_system_info(kind, buffer);
}

void rnd_sleep_1ms(platform::SleepSession& sleeps) {
    ++test_time_hooks().sleeps;
    sleeps.sleep_1ms();
}
#else
uint32_t rnd_cycle_counter() { return platform::read_cycle_counter(); }
uint32_t rnd_elapsed_ms() { return platform::elapsed_ms(); }
void rnd_entropy(uint8_t* block) { static_cast<void>(gather_entropy(block)); }  // its code is not needed
int32_t rnd_query_system_info(int32_t kind, uint8_t* buffer) { return platform::query_system_info(kind, buffer); }
void rnd_sleep_1ms(platform::SleepSession& sleeps) { sleeps.sleep_1ms(); }
#endif

}  // namespace vantix
