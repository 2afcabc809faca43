// The random-generator state block shared with Java (76 bytes).
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantix {

struct RND_State {
    uint8_t x[32];      // output block: the bytes handed out
    uint8_t y[32];      // key block and second chaining value
    uint32_t counter;   // bytes produced since seeding, wraps modulo 2^32
    uint32_t reserved;  // zeroed by seeding, otherwise unused
    uint16_t seeded;    // 1 once a seed was loaded
    uint8_t unused[2];
};

static_assert(offsetof(RND_State, x) == 0);
static_assert(offsetof(RND_State, y) == 32);
static_assert(offsetof(RND_State, counter) == 64);
static_assert(offsetof(RND_State, reserved) == 68);
static_assert(offsetof(RND_State, seeded) == 72);
static_assert(sizeof(RND_State) == 76);

// Number of leading bytes that a random-seed container saves and restores.
constexpr size_t RND_SAVED_BYTES = 68;

inline bool rnd_is_seeded(const RND_State* s) { return s != nullptr && s->seeded == 1; }

}  // namespace vantix
