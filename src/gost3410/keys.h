// The key pair of a signature context: the masked secret key d and the public key
// Q = d*P, their generation, loading, reading back and wiping, and the checks before every
// use of the secret key.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost3410/curve.h"
#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"

namespace vantix {

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
// Loads a public key from affine X and Y (words most significant first). RC_KEY_PRESENT when one
// is held; RC_MISSING when the point is not on the curve.
Result sign_set_public_key(SignContext* ctx, const LPoint* point);
// Writes the public key (affine X and Y, words most significant first, and Z = 1/Z as
// lpoint_to_affine leaves it); point null: only reports presence.
// RC_NO_KEY when none is held.
Result sign_get_public_key(const SignContext* ctx, LPoint* point, int32_t* length);
// Wipes the secret key's value half. RC_CHECKSUM when it was altered (or is not held).
Result sign_clear_secret_key(SignContext* ctx);
// Wipes the public key.
Result sign_clear_public_key(SignContext* ctx);

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

// Constant time: r = a*d*R^-1 mod q for the context's secret key d (a below q), each limb
// of d formed from the two masked halves inside the product, never stored whole.
void mul_secret_key(const Curve& c, const SignContext* ctx, uint64_t* r, const uint64_t* a);

}  // namespace vantix
