// The GOST R 34.11-94 step function f(H, M).
//
// 256-bit values are 32-byte arrays, byte 0 least significant. Keys handed to the cipher
// are eight little-endian words of the key bytes; the 64-bit parts h1..h4 are bytes 0-7,
// 8-15, 16-23, 24-31 and are enciphered as two little-endian words.
#pragma once
#include <cstdint>

#include "gost28147/round_table.h"

namespace vantix {

// H = f(H, M) with the prepared table rt. H and M may be the same buffer.
void hash_step(const RoundTable& rt, uint8_t* h, const uint8_t* m);
// The same with an expanded table t, prepared on each call (for single steps).
void hash_step(const uint32_t* t, uint8_t* h, const uint8_t* m);

}  // namespace vantix
