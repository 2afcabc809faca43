// MAC context: the 16-round chained transform of GOST 28147-89 with CryptoPro key meshing
// after every 1024 absorbed bytes. The final block is zero-padded; the MAC is the whole
// 64-bit state. The block chain itself is gost28147/mac_chain.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

#pragma pack(push, 4)
struct MacContext {
    uint32_t magic;     // 0x9ABCDEF4 once cleared
    uint32_t key[16];   // key_value then key_mask
    uint8_t buffer[8];  // bytes received but not yet absorbed
    uint32_t state[2];  // chaining value
    int32_t position;   // bytes in buffer, 0..8
    uint32_t initialised;
    RND_State* rnd_state;
    COM_State* com_state;
    uint32_t mesh_count;
    uint32_t checksum;
};
#pragma pack(pop)

static_assert(offsetof(MacContext, key) == 4);
static_assert(offsetof(MacContext, buffer) == 68);
static_assert(offsetof(MacContext, state) == 76);
static_assert(offsetof(MacContext, position) == 84);
static_assert(offsetof(MacContext, initialised) == 88);
static_assert(offsetof(MacContext, rnd_state) == 92);
static_assert(offsetof(MacContext, com_state) == 100);
static_assert(offsetof(MacContext, mesh_count) == 108);
static_assert(offsetof(MacContext, checksum) == 112);
static_assert(sizeof(MacContext) == 116);
constexpr size_t MAC_CONTEXT_BLOCK = 120;  // allocation size; the last 4 bytes are unused

// The checks an operation makes before it uses the context's stored table and generator,
// in its order (the marker is
// not tested): RC_NOT_INITIALISED, else RC_OK. The operations and the JNI layer
// (which pins the blocks a context uses) ask this one question, so they cannot disagree.
inline Result mac_ready(const MacContext* ctx) { return ctx->initialised == 1 ? RC_OK : RC_NOT_INITIALISED; }

// Loads a 64-byte masked key and the initial value iv (8 bytes, two big-endian words; null
// for zeros). First of all com's table is expanded (see context_init_start). Then:
// RC_MISSING for a null ctx, com, rnd or key; RC_ALREADY_INITIALISED when ctx is in use;
// RC_MISSING when rnd is not seeded. A block without its marker is cleared first. On a
// refusal nothing but com's expanded table changes.
Result mac_init(MacContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key, const uint8_t* iv);

// Absorbs `length` bytes. Checks, in order: RC_MISSING (null ctx or data),
// RC_NOT_INITIALISED, RC_CHECKSUM (a position, meshing count, table or generator field out
// of range, or an altered key) — each refusal changes nothing. A full buffer is absorbed
// only when a further byte arrives, so the last block waits for mac_final. The key is
// meshed at every 1024 absorbed bytes (and the running value enciphered under the new
// key); success re-masks the key.
Result mac_update(MacContext* ctx, const uint8_t* data, int32_t length);

// mac_update with the data in little-endian words, as RFC 4357 and the peers read them:
// each 4-byte group reversed (contexts/word_order.h). `length` must be a whole number of
// words, else RC_MISSING (checked with the null arguments). The same checks, absorbing,
// meshing and re-masking as mac_update.
Result mac_update_le(MacContext* ctx, const uint8_t* data, int32_t length);

// Writes the 8-byte MAC (two big-endian words). Checks: RC_MISSING (null ctx or mac),
// RC_NOT_INITIALISED, RC_CHECKSUM — a refusal changes nothing (the key is checked before
// the buffer is padded). With no data at all the MAC is the initial value. It ends the
// message: the buffered block is padded in place, so a new MAC takes mac_clear and
// mac_init.
Result mac_final(MacContext* ctx, uint8_t* mac);

// Wipes the whole context and sets its marker; RC_MISSING for null, else RC_OK.
Result mac_clear(MacContext* ctx);

}  // namespace vantix
