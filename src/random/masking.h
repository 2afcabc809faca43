// Key masking and the state checksum.
//
// A masked key is a value and a mask of eight words each whose XOR is the key; the plain
// key exists only transiently. The state checksum is the standard CRC-32 of a stored
// masked value, sealed after every change and verified before every use.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "random/rnd_state.h"

namespace vantix {

// value holds the plain key on entry and key XOR mask on return; mask receives a fresh
// mask. It cannot fail: with a refusing generator the mask is not fresh, but the invariant holds.
void mask_key(RND_State* rnd, uint32_t* value, uint32_t* mask);

// The 64-byte masked key, the form in which a key leaves the library (the exports, the key
// containers, the password derivation): out[0..31] = key XOR mask, out[32..63] = a fresh
// mask, words little-endian. key and out may be the same buffer.
void mask_key_bytes(RND_State* rnd, const uint8_t* key, uint8_t* out);

// Replaces the mask of a masked key by a fresh one; the key is unchanged.
void remask_key(RND_State* rnd, uint32_t* value, uint32_t* mask);

// The running CRC-32 register (reflected polynomial 0xEDB88320) over `length` bytes,
// without a branch or a table index that depends on the data (four bytes at a time as one
// linear map, the rest bit by bit). Returns the register when the low byte of `finish` is non-zero,
// otherwise the register XOR 0xDEBB20E3.
uint32_t state_checksum(uint32_t finish, uint32_t reg, const uint8_t* data, size_t length);

// Seal: the CRC-32 of the 32 bytes of an eight-word value as they lie in memory
// (little-endian words).
uint32_t checksum_seal(const uint32_t* value);

// Verify: true when `stored` is the CRC-32 of the value.
bool checksum_verify(const uint32_t* value, uint32_t stored);

}  // namespace vantix
