#include "gost3410/lpoint.h"

#include <cstring>

#include "common/bytes.h"
#include "common/wipe.h"
#include "gost3410/modarith.h"
#include "gost3410/sign_context.h"
#include "lnum/lnum.h"

namespace vantix {

namespace {

// Field operations modulo p on Montgomery-form values.
struct Field {
    const SignContext* c;
    int n;
    explicit Field(const SignContext* ctx) : c(ctx), n(ctx->p_length / 4) {}
    void mul(uint32_t* a, const uint32_t* b) const { mont_mul(a, b, c->p, n); }
    void sqr(uint32_t* a) const { mont_sqr(a, c->p, n); }
    void add(uint32_t* a, const uint32_t* b) const { lnum_add_mod(n, a, b, c->p); }
    void sub(uint32_t* a, const uint32_t* b) const { lnum_sub_mod(n, a, b, c->p); }
    void copy(uint32_t* a, const uint32_t* b) const { std::memcpy(a, b, size_t(n) * 4); }
    bool zero(const uint32_t* a) const { return lnum_is_zero(n, a); }
};

void set_infinity(const SignContext* ctx, LPoint* p) {
    const int n = ctx->p_length / 4;
    std::memset(p, 0, LPOINT_BYTES);
    std::memcpy(p->x, lnum_one(n), size_t(n) * 4);
    std::memcpy(p->y, lnum_one(n), size_t(n) * 4);
    lpoint_to_mont(ctx, p);  // X = Y = R mod p, Z = 0, flags 0x80
}

}  // namespace

void lpoint_from_java(LPoint* out, const LPoint* record) {
    std::memcpy(out, record, LPOINT_BYTES);
    for (int i = 0; i < 8; ++i) {
        out->x[i] = byte_swap(out->x[i]);
        out->y[i] = byte_swap(out->y[i]);
        out->z[i] = byte_swap(out->z[i]);
    }
}

void lpoint_to_java(LPoint* record, const LPoint* p) {
    LPoint q;
    std::memcpy(&q, p, LPOINT_BYTES);
    for (int i = 0; i < 8; ++i) {
        q.x[i] = byte_swap(q.x[i]);
        q.y[i] = byte_swap(q.y[i]);
    }
    std::memcpy(record, &q, LPOINT_BYTES);
}

void lpoint_load(LPoint* p, const uint8_t* slot) { std::memcpy(p, slot, LPOINT_BYTES); }
void lpoint_store(uint8_t* slot, const LPoint* p) { std::memcpy(slot, p, LPOINT_BYTES); }

void lpoint_to_projective(const SignContext* ctx, LPoint* p) {
    const int n = ctx->p_length / 4;
    if (p->flags & LPOINT_MONT) {
        std::memcpy(p->z, ctx->r_p, size_t(n) * 4);
        p->flags = LPOINT_MONT | LPOINT_PROJECTIVE;
    } else {
        std::memcpy(p->z, lnum_one(n), size_t(n) * 4);
        p->flags = LPOINT_PROJECTIVE;
    }
}

void lpoint_to_mont(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    f.mul(p->x, ctx->r2_p);
    f.mul(p->y, ctx->r2_p);
    f.mul(p->z, ctx->r2_p);
    p->flags |= LPOINT_MONT;
}

void lpoint_from_mont(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    f.mul(p->x, lnum_one(f.n));
    f.mul(p->y, lnum_one(f.n));
    f.mul(p->z, lnum_one(f.n));
    p->flags &= 0xFF7F;
}

void lpoint_to_affine(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    const bool plain = (p->flags & LPOINT_MONT) == 0;
    uint32_t e[8], t[8];
    f.copy(e, ctx->p);
    uint32_t two[8] = {};
    two[f.n - 1] = 2;
    lnum_sub(f.n, e, two);
    if (plain) lpoint_to_mont(ctx, p);
    mont_pow(p->z, e, p->z, 0, ctx->p, f.n);
    f.copy(t, p->z);
    f.sqr(t);
    f.mul(p->x, t);
    f.mul(p->y, t);
    f.mul(p->y, p->z);
    if (plain) {
        lpoint_from_mont(ctx, p);
        p->flags = 0;
    } else {
        p->flags = LPOINT_MONT;
    }
}

void lpoint_double(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    if (f.zero(p->y) || f.zero(p->z)) {
        set_infinity(ctx, p);
        return;
    }
    uint32_t m[8], t[8], s[8], y2[8], x3[8], y3[8], z3[8];
    // M = 3X^2 + a*Z^4
    f.copy(t, p->z);
    f.sqr(t);  // Z^2
    f.sqr(t);  // Z^4
    f.mul(t, ctx->a_mont);
    f.copy(m, p->x);
    f.sqr(m);  // X^2
    f.copy(s, m);
    f.add(m, s);  // 2X^2
    f.add(m, s);  // 3X^2
    f.add(m, t);
    // Z' = 2*Y*Z
    f.copy(z3, p->y);
    f.mul(z3, p->z);
    f.add(z3, z3);
    // S = 4*X*Y^2
    f.copy(y2, p->y);
    f.sqr(y2);
    f.copy(s, p->x);
    f.mul(s, y2);
    f.add(s, s);
    f.add(s, s);
    // X' = M^2 - 2S
    f.copy(x3, m);
    f.sqr(x3);
    f.sub(x3, s);
    f.sub(x3, s);
    // T = 8*Y^4
    f.sqr(y2);
    f.add(y2, y2);
    f.add(y2, y2);
    f.add(y2, y2);
    // Y' = M*(S - X') - T
    f.copy(y3, s);
    f.sub(y3, x3);
    f.mul(y3, m);
    f.sub(y3, y2);
    f.copy(p->x, x3);
    f.copy(p->y, y3);
    f.copy(p->z, z3);
}

void lpoint_add(const SignContext* ctx, LPoint* p, const LPoint* q) {
    const Field f(ctx);
    uint32_t z2plain[8], u1[8], s1[8], u2[8], s2[8], w[8], r[8], t[8], m[8], z3[8], x3[8], v[8], w2[8], tmp[8];
    f.copy(z2plain, q->z);
    f.mul(z2plain, lnum_one(f.n));
    const bool z2_is_one = lnum_cmp(f.n, z2plain, lnum_one(f.n)) == 0;
    if (z2_is_one) {
        f.copy(u1, p->x);
        f.copy(s1, p->y);
    } else {
        f.copy(tmp, q->z);
        f.sqr(tmp);  // Z2^2
        f.copy(u1, p->x);
        f.mul(u1, tmp);
        f.mul(tmp, q->z);  // Z2^3
        f.copy(s1, p->y);
        f.mul(s1, tmp);
    }
    f.copy(tmp, p->z);
    f.sqr(tmp);  // Z1^2
    f.copy(u2, q->x);
    f.mul(u2, tmp);
    f.mul(tmp, p->z);  // Z1^3
    f.copy(s2, q->y);
    f.mul(s2, tmp);
    f.copy(w, u1);
    f.sub(w, u2);
    f.copy(r, s1);
    f.sub(r, s2);
    if (f.zero(w)) {
        if (!f.zero(r))
            set_infinity(ctx, p);
        else
            lpoint_double(ctx, p);
        return;
    }
    // T = 2*U1 - W, M = 2*S1 - R
    f.copy(t, u1);
    f.add(t, u1);
    f.sub(t, w);
    f.copy(m, s1);
    f.add(m, s1);
    f.sub(m, r);
    // Z3 = Z1*Z2*W
    f.copy(z3, p->z);
    if (!z2_is_one) f.mul(z3, q->z);
    f.mul(z3, w);
    // X3 = R^2 - T*W^2
    f.copy(w2, w);
    f.sqr(w2);
    f.copy(tmp, t);
    f.mul(tmp, w2);  // T*W^2
    f.copy(x3, r);
    f.sqr(x3);
    f.sub(x3, tmp);
    // V = T*W^2 - 2*X3
    f.copy(v, tmp);
    f.sub(v, x3);
    f.sub(v, x3);
    // Y3 = (V*R - M*W^3) / 2
    f.mul(v, r);
    f.mul(w2, w);  // W^3
    f.mul(m, w2);
    f.sub(v, m);
    f.mul(v, ctx->half);
    f.copy(p->x, x3);
    f.copy(p->y, v);
    f.copy(p->z, z3);
}

// lpoint_mul is defined with the constant-time scalar multiplication (gost3410/scalar_mul.cpp).

}  // namespace vantix
