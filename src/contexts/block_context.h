// Simple-replacement (electronic code book) context: at most 32 bytes, one key's worth,
// per initialisation, in any mix of directions.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

#pragma pack(push, 4)
struct BlockContext {
    uint32_t magic;    // 0x9ABCDEF0 once cleared
    uint32_t key[16];  // key_value (words 0-7) then key_mask (words 8-15)
    uint32_t initialised;
    RND_State* rnd_state;
    COM_State* com_state;
    uint8_t reserved[8];
    uint32_t byte_count;  // bytes processed since init, 0..32
    uint32_t checksum;    // CRC-32 of key_value
};
#pragma pack(pop)

static_assert(offsetof(BlockContext, magic) == 0);
static_assert(offsetof(BlockContext, key) == 4);  // key_value at 4, key_mask at 36
static_assert(offsetof(BlockContext, initialised) == 68);
static_assert(offsetof(BlockContext, rnd_state) == 72);
static_assert(offsetof(BlockContext, com_state) == 80);
static_assert(offsetof(BlockContext, reserved) == 88);
static_assert(offsetof(BlockContext, byte_count) == 96);
static_assert(offsetof(BlockContext, checksum) == 100);
static_assert(sizeof(BlockContext) == 104);

constexpr uint32_t ECB_LIMIT_BYTES = 32;

// The checks an operation makes before it uses the context's stored table and generator,
// in its order: RC_BAD_MARKER, RC_NOT_INITIALISED, else RC_OK. The operations and the JNI layer
// (which pins the blocks a context uses) ask this one question, so they cannot disagree.
inline Result block_ready(const BlockContext* ctx) {
    if (ctx->magic != MAGIC_ECB) return RC_BAD_MARKER;
    return ctx->initialised == 1 ? RC_OK : RC_NOT_INITIALISED;
}

// Loads a 64-byte masked key (key XOR mask, then the mask; key words big-endian) and masks
// it afresh from rnd. First of all com's table is expanded (see context_init_start). Then:
// RC_MISSING for a null ctx, com, rnd or key; RC_ALREADY_INITIALISED when ctx is in use.
// Unlike the other modes it does not ask whether rnd is seeded. A block without its
// marker is cleared first. On a refusal nothing but com's expanded table changes.
Result block_init(BlockContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key);

// Enciphers or deciphers `blocks` 8-byte blocks, each read and written as two big-endian
// words; in == out is allowed (each block is read whole before it is written), a partial
// overlap is not. Checks, in order: RC_MISSING (null ctx, in or out), RC_BAD_MARKER,
// RC_NOT_INITIALISED, RC_CHECKSUM (a rewritten table or generator address, or an altered
// key) — each refusal changes nothing. Then block by block: once 32 bytes have been
// processed since init the call stops with RC_ECB_LIMIT, the blocks before it written.
// Success re-masks the key.
Result block_encrypt(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks);
Result block_decrypt(BlockContext* ctx, const uint8_t* in, uint8_t* out, int32_t blocks);

// Wipes the whole context and sets its marker; RC_MISSING for null, else RC_OK.
Result block_clear(BlockContext* ctx);

}  // namespace vantix
