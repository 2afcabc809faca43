// GOST R 34.10-2001: domain parameters, key pair, signing and verification on a signature
// context. Numbers cross the Java boundary as 32-byte big-endian strings; points as LPoint
// records with affine big-endian X and Y.
#pragma once
#include <cstdint>

#include "gost3410/sign_context.h"
#include "gost3410/lpoint.h"

namespace vantix {

// Loads p, q, a, b and a base point (external form). Any of them null: the built-in
// GOST R 34.10-2001 test parameter set. 15 missing context or generator, unseeded
// generator, or a p or q that is even or below 2^254; 16 q length not 32; 1 already loaded.
int sign_set_parms(SignContext* ctx, RND_State* rnd, const uint8_t* p, int32_t p_length, const uint8_t* q,
                   int32_t q_length, const uint8_t* a, const uint8_t* b, const LPoint* point);
// Each output may be null. 15 missing context, 2 not loaded.
int sign_get_parms(const SignContext* ctx, uint8_t* p, int32_t* p_length, uint8_t* q, int32_t* q_length, uint8_t* a,
                   uint8_t* b, LPoint* point);
int sign_clear(SignContext* ctx);

// The 750 significant bytes of a context loaded with the built-in test set (generator 0).
const SignContext& sign_builtin_image();

int sign_gen_secret_key(SignContext* ctx);
int sign_gen_public_key(SignContext* ctx);
int sign_set_secret_key(SignContext* ctx, const uint8_t* masked_key);
int sign_get_secret_key(SignContext* ctx, uint8_t* masked_key, int32_t* length);
int sign_set_public_key(SignContext* ctx, const LPoint* point);
int sign_get_public_key(const SignContext* ctx, LPoint* point, int32_t* length);
int sign_clear_secret_key(SignContext* ctx);
int sign_clear_public_key(SignContext* ctx);

// digest: 32 bytes (big-endian integer); signature: 64 bytes, r then s.
int sign_digest(SignContext* ctx, const uint8_t* digest, uint8_t* signature);
int sign_verify(const SignContext* ctx, const uint8_t* digest, const uint8_t* signature);

// The loaded parameters have the lengths every operation assumes (32-byte p and q). A
// caller can rewrite the block with mem_write; operations refuse a context that fails
// this as damaged (RC_CHECKSUM) before any arithmetic.
inline bool sign_fields_valid(const SignContext* ctx) { return ctx->p_length == 32 && ctx->q_length == 32; }

// Key-integrity word of the context (CRC-32 of the secret value half).
bool sign_key_intact(const SignContext* ctx);
void sign_key_seal(SignContext* ctx);

}  // namespace vantix
