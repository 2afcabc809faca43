// GOST R 34.10-2001 signing and verification on a signature context.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost3410/sign_context.h"

namespace vantix {

// Signs a 32-byte digest read as a big-endian integer; writes 64 bytes, r then s (each
// big-endian). Constant time in d and k. A nonce drawn as 0 or at or above q is drawn
// again, never reduced modulo q (a reduced draw would favour small k), so the generator
// advances by 32 more bytes in that rare case. Checks, in order: RC_MISSING (null argument),
// RC_NOT_INITIALISED, RC_NO_KEY (no secret key), RC_CHECKSUM (rewritten lengths or an
// altered key), RC_MISSING (unseeded generator) — a refusal changes nothing. RC_MISSING
// also when 128 drawn nonces in a row give r = 0 or s = 0 (parameters that cannot sign).
Result sign_digest(SignContext* ctx, const uint8_t* digest, uint8_t* signature);
// RC_OK for a valid signature (r then s) of the digest under the public key; RC_R_ZERO,
// RC_S_ZERO, RC_R_RANGE, RC_S_RANGE or RC_BAD_SIGNATURE when it is not. RC_MISSING,
// RC_NOT_INITIALISED, RC_NO_KEY (no public key) or RC_CHECKSUM for a misuse. Public data
// only: variable time.
Result sign_verify(const SignContext* ctx, const uint8_t* digest, const uint8_t* signature);

// x = x mod q for any eight-word x, with the context's q (above 2^254).
void order_reduce(uint32_t* x, const SignContext* ctx);

}  // namespace vantix
