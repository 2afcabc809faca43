// GOST 28147-89 block transforms and the CryptoPro key meshing (RFC 4357, 2.3.2). The
// chained transforms are apart: cipher feedback in feedback_chain.h, the MAC in
// mac_chain.h.
//
// Blocks are two native words (first = the standard's N1, second = N2); callers convert
// bytes to words. A masked key block is sixteen words: 0-7 the key value (key XOR mask),
// 8-15 the mask. Round key i is word i XOR word 8+i, formed in the round that uses it and
// never stored. A plain key is eight words K0..K7. `t` is an expanded table (see sbox.h);
// `rt` the same table prepared once for a run of calls (round_table.h).
//
// Constant time: for a table in nibble form (every table expanded from entries 0 to 15)
// no memory address depends on the key or the data, on every core; a table without that
// form is computed by table lookups, which index memory by key and data.
//
// The 32-round transforms allow in == out: both input words are read before writing.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost28147/round_table.h"

namespace vantix {

struct COM_State;
struct RND_State;

// One block on an expanded table (prepared on each call: for single uses).
void encrypt_block(const uint32_t* t, const uint32_t* masked_key, const uint32_t* in, uint32_t* out);
void decrypt_block(const uint32_t* t, const uint32_t* masked_key, const uint32_t* in, uint32_t* out);
void encrypt_block_plain(const uint32_t* t, const uint32_t* key, const uint32_t* in, uint32_t* out);
void decrypt_block_plain(const uint32_t* t, const uint32_t* key, const uint32_t* in, uint32_t* out);

// n blocks in place under a masked key, enciphered or deciphered: exactly what n calls of
// encrypt_block or decrypt_block would give. The array has room for n rounded up to a
// multiple of four blocks; blocks past n may be overwritten.
void encrypt_blocks(const RoundTable& rt, const uint32_t* masked_key, uint32_t (*blocks)[2], int n);
void decrypt_blocks(const RoundTable& rt, const uint32_t* masked_key, uint32_t (*blocks)[2], int n);
// The same under a plain key.
void encrypt_blocks_plain(const RoundTable& rt, const uint32_t* key, uint32_t (*blocks)[2], int n);
void decrypt_blocks_plain(const RoundTable& rt, const uint32_t* key, uint32_t (*blocks)[2], int n);

// Enciphers four blocks in place, block l under the plain key keys[l] (the hash step).
void encrypt_blocks_keys4(const RoundTable& rt, const uint32_t* const* keys, uint32_t (*blocks)[2]);

// Replaces the key by its meshed successor: the key deciphers the 32-byte meshing constant,
// which becomes the new key. With a mask the key is value XOR mask before and after (the
// mask is unchanged). With a register, the register is then enciphered under the new key.
// `prepared`, when given, is com's table already prepared. Returns RC_MISSING when the
// key or the COM_State is absent, else RC_OK.
Result key_meshing(const COM_State* com, uint32_t* key_value, const uint32_t* key_mask, uint32_t* reg,
                   const RoundTable* prepared = nullptr);

}  // namespace vantix
