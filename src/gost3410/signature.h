// GOST R 34.10-2001: domain parameters, key pair, signing and verification on a signature
// context. Numbers cross the Java boundary as 32-byte big-endian strings; points as LPoint
// records with affine big-endian X and Y.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"

namespace vantix {

// Loads p, q, a, b and a base point (external form). Any of them null: the built-in
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

// The key operations share their first checks: RC_MISSING for a missing context (and the
// set operations for a missing input), RC_NOT_INITIALISED when no parameters are loaded,
// RC_CHECKSUM when the stored parameter lengths were rewritten. A refusal changes nothing.
// The secret key is held masked (value, mask) and guarded by its checksum; each key is
// either held or not, and replacing one takes its clear operation first.

// Draws d: 32 bytes from the generator (rnd_fill), key word i (most significant first)
// the little-endian reading of drawn bytes 4i..4i+3; no range check (d acts as d mod q).
// RC_KEY_PRESENT when either key is held; RC_MISSING when the generator is not seeded.
Result sign_gen_secret_key(SignContext* ctx);
// Q = d*P in constant time. RC_KEY_PRESENT when the public key is held; RC_NO_KEY without
// a secret key; RC_CHECKSUM when the secret key was altered.
Result sign_gen_public_key(SignContext* ctx);
// Loads a 64-byte masked key (value, then mask; big-endian). RC_KEY_PRESENT when a
// secret key is held.
Result sign_set_secret_key(SignContext* ctx, const uint8_t* masked_key);
// Writes the secret key as 64 bytes under a fresh mask (and re-masks the stored copy);
// *length (may be null) receives 64, or 32 with RC_NO_KEY when no secret key is held.
// masked_key null: only reports presence. RC_CHECKSUM when the key was altered.
Result sign_get_secret_key(SignContext* ctx, uint8_t* masked_key, int32_t* length);
// Loads a public key from a record with affine big-endian X and Y. RC_KEY_PRESENT when one
// is held; RC_MISSING when the point is not on the curve.
Result sign_set_public_key(SignContext* ctx, const LPoint* point);
// Writes the public key (affine, big-endian X and Y); point null: only reports presence.
// RC_NO_KEY when none is held.
Result sign_get_public_key(const SignContext* ctx, LPoint* point, int32_t* length);
// Wipes the secret key's value half. RC_CHECKSUM when it was altered (or is not held).
Result sign_clear_secret_key(SignContext* ctx);
// Wipes the public key.
Result sign_clear_public_key(SignContext* ctx);

// Signs a 32-byte digest read as a big-endian integer; writes 64 bytes, r then s (each
// big-endian). Constant time in d and k. A nonce drawn as 0 or at or above q is drawn
// again, never reduced modulo q (a reduced draw would favour small k), so the generator
// advances by 32 more bytes in that rare case. Checks, in order: RC_MISSING (null argument),
// RC_NOT_INITIALISED, RC_NO_KEY (no secret key), RC_CHECKSUM (rewritten lengths or an
// altered key), RC_MISSING (unseeded generator) — a refusal changes nothing. RC_MISSING
// also when 128 drawn nonces in a row give r = 0 or s = 0 (parameters that cannot sign).
Result sign_digest(SignContext* ctx, const uint8_t* digest, uint8_t* signature);
// VKO GOST R 34.10-2001 (RFC 4357, section 5.2): the point (m*d mod q)*Q for the secret
// key d, a public multiplier m (32 bytes, big-endian: the caller folds the UKM and the
// cofactor into it) and a peer's public key Q (a record with affine big-endian X and Y).
// Writes 64 bytes: the affine x then y of the point, each big-endian. Constant time in d;
// the key is re-masked afterwards. Checks, in order: RC_MISSING (null argument),
// RC_NOT_INITIALISED, RC_NO_KEY (no secret key), RC_CHECKSUM (rewritten lengths or an
// altered key), RC_MISSING (unseeded generator; a peer coordinate not below p or a point
// off the curve; m = 0 mod q; a point at infinity as the result) — a refusal writes
// nothing and changes nothing.
Result sign_agree(SignContext* ctx, const LPoint* peer, const uint8_t* multiplier, uint8_t* shared);

// RC_OK for a valid signature (r then s) of the digest under the public key; RC_R_ZERO,
// RC_S_ZERO, RC_R_RANGE, RC_S_RANGE or RC_BAD_SIGNATURE when it is not. RC_MISSING,
// RC_NOT_INITIALISED, RC_NO_KEY (no public key) or RC_CHECKSUM for a misuse. Public data
// only: variable time.
Result sign_verify(const SignContext* ctx, const uint8_t* digest, const uint8_t* signature);

// The loaded parameters have the lengths every operation assumes (32-byte p and q). A
// caller can rewrite the block with mem_write; operations refuse a context that fails
// this as damaged (RC_CHECKSUM) before any arithmetic.
inline bool sign_fields_valid(const SignContext* ctx) { return ctx->p_length == 32 && ctx->q_length == 32; }

// Key-integrity word of the context (CRC-32 of the secret value half).
bool sign_key_intact(const SignContext* ctx);
void sign_key_seal(SignContext* ctx);
// The checks before every use of the secret key, in order: RC_NOT_INITIALISED, RC_NO_KEY,
// RC_CHECKSUM (rewritten lengths or an altered key), RC_MISSING (an unseeded generator:
// the key is re-masked after use). ctx is not null.
Result sign_key_usable(const SignContext* ctx);
// Re-masks the stored secret key with the context's generator and seals it again: after
// every use of the key.
void sign_key_remask(SignContext* ctx);

}  // namespace vantix
