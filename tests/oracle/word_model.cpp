#include "oracle/word_model.h"

#include <cstring>

#include "common/wipe.h"
#include "gost3410/curve.h"
#include "gost3410/scalar_mul.h"
#include "lnum/lnum.h"

namespace vantix::model {

int lnum_add(int n, uint32_t* a, const uint32_t* b) {
    uint64_t carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint64_t s = uint64_t(a[i]) + b[i] + carry;
        a[i] = uint32_t(s);
        carry = s >> 32;
    }
    return int(carry);
}

int lnum_sub(int n, uint32_t* a, const uint32_t* b) {
    uint64_t borrow = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint64_t d = uint64_t(a[i]) - b[i] - borrow;
        a[i] = uint32_t(d);
        borrow = (d >> 32) != 0 ? 1 : 0;
    }
    return int(borrow);
}

int lnum_shl1(int n, uint32_t* a) {
    uint32_t carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint32_t next = a[i] >> 31;
        a[i] = (a[i] << 1) | carry;
        carry = next;
    }
    return int(carry);
}

int lnum_shr1(int n, uint32_t* a) {
    uint32_t carry = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t next = a[i] & 1;
        a[i] = (carry << 31) | (a[i] >> 1);
        carry = next;
    }
    return int(carry);
}

const uint32_t LNUM_ONE[MONT_MAX_WORDS] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1,
};

