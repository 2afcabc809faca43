// The random generator. Its output is not a deterministic expansion of the seed: every 32
// output bytes the output block is re-enciphered under a key that evolves with the cycle
// counter and the clock, and an entropy block is injected every 16384 bytes (and before the
// first byte after seeding).
#pragma once
#include <cstdint>

#include "common/result.h"
#include "random/rnd_state.h"

namespace vantix {

// Loads a 64-byte seed (X, then Y) and marks the state seeded; a null seed marks it
// unseeded and changes nothing else.
void rnd_seed(RND_State* state, const uint8_t* seed);

// Writes 8 * blocks bytes. RC_MISSING (nothing written, state unchanged) when the state is
// null or not seeded. Every successful call, also with 0 blocks, ends by hashing X and Y forward.
Result rnd_generate(RND_State* state, uint8_t* out, uint32_t blocks);

// Fills length bytes; each group of four generator bytes is reversed. RC_MISSING (nothing
// written) when the buffer or the state is null or the state is not seeded.
Result rnd_fill(RND_State* state, uint8_t* buffer, int32_t length);

}  // namespace vantix
