#include "gost3410/curve.h"

#include <cstring>

#include "common/wipe.h"

namespace vantix {

void curve_load(Curve* c, const SignContext* ctx) {
    mod256_setup(&c->p, ctx->p, ctx->r_p, ctx->r2_p);
    mod256_setup(&c->q, ctx->q, ctx->r_q, ctx->r2_q);
    limbs_from_words(c->a, ctx->a_mont);
    limbs_from_words(c->b, ctx->b_mont);
    uint64_t three[4], minus3[4];
    fe_add(three, c->p.one, c->p.one, c->p);
    fe_add(three, three, c->p.one, c->p);
    fe_neg(minus3, three, c->p);
    c->a_is_minus3 = std::memcmp(minus3, c->a, sizeof minus3) == 0;
    c->shape = mod256_best_shape(c->p);
}

void jpoint_from_lpoint(JPoint* out, const LPoint* p) {
    limbs_from_words(out->x, p->x);
    limbs_from_words(out->y, p->y);
    limbs_from_words(out->z, p->z);
}

void jpoint_to_lpoint(LPoint* out, const JPoint* p) {
    limbs_to_words(out->x, p->x);
    limbs_to_words(out->y, p->y);
    limbs_to_words(out->z, p->z);
    out->flags = LPOINT_MONT | LPOINT_PROJECTIVE;
}

void jpoint_set_infinity(const Curve& c, JPoint* p) {
    fe_copy(p->x, c.p.one);
    fe_copy(p->y, c.p.one);
    std::memset(p->z, 0, sizeof p->z);
}

bool curve_contains(const Curve& c, const APoint& pt) {
    uint64_t lhs[4], rhs[4];
    fe_sqr(lhs, pt.y, c.p);
    fe_sqr(rhs, pt.x, c.p);
    fe_add(rhs, rhs, c.a, c.p);
    fe_mul(rhs, rhs, pt.x, c.p);  // x^3 + a*x
    fe_add(rhs, rhs, c.b, c.p);
    return fe_equal_mask(lhs, rhs) != 0;  // public points only
}

void sign_base_point(const Curve& c, const SignContext* ctx, JPoint* g, APoint* g_affine) {
    LPoint base;
    lpoint_load(&base, ctx->base);
    jpoint_from_lpoint(g, &base);
    if (!jpoint_to_affine_public(c, *g, g_affine)) std::memset(g_affine, 0, sizeof *g_affine);
}

namespace {

// x (and y when asked) of a finite point: one constant-time inversion of Z.
void affine_ct(const Curve& c, const JPoint& p, uint64_t* x, uint64_t* y) {
    uint64_t zi[4], zi2[4];
    WipeOnExit<decltype(zi)> wipe_zi(zi);
    WipeOnExit<decltype(zi2)> wipe_zi2(zi2);
    const uint64_t one[4] = {1, 0, 0, 0};
    with_shape(c.shape, [&]<ModShape S>() {
        fe_inv(zi, p.z, c.p);
        fe_sqr<S>(zi2, zi, c.p);
        fe_mul<S>(x, p.x, zi2, c.p);
        if (y != nullptr) {  // public: which coordinates the caller wants
            fe_mul<S>(zi2, zi2, zi, c.p);
            fe_mul<S>(y, p.y, zi2, c.p);
        }
    });
    fe_mul(x, x, one, c.p);  // out of Montgomery form
    if (y != nullptr) fe_mul(y, y, one, c.p);
}

}  // namespace

void jpoint_affine_x_ct(const Curve& c, const JPoint& p, uint64_t* x) { affine_ct(c, p, x, nullptr); }

void jpoint_affine_xy_ct(const Curve& c, const JPoint& p, uint64_t* x, uint64_t* y) { affine_ct(c, p, x, y); }

bool jpoint_to_affine_public(const Curve& c, const JPoint& p, APoint* out) {
    if (fe_zero_mask(p.z) != 0) return false;
    uint64_t zi[4], zi2[4];
    if (std::memcmp(p.z, c.p.one, sizeof zi) == 0) {
        fe_copy(out->x, p.x);
        fe_copy(out->y, p.y);
        return true;
    }
    fe_inv(zi, p.z, c.p);
    fe_sqr(zi2, zi, c.p);
    fe_mul(out->x, p.x, zi2, c.p);
    fe_mul(zi2, zi2, zi, c.p);
    fe_mul(out->y, p.y, zi2, c.p);
    return true;
}

}  // namespace vantix
