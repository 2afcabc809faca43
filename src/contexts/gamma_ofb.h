// Gamma-with-feedback (cipher feedback) context with CryptoPro key meshing after every
// 1024 bytes. The gamma of a block is the encipherment of the previous ciphertext block
// (of the vector for the first block); a stream may be split into calls of any lengths.
// The exports, and so these functions, call it "ofb": the mode is cipher feedback (the
// gamma depends on the ciphertext), not output feedback.
// The whole-block chain between meshing points is gost28147/feedback_chain.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/result.h"
#include "gost28147/sbox.h"
#include "random/rnd_state.h"

namespace vantix {

#pragma pack(push, 4)
struct GammaFeedbackContext {
    uint32_t magic;        // 0x9ABCDEF3 once cleared
    uint32_t key[16];      // key_value then key_mask
    uint32_t feedback[2];  // between blocks: the next block to encipher; within a block its
                           // first `position` bytes hold that block's ciphertext
    uint8_t gamma[8];      // current gamma block, two big-endian words
    int32_t position;      // next byte of the current block; 8 = block complete
    uint32_t initialised;
    RND_State* rnd_state;
    COM_State* com_state;
    uint32_t mesh_count;
    uint32_t checksum;
};
#pragma pack(pop)

static_assert(offsetof(GammaFeedbackContext, key) == 4);
static_assert(offsetof(GammaFeedbackContext, feedback) == 68);
static_assert(offsetof(GammaFeedbackContext, gamma) == 76);
static_assert(offsetof(GammaFeedbackContext, position) == 84);
static_assert(offsetof(GammaFeedbackContext, initialised) == 88);
static_assert(offsetof(GammaFeedbackContext, rnd_state) == 92);
static_assert(offsetof(GammaFeedbackContext, com_state) == 100);
static_assert(offsetof(GammaFeedbackContext, mesh_count) == 108);
static_assert(offsetof(GammaFeedbackContext, checksum) == 112);
static_assert(sizeof(GammaFeedbackContext) == 116);
constexpr size_t GAMMA_OFB_CONTEXT_BLOCK = 120;  // allocation size; the last 4 bytes are unused

// The checks an operation makes before it uses the context's stored table and generator,
// in its order: RC_BAD_MARKER, RC_NOT_INITIALISED, else RC_OK. The operations and the JNI layer
// (which pins the blocks a context uses) ask this one question, so they cannot disagree.
inline Result gamma_ofb_ready(const GammaFeedbackContext* ctx) {
    if (ctx->magic != MAGIC_GAMMA_OFB) return RC_BAD_MARKER;
    return ctx->initialised == 1 ? RC_OK : RC_NOT_INITIALISED;
}

// Loads a 64-byte masked key and the vector iv (8 bytes, two big-endian words; null for
// zeros). First of all com's table is expanded (see context_init_start). Then: RC_MISSING
// for a null ctx, com, rnd or key; RC_ALREADY_INITIALISED when ctx is in use; RC_MISSING
// when rnd is not seeded. A block without its marker is cleared first. On a refusal
// nothing but com's expanded table changes.
Result gamma_ofb_init(GammaFeedbackContext* ctx, COM_State* com, RND_State* rnd, const uint8_t* masked_key,
                      const uint8_t* iv);
// Encrypts or decrypts `length` bytes; in == out is allowed (each ciphertext block is read
// before its output is written), a partial overlap is not. One context runs one direction:
// mixing them on one stream gives no meaningful result. Checks, in order: RC_MISSING (null
// ctx, in or out), RC_BAD_MARKER, RC_NOT_INITIALISED, RC_CHECKSUM (a position, meshing
// count, table or generator field out of range, or an altered key) — each refusal changes
// nothing. The key is meshed at every 1024 bytes; success re-masks the key.
Result gamma_ofb_encrypt(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);
Result gamma_ofb_decrypt(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);

// The two above with the data in little-endian words, as RFC 4357 and the peers read them:
// each 4-byte group of in and out reversed (contexts/word_order.h). `length` must be a whole
// number of words, else RC_MISSING (checked with the null arguments). The same checks,
// register, meshing and re-masking.
Result gamma_ofb_encrypt_le(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);
Result gamma_ofb_decrypt_le(GammaFeedbackContext* ctx, const uint8_t* in, uint8_t* out, int32_t length);
// Wipes the whole context and sets its marker; RC_MISSING for null, else RC_OK.
Result gamma_ofb_clear(GammaFeedbackContext* ctx);

}  // namespace vantix
