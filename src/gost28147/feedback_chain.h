// The block chain of GOST 28147-89 cipher feedback encryption: whole blocks between two
// meshing points, the register and the gamma kept in processor registers from block to
// block. The stream context around it (partial blocks, meshing, deciphering, whose gammas
// are independent and run as counter-like batches) is contexts/gamma_ofb.h.
//
// Constant time as transform.h says: for a table in nibble form no memory address
// depends on the key or the data.
#pragma once
#include <cstdint>

#include "gost28147/round_table.h"

namespace vantix {

// Cipher feedback encryption of n whole blocks under a masked key (transform.h): per block
// the register is enciphered (gamma), the next eight bytes of in read as two big-endian
// words are XORed with it, and the result is both the output (written as two big-endian
// words) and the next register. reg holds the register before and after; gamma receives
// the last block's gamma. in may equal out. The chain from one block to the next is the
// 32 rounds and one XOR.
void feedback_encrypt_blocks(const RoundTable& rt, const uint32_t* masked_key, uint32_t* reg, uint32_t* gamma,
                             const uint8_t* in, uint8_t* out, int n);

}  // namespace vantix
