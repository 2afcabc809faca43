// What the four cipher mode contexts share: their key as a masked key block (value words
// 0-7, mask words 8-15) guarded by the state checksum of the value; the start of their
// inits; and the counting of bytes towards the CryptoPro key meshing.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost28147/round_table.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

// Whether an init refuses an unseeded generator. Gamma, gamma with feedback and MAC do;
// simple replacement does not (its init has never asked, and callers may rely on that: an
// unseeded generator still gives masks, only predictable ones).
enum class SeedCheck { Required, NotAsked };

// The start every cipher-mode init shares, in the interface's order:
//  1. com's table is expanded before any check, so even a refused init leaves it expanded
//     (a COM_State is usable once any init has named it; callers rely on that);
//  2. ctx, masked_key and rnd present, else RC_MISSING (com itself is not checked beyond
//     not being null);
//  3. ctx not initialised yet, else RC_ALREADY_INITIALISED;
//  4. with SeedCheck::Required, a seeded generator, else RC_MISSING.
// RC_OK means go on; on any other result nothing but the expanded table has changed.
template <class Ctx>
Result context_init_start(Ctx* ctx, COM_State* com, const RND_State* rnd, const uint8_t* masked_key, SeedCheck seed) {
    if (com == nullptr) return RC_MISSING;
    sbox_expand(com->sbox, com->expanded);
    if (ctx == nullptr || masked_key == nullptr || rnd == nullptr) return RC_MISSING;
    if (ctx->initialised != 0) return RC_ALREADY_INITIALISED;
    if (seed == SeedCheck::Required && !rnd_is_seeded(rnd)) return RC_MISSING;
    return RC_OK;
}

// CryptoPro key meshing (RFC 4357, section 2.3.2) follows every 1024 bytes processed
// under one key. Each stream context counts those bytes in its mesh_count (always a whole
// number of blocks below the interval); the count is kept only through these helpers.
constexpr uint32_t MESH_INTERVAL_BYTES = 1024;

// The whole blocks of `bytes` that may be processed in one run: no further than the next
// meshing point, where the key changes.
inline int32_t blocks_before_mesh(int32_t bytes, uint32_t mesh_count) {
    const int32_t to_mesh = int32_t((MESH_INTERVAL_BYTES - mesh_count) / 8);
    const int32_t whole = bytes / 8;
    return whole < to_mesh ? whole : to_mesh;
}

// Counts `blocks` more blocks (never past the meshing point). When that reaches the point,
// the count starts again at 0, the key is meshed with com's table prepared as `rt`, `reg`
// (the context's register) is enciphered under the new key and the checksum resealed.
// Returns the meshing's result, RC_OK when none was due.
Result context_count_blocks(const COM_State* com, uint32_t* key16, uint32_t* reg, uint32_t* checksum,
                            uint32_t* mesh_count, uint32_t blocks, const RoundTable& rt);

// Reads a 64-byte masked key (key XOR mask, then the mask: see mask_key_bytes) into key words K0..K7, each
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
    return position >= 0 && position <= 8 && mesh_count < MESH_INTERVAL_BYTES && mesh_count % 8 == 0 &&
           com != nullptr && rnd != nullptr;
}

// Re-masks the key and returns the new checksum.
uint32_t context_key_remask(RND_State* rnd, uint32_t* key16);

// Meshes the key (RFC 4357 CryptoPro key meshing) and re-enciphers `reg`; returns the
// result of key_meshing and stores the new checksum.
Result context_key_mesh(const COM_State* com, uint32_t* key16, uint32_t* reg, uint32_t* checksum, const RoundTable& rt);

}  // namespace vantix
