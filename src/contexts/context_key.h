// What the four cipher mode contexts share: their key as a masked key block (value words
// 0-7, mask words 8-15) guarded by the state checksum of the value.
#pragma once
#include <cstdint>

#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

// Reads the 64-byte Java form (key XOR mask, then the mask) into key words K0..K7, each
// big-endian, masks them with a fresh mask from rnd and returns the sealed checksum.
uint32_t context_key_load(RND_State* rnd, uint32_t* key16, const uint8_t* masked_key);

// True when the stored checksum matches the key value.
bool context_key_intact(const uint32_t* key16, uint32_t checksum);

// The fields of a stream context that index memory or bound a loop are in range: a
// position within the 8-byte block, a meshing count that is a whole number of blocks
// below the 1024-byte meshing interval, and a table and a generator to work with. A
// caller can rewrite a block with mem_write; a context that fails this is refused as
// damaged (RC_CHECKSUM) before anything is read through it.
inline bool stream_fields_valid(int32_t position, uint32_t mesh_count, const COM_State* com, const RND_State* rnd) {
    return position >= 0 && position <= 8 && mesh_count < 1024 && mesh_count % 8 == 0 && com != nullptr &&
           rnd != nullptr;
}

// Re-masks the key and returns the new checksum.
uint32_t context_key_remask(RND_State* rnd, uint32_t* key16);

// Meshes the key (RFC 4357 CryptoPro key meshing) and re-enciphers `reg`; returns the
// result of key_meshing and stores the new checksum.
int context_key_mesh(const COM_State* com, const RND_State* rnd, uint32_t* key16, uint32_t* reg, uint32_t* checksum);

}  // namespace vantix
