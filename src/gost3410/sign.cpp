#include "gost3410/sign.h"

#include <cstring>

#include "common/bytes.h"
#include "common/ct.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3410/keys.h"
#include "gost3410/params.h"
#include "gost3410/scalar_mul.h"
#include "lnum/lnum.h"
#include "random/generator.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// A nonce is drawn again when it is not in [1, q) or gives r = 0 or s = 0. With a base
// point of order q each draw succeeds with probability above 1/4, so 128 failures in a row
// mean a broken generator or a context whose fields were rewritten, not bad luck.
constexpr int kMaxSignAttempts = 128;

// e from the digest: the big-endian integer alpha, reduced modulo q; 0 becomes 1.
void digest_to_e(const SignContext* ctx, const uint8_t* digest, uint32_t* e) {
    words_from_be(e, digest, N);
    if (lnum_cmp(N, e, ctx->q) >= 0) order_reduce(e, ctx);
    if (lnum_is_zero(N, e)) e[N - 1] = 1;
}

// All-ones when the four-limb value a is below b.
uint64_t below_mask(const uint64_t* a, const uint64_t* b) {
    unsigned char borrow = 0;
    for (int i = 0; i < 4; ++i) sbb64(a[i], b[i], borrow);
    return ct_mask64(borrow);
}

}  // namespace

void order_reduce(uint32_t* x, const SignContext* ctx) {
    Mod256 q;
    mod256_setup(&q, ctx->q, ctx->r_q, ctx->r2_q);
    uint64_t v[4];
    limbs_from_words(v, x);
    fe_reduce(v, v, q);
    limbs_to_words(x, v);
}

Result sign_digest(SignContext* ctx, const uint8_t* digest, uint8_t* signature) {
    if (ctx == nullptr || digest == nullptr || signature == nullptr) return RC_MISSING;
    // Without a seeded generator every nonce would also be zero: no attempt could succeed.
    if (const Result r = sign_key_usable(ctx)) return r;

    FixedBase base;
    fixed_base_load(&base, ctx);
    const Curve& c = base.c;

    struct {
        uint32_t words[N];
        uint8_t drawn[32];
        uint64_t e[4], k[4], r[4], s[4], t[4], x[4];
        JPoint point;
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    digest_to_e(ctx, digest, w.words);
    limbs_from_words(w.e, w.words);
    Result result = RC_MISSING;
    for (int attempt = 0; attempt < kMaxSignAttempts; ++attempt) {
        // k is drawn uniformly from [1, q): a draw outside is discarded, not reduced, so
        // that k carries no bias. Only the one bit "k is usable" is made public.
        if (const Result r = rnd_fill(ctx->rnd, w.drawn, 32)) return r;  // seeded: cannot fail
        words_from_be(w.words, w.drawn, N);
        limbs_from_words(w.k, w.words);
        ct_mark_secret(w.k, sizeof w.k);
        if (!ct_declassify_bit(~fe_zero_mask(w.k) & below_mask(w.k, c.q.m))) continue;

        // r = x(kP) mod q
        fixed_base_mul(base, w.k, &w.point);
        jpoint_affine_x_ct(c, w.point, w.x);
        fe_reduce(w.r, w.x, c.q);
        if (ct_declassify_bit(fe_zero_mask(w.r))) continue;

        // s = (r*d + k*e) mod q as ((r*d*R^-1) + (k*e*R^-1)) * R^2 * R^-1, with d formed
        // limb by limb from its two halves inside the product.
        mul_secret_key(c, ctx, w.t, w.r);
        fe_mul(w.s, w.k, w.e, c.q);
        fe_add(w.s, w.s, w.t, c.q);
        fe_mul(w.s, w.s, c.q.r2, c.q);
        if (ct_declassify_bit(fe_zero_mask(w.s))) continue;
        result = RC_OK;
        break;
    }
    if (result != RC_OK) return result;
    limbs_to_words(w.words, w.r);
    words_to_be(signature, w.words, N);
    limbs_to_words(w.words, w.s);
    words_to_be(signature + 32, w.words, N);
    ct_declassify(signature, 64);  // r and s are published
    sign_key_remask(ctx);
    return RC_OK;
}

Result sign_verify(const SignContext* ctx, const uint8_t* digest, const uint8_t* signature) {
    if (ctx == nullptr || digest == nullptr || signature == nullptr) return RC_MISSING;
    if (!sign_params_loaded(ctx)) return RC_NOT_INITIALISED;
    if (!(ctx->flags & SIGN_PUBLIC)) return RC_NO_KEY;
    if (!sign_fields_valid(ctx)) return RC_CHECKSUM;
    uint32_t e[N], r[N], s[N];
    words_from_be(e, digest, N);
    words_from_be(r, signature, N);
    words_from_be(s, signature + 32, N);
    if (lnum_is_zero(N, r)) return RC_R_ZERO;
    if (lnum_is_zero(N, s)) return RC_S_ZERO;
    if (lnum_cmp(N, e, ctx->q) >= 0) order_reduce(e, ctx);
    if (lnum_cmp(N, r, ctx->q) >= 0) return RC_R_RANGE;
    if (lnum_cmp(N, s, ctx->q) >= 0) return RC_S_RANGE;
    if (lnum_is_zero(N, e)) e[N - 1] = 1;

    // Everything below is public: variable-time arithmetic is fine.
    FixedBase base;
    fixed_base_load(&base, ctx);
    const Curve& c = base.c;
    uint64_t el[4], rl[4], sl[4], vl[4], u1[4], u2[4];
    limbs_from_words(el, e);
    limbs_from_words(rl, r);
    limbs_from_words(sl, s);
    fe_mul(vl, el, c.q.r2, c.q);  // e in Montgomery form modulo q
    fe_inv(vl, vl, c.q);          // 1/e, Montgomery form
    fe_mul(u1, sl, vl, c.q);      // s/e
    fe_neg(u2, rl, c.q);
    fe_mul(u2, u2, vl, c.q);  // -r/e
    JPoint q, sum;
    LPoint pub;
    lpoint_load(&pub, ctx->public_key);
    jpoint_from_lpoint(c, &q, &pub);
    mul2_vartime(c, base.table, base.g, q, u1, u2, &sum);
    if (fe_zero_mask(sum.z)) return RC_BAD_SIGNATURE;
    // x(sum) mod q == r without an inversion: X == x*Z^2 for one x = r + j*q below p.
    // With q > 2^254 and p < 2^256 there are at most four such x (p may exceed 2q: a curve
    // with cofactor 2 or 3).
    uint64_t zz[4], cand[4], t[4];
    with_shape(c.shape, [&]<ModShape S>() { fe_sqr<S>(zz, sum.z, c.p); });
    fe_copy(cand, rl);
    while (below_mask(cand, c.p.m)) {
        curve_from_plain(c, t, cand);
        with_shape(c.shape, [&]<ModShape S>() { fe_mul<S>(t, t, zz, c.p); });
        if (fe_equal_mask(t, sum.x)) return RC_OK;
        unsigned char carry = 0;
        for (int i = 0; i < 4; ++i) cand[i] = adc64(cand[i], c.q.m[i], carry);
        if (carry) break;
    }
    return RC_BAD_SIGNATURE;
}

}  // namespace vantix
