// The block chain of the GOST 28147-89 MAC: per block the state is XORed with the data and
// put through the 16 rounds of the MAC (keys K0..K7 twice, no final exchange). The stream
// context around it (buffering, the final padded block, meshing) is contexts/mac.h.
//
// Keys are masked as transform.h says; constant time as it says too.
#pragma once
#include <cstdint>

#include "gost28147/round_table.h"

namespace vantix {

// One block on an expanded table (prepared on each call: for single uses): state becomes
// the 16 rounds of (state XOR data), data given as two words.
void mac_rounds(const uint32_t* t, const uint32_t* masked_key, uint32_t* state, const uint32_t* data);

// n blocks in a row, each eight bytes of data read as two big-endian words: what n calls
// of mac_rounds would give, with the state kept in processor registers between blocks.
void mac_blocks(const RoundTable& rt, const uint32_t* masked_key, uint32_t* state, const uint8_t* data, int n);

}  // namespace vantix
