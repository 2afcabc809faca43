// Gamma (counter) mode context with CryptoPro key meshing after every 1024 gamma bytes.
// Encryption and decryption are the same operation; a stream may be split into calls of
// any lengths.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

#pragma pack(push, 4)
struct GammaContext {
    uint32_t magic;       // 0x9ABCDEF2 once cleared
    uint32_t key[16];     // key_value then key_mask
    uint32_t counter[2];  // N3, N4
    uint8_t gamma[8];     // current gamma block, two big-endian words
    int32_t position;     // next unused gamma byte; 8 = none left
    uint32_t initialised;
    RND_State* rnd_state;
    COM_State* com_state;
    uint32_t mesh_count;  // gamma bytes since init or the last meshing
    uint32_t checksum;
};
#pragma pack(pop)

static_assert(offsetof(GammaContext, key) == 4);
static_assert(offsetof(GammaContext, counter) == 68);
static_assert(offsetof(GammaContext, gamma) == 76);
static_assert(offsetof(GammaContext, position) == 84);
static_assert(offsetof(GammaContext, initialised) == 88);
static_assert(offsetof(GammaContext, rnd_state) == 92);
static_assert(offsetof(GammaContext, com_state) == 100);
static_assert(offsetof(GammaContext, mesh_count) == 108);
static_assert(offsetof(GammaContext, checksum) == 112);
static_assert(sizeof(GammaContext) == 116);
constexpr size_t GAMMA_CONTEXT_BLOCK = 120;  // allocation size; the last 4 bytes are unused

// The standard's counter constants: C1 is added to N4 modulo 2^32 - 1, C2 to N3 modulo 2^32.
constexpr uint32_t GAMMA_C1 = 0x01010104u;
constexpr uint32_t GAMMA_C2 = 0x01010101u;

// The checks an operation makes before it uses the context's stored table and generator,
// in its order: RC_BAD_MARKER, RC_NOT_INITIALISED, else RC_OK. The operations and the JNI layer
// (which pins the blocks a context uses) ask this one question, so they cannot disagree.
inline Result gamma_ready(const GammaContext* ctx) {
    if (ctx->magic != MAGIC_GAMMA) return RC_BAD_MARKER;
    return ctx->initialised == 1 ? RC_OK : RC_NOT_INITIALISED;
}

// Loads a 64-byte masked key and the vector iv (8 bytes, two big-endian words; null for
// zeros) and enciphers the vector, as the standard starts the counter. First of all com's
// table is expanded (see context_init_start). Then: RC_MISSING for a null ctx, com, rnd or
// key; RC_ALREADY_INITIALISED when ctx is in use; RC_MISSING when rnd is not seeded. A
// block without its marker is cleared first. On a refusal nothing but com's expanded
// table changes.
Result gamma_init(GammaContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key, const uint8_t* iv);

// XORs `length` bytes of keystream into out (encryption and decryption alike); in == out
// is allowed, a partial overlap is not. Checks, in order: RC_MISSING (null ctx, in or out),
// RC_BAD_MARKER, RC_NOT_INITIALISED, RC_CHECKSUM (a position, meshing count, table or
// generator field out of range, or an altered key) — each refusal changes nothing. The
// key is meshed at every 1024 keystream bytes; success re-masks the key.
Result gamma_crypt(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);

// gamma_crypt with the data in little-endian words, as RFC 4357 and the peers read them:
// each 4-byte group of in and out reversed (contexts/word_order.h). `length` must be a whole
// number of words, else RC_MISSING (checked with the null arguments). The same checks,
// keystream, meshing and re-masking as gamma_crypt.
Result gamma_crypt_le(GammaContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);

// Wipes the whole context and sets its marker; RC_MISSING for null, else RC_OK.
Result gamma_clear(GammaContext* ctx);

// N4 + C1 modulo 2^32 - 1 (a carry out of 32 bits adds 1). The counter is secret (the
// enciphered IV): the carry is added arithmetically, never chosen by a branch or a cmov.
inline uint32_t gamma_add_c1(uint32_t n4) {
    const uint64_t s = uint64_t(n4) + GAMMA_C1;
    return uint32_t(s) + uint32_t(s >> 32);
}

}  // namespace vantix
