#include "gost3410/curve.h"

#include <atomic>
#include <cstring>

#include "common/wipe.h"

namespace vantix {

namespace {

std::atomic<FieldPath> g_field_path{FieldPath::Auto};

}  // namespace

void field_path_force(FieldPath path) { g_field_path.store(path, std::memory_order_relaxed); }

ModShape curve_field_shape(const Mod256& p) {
    const FieldPath path = g_field_path.load(std::memory_order_relaxed);
    const bool mulx = cpu_has_mulx_adx() && path != FieldPath::Portable && path != FieldPath::PortableMontgomery;
    const bool plain =
        mod256_plain_capable(p) && path != FieldPath::Montgomery && path != FieldPath::PortableMontgomery;
    if (plain) return mulx ? ModShape::MulxPlainMinusC : ModShape::PlainMinusC;
    const ModShape shape = mod256_shape(p);
    if (!mulx) return shape;
    if (shape == ModShape::MinusC) return ModShape::MulxMinusC;
    if (shape == ModShape::HalfPlusC) return ModShape::MulxHalfPlusC;
    return ModShape::Mulx;
}

void curve_load(Curve* c, const SignContext* ctx) {
    mod256_setup(&c->p, ctx->p, ctx->r_p, ctx->r2_p);
    mod256_setup(&c->q, ctx->q, ctx->r_q, ctx->r2_q);
    c->shape = curve_field_shape(c->p);
    uint64_t a[4], b[4], three[4], minus3[4];
    limbs_from_words(a, ctx->a_mont);
    limbs_from_words(b, ctx->b_mont);
    fe_add(three, c->p.one, c->p.one, c->p);
    fe_add(three, three, c->p.one, c->p);
    fe_neg(minus3, three, c->p);
    c->a_is_minus3 = std::memcmp(minus3, a, sizeof minus3) == 0;
    const uint64_t one[4] = {1, 0, 0, 0};
    curve_from_plain(*c, c->one, one);
    curve_from_mont(*c, c->a, a);
    curve_from_mont(*c, c->b, b);
}

void curve_from_mont(const Curve& c, uint64_t* out, const uint64_t* mont) {
    const uint64_t one[4] = {1, 0, 0, 0};
    if (is_plain(c.shape))
        fe_mul(out, mont, one, c.p);  // x*R * R^-1
    else
        fe_copy(out, mont);
}

void curve_to_mont(const Curve& c, uint64_t* out, const uint64_t* w) {
    if (is_plain(c.shape))
        fe_mul(out, w, c.p.r2, c.p);  // x * R^2 * R^-1
    else
        fe_copy(out, w);
}

void curve_from_plain(const Curve& c, uint64_t* out, const uint64_t* plain) {
    if (is_plain(c.shape))
        fe_copy(out, plain);
    else
        fe_mul(out, plain, c.p.r2, c.p);
}

void curve_to_plain(const Curve& c, uint64_t* out, const uint64_t* w) {
    const uint64_t one[4] = {1, 0, 0, 0};
    if (is_plain(c.shape))
        fe_copy(out, w);
    else
        fe_mul(out, w, one, c.p);
}

void curve_inv(const Curve& c, uint64_t* out, const uint64_t* w) {
    // fe_inv inverts in Montgomery form: a plain residue goes there and back.
    uint64_t t[4];
    WipeOnExit<decltype(t)> wipe(t);
    curve_to_mont(c, t, w);
    fe_inv(t, t, c.p);
    curve_from_mont(c, out, t);
}

void jpoint_from_lpoint(const Curve& c, JPoint* out, const LPoint* p) {
    uint64_t t[4];
    limbs_from_words(t, p->x);
    curve_from_mont(c, out->x, t);
    limbs_from_words(t, p->y);
    curve_from_mont(c, out->y, t);
    limbs_from_words(t, p->z);
    curve_from_mont(c, out->z, t);
}

void jpoint_to_lpoint(const Curve& c, LPoint* out, const JPoint* p) {
    uint64_t t[4];
    curve_to_mont(c, t, p->x);
    limbs_to_words(out->x, t);
    curve_to_mont(c, t, p->y);
    limbs_to_words(out->y, t);
    curve_to_mont(c, t, p->z);
    limbs_to_words(out->z, t);
    out->flags = LPOINT_MONT | LPOINT_PROJECTIVE;
}

void jpoint_set_infinity(const Curve& c, JPoint* p) {
    fe_copy(p->x, c.one);
    fe_copy(p->y, c.one);
    std::memset(p->z, 0, sizeof p->z);
}

bool curve_contains(const Curve& c, const APoint& pt) {
    uint64_t lhs[4], rhs[4];
    with_shape(c.shape, [&]<ModShape S>() {
        fe_sqr<S>(lhs, pt.y, c.p);
        fe_sqr<S>(rhs, pt.x, c.p);
        fe_add(rhs, rhs, c.a, c.p);
        fe_mul<S>(rhs, rhs, pt.x, c.p);  // x^3 + a*x
        fe_add(rhs, rhs, c.b, c.p);
    });
    return fe_equal_mask(lhs, rhs) != 0;  // public points only
}

void sign_base_point(const Curve& c, const SignContext* ctx, JPoint* g, APoint* g_affine) {
    LPoint base;
    lpoint_load(&base, ctx->base);
    jpoint_from_lpoint(c, g, &base);
    if (!jpoint_to_affine_public(c, *g, g_affine)) std::memset(g_affine, 0, sizeof *g_affine);
}

namespace {

// x (and y when asked) of a finite point: one constant-time inversion of Z.
void affine_ct(const Curve& c, const JPoint& p, uint64_t* x, uint64_t* y) {
    uint64_t zi[4], zi2[4];
    WipeOnExit<decltype(zi)> wipe_zi(zi);
    WipeOnExit<decltype(zi2)> wipe_zi2(zi2);
    curve_inv(c, zi, p.z);
    with_shape(c.shape, [&]<ModShape S>() {
        fe_sqr<S>(zi2, zi, c.p);
        fe_mul<S>(x, p.x, zi2, c.p);
        if (y != nullptr) {  // public: which coordinates the caller wants
            fe_mul<S>(zi2, zi2, zi, c.p);
            fe_mul<S>(y, p.y, zi2, c.p);
        }
    });
    curve_to_plain(c, x, x);
    if (y != nullptr) curve_to_plain(c, y, y);
}

}  // namespace

void jpoint_affine_x_ct(const Curve& c, const JPoint& p, uint64_t* x) { affine_ct(c, p, x, nullptr); }

void jpoint_affine_xy_ct(const Curve& c, const JPoint& p, uint64_t* x, uint64_t* y) { affine_ct(c, p, x, y); }

bool jpoint_to_affine_public(const Curve& c, const JPoint& p, APoint* out) {
    if (fe_zero_mask(p.z) != 0) return false;
    uint64_t zi[4], zi2[4];
    if (std::memcmp(p.z, c.one, sizeof zi) == 0) {
        fe_copy(out->x, p.x);
        fe_copy(out->y, p.y);
        return true;
    }
    curve_inv(c, zi, p.z);
    with_shape(c.shape, [&]<ModShape S>() {
        fe_sqr<S>(zi2, zi, c.p);
        fe_mul<S>(out->x, p.x, zi2, c.p);
        fe_mul<S>(zi2, zi2, zi, c.p);
        fe_mul<S>(out->y, p.y, zi2, c.p);
    });
    return true;
}

}  // namespace vantix
