// The sealing both containers share: derive the two keys, MAC the plain bytes, encipher
// payload and MAC with gamma with feedback; and the reverse.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "random/rnd_state.h"

namespace vantix {

// The two keys derived from password and salt, each a 64-byte masked key.
struct ContainerKeys {
    uint8_t enc[64];
    uint8_t mac[64];
};

// RC_OK, or RC_CONTAINER_STEP when a derivation fails.
Result container_derive_keys(RND_State* rnd, const uint8_t* password, int32_t length, const uint8_t* salt,
                             ContainerKeys* keys);

// The first steps of sealing: draws the 8-byte salt into buf and derives both keys from
// password and salt. RC_OK, or RC_CONTAINER_STEP when the draw or a derivation fails.
Result container_begin(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* buf, ContainerKeys* keys);

// buf: salt (8 bytes), payload (payload_len bytes) and room for the 8-byte MAC. MACs the
// plain bytes, then enciphers payload and MAC. RC_OK, or RC_CONTAINER_STEP when any step fails.
Result container_seal(RND_State* rnd, const ContainerKeys& keys, uint8_t* buf, size_t payload_len);

// Deciphers and checks buf in place: RC_OK, RC_CONTAINER_STEP when a step fails, or
// RC_CONTAINER_MAC on a MAC mismatch.
Result container_open(RND_State* rnd, const uint8_t* password, int32_t length, uint8_t* buf, size_t payload_len);

}  // namespace vantix