namespace {

constexpr int W = MONT_MAX_WORDS + 1;  // working copies carry one extra word on top

// Copies n words into n + 1 words with a zero word on top.
void widen(uint32_t* out, const uint32_t* in, int n) {
    out[0] = 0;
    std::memcpy(out + 1, in, size_t(n) * 4);
}

// Subtracts the n-word m from the w-word x (w >= n) when x >= m, without branching on x.
void cond_sub(uint32_t* x, int w, const uint32_t* m, int n) {
    uint32_t d[W];
    uint64_t borrow = 0;
    for (int i = w - 1; i >= 0; --i) {
        const int j = i - (w - n);  // m's word aligned with x's word i
        const uint64_t mi = j >= 0 ? m[j] : 0;
        const uint64_t t = uint64_t(x[i]) - mi - borrow;
        d[i] = uint32_t(t);
        borrow = (t >> 32) & 1;
    }
    const uint32_t keep = 0u - uint32_t(borrow);  // x < m: keep x
    for (int i = 0; i < w; ++i) x[i] = (x[i] & keep) | (d[i] & ~keep);
}

// m has one of its two top bits set: then every value handled here is below a small
// multiple of m and a fixed number of conditional subtractions reduces it.
bool modulus_large(const uint32_t* m) { return (m[0] & 0xC0000000u) != 0; }

// x (w words, w <= n + 1) = x mod m, exactly, for any non-zero m: shift-and-subtract over
// the bits of x, a fixed 32w steps whatever the value. A zero m leaves x unchanged.
void mod_exact(uint32_t* x, int w, const uint32_t* m, int n) {
    if (lnum_is_zero(n, m)) return;
    uint32_t r[W] = {}, mm[W];
    WipeOnExit<decltype(r)> wipe_r(r);
    widen(mm, m, n);
    for (int i = 0; i < 32 * w; ++i) {
        const uint32_t bit = (x[i / 32] >> (31 - i % 32)) & 1;
        lnum_shl1(n + 1, r);
        r[n] |= bit;
        cond_sub(r, n + 1, mm, n + 1);  // r < 2m after the shift
    }
    for (int i = 0; i < w; ++i) x[i] = 0;
    for (int i = 0; i < n && i < w; ++i) x[w - 1 - i] = r[n - i];
}

// x (n + 1 words) mod m into its low n words, where x < k*m for m large (k subtractions).
void reduce_wide(uint32_t* x, const uint32_t* m, int n, int k) {
    uint32_t mm[W];
    widen(mm, m, n);
    if (modulus_large(m)) {
        for (int i = 0; i < k; ++i) cond_sub(x, n + 1, mm, n + 1);
    } else {
        mod_exact(x, n + 1, m, n);
    }
}

// Three-word column accumulator of the product scanning: t0, t1 and a carry count t2.
struct Acc {
    uint32_t t0 = 0, t1 = 0, t2 = 0;
    void add(uint64_t p) {
        uint64_t s = uint64_t(t0) + uint32_t(p);
        t0 = uint32_t(s);
        s = uint64_t(t1) + (p >> 32) + (s >> 32);
        t1 = uint32_t(s);
        t2 += uint32_t(s >> 32);
    }
    void shift() {
        t0 = t1;
        t1 = t2;
        t2 = 0;
    }
};

// Montgomery reduction in product-scanning form, shared by multiplication and squaring.
// `products(acc, j, lo, hi)` adds the operand products of column j whose first index lies
// in [lo, hi]; indices count from the least significant word. The columns of the double
// product are processed from the least significant upward with a three-word accumulator.
template <class Products>
void mont_columns(uint32_t* out, Products products, const uint32_t* m, int n) {
    const uint32_t mp = m[n];
    auto m_at = [&](int i) { return m[n - 1 - i]; };
    uint32_t u[MONT_MAX_WORDS];
    WipeOnExit<decltype(u)> wipe_u(u);
    uint32_t res[MONT_MAX_WORDS];
    WipeOnExit<decltype(res)> wipe_res(res);
    Acc acc;
    for (int j = 0; j < n; ++j) {
        products(acc, j, 0, j);
        for (int i = 1; i <= j; ++i) acc.add(uint64_t(m_at(i)) * u[j - i]);
        u[j] = acc.t0 * mp;
        acc.add(uint64_t(m_at(0)) * u[j]);  // clears the low word
        acc.shift();
    }
    for (int j = n; j <= 2 * n - 2; ++j) {
        products(acc, j, j - n + 1, n - 1);
        for (int i = j - n + 1; i <= n - 1; ++i) acc.add(uint64_t(m_at(i)) * u[j - i]);
        res[n - 1 - (j - n)] = acc.t0;
        acc.shift();
    }
    res[0] = acc.t0;
    // The result is res + t1*R < R + m; it is written only at the end, so `out` may be an
    // operand. The correction is a fixed sequence of conditional subtractions.
    uint32_t x[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    x[0] = acc.t1;
    std::memcpy(x + 1, res, size_t(n) * 4);
    reduce_wide(x, m, n, 4);  // R + m < 5m for m >= R/4
    std::memcpy(out, x + 1, size_t(n) * 4);
}

// a*b with the words of b fetched through b_at(i), so a masked operand is never stored whole.
template <class B>
void mont_product(uint32_t* a, B b_at, const uint32_t* m, int n) {
    mont_columns(
        a,
        [&](Acc& acc, int j, int lo, int hi) {
            for (int i = lo; i <= hi; ++i) acc.add(uint64_t(a[n - 1 - i]) * b_at(j - i));
        },
        m, n);
}

}  // namespace

void lnum_add_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m) {
    uint32_t x[W], y[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    WipeOnExit<decltype(y)> wipe_y(y);
    widen(x, a, n);
    widen(y, b, n);
    lnum_add(n + 1, x, y);  // < 2R < 8m for a large m
    reduce_wide(x, m, n, 7);
    std::memcpy(a, x + 1, size_t(n) * 4);
}

void lnum_sub_mod(int n, uint32_t* a, const uint32_t* b, const uint32_t* m) {
    uint32_t x[W], y[W], mm[W];
    WipeOnExit<decltype(x)> wipe_x(x);
    WipeOnExit<decltype(y)> wipe_y(y);
    widen(x, a, n);
    widen(y, b, n);
    widen(mm, m, n);
    reduce_wide(x, m, n, 3);  // inputs need not be reduced
    reduce_wide(y, m, n, 3);
    const uint32_t borrow = uint32_t(lnum_sub(n + 1, x, y));
    for (int i = 0; i <= n; ++i) mm[i] &= 0u - borrow;  // a < b: add m back
    lnum_add(n + 1, x, mm);
    std::memcpy(a, x + 1, size_t(n) * 4);
}

void lnum_mul_r_mod(uint32_t* out, const uint32_t* x, const uint32_t* m, int n) {
    uint32_t v[W], mm[W];
    WipeOnExit<decltype(v)> wipe_v(v);
    widen(v, x, n);
    widen(mm, m, n);
    reduce_wide(v, m, n, 3);
    for (int i = 0; i < 32 * n; ++i) {
        lnum_shl1(n + 1, v);
        cond_sub(v, n + 1, mm, n + 1);  // v < m before the shift, so one subtraction
    }
    std::memcpy(out, v + 1, size_t(n) * 4);
}

int mont_mul(uint32_t* a, const uint32_t* b, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    mont_product(
        a, [&](int i) { return b[n - 1 - i]; }, m, n);
    return 0;
}

int mont_mul_masked(uint32_t* a, const uint32_t* b2, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    mont_product(
        a, [&](int i) { return b2[n - 1 - i] ^ b2[2 * n - 1 - i]; }, m, n);
    return 0;
}

int mont_sqr(uint32_t* a, const uint32_t* m, int n) {
    if (n > MONT_MAX_WORDS) return 1;
    // Squaring form: each cross product a_i*a_k (i < k) is computed once and added twice.
    mont_columns(
        a,
        [&](Acc& acc, int j, int lo, int hi) {
            for (int i = lo; i <= hi && i <= j - i; ++i) {
                const uint64_t p = uint64_t(a[n - 1 - i]) * a[n - 1 - (j - i)];
                acc.add(p);
                if (i != j - i) acc.add(p);
            }
        },
        m, n);
    return 0;
}

void mont_pow(const uint32_t* base, const uint32_t* e, uint32_t* out, int plain, const uint32_t* m, int n) {
    uint32_t acc[MONT_MAX_WORDS], copy[MONT_MAX_WORDS];
    WipeOnExit<decltype(acc)> wipe_acc(acc);
    WipeOnExit<decltype(copy)> wipe_copy(copy);
    lnum_mul_r_mod(acc, lnum_one(n), m, n);
    const int bits = 32 * n;
    int first = bits;
    for (int i = 0; i < bits; ++i) {
        if ((e[i / 32] >> (31 - i % 32)) & 1) {
            first = i;
            break;
        }
    }
    std::memcpy(copy, base, size_t(n) * 4);
    for (int i = first; i < bits - 1; ++i) {
        if ((e[i / 32] >> (31 - i % 32)) & 1) mont_mul(acc, copy, m, n);
        mont_sqr(acc, m, n);
    }
    if (e[n - 1] & 1) mont_mul(acc, copy, m, n);
    if (plain) mont_mul(acc, lnum_one(n), m, n);
    std::memcpy(out, acc, size_t(n) * 4);
}

uint32_t mont_neg_inv32(uint32_t w) {
    if ((w & 1) == 0) return 0;
    // Newton's iteration doubles the number of correct low bits: 3 -> 6 -> ... -> 48.
    uint32_t inv = w;  // correct to 3 bits for odd w
    for (int i = 0; i < 4; ++i) inv *= 2 - w * inv;
    return 0u - inv;
}

int almost_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n) {
    // u, v, r, s carry one extra word: r reaches up to 2m - 2, above 2^(32n) when m is close to R.
    uint32_t u[W], v[W], r[W], s[W], mm[W];
    WipeOnExit<decltype(r)> wipe_r(r);
    WipeOnExit<decltype(s)> wipe_s(s);
    widen(u, m, n);
    widen(v, a, n);
    widen(mm, m, n);
    std::memset(r, 0, sizeof r);
    widen(s, lnum_one(n), n);
    int k = 0;
    const int w = n + 1;
    // For odd m and 0 < a < m the loop ends within twice m's bit length; the bound only
    // matters for moduli that break that rule (a rewritten context), which must not hang.
    const int limit = 2 * 32 * w + 2;
    while (!lnum_is_zero(w, v) && k < limit) {
        if ((u[n] & 1) == 0) {
            lnum_shr1(w, u);
            lnum_shl1(w, s);
        } else if ((v[n] & 1) == 0) {
            lnum_shr1(w, v);
            lnum_shl1(w, r);
        } else if (lnum_cmp(w, u, v) > 0) {
            lnum_sub(w, u, v);
            lnum_shr1(w, u);
            lnum_add(w, r, s);
            lnum_shl1(w, s);
        } else {
            lnum_sub(w, v, u);
            lnum_shr1(w, v);
            lnum_add(w, s, r);
            lnum_shl1(w, r);
        }
        ++k;
    }
    if (lnum_cmp(w, r, mm) >= 0) lnum_sub(w, r, mm);
    lnum_sub(w, mm, r);
    std::memcpy(out, mm + 1, size_t(n) * 4);
    return k;
}

