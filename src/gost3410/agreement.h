// VKO GOST R 34.10-2001 key agreement (RFC 4357, section 5.2) on a signature context.
#pragma once
#include <cstdint>

#include "common/result.h"
#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"

namespace vantix {

// VKO GOST R 34.10-2001 (RFC 4357, section 5.2): the point (m*d mod q)*Q for the secret
// key d, a public multiplier m (32 bytes, big-endian: the caller folds the UKM and the
// cofactor into it) and a peer's public key Q (affine X and Y, words most significant first).
// Writes 64 bytes: the affine x then y of the point, each big-endian. Constant time in d;
// the key is re-masked afterwards. Checks, in order: RC_MISSING (null argument),
// RC_NOT_INITIALISED, RC_NO_KEY (no secret key), RC_CHECKSUM (rewritten lengths or an
// altered key), RC_MISSING (unseeded generator; a peer coordinate not below p or a point
// off the curve; m = 0 mod q; a point at infinity as the result) — a refusal writes
// nothing and changes nothing.
Result sign_agree(SignContext* ctx, const LPoint* peer, const uint8_t* multiplier, uint8_t* shared);

}  // namespace vantix
