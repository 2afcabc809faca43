// VKO GOST R 34.10-2001 key agreement (RFC 4357, section 5.2) on a signature context: the
// shared point (m*d mod q)*Q from the held secret key d and a peer's public key Q.
#include "gost3410/agreement.h"

#include <cstring>

#include "common/bytes.h"
#include "common/ct.h"
#include "common/result.h"
#include "common/wipe.h"
#include "gost3410/keys.h"
#include "gost3410/scalar_mul.h"
#include "lnum/lnum.h"

namespace vantix {

namespace {

constexpr int N = SIGN_WORDS;

// The peer's key, affine X and Y: each coordinate below p
// and the point on the curve, else false. Public data: variable time.
bool load_peer(const Curve& c, const SignContext* ctx, const LPoint* peer, JPoint* out) {
    LPoint q;
    std::memcpy(&q, peer, LPOINT_BYTES);
    if (lnum_cmp(N, q.x, ctx->p) >= 0 || lnum_cmp(N, q.y, ctx->p) >= 0) return false;
    APoint a;
    limbs_from_words(a.x, q.x);
    limbs_from_words(a.y, q.y);
    curve_from_plain(c, a.x, a.x);
    curve_from_plain(c, a.y, a.y);
    if (!curve_contains(c, a)) return false;
    fe_copy(out->x, a.x);
    fe_copy(out->y, a.y);
    fe_copy(out->z, c.one);
    return true;
}

}  // namespace

Result sign_agree(SignContext* ctx, const LPoint* peer, const uint8_t* multiplier, uint8_t* shared) {
    if (ctx == nullptr || peer == nullptr || multiplier == nullptr || shared == nullptr) return RC_MISSING;
    if (const Result r = sign_key_usable(ctx)) return r;

    Curve c;
    curve_load(&c, ctx);
    struct {
        uint32_t words[N];
        uint64_t m[4], t[4], x[4], y[4];
        JPoint q, point;
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    if (!load_peer(c, ctx, peer, &w.q)) return RC_MISSING;
    // m is public (the UKM): m = 0 mod q would give the point at infinity for every key.
    words_from_be(w.words, multiplier, N);
    limbs_from_words(w.t, w.words);
    fe_reduce(w.m, w.t, c.q);
    if (fe_zero_mask(w.m)) return RC_MISSING;

    // t = m*d mod q, as (m*d*R^-1)*R^2*R^-1 with d formed limb by limb from its halves.
    mul_secret_key(c, ctx, w.t, w.m);
    fe_mul(w.t, w.t, c.q.r2, c.q);
    mul_ct(c, w.q, w.t, &w.point);
    // Only a key that is 0 mod q gives infinity here; that one bit is made public.
    if (ct_declassify_bit(fe_zero_mask(w.point.z))) return RC_MISSING;
    jpoint_affine_xy_ct(c, w.point, w.x, w.y);
    limbs_to_words(w.words, w.x);
    words_to_be(shared, w.words, N);
    limbs_to_words(w.words, w.y);
    words_to_be(shared + 32, w.words, N);
    ct_declassify(shared, 64);  // handed to the caller, who derives the key from it
    sign_key_remask(ctx);
    return RC_OK;
}

}  // namespace vantix