void mod_inverse(const uint32_t* a, const uint32_t* m, uint32_t* out, int n) {
    int k = almost_inverse(a, m, out, n);
    if (k == 0) {
        std::memset(out, 0, size_t(n) * 4);
        return;
    }
    if (k > 32 * n) {
        mont_mul(out, lnum_one(n), m, n);
        k -= 32 * n;
    }
    const int t = 32 * n - k;
    uint32_t pow2[8] = {};
    pow2[n - 1 - t / 32] = 1u << (t % 32);
    mont_mul(out, pow2, m, n);
}

void order_reduce_wide(uint32_t* x, const SignContext* ctx) {
    const int np = ctx->p_length / 4;
    const int nq = ctx->q_length / 4;
    if (np < 1 || np > 8 || nq < 1 || nq > np) return;
    uint32_t t[W];
    widen(t, x, np);
    if (np == nq) {
        reduce_wide(t, ctx->q, nq, 3);
    } else {
        mod_exact(t + 1, np, ctx->q_wide, np);
    }
    std::memcpy(x, t + 1, size_t(np) * 4);
}

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
    to_mont(ctx, p);  // X = Y = R mod p, Z = 0, flags 0x80
}

}  // namespace

void to_projective(const SignContext* ctx, LPoint* p) {
    const int n = ctx->p_length / 4;
    if (p->flags & LPOINT_MONT) {
        std::memcpy(p->z, ctx->r_p, size_t(n) * 4);
        p->flags = LPOINT_MONT | LPOINT_PROJECTIVE;
    } else {
        std::memcpy(p->z, lnum_one(n), size_t(n) * 4);
        p->flags = LPOINT_PROJECTIVE;
    }
}

