#include <cstring>

#include "common/bytes.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3410/signature.h"
#include "lnum/lnum.h"
#include "lnum/modarith.h"
#include "random/generator.h"
#include "random/masking.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// e from the digest: the big-endian integer alpha, reduced modulo q; 0 becomes 1.
void digest_to_e(const SignContext* ctx, const uint8_t* digest, uint32_t* e) {
    words_from_be(e, digest, N);
    if (lnum_cmp(N, e, ctx->q) >= 0) order_reduce(e, ctx);
    if (lnum_is_zero(N, e)) e[N - 1] = 1;
}

}  // namespace

int sign_digest(SignContext* ctx, const uint8_t* digest, uint8_t* signature) {
    if (ctx == nullptr || digest == nullptr || signature == nullptr) return RC_MISSING;
    if (!(ctx->flags & SIGN_PARAMS)) return RC_NOT_INITIALISED;
    if (!(ctx->flags & SIGN_SECRET)) return RC_NO_KEY;
    if (!sign_key_intact(ctx)) return RC_CHECKSUM;
    // Without a seeded generator every nonce would be zero and the loop would never end.
    if (!rnd_is_seeded(ctx->rnd)) return RC_MISSING;
    struct {
        uint32_t e[N], r[N], s[N], k[N], u[N], t[N];
        uint8_t drawn[32];
        LPoint point;
    } w;
    digest_to_e(ctx, digest, w.e);
    LPoint base;
    lpoint_load(&base, ctx->base);
    for (;;) {
        // k is drawn uniformly from [1, q): a draw at or above q is discarded, not reduced,
        // so that k carries no bias.
        rnd_fill(ctx->rnd, w.drawn, 32);
        words_from_be(w.k, w.drawn, N);
        if (lnum_is_zero(N, w.k) || lnum_cmp(N, w.k, ctx->q) >= 0) continue;
        lpoint_mul(&base, w.k, &w.point, ctx);
        lpoint_to_affine(ctx, &w.point);
        lpoint_from_mont(ctx, &w.point);
        order_reduce_wide(w.point.x, ctx);
        std::memcpy(w.r, w.point.x, sizeof w.r);
        if (lnum_is_zero(N, w.r)) continue;
        std::memcpy(w.t, w.r, sizeof w.t);
        mont_mul_masked(w.t, ctx->secret, ctx->q, N);   // r*d*R^-1, key still masked
        std::memcpy(w.u, w.k, sizeof w.u);
        mont_mul(w.u, w.e, ctx->q, N);                  // k*e*R^-1
        lnum_mul_r_mod(w.s, w.t, ctx->q, N);            // r*d
        lnum_mul_r_mod(w.u, w.u, ctx->q, N);            // k*e
        lnum_add_mod(N, w.s, w.u, ctx->q);
        order_reduce(w.s, ctx);
        if (!lnum_is_zero(N, w.s)) break;
    }
    words_to_be(signature, w.r, N);
    words_to_be(signature + 32, w.s, N);
    secure_wipe(&w, sizeof w);
    remask_key(ctx->rnd, ctx->secret, ctx->secret + 8);
    sign_key_seal(ctx);
    return RC_OK;
}

int sign_verify(const SignContext* ctx, const uint8_t* digest, const uint8_t* signature) {
    if (ctx == nullptr || digest == nullptr || signature == nullptr) return RC_MISSING;
    if (!(ctx->flags & SIGN_PARAMS)) return RC_NOT_INITIALISED;
    if (!(ctx->flags & SIGN_PUBLIC)) return RC_NO_KEY;
    uint32_t e[N], r[N], s[N], v[N], z1[N], z2[N];
    words_from_be(e, digest, N);
    words_from_be(r, signature, N);
    words_from_be(s, signature + 32, N);
    if (lnum_is_zero(N, r)) return RC_R_ZERO;
    if (lnum_is_zero(N, s)) return RC_S_ZERO;
    if (lnum_cmp(N, e, ctx->q) >= 0) order_reduce(e, ctx);
    if (lnum_cmp(N, r, ctx->q) >= 0) return RC_R_RANGE;
    if (lnum_cmp(N, s, ctx->q) >= 0) return RC_S_RANGE;
    if (lnum_is_zero(N, e)) e[N - 1] = 1;
    mod_inverse(e, ctx->q, v, N);
    std::memcpy(z1, s, sizeof z1);
    mont_mul(z1, v, ctx->q, N);
    mont_mul(z1, ctx->r2_q, ctx->q, N);                 // s*v mod q
    std::memcpy(z2, ctx->q, sizeof z2);
    lnum_sub(N, z2, r);                                 // q - r
    mont_mul(z2, v, ctx->q, N);
    mont_mul(z2, ctx->r2_q, ctx->q, N);                 // -r*v mod q
    LPoint base, pub, t1, t2;
    lpoint_load(&base, ctx->base);
    lpoint_load(&pub, ctx->public_key);
    lpoint_mul(&base, z1, &t1, ctx);
    lpoint_mul(&pub, z2, &t2, ctx);
    lpoint_add(ctx, &t1, &t2);
    lpoint_to_affine(ctx, &t1);
    lpoint_from_mont(ctx, &t1);
    order_reduce_wide(t1.x, ctx);
    return lnum_cmp(N, t1.x, r) == 0 ? RC_OK : RC_BAD_SIGNATURE;
}

}  // namespace vantix
