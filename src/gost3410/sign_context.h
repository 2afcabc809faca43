// The GOST R 34.10-2001 signature context: one set of domain parameters in the
// precomputed Montgomery form, the generator reference and one key pair. 760 bytes as
// allocated for Java; the fields fill the first 750.
#pragma once
#include <cstddef>
#include <cstdint>

#include "random/rnd_state.h"

namespace vantix {

constexpr int SIGN_WORDS = 8;  // every accepted parameter set has 32-byte p and q

// (*) Filled by set_parms like the rest, though no operation reads it: the block is
// readable by callers, so its contents stay as they always were.
#pragma pack(push, 4)
struct SignContext {
    uint32_t magic;          // 0x9ABCDEF9 once cleared
    uint32_t flags;          // SIGN_PARAMS | SIGN_SECRET | SIGN_PUBLIC
    int32_t p_length;        // bytes (32)
    int32_t q_length;        // bytes (32)
    RND_State* rnd;          // all random numbers are drawn from it
    uint32_t a_mont[8];      // a*R mod p
    uint32_t b_mont[8];      // b*R mod p
    uint32_t p[9];           // p, then p' = -p^-1 mod 2^32
    uint32_t r2_p[8];        // R^2 mod p
    uint32_t q[9];           // q, then q'
    uint32_t r2_q[8];        // R^2 mod q
    uint32_t q_wide[9];      // q widened to p's word count, then q' (*)
    uint32_t r_q[8];         // R mod q with q's word count
    uint32_t r_p[8];         // R mod p: one in Montgomery form
    uint32_t r_pq[8];        // R mod q with the widened q and p's word count (*)
    uint32_t half[8];        // (1/2)*R mod p (*)
    uint32_t secret[16];     // masked secret key: value words, then mask words
    uint8_t public_key[98];  // LPoint, working form
    uint8_t base_copy[98];   // the base point as given: X, Y, Z as big-endian words, flags
    uint8_t base[98];        // working base point (Z = R mod p, flags 0x81)
    uint8_t key_crc[4];      // CRC-32 of the secret value half, native order
};
#pragma pack(pop)

static_assert(offsetof(SignContext, flags) == 4);
static_assert(offsetof(SignContext, p_length) == 8);
static_assert(offsetof(SignContext, q_length) == 12);
static_assert(offsetof(SignContext, rnd) == 16);
static_assert(offsetof(SignContext, a_mont) == 24);
static_assert(offsetof(SignContext, b_mont) == 56);
static_assert(offsetof(SignContext, p) == 88);
static_assert(offsetof(SignContext, r2_p) == 124);
static_assert(offsetof(SignContext, q) == 156);
static_assert(offsetof(SignContext, r2_q) == 192);
static_assert(offsetof(SignContext, q_wide) == 224);
static_assert(offsetof(SignContext, r_q) == 260);
static_assert(offsetof(SignContext, r_p) == 292);
static_assert(offsetof(SignContext, r_pq) == 324);
static_assert(offsetof(SignContext, half) == 356);
static_assert(offsetof(SignContext, secret) == 388);
static_assert(offsetof(SignContext, public_key) == 452);
static_assert(offsetof(SignContext, base_copy) == 550);
static_assert(offsetof(SignContext, base) == 648);
static_assert(offsetof(SignContext, key_crc) == 746);
constexpr size_t SIGN_CONTEXT_BYTES = 750;  // significant bytes
constexpr size_t SIGN_CONTEXT_BLOCK = 760;  // allocation size
static_assert(sizeof(SignContext) <= SIGN_CONTEXT_BLOCK && sizeof(SignContext) >= SIGN_CONTEXT_BYTES);

constexpr uint32_t SIGN_PARAMS = 1;
constexpr uint32_t SIGN_SECRET = 2;
constexpr uint32_t SIGN_PUBLIC = 4;

// Every operation on a signature context but set_parms and clear needs loaded parameters
// (else RC_NOT_INITIALISED), and from then on uses the stored generator. The operations and
// the JNI layer (which pins the generator) ask this one question, so they cannot disagree.
inline bool sign_params_loaded(const SignContext* ctx) { return (ctx->flags & SIGN_PARAMS) != 0; }

}  // namespace vantix
