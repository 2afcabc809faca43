// The curve of a signature context on four-limb values: the fast working form of the
// signature code.
//
// Points are Jacobian (x = X/Z^2, y = Y/Z^3) with coordinates in the curve's working form
// modulo p, Z = 0 the point at infinity. The working form is Montgomery's (the same numbers
// as an LPoint in working form, only laid out in 64-bit limbs) unless the curve's shape is
// a Plain one (p = 2^256 - c, mod256.h): then coordinates are plain residues, converted at
// the edges (curve_from_mont and its kin). A field isomorphism either way: every formula
// computes the same field elements, so results converted back are the same numbers.
// Affine points (table entries) carry x and y only.
//
// The point operations here are constant time: they never branch on coordinates. Their
// exceptional cases (an input at infinity, equal inputs) are the caller's business; the
// scalar multiplications in scalar_mul.h handle them with selects where the scalar is
// secret and with branches where everything is public.
#pragma once
#include <cstdint>

#include "gost3410/lpoint.h"
#include "gost3410/sign_context.h"
#include "lnum/mod256.h"

namespace vantix {

struct Curve {
    Mod256 p;          // the field
    Mod256 q;          // the group order
    uint64_t a[4];     // a, working form
    uint64_t b[4];     // b, working form
    uint64_t one[4];   // 1, working form
    bool a_is_minus3;  // a = p - 3: the cheaper doubling applies
    ModShape shape;    // the fastest path for p on this processor (or the one forced)
};

struct JPoint {
    uint64_t x[4], y[4], z[4];
};

struct APoint {
    uint64_t x[4], y[4];
};

// Reads the curve from a context's current fields (a caller may have rewritten them; the
// arithmetic then gives meaningless but memory-safe results).
void curve_load(Curve* c, const SignContext* ctx);

// Which field arithmetic curve_load chooses: the fastest this processor has (Auto), or a
// narrower set forced by the tests so that every path runs on the machine that tests it:
// Montgomery's method only (no Plain shape), the portable code only (no mulx), or both
// limits. Takes effect at the next curve_load.
enum class FieldPath { Auto, Montgomery, Portable, PortableMontgomery };
void field_path_force(FieldPath path);
// The shape curve_load gives a field prime p under the current choice.
ModShape curve_field_shape(const Mod256& p);

// Conversions of one field element between the working form and Montgomery's form (the
// form of the context and of LPoints) or plain residues. Constant time.
void curve_from_mont(const Curve& c, uint64_t* out, const uint64_t* mont);
void curve_to_mont(const Curve& c, uint64_t* out, const uint64_t* w);
void curve_from_plain(const Curve& c, uint64_t* out, const uint64_t* plain);
void curve_to_plain(const Curve& c, uint64_t* out, const uint64_t* w);
// Constant time: the inverse in the working form (0 gives 0).
void curve_inv(const Curve& c, uint64_t* out, const uint64_t* w);

// Between an LPoint in working form and a Jacobian point (converted when the curve's
// working form is plain).
void jpoint_from_lpoint(const Curve& c, JPoint* out, const LPoint* p);
void jpoint_to_lpoint(const Curve& c, LPoint* out, const JPoint* p);
// The infinity record that the LPoint operations produce: X = Y = one, Z = 0.
void jpoint_set_infinity(const Curve& c, JPoint* p);

// True when the affine point (working form) satisfies y^2 = x^3 + a*x + b.
bool curve_contains(const Curve& c, const APoint& pt);

// The context's working base point, and its affine form (Z normalised: variable time,
// the base point is public), both in the curve's working form.
void sign_base_point(const Curve& c, const SignContext* ctx, JPoint* g, APoint* g_affine);

// Constant time: the affine x of a finite point as a plain residue.
void jpoint_affine_x_ct(const Curve& c, const JPoint& p, uint64_t* x);
// Constant time: the affine x and y of a finite point as plain residues.
void jpoint_affine_xy_ct(const Curve& c, const JPoint& p, uint64_t* x, uint64_t* y);

// Affine form of a public point (variable time); false for the point at infinity.
bool jpoint_to_affine_public(const Curve& c, const JPoint& p, APoint* out);

// ---- point arithmetic, one instance per modulus shape --------------------------------

template <ModShape S>
struct Field {
    const Mod256& m;
#define VANTIX_INLINE __attribute__((always_inline))
    VANTIX_INLINE void mul(uint64_t* r, const uint64_t* a, const uint64_t* b) const { fe_mul<S>(r, a, b, m); }
    VANTIX_INLINE void sqr(uint64_t* r, const uint64_t* a) const { fe_sqr<S>(r, a, m); }
    VANTIX_INLINE void add(uint64_t* r, const uint64_t* a, const uint64_t* b) const { fe_add(r, a, b, m); }
    VANTIX_INLINE void sub(uint64_t* r, const uint64_t* a, const uint64_t* b) const { fe_sub(r, a, b, m); }
#undef VANTIX_INLINE
};

// The order of the operations in the three point formulas is chosen for the processor:
// each field operation of the dependency chain is written next to one that does not depend
// on it, so that the two overlap (a multiplication is a chain of carries: one alone leaves
// most of the machine idle).

// r = 2p (dbl-2007-bl; dbl-2001-b when a = -3). Infinity stays infinity (Z = 0), and a
// point with y = 0 doubles to Z = 0. r may be p.
template <ModShape S>
inline void jpoint_double(const Curve& c, JPoint* r, const JPoint* p) {
    const Field<S> f{c.p};
    uint64_t zz[4], yy[4], s[4], m[4], t[4], u[4], w[4], y4[4];
    f.sqr(zz, p->z);
    f.sqr(yy, p->y);
    f.add(w, p->y, p->z);
    if (c.a_is_minus3) {  // public: a property of the curve
        f.sub(t, p->x, zz);
        f.add(u, p->x, zz);
        f.mul(m, t, u);
        f.mul(s, p->x, yy);
        f.add(t, m, m);
        f.add(m, t, m);  // 3(X - ZZ)(X + ZZ)
    } else {
        f.sqr(t, p->x);
        f.sqr(u, zz);
        f.mul(s, p->x, yy);
        f.mul(u, u, c.a);
        f.add(m, t, t);
        f.add(m, m, t);  // 3XX
        f.add(m, m, u);  // 3XX + a*ZZ^2
    }
    f.sqr(w, w);
    f.sqr(t, m);
    f.sub(w, w, yy);
    f.sub(r->z, w, zz);  // Z3 = (Y + Z)^2 - YY - ZZ = 2YZ: early, the next doubling starts from it
    f.sqr(y4, yy);
    f.add(s, s, s);
    f.add(s, s, s);  // S = 4*X*YY
    f.sub(t, t, s);
    f.sub(t, t, s);  // X3 = M^2 - 2S
    f.sub(u, s, t);
    f.mul(u, u, m);
    f.add(y4, y4, y4);
    f.add(y4, y4, y4);
    f.add(y4, y4, y4);   // 8*YYYY
    f.sub(r->y, u, y4);  // Y3 = M(S - X3) - 8YYYY
    fe_copy(r->x, t);
}

// r = p + q for affine q (madd-2007-bl). Correct when p and q are finite and p != +-q;
// p = -q gives Z = 0 (infinity). h_zero and r_zero report H = 0 and S2 - Y1 = 0 as masks:
// both set means p = q, where the result is wrong and the caller selects a doubling.
template <ModShape S>
inline void jpoint_add_affine(const Curve& c, JPoint* r, const JPoint* p, const APoint* q, uint64_t* h_zero,
                              uint64_t* r_zero) {
    const Field<S> f{c.p};
    uint64_t z1z1[4], u2[4], s2[4], h[4], hh[4], i[4], j[4], rr[4], r2[4], v[4], t[4];
    f.sqr(z1z1, p->z);
    f.mul(s2, q->y, p->z);
    f.mul(u2, q->x, z1z1);
    f.mul(s2, s2, z1z1);
    f.sub(h, u2, p->x);
    f.sub(rr, s2, p->y);
    *h_zero = fe_zero_mask(h);
    *r_zero = fe_zero_mask(rr);
    f.add(rr, rr, rr);
    f.sqr(hh, h);
    f.sqr(r2, rr);
    f.add(t, p->z, h);
    f.add(i, hh, hh);
    f.add(i, i, i);  // I = 4HH
    f.mul(j, h, i);
    f.mul(v, p->x, i);
    f.sqr(t, t);
    f.sub(t, t, z1z1);
    f.sub(r->z, t, hh);  // Z3 = (Z1 + H)^2 - Z1Z1 - HH
    f.sub(t, r2, j);
    f.sub(t, t, v);
    f.sub(t, t, v);  // X3 = r^2 - J - 2V
    f.mul(j, j, p->y);
    f.sub(v, v, t);
    f.mul(v, v, rr);
    f.add(j, j, j);
    f.sub(r->y, v, j);  // Y3 = r(V - X3) - 2*Y1*J
    fe_copy(r->x, t);
}

// r = p + q, both Jacobian (add-2007-bl), with the same exceptional cases and masks.
template <ModShape S>
inline void jpoint_add(const Curve& c, JPoint* r, const JPoint* p, const JPoint* q, uint64_t* h_zero,
                       uint64_t* r_zero) {
    const Field<S> f{c.p};
    uint64_t z1z1[4], z2z2[4], u1[4], u2[4], s1[4], s2[4], h[4], i[4], j[4], rr[4], r2[4], v[4], t[4], w[4];
    f.sqr(z1z1, p->z);
    f.sqr(z2z2, q->z);
    f.mul(s1, p->y, q->z);
    f.mul(s2, q->y, p->z);
    f.mul(u1, p->x, z2z2);
    f.mul(u2, q->x, z1z1);
    f.mul(s1, s1, z2z2);
    f.mul(s2, s2, z1z1);
    f.add(w, p->z, q->z);
    f.sub(h, u2, u1);
    f.sub(rr, s2, s1);
    *h_zero = fe_zero_mask(h);
    *r_zero = fe_zero_mask(rr);
    f.add(rr, rr, rr);
    f.add(i, h, h);
    f.sqr(i, i);  // I = (2H)^2
    f.sqr(r2, rr);
    f.sqr(w, w);
    f.mul(j, h, i);
    f.mul(v, u1, i);
    f.sub(w, w, z1z1);
    f.sub(w, w, z2z2);
    f.mul(r->z, w, h);  // Z3 = ((Z1 + Z2)^2 - Z1Z1 - Z2Z2) * H
    f.sub(t, r2, j);
    f.sub(t, t, v);
    f.sub(t, t, v);  // X3 = r^2 - J - 2V
    f.mul(j, j, s1);
    f.sub(v, v, t);
    f.mul(v, v, rr);
    f.add(j, j, j);
    f.sub(r->y, v, j);  // Y3 = r(V - X3) - 2*S1*J
    fe_copy(r->x, t);
}

inline void jpoint_select(JPoint* r, const JPoint* a, const JPoint* b, uint64_t mask) {
    fe_select(r->x, a->x, b->x, mask);
    fe_select(r->y, a->y, b->y, mask);
    fe_select(r->z, a->z, b->z, mask);
}

// Calls f.template operator()<S>() with the shape of the curve's p as a constant.
template <class F>
inline void with_shape(ModShape shape, F&& f) {
    switch (shape) {
        case ModShape::MinusC: f.template operator()<ModShape::MinusC>(); break;
        case ModShape::HalfPlusC: f.template operator()<ModShape::HalfPlusC>(); break;
        case ModShape::Mulx: f.template operator()<ModShape::Mulx>(); break;
        case ModShape::MulxMinusC: f.template operator()<ModShape::MulxMinusC>(); break;
        case ModShape::MulxHalfPlusC: f.template operator()<ModShape::MulxHalfPlusC>(); break;
        case ModShape::PlainMinusC: f.template operator()<ModShape::PlainMinusC>(); break;
        case ModShape::MulxPlainMinusC: f.template operator()<ModShape::MulxPlainMinusC>(); break;
        default: f.template operator()<ModShape::Generic>(); break;
    }
}

}  // namespace vantix
