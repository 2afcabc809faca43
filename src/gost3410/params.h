// GOST R 34.10-2001 domain parameters on a signature context: loading, reading back and
// wiping them, and the built-in test parameter set. Numbers are 32-byte big-endian strings;
// points are LPoint records with affine X and Y, words most significant first.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"

namespace vantix {

// Loads p, q, a, b and a base point (affine). Any of them null: the built-in
// GOST R 34.10-2001 test parameter set. RC_MISSING for a missing context or generator, an
// unseeded generator, a p or q that is even, below 2^254 (GOST R 34.10-2001 requires
// q > 2^254) or not prime (64 Miller-Rabin rounds; the published sets' moduli are known
// primes), or a base point that is not a point of order q on the curve: parameters that
// cannot sign are an invalid argument, and RC_Q_LENGTH keeps its one meaning, a q length
// other than 32 bytes. RC_ALREADY_INITIALISED when parameters are loaded. A refusal
// changes nothing.
Result sign_set_parms(SignContext* ctx, RND_State* rnd, const uint8_t* p, int32_t p_length, const uint8_t* q,
                      int32_t q_length, const uint8_t* a, const uint8_t* b, const LPoint* point);
// Each output may be null. RC_MISSING for a missing context, RC_NOT_INITIALISED when no
// parameters are loaded.
Result sign_get_parms(const SignContext* ctx, uint8_t* p, int32_t* p_length, uint8_t* q, int32_t* q_length, uint8_t* a,
                      uint8_t* b, LPoint* point);
Result sign_clear(SignContext* ctx);

// The 750 significant bytes of a context loaded with the built-in test set (generator 0).
const SignContext& sign_builtin_image();

// The loaded parameters have the lengths every operation assumes (32-byte p and q). A
// caller can rewrite the block with mem_write; operations refuse a context that fails
// this as damaged (RC_CHECKSUM) before any arithmetic.
inline bool sign_fields_valid(const SignContext* ctx) { return ctx->p_length == 32 && ctx->q_length == 32; }

}  // namespace vantix
