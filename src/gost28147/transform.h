// GOST 28147-89 block transforms and the CryptoPro key meshing (RFC 4357, 2.3.2).
//
// Blocks are two native words (first = the standard's N1, second = N2); callers convert
// bytes to words. A masked key block is sixteen words: 0-7 the key value (key XOR mask),
// 8-15 the mask. Round key i is word i XOR word 8+i, formed when needed and never stored.
// A plain key is eight words K0..K7. `t` is an expanded table (see sbox.h).
//
// The 32-round transforms allow in == out: both input words are read before writing.
#pragma once
#include <cstdint>

#include "common/result.h"

namespace vantix {

struct COM_State;
struct RND_State;

void encrypt_block(const uint32_t* t, const uint32_t* masked_key, const uint32_t* in, uint32_t* out);
void decrypt_block(const uint32_t* t, const uint32_t* masked_key, const uint32_t* in, uint32_t* out);
void encrypt_block_plain(const uint32_t* t, const uint32_t* key, const uint32_t* in, uint32_t* out);
void decrypt_block_plain(const uint32_t* t, const uint32_t* key, const uint32_t* in, uint32_t* out);

// The round keys of a masked key block: rk[i] = key word i XOR mask word i. Formed once
// for a run of blocks; the caller wipes them when done.
void round_keys(const uint32_t* masked_key, uint32_t* rk);

// Enciphers n blocks in place under the round keys rk, four at a time interleaved. Gives
// exactly what n calls of encrypt_block_plain would.
void encrypt_blocks(const uint32_t* t, const uint32_t* rk, uint32_t (*blocks)[2], int n);

// Enciphers four blocks in place, block l under the plain key keys[l] (the hash step).
void encrypt_blocks_keys4(const uint32_t* t, const uint32_t* const* keys, uint32_t (*blocks)[2]);

// Cipher feedback encryption of n whole blocks: per block the register is enciphered
// (gamma), the next eight bytes of in read as two big-endian words are XORed with it, and
// the result is both the output (written as two big-endian words) and the next register.
// reg holds the register before and after; gamma receives the last block's gamma. in may
// equal out. The register and gamma stay in registers between blocks: the chain from one
// block to the next is the 32 rounds and one XOR.
void feedback_encrypt_blocks(const uint32_t* t, const uint32_t* rk, uint32_t* reg, uint32_t* gamma, const uint8_t* in,
                             uint8_t* out, int n);

// state = 16-round transform of (state XOR data), with no final exchange.
void mac_rounds(const uint32_t* t, const uint32_t* masked_key, uint32_t* state, const uint32_t* data);
// The same with round keys already formed.
void mac_rounds_rk(const uint32_t* t, const uint32_t* rk, uint32_t* state, const uint32_t* data);
// n blocks in a row, each eight bytes of data read as two big-endian words: what n calls
// of mac_rounds_rk would give, with the state kept in processor registers between blocks.
void mac_blocks_rk(const uint32_t* t, const uint32_t* rk, uint32_t* state, const uint8_t* data, int n);

// Replaces the key by its meshed successor: the key deciphers the 32-byte meshing constant,
// which becomes the new key. With a mask the key is value XOR mask before and after (the
// mask is unchanged). With a register, the register is then enciphered under the new key.
// Returns RC_MISSING when the key, the COM_State or the RND_State is absent (the generator
// is only checked, not used), else RC_OK.
Result key_meshing(const COM_State* com, const RND_State* rnd, uint32_t* key_value, const uint32_t* key_mask,
                   uint32_t* reg);

}  // namespace vantix
