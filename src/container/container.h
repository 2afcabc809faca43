// Password-sealed containers for a generator state (84 bytes) and a secret key (48 bytes).
//
// Both start with an 8-byte random salt, also the vector of the feedback-mode encryption.
// Two keys are derived from password and salt: the encryption key (gamma with feedback,
// CryptoPro-C table) and the MAC key (CryptoPro-D table). The MAC covers the salt and the
// plain payload; payload and MAC are then enciphered together, the salt stays in the clear.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "random/rnd_state.h"

namespace vantix {

constexpr size_t RND_CONTAINER_BYTES = 84;
constexpr size_t KEY_CONTAINER_BYTES = 48;
constexpr int32_t CONTAINER_MIN_PASSWORD = 10;  // for sealing; opening takes any non-empty one
// Seals the generator's state. The container is written only on success (RC_OK);
// RC_MISSING for a missing argument or a password shorter than 10 bytes;
// RC_CONTAINER_STEP when a step failed (an unseeded generator).
Result make_rnd_container(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* container);
// Opens a container into `target`, which is then seeded. RC_MISSING, RC_CONTAINER_STEP, or
// RC_CONTAINER_MAC for a MAC mismatch (wrong password or altered container); the target
// changes only on success.
Result extract_rnd_container(const uint8_t* container, const uint8_t* password, int32_t length, RND_State* target);

// masked_key: 64 bytes (key XOR mask, then mask). Same codes as the generator container.
Result make_key_container(RND_State* rnd, const uint8_t* masked_key, const uint8_t* password, int32_t length,
                          uint8_t* container);
Result extract_key_container(RND_State* rnd, const uint8_t* container, const uint8_t* password, int32_t length,
                             uint8_t* masked_key);

}  // namespace vantix
