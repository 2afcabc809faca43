// Streaming GOST R 34.11-94 hash context (128 bytes, laid out for Java's mem_read/mem_write).
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

#pragma pack(push, 4)
struct HashContext {
    uint32_t marker;       // 0x9ABCDEF5 once cleared
    uint8_t buffer[32];    // current, not yet absorbed block
    uint8_t h[32];         // chaining value, little-endian
    uint8_t sum[32];       // control sum of the absorbed blocks, little-endian
    uint32_t byte_count;   // bytes absorbed into h, a multiple of 32
    int32_t fill;          // valid bytes in buffer, 0..32
    uint32_t state;        // 1 when initialised
    RND_State* rnd_state;  // stored, never used by the hash
    COM_State* com_state;  // its expanded table drives every step
};
#pragma pack(pop)

static_assert(offsetof(HashContext, marker) == 0);
static_assert(offsetof(HashContext, buffer) == 4);
static_assert(offsetof(HashContext, h) == 36);
static_assert(offsetof(HashContext, sum) == 68);
static_assert(offsetof(HashContext, byte_count) == 100);
static_assert(offsetof(HashContext, fill) == 104);
static_assert(offsetof(HashContext, state) == 108);
static_assert(offsetof(HashContext, rnd_state) == 112);
static_assert(offsetof(HashContext, com_state) == 120);
static_assert(sizeof(HashContext) == 128);

// The checks an operation makes before it uses the context's stored table,
// in its order (the marker is
// not tested): RC_NOT_INITIALISED, else RC_OK. The operations and the JNI layer
// (which pins the blocks a context uses) ask this one question, so they cannot disagree.
inline Result hash_ready(const HashContext* ctx) { return ctx->state == 1 ? RC_OK : RC_NOT_INITIALISED; }

// Expands com's table first (whatever follows), then: RC_MISSING when ctx is null (or com
// is null), RC_ALREADY_INITIALISED when ctx is in use. rnd is only stored (the hash never
// draws) and may be null. start is 32 bytes of big-endian words or null. On a refusal
// nothing but com's expanded table changes.
Result hash_init(HashContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* start);

// RC_MISSING on a null ctx or data, RC_NOT_INITIALISED when not initialised, RC_CHECKSUM
// for a fill or table field out of range; a refusal changes nothing. A full buffer is
// absorbed when the next byte arrives. length <= 0 absorbs nothing.
Result hash_update(HashContext* ctx, const uint8_t* data, int32_t length);

// Writes the 32-byte hash value (byte 0 least significant) of everything fed so far. The
// context keeps its running state, so more updates may follow.
Result hash_final(HashContext* ctx, uint8_t* out);

// hash_final with the whole message length in the length block, as GOST R 34.11-94 has it
// for any length: the context counts bytes modulo 2^32 (its length block holds the bit
// length modulo 2^32 from 2^29 bytes on), so the caller who counted them gives `length`.
// RC_MISSING, with nothing written, when length is negative or disagrees with the
// context's count modulo 2^32 (checked first, with the null arguments: a context that is
// not initialised counts 0); otherwise as hash_final.
Result hash_final_length(HashContext* ctx, int64_t length, uint8_t* out);

Result hash_clear(HashContext* ctx);

}  // namespace vantix