void to_mont(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    f.mul(p->x, ctx->r2_p);
    f.mul(p->y, ctx->r2_p);
    f.mul(p->z, ctx->r2_p);
    p->flags |= LPOINT_MONT;
}

void from_mont(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    f.mul(p->x, lnum_one(f.n));
    f.mul(p->y, lnum_one(f.n));
    f.mul(p->z, lnum_one(f.n));
    p->flags &= 0xFF7F;
}

void to_affine(const SignContext* ctx, LPoint* p) {
    const Field f(ctx);
    const bool plain = (p->flags & LPOINT_MONT) == 0;
    uint32_t e[8], t[8];
    f.copy(e, ctx->p);
    uint32_t two[8] = {};
    two[f.n - 1] = 2;
    lnum_sub(f.n, e, two);
    if (plain) to_mont(ctx, p);
    mont_pow(p->z, e, p->z, 0, ctx->p, f.n);
    f.copy(t, p->z);
    f.sqr(t);
    f.mul(p->x, t);
    f.mul(p->y, t);
    f.mul(p->y, p->z);
    if (plain) {
        from_mont(ctx, p);
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

void lpoint_mul(const LPoint* p, const uint32_t* k, LPoint* out, const SignContext* ctx) {
    Curve c;
    curve_load(&c, ctx);
    struct {
        uint64_t k[4];
        JPoint in, r;
        LPoint o;
    } w;
    WipeOnExit<decltype(w)> wipe(w);
    limbs_from_words(w.k, k);
    jpoint_from_lpoint(c, &w.in, p);
    mul_ct(c, w.in, w.k, &w.r);
    std::memcpy(&w.o, p, LPOINT_BYTES);
    jpoint_to_lpoint(c, &w.o, &w.r);
    w.o.flags = uint16_t(LPOINT_MONT | (LPOINT_PROJECTIVE & ~fe_zero_mask(w.r.z)));
    std::memcpy(out, &w.o, LPOINT_BYTES);
}

}  // namespace vantix::model
